#include "MainWindowPlot.h"

#include <benchmark/benchmark.h>

#include <QColor>
#include <QImage>

#include <array>
#include <cmath>
#include <vector>

using namespace corvane;

namespace {

constexpr plot::Colour kBlack = 0;
constexpr plot::Colour kGrey = plot::rgb(128, 128, 128);
constexpr plot::Colour kGreen = plot::rgb(0, 255, 0);

// The main window's plot built through the display layer: +-10 in steps of
// 5, 0 to 10 ms in steps of 1.25 ms, and one block of 4096 samples.
struct DisplayedPlot : bench::MainWindowPlot {
    DisplayedPlot()
    {
        samples.resize(4096);
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = 2.0 * std::sin(2.0 * 3.141592653589793 * 5.0 * static_cast<double>(i) / 4096.0);
    }

    bool build()
    {
        display.initScreen(kBlack, kGrey, kGrey);
        return display.setYGridAndScale("Level", 0, 10.0, -10.0, display.calcGridInterval(8, -10.0, 10.0), 0) ==
                   0 &&
               display.setXGridAndScale("Time [second]", 0, 0.0, 0.01, 0.00125) == 0 &&
               display.draw(samples.data(), 1.0, 0.0, 0.0, 0.01, 4096, kGreen, 0) == 0 &&
               display.historyCount() == 3;
    }

    std::vector<double> samples;
};

// The check before timing: after a repaint over a scribbled picture, the
// trace starts on the zero row, the +5 grid row and the first X grid column
// are grey, and the scribble is gone.
bool repaintRebuilds(DisplayedPlot& plot)
{
    plot.surface.setPenColour(plot::rgb(255, 0, 255));
    plot.surface.moveTo(0, 5);
    plot.surface.lineTo(360, 5);
    if (plot.display.repaint() != 0)
        return false;
    const QImage& image = plot.surface.image();
    // +5 on -10..10 is row trunc(201 - 15 / 20 * 201) = 50; 1.25 ms is
    // column trunc(361 / 8 + 0.5) = 45.
    return QColor(image.pixel(0, 100)) == QColor(0, 255, 0) &&
           QColor(image.pixel(200, 50)) == QColor(128, 128, 128) &&
           QColor(image.pixel(45, 10)) == QColor(128, 128, 128) && QColor(image.pixel(200, 5)) == QColor(0, 0, 0);
}

void repaintBench(benchmark::State& state)
{
    DisplayedPlot plot;
    if (!plot.build() || !repaintRebuilds(plot)) {
        state.SkipWithError("the repainted plot is not the plot that was built");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(plot.display.repaint());
        // Reading the picture finishes the drawing, as a paint does.
        benchmark::DoNotOptimize(plot.surface.image().constBits());
    }
}
BENCHMARK(repaintBench)->Name("Display/repaintMainPlot")->Unit(benchmark::kMicrosecond);

// A window dragged to full HD: the plot is laid out again for the new size
// from its history (grids, label placement, the 4096-point trace) on a new
// picture. Two sizes a pixel apart take turns, so every pass allocates the
// picture afresh as a real resize does.
void resizeBench(benchmark::State& state)
{
    DisplayedPlot plot;
    constexpr plot::CanvasBounds kLarge{40, 48, 1920, 1080};
    constexpr plot::CanvasBounds kLargeLess{40, 48, 1919, 1079};
    if (!plot.build()) {
        state.SkipWithError("the plot could not be built");
        return;
    }
    // The check before timing: at 1920 x 1080 the +5 grid row is
    // trunc(1080 - 15 / 20 * 1080) = 270, the 1.25 ms column
    // trunc(1920 / 8 + 0.5) = 240, and the trace starts on row 540.
    plot.surface.setBounds(kLarge);
    if (plot.display.relayout() != 0) {
        state.SkipWithError("relayout failed");
        return;
    }
    const QImage& image = plot.surface.image();
    if (image.size() != QSize(1920, 1080) || QColor(image.pixel(1000, 270)) != QColor(128, 128, 128) ||
        QColor(image.pixel(240, 10)) != QColor(128, 128, 128) ||
        QColor(image.pixel(0, 540)) != QColor(0, 255, 0)) {
        state.SkipWithError("the plot laid out at 1920 x 1080 is not where the mapping puts it");
        return;
    }
    bool large = false;
    for (auto _ : state) {
        plot.surface.setBounds(large ? kLarge : kLargeLess);
        large = !large;
        benchmark::DoNotOptimize(plot.display.relayout());
        benchmark::DoNotOptimize(plot.surface.image().constBits());
    }
}
BENCHMARK(resizeBench)->Name("Display/resizeMainPlotTo1920x1080")->Unit(benchmark::kMillisecond);

} // namespace
