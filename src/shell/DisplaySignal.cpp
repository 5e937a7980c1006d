#include "shell/DisplaySignal.h"

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

} // namespace

bool displaySignal(MainFormState& s, const session::JobDescription& typed, bool vert, bool horiz, OkBox& box,
                   plot::WaveDisplay& display)
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
        return false;
    const int frames = checked.plan->frames;
    const int fs = job.sampleRateHz;

    session::SignalChain chain(job, *checked.plan);
    signal::TWaveProvider& source = chain.provider();
    std::vector<double> block(kBlockFrames);
    double peak = 0.0;
    double span = 0.0;
    if (horiz) {
        // The first samples themselves: the start of a sweep, a stretch of noise.
        const int n = std::min(frames, kDisplayBlockSize);
        if (const int r = source.execStore(block.data(), n); r < 0) {
            showErrorMessage(box, r);
            return false;
        }
        for (int i = 0; i < n; ++i) {
            const double q = quantiseSample(block[static_cast<std::size_t>(i)]);
            s.displayData[static_cast<std::size_t>(i)] = q;
            peak = std::max(peak, std::fabs(q));
        }
        s.dataSize = n;
        span = (n - 1) / static_cast<double>(fs);
    } else {
        // Column c holds frames [c * frames / columns, (c + 1) * frames / columns).
        const int columns = std::min(frames, kEnvelopeColumns);
        int column = 0;
        long long columnEnd = static_cast<long long>(frames) / columns;
        double low = HUGE_VAL;
        double high = -HUGE_VAL;
        for (int done = 0; done < frames;) {
            const int n = std::min(kBlockFrames, frames - done);
            if (const int r = source.execStore(block.data(), n); r < 0) {
                showErrorMessage(box, r);
                return false;
            }
            for (int i = 0; i < n; ++i) {
                const double q = quantiseSample(block[static_cast<std::size_t>(i)]);
                low = std::min(low, q);
                high = std::max(high, q);
                if (done + i + 1 == columnEnd) {
                    s.displayData[2 * static_cast<std::size_t>(column)] = low;
                    s.displayData[2 * static_cast<std::size_t>(column) + 1] = high;
                    peak = std::max({peak, std::fabs(low), std::fabs(high)});
                    low = HUGE_VAL;
                    high = -HUGE_VAL;
                    ++column;
                    columnEnd = static_cast<long long>(frames) * (column + 1) / columns;
                }
            }
            done += n;
        }
        s.dataSize = 2 * columns;
        span = frames / static_cast<double>(fs);
    }
    // The tone's own fields (rate, amplitude) stay as its last display left
    // them: they are what the tone's save writes.
    s.timeSpan = span;
    s.displayedSignals[static_cast<std::size_t>(typed.kind)] = typed;

    VerticalRange range;
    // Fitted to the peak drawn, by the sine's rule: a fifth above it, never
    // wider than full scale.
    const double fitted = 1.2 * peak * kTraceGain;
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
    return true;
}

} // namespace corvane::shell
