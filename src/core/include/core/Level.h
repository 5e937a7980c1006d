#pragma once

#include <optional>

namespace corvane::core {

// The amplitude of a level in dB, 10^(level/20): 0 dB is 1.0 and +20 dB is
// integer full scale. Empty when the amplitude does not fit a double, so
// such a level is refused like text that is not a number.
std::optional<double> amplitudeOfLevel(double levelDb);

} // namespace corvane::core
