#include "shell/DisplayWave.h"

#include "core/CodeSets.h"
#include "core/Level.h"
#include "core/ParameterTexts.h"
#include "plot/Colour.h"
#include "plot/WaveDisplay.h"
#include "session/JobCheck.h"
#include "shell/OkBox.h"
#include "signal/MiniWaveGen.h"

#include <array>
#include <cmath>
#include <memory>
#include <vector>

namespace corvane::shell {

using namespace core; // the parameter texts

namespace {

constexpr double kMaxCount = 2147483647.0;
constexpr plot::Colour kBackground = plot::rgb(0, 0, 0);
constexpr plot::Colour kGridGrey = plot::rgb(128, 128, 128);
constexpr plot::Colour kTraceGreen = plot::rgb(0, 255, 0);
// Not 1 / kDisplayQuantum: the trace maps 32767 steps to 10.003, just above
// full scale, as it always has.
constexpr double kTraceGain = 1.0 / 3276.0;

} // namespace

std::optional<int> sampleRateOfIndex(int fsIndex)
{
    const auto row = core::rowOf(core::kSampleRates, fsIndex);
    if (!row)
        return std::nullopt;
    return row->hz;
}

VerticalRange verticalRange(int waveShape, double amplitude, bool vert)
{
    VerticalRange r;
    if (!vert)
        return r;
    switch (waveShape) {
    case signal::MiniWaveGen::Sine:
    case signal::MiniWaveGen::Square:
        // A range wider than full scale would hide how the signal clips.
        if (1.2 * amplitude <= 10.0) {
            r.top = 1.2 * amplitude;
            r.bottom = -1.2 * amplitude;
        }
        break;
    case signal::MiniWaveGen::StepUp:
    case signal::MiniWaveGen::PulseUp:
        r.top = 1.1 * amplitude;
        r.bottom = -0.1 * amplitude;
        break;
    case signal::MiniWaveGen::StepDown:
    case signal::MiniWaveGen::PulseDown:
        r.top = 0.1 * amplitude;
        r.bottom = -1.1 * amplitude;
        break;
    default: break;
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

void displayWave(MainFormState& s, const DisplayInputs& in, bool vert, bool horiz, OkBox& box,
                 plot::WaveDisplay& display)
{
    // A level whose amplitude does not fit a double is as unusable as text.
    const std::optional<double> amplitude = in.levelDb ? core::amplitudeOfLevel(*in.levelDb) : std::nullopt;
    if (!in.signalFreq || !amplitude) {
        box.show(kInvalidValueText, kParameterErrorTitle);
        return;
    }
    s.signalFreq = *in.signalFreq;
    const double levelDb = *in.levelDb;
    s.fsIndex = in.fsIndex;
    if (const auto rate = sampleRateOfIndex(in.fsIndex))
        s.fs = *rate;
    s.waveShape = in.waveShape;

    // The display checks the signal only; the length and format are the
    // save's business.
    session::JobDescription job;
    job.kind = core::SignalKind::Tone;
    job.freqHz = s.signalFreq;
    job.levelDb = levelDb;
    job.sampleRateHz = s.fs;
    for (const session::Finding& finding : session::checkJob(job, session::CheckScope::Signal).findings) {
        box.show(finding.text, session::titleOf(finding));
        if (finding.severity == session::Severity::Refusal)
            return;
    }
    s.amplitude = *amplitude;

    if (vert) {
        if (const int r = display.repaint(); r < 0)
            showErrorMessage(box, r);
    }
    const VerticalRange range = verticalRange(s.waveShape, s.amplitude, vert);

    s.timeSpan = displayTimeSpan(s.signalFreq, horiz);
    const DisplayBlock block = limitDisplayBlock(s.fs, s.timeSpan, s.signalFreq);
    s.dataSize = block.dataSize;

    {
        // A waveshape of -1 (typed text) gives the generator's silence.
        auto generator = std::make_unique<signal::MiniWaveGen>();
        std::vector<double> samples(kDisplayBlockSize);
        generator->setSignal(s.waveShape, 1, block.genFreq, s.fs, s.amplitude);
        if (const int r = generator->execStore(samples.data(), s.dataSize); r < 0) {
            showErrorMessage(box, r);
            return;
        }
        for (int i = 0; i < s.dataSize; ++i)
            s.displayData[static_cast<std::size_t>(i)] = quantiseSample(samples[static_cast<std::size_t>(i)]);
    }

    display.initScreen(kBackground, kGridGrey, kGridGrey);
    const double interval = display.calcGridInterval(8, range.bottom, range.top);
    if (const int r = display.setYGridAndScale("Level", 0, range.top, range.bottom, interval, 0); r < 0)
        showErrorMessage(box, r);
    if (const int r = display.setXGridAndScale("Time [second]", 0, 0.0, s.timeSpan, s.timeSpan * 0.125); r < 0)
        showErrorMessage(box, r);
    s.timeSpan = (s.dataSize - 1) / static_cast<double>(s.fs) * block.timeScale;
    if (const int r =
            display.draw(s.displayData.data(), kTraceGain, 0.0, 0.0, s.timeSpan, s.dataSize, kTraceGreen, 0);
        r < 0)
        showErrorMessage(box, r);
}

} // namespace corvane::shell
