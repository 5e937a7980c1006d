#include "signal/Dither.h"

namespace corvane::signal {
namespace {

Xoshiro256 ditherStream(std::uint64_t seed)
{
    Xoshiro256 r(seed);
    r.jump();
    return r;
}

} // namespace

Dither::Dither(std::uint64_t s) : seed(s), rng(ditherStream(s)) {}

void Dither::restart()
{
    rng = ditherStream(seed);
}

double Dither::next()
{
    // Each uniform value is a multiple of 2^-53 in [0, 1), so both
    // differences and their sum are exact.
    const double a = rng.nextDouble() - 0.5;
    const double b = rng.nextDouble() - 0.5;
    return a + b;
}

void Dither::fill(double* lsb, int count)
{
    for (int i = 0; i < count; ++i)
        lsb[i] = next();
}

void Dither::addTo(double* lsbValues, int count)
{
    for (int i = 0; i < count; ++i)
        lsbValues[i] += next();
}

} // namespace corvane::signal
