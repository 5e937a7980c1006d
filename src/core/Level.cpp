#include "core/Level.h"

#include <cmath>

namespace corvane::core {

std::optional<double> amplitudeOfLevel(double levelDb)
{
    const double amplitude = std::pow(10.0, levelDb * 0.05);
    if (!std::isfinite(amplitude))
        return std::nullopt;
    return amplitude;
}

} // namespace corvane::core
