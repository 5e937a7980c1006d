#include "app/DisplayWave.h"

#include "signal/MiniWaveGen.h"

#include <array>
#include <cmath>

namespace corvane {
namespace {

constexpr std::array<int, 5> kSampleRates = {8000, 11025, 22050, 44100, 48000};
constexpr double kMaxCount = 2147483647.0;

} // namespace

std::optional<int> sampleRateOfIndex(int fsIndex)
{
    if (fsIndex < 0 || fsIndex >= static_cast<int>(kSampleRates.size()))
        return std::nullopt;
    return kSampleRates[static_cast<std::size_t>(fsIndex)];
}

std::optional<double> amplitudeOfLevel(double levelDb)
{
    const double amplitude = std::pow(10.0, levelDb * 0.05);
    if (!std::isfinite(amplitude))
        return std::nullopt;
    return amplitude;
}

VerticalRange verticalRange(int waveShape, double amplitude, bool vert)
{
    VerticalRange r;
    if (!vert)
        return r;
    switch (waveShape) {
    case MiniWaveGen::Sine:
    case MiniWaveGen::Square:
        // A range wider than full scale would hide how the signal clips.
        if (1.2 * amplitude <= 10.0) {
            r.top = 1.2 * amplitude;
            r.bottom = -1.2 * amplitude;
        }
        break;
    case MiniWaveGen::StepUp:
    case MiniWaveGen::PulseUp:
        r.top = 1.1 * amplitude;
        r.bottom = -0.1 * amplitude;
        break;
    case MiniWaveGen::StepDown:
    case MiniWaveGen::PulseDown:
        r.top = 0.1 * amplitude;
        r.bottom = -1.1 * amplitude;
        break;
    default:
        break;
    }
    return r;
}

double displayTimeSpan(double signalFreq, bool horiz)
{
    if (horiz)
        return 1.0 / signalFreq;
    const double tenPeriods = 10.0 / signalFreq;
    // trunc of a value shifted positive is floor for any span above 1e-100,
    // and stays in doubles so no span can overflow an integer.
    const double e = std::trunc(std::log10(tenPeriods) + 100.0) - 100.0;
    const double decade = std::pow(10.0, e);
    const double m = tenPeriods / decade;
    const double u = m >= 4.0 ? 4.0 : m >= 2.0 ? 2.0 : 1.0;
    return u * decade;
}

DisplayBlock limitDisplayBlock(int fs, double timeSpan, double signalFreq)
{
    DisplayBlock block;
    block.genFreq = signalFreq;
    // The checks keep this below half a million; the clamp only keeps a
    // careless caller away from an integer overflow.
    double samples = std::trunc(static_cast<double>(fs) * timeSpan) + 2.0;
    if (!(samples >= 2.0))
        samples = 2.0;
    if (samples > kMaxCount)
        samples = kMaxCount;
    block.dataSize = static_cast<int>(samples);
    while (block.dataSize > kDisplayBlockSize) {
        block.dataSize /= 2;
        block.genFreq *= 2.0;
        block.timeScale *= 2.0;
    }
    return block;
}

double quantiseSample(double x)
{
    if (std::isnan(x))
        return 0.0;
    double q = std::trunc(std::fabs(x) * kDisplayQuantum + 0.5);
    if (q > kMaxCount)
        q = kMaxCount;
    return x < 0.0 ? -q : q;
}

} // namespace corvane
