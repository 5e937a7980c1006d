#include "signal/ToneSum.h"

#include "core/ResultCodes.h"
#include "signal/FrameGen.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <sstream>

namespace corvane::signal {

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;

std::string hz(double v)
{
    std::ostringstream s;
    s << v << " Hz";
    return s.str();
}

} // namespace

std::int64_t cyclesPerPeriod(double freqHz, double sampleRateHz, std::int64_t periodFrames)
{
    const double c = std::round(freqHz * static_cast<double>(periodFrames) / sampleRateHz);
    // The caller checked the frequency is below half the rate, so c fits.
    return static_cast<std::int64_t>(c);
}

std::string checkToneSum(const ToneSumParams& p)
{
    if (p.lines.empty())
        return "The signal needs at least one tone.";
    if (p.lines.size() > static_cast<std::size_t>(kMaxToneLines))
        return "The signal takes at most " + std::to_string(kMaxToneLines) + " tones.";
    if (!std::isfinite(p.sampleRateHz) || !(p.sampleRateHz > 0.0) || !std::isfinite(p.rightPhaseRad))
        return "The tones need finite numbers.";
    for (const ToneLine& l : p.lines) {
        if (!std::isfinite(l.freqHz) || !std::isfinite(l.amplitude) || !std::isfinite(l.phaseRad))
            return "The tones need finite numbers.";
        if (!(l.freqHz >= 1.0))
            return "Each tone (" + hz(l.freqHz) + ") must be 1 Hz or more.";
        if (!(l.freqHz < p.sampleRateHz / 2.0))
            return "Each tone (" + hz(l.freqHz) + ") must be below half the sampling frequency (" +
                   hz(p.sampleRateHz / 2.0) + ").";
    }
    if (p.periodFrames > 0) {
        std::vector<std::int64_t> seen;
        for (const ToneLine& l : p.lines) {
            const std::int64_t c = cyclesPerPeriod(l.freqHz, p.sampleRateHz, p.periodFrames);
            if (c < 1 || 2 * c >= p.periodFrames)
                return "The tone " + hz(l.freqHz) + " rounds to " + std::to_string(c) + " cycles in a period of " +
                       std::to_string(p.periodFrames) + " frames: it needs at least one and fewer than half.";
            if (std::find(seen.begin(), seen.end(), c) != seen.end())
                return "Two tones round to the same " + std::to_string(c) + " cycles in a period of " +
                       std::to_string(p.periodFrames) + " frames.";
            seen.push_back(c);
        }
    }
    return {};
}

std::vector<double> schroederPhases(int n)
{
    std::vector<double> phases;
    for (std::int64_t k = 1; k <= n; ++k) {
        // k (k - 1) / n reduced modulo 2 in whole numbers, so the phase stays
        // exact for every line.
        const std::int64_t m = (k * (k - 1)) % (2 * static_cast<std::int64_t>(n));
        phases.push_back(-kPi * static_cast<double>(m) / static_cast<double>(n));
    }
    return phases;
}

ToneSum::ToneSum()
{
    maxBlockSize = kBlockSize;
}

void ToneSum::setSum(const ToneSumParams& p, int channels)
{
    params = p;
    numCh = channels;
    valid = checkToneSum(p).empty();
    cycles.clear();
    if (valid && p.periodFrames > 0)
        for (const ToneLine& l : p.lines)
            cycles.push_back(cyclesPerPeriod(l.freqHz, p.sampleRateHz, p.periodFrames));
    nextFrame = 0;
}

void ToneSum::fill(std::int64_t first, double* out, int count, double extraPhase) const
{
    std::fill(out, out + count, 0.0);
    if (!valid)
        return;
    const std::int64_t period = params.periodFrames;
    for (std::size_t k = 0; k < params.lines.size(); ++k) {
        const ToneLine& l = params.lines[k];
        const double phase = l.phaseRad + extraPhase;
        for (int i = 0; i < count; ++i) {
            const std::int64_t n = first + i;
            double turns = 0.0;
            if (period > 0) {
                // c n modulo the period in whole numbers: c < period / 2 and
                // the frame modulo the period keep the product in range.
                std::int64_t m = n % period;
                if (m < 0)
                    m += period;
                turns = static_cast<double>((cycles[k] * m) % period) / static_cast<double>(period);
            } else {
                turns = turnsOf(static_cast<double>(n), l.freqHz, params.sampleRateHz);
            }
            out[i] += l.amplitude * std::sin(kTwoPi * turns + phase);
        }
    }
}

void ToneSum::fillFrames(std::int64_t first, double* out, int count) const
{
    if (count > 0)
        fill(first, out, count, 0.0);
}

int ToneSum::execStore(double* data, int dataSize)
{
    if (numCh != 1)
        return core::kChannelCountIncorrect;
    if (dataSize > 0)
        fill(takeFrames(dataSize), data, dataSize, 0.0);
    return 0;
}

int ToneSum::execStore(double* left, double* right, int dataSize)
{
    if (numCh != 2)
        return core::kChannelCountIncorrect;
    if (dataSize <= 0)
        return 0;
    const std::int64_t first = takeFrames(dataSize);
    fill(first, left, dataSize, 0.0);
    if (shifted())
        fill(first, right, dataSize, params.rightPhaseRad);
    else
        std::memcpy(right, left, sizeof(double) * static_cast<std::size_t>(dataSize));
    return 0;
}

int ToneSum::execStoreIdentical(double* data, int dataSize)
{
    if (numCh != 2 || shifted())
        return core::kChannelCountIncorrect;
    if (dataSize > 0)
        fill(takeFrames(dataSize), data, dataSize, 0.0);
    return 0;
}

} // namespace corvane::signal
