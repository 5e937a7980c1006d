#include "signal/LinSweepGen.h"

#include <cmath>
#include <sstream>

namespace corvane::signal {

namespace {

constexpr double kTwoPi = 6.283185307179586;

std::string hz(double v)
{
    std::ostringstream s;
    s << v << " Hz";
    return s.str();
}

} // namespace

std::string checkLinSweepParams(const LinSweepParams& p)
{
    if (!std::isfinite(p.sampleRateHz) || !std::isfinite(p.startHz) || !std::isfinite(p.stopHz) ||
        !std::isfinite(p.amplitude))
        return "The sweep needs finite numbers.";
    if (p.frameCount < 1)
        return "The sweep needs at least one frame.";
    if (!(p.sampleRateHz > 0.0))
        return "The sampling frequency must be positive.";
    for (const double f : {p.startHz, p.stopHz}) {
        if (f < 0.0)
            return "The sweep's frequencies (" + hz(f) + ") must not be negative.";
        if (!(f < p.sampleRateHz / 2.0))
            return "The sweep's frequencies (" + hz(f) + ") must be below half the sampling frequency (" +
                   hz(p.sampleRateHz / 2.0) + ").";
    }
    return {};
}

double linSweepTurns(const LinSweepParams& p, std::int64_t n)
{
    // F1 n / fs + (F2 - F1) n^2 / (2 fs N), each term reduced to turns
    // exactly before its division; n^2 above 2^53 has its rounding put back.
    const auto x = static_cast<double>(n);
    const double rise = p.stopHz - p.startHz;
    const double span = 2.0 * p.sampleRateHz * static_cast<double>(p.frameCount);
    const double nn = x * x;
    const double nnError = std::fma(x, x, -nn);
    const double t = turnsOf(x, p.startHz, p.sampleRateHz) +
                     (rise >= 0.0 ? turnsOf(nn, rise, span) : -turnsOf(nn, -rise, span)) + nnError * rise / span;
    return t - std::floor(t);
}

void LinSweepGen::setSweep(const LinSweepParams& p, int channels)
{
    params = p;
    valid = checkLinSweepParams(p).empty();
    setChannels(channels);
}

void LinSweepGen::fillFrames(std::int64_t first, double* out, int count) const
{
    for (int i = 0; i < count; ++i) {
        const std::int64_t n = first + i;
        out[i] = valid && n >= 0 && n < params.frameCount
                     ? params.amplitude * std::sin(kTwoPi * linSweepTurns(params, n))
                     : 0.0;
    }
}

} // namespace corvane::signal
