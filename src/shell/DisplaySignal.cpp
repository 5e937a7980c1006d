#include "shell/DisplaySignal.h"

#include "core/Handover.h"
#include "plot/Colour.h"
#include "plot/WaveDisplay.h"
#include "session/JobCheck.h"
#include "session/SignalChain.h"
#include "shell/DisplayWave.h"
#include "shell/MainFormState.h"
#include "shell/OkBox.h"
#include "signal/TWaveProvider.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace corvane::shell {

namespace {

constexpr plot::Colour kBackground = plot::rgb(0, 0, 0);
constexpr plot::Colour kGridGrey = plot::rgb(128, 128, 128);
constexpr plot::Colour kTraceGreen = plot::rgb(0, 255, 0);
// As the tone's trace: 32767 steps are drawn at 10.003.
constexpr double kTraceGain = 1.0 / 3276.0;
constexpr int kBlockFrames = 4096;

static_assert(2 * kEnvelopeColumns <= MainFormState::kDisplayDataSize);
static_assert(kDisplayBlockSize <= MainFormState::kDisplayDataSize);

} // namespace

std::optional<SignalToDisplay> checkSignalToDisplay(const session::JobDescription& typed, OkBox& box)
{
    // One channel of the 16-bit export's samples, so the display shows what
    // the save writes at its default format.
    session::JobDescription job = typed;
    job.channels = 1;
    job.format = core::SampleFormat::S16;
    job.dither = false;
    const session::CheckResult checked = session::checkJob(job, session::CheckScope::All);
    for (const session::Finding& finding : checked.findings)
        box.show(finding.text, session::titleOf(finding));
    if (checked.refused())
        return std::nullopt;
    return SignalToDisplay{job, *checked.plan};
}

long long framesToRead(const SignalToDisplay& signal, bool horiz)
{
    return horiz ? std::min(signal.plan.frames, kDisplayBlockSize) : signal.plan.frames;
}

int computeSignalPicture(const SignalToDisplay& signal, bool horiz, SignalPicture& picture,
                         core::Handover* handover)
{
    const int frames = signal.plan.frames;
    const int fs = signal.job.sampleRateHz;
    session::SignalChain chain(signal.job, signal.plan);
    signal::TWaveProvider& source = chain.provider();
    std::vector<double> block(kBlockFrames);
    double peak = 0.0;
    if (horiz) {
        // The first samples themselves: the start of a sweep, a stretch of noise.
        const int n = std::min(frames, kDisplayBlockSize);
        if (const int r = source.execStore(block.data(), n); r < 0)
            return r;
        picture.data.resize(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) {
            const double q = quantiseSample(block[static_cast<std::size_t>(i)]);
            picture.data[static_cast<std::size_t>(i)] = q;
            peak = std::max(peak, std::fabs(q));
        }
        picture.peak = peak;
        picture.span = (n - 1) / static_cast<double>(fs);
        return 0;
    }
    // Column c holds frames [c * frames / columns, (c + 1) * frames / columns).
    const int columns = std::min(frames, kEnvelopeColumns);
    picture.data.resize(2 * static_cast<std::size_t>(columns));
    int column = 0;
    long long columnEnd = static_cast<long long>(frames) / columns;
    double low = HUGE_VAL;
    double high = -HUGE_VAL;
    for (int done = 0; done < frames;) {
        if (handover != nullptr) {
            if (handover->stopRequested())
                return kDisplayStopped;
            handover->setProgress(static_cast<int>(100LL * done / frames));
        }
        const int n = std::min(kBlockFrames, frames - done);
        if (const int r = source.execStore(block.data(), n); r < 0)
            return r;
        for (int i = 0; i < n; ++i) {
            const double q = quantiseSample(block[static_cast<std::size_t>(i)]);
            low = std::min(low, q);
            high = std::max(high, q);
            if (done + i + 1 == columnEnd) {
                picture.data[2 * static_cast<std::size_t>(column)] = low;
                picture.data[2 * static_cast<std::size_t>(column) + 1] = high;
                peak = std::max({peak, std::fabs(low), std::fabs(high)});
                low = HUGE_VAL;
                high = -HUGE_VAL;
                ++column;
                columnEnd = static_cast<long long>(frames) * (column + 1) / columns;
            }
        }
        done += n;
    }
    if (handover != nullptr)
        handover->setProgress(100);
    picture.peak = peak;
    picture.span = frames / static_cast<double>(fs);
    return 0;
}

void drawSignalPicture(MainFormState& s, const session::JobDescription& typed, const SignalPicture& picture,
                       bool vert, OkBox& box, plot::WaveDisplay& display)
{
    const std::size_t n = std::min(picture.data.size(), s.displayData.size());
    std::copy_n(picture.data.begin(), n, s.displayData.begin());
    s.dataSize = static_cast<int>(n);
    // The tone's own fields (rate, amplitude) stay as its last display left
    // them: they are what the tone's save writes.
    const double span = picture.span;
    s.timeSpan = span;
    s.displayedSignals[static_cast<std::size_t>(typed.kind)] = typed;

    VerticalRange range;
    // Fitted to the peak drawn, by the sine's rule: a fifth above it, never
    // wider than full scale.
    const double fitted = 1.2 * picture.peak * kTraceGain;
    if (vert && fitted > 0.0 && fitted <= 10.0) {
        range.top = fitted;
        range.bottom = -fitted;
    }
    display.initScreen(kBackground, kGridGrey, kGridGrey);
    const double interval = display.calcGridInterval(8, range.bottom, range.top);
    if (const int r = display.setYGridAndScale("Level", 0, range.top, range.bottom, interval, 0); r < 0)
        showErrorMessage(box, r);
    if (const int r = display.setXGridAndScale("Time [second]", 0, 0.0, span, span * 0.125); r < 0)
        showErrorMessage(box, r);
    // The envelope's two values per column are drawn as one line that runs
    // from each column's lowest sample to its highest.
    if (const int r = display.draw(s.displayData.data(), kTraceGain, 0.0, 0.0, span, s.dataSize, kTraceGreen, 0);
        r < 0)
        showErrorMessage(box, r);
}

bool displaySignal(MainFormState& s, const session::JobDescription& typed, bool vert, bool horiz, OkBox& box,
                   plot::WaveDisplay& display)
{
    const auto signal = checkSignalToDisplay(typed, box);
    if (!signal)
        return false;
    SignalPicture picture;
    if (const int r = computeSignalPicture(*signal, horiz, picture); r < 0) {
        showErrorMessage(box, r);
        return false;
    }
    drawSignalPicture(s, typed, picture, vert, box, display);
    return true;
}

} // namespace corvane::shell
