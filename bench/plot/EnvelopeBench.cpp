#include "MainWindowPlot.h"
#include "session/JobDescription.h"
#include "shell/DisplaySignal.h"
#include "shell/MainFormState.h"
#include "shell/OkBox.h"

#include <benchmark/benchmark.h>

#include <QColor>
#include <QImage>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <string>

using namespace corvane;

namespace {

class CountingBox final : public shell::OkBox {
public:
    void show(std::string_view text, std::string_view) override { last = std::string(text), ++shown; }
    int shown = 0;
    std::string last;
};

// The main window's plot showing the whole of a 1000 s sweep at 384 kHz
// (384 million frames) as its envelope.
struct EnvelopePlot : bench::MainWindowPlot {
    EnvelopePlot()
    {
        shell::setFormDefaults(*state);
        job.kind = core::SignalKind::Sweep;
        job.sampleRateHz = 384000;
        job.seconds = 1000.0;
        job.levelDb = 6.0;
    }

    bool show() { return shell::displaySignal(*state, job, false, false, box, display) && box.shown == 0; }

    // The check before timing: 4096 columns, the sweep's peak at its
    // amplitude (+6 dB is 1.995, 6537 steps of 16 bits), and after a repaint
    // over a scribble the zero row is green under the trace and the
    // scribble gone.
    bool envelopeRight()
    {
        if (state->dataSize != 2 * shell::kEnvelopeColumns)
            return false;
        const auto [low, high] =
            std::minmax_element(state->displayData.begin(), state->displayData.begin() + state->dataSize);
        if (std::fabs(*high - 6537.0) > 1.0 || std::fabs(*low + 6537.0) > 1.0)
            return false;
        surface.setPenColour(plot::rgb(255, 0, 255));
        surface.moveTo(0, 5);
        surface.lineTo(360, 5);
        if (display.repaint() != 0)
            return false;
        const QImage& image = surface.image();
        return QColor(image.pixel(180, 100)) == QColor(0, 255, 0) &&
               QColor(image.pixel(200, 5)) == QColor(0, 0, 0);
    }

    std::unique_ptr<shell::MainFormState> state = std::make_unique<shell::MainFormState>();
    session::JobDescription job;
    CountingBox box;
};

// Redrawing the displayed envelope, as every paint and expose does.
void envelopeRedrawBench(benchmark::State& st)
{
    EnvelopePlot plot;
    if (!plot.show() || !plot.envelopeRight()) {
        st.SkipWithError(("the envelope is not the sweep's: " + plot.box.last).c_str());
        return;
    }
    for (auto _ : st) {
        benchmark::DoNotOptimize(plot.display.repaint());
        benchmark::DoNotOptimize(plot.surface.image().constBits());
    }
}
BENCHMARK(envelopeRedrawBench)->Name("Envelope/redraw1000s384kHz")->Unit(benchmark::kMillisecond);

// "Display Wave" itself: the whole sweep generated and folded into its
// columns, then drawn.
void envelopeDisplayBench(benchmark::State& st)
{
    EnvelopePlot plot;
    for (auto _ : st) {
        if (!plot.show()) {
            st.SkipWithError(("the sweep was not displayed: " + plot.box.last).c_str());
            return;
        }
        benchmark::DoNotOptimize(plot.surface.image().constBits());
    }
    if (!plot.envelopeRight())
        st.SkipWithError("the envelope is not the sweep's");
}
BENCHMARK(envelopeDisplayBench)->Name("Envelope/display1000s384kHz")->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
