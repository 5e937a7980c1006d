#include "signal/BurstGen.h"

#include <cmath>
#include <sstream>

namespace corvane::signal {

namespace {

constexpr double kTwoPi = 6.283185307179586;

} // namespace

std::string checkBurstParams(const BurstParams& p)
{
    if (!std::isfinite(p.sampleRateHz) || !std::isfinite(p.freqHz) || !std::isfinite(p.cycles) ||
        !std::isfinite(p.periodCycles) || !std::isfinite(p.amplitude))
        return "The burst needs finite numbers.";
    if (!(p.sampleRateHz > 0.0))
        return "The sampling frequency must be positive.";
    if (!(p.freqHz >= 1.0))
        return "The burst's frequency must be 1 Hz or more.";
    if (!(p.freqHz < p.sampleRateHz / 2.0))
        return "The burst's frequency must be below half the sampling frequency.";
    if (!(p.cycles >= 0.5))
        return "A burst needs at least half a cycle (--cycles).";
    if (!(p.periodCycles >= p.cycles))
        return "The burst period (--period, in cycles) may not be shorter than the burst (--cycles).";
    return {};
}

void BurstGen::setBurst(const BurstParams& p, int channels)
{
    params = p;
    valid = checkBurstParams(p).empty();
    setChannels(channels);
}

void BurstGen::fillFrames(std::int64_t first, double* out, int count) const
{
    for (int i = 0; i < count; ++i) {
        const std::int64_t n = first + i;
        if (!valid || n < 0) {
            out[i] = 0.0;
            continue;
        }
        // The cycles since the start: F n is exact for the frequencies one
        // types (whole numbers, or halves) and the quotient is rounded once,
        // so a frame that falls on a burst's edge lands on it exactly (fmod
        // is exact).
        const double p = params.freqHz * static_cast<double>(n) / params.sampleRateHz;
        double c = std::fmod(p, params.periodCycles);
        if (c < 0.0)
            c += params.periodCycles;
        if (c > params.cycles) {
            out[i] = 0.0;
            continue;
        }
        double v = params.amplitude * std::sin(kTwoPi * (c - std::floor(c)));
        if (params.hann)
            v *= c == 0.0 || c == params.cycles ? 0.0 : 0.5 * (1.0 - std::cos(kTwoPi * c / params.cycles));
        out[i] = v;
    }
}

} // namespace corvane::signal
