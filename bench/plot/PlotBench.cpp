#include "plot/PlotCanvas.h"
#include "widgets/ImageSurface.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>

#include <cmath>
#include <cstdio>
#include <vector>

using namespace corvane;

namespace {

constexpr plot::Colour kBlack = 0;
constexpr plot::Colour kGrey = plot::rgb(128, 128, 128);
constexpr plot::Colour kGreen = plot::rgb(0, 255, 0);

// A few periods of a sine at the display's +-10 range, as the window draws it.
std::vector<double> sineBlock(int n)
{
    std::vector<double> v(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        v[static_cast<std::size_t>(i)] = 2.0 * std::sin(2.0 * 3.141592653589793 * 5.0 * i / n);
    return v;
}

// The main window's plot on an image, with its axes set as a display would.
struct Plot {
    Plot()
    {
        surface.setBounds({40, 48, 361, 201});
        canvas.setGridTrace(nullptr);
        canvas.initScreen(kBlack, kGrey);
        setUp();
    }
    void setUp()
    {
        canvas.setYScale(-10.0, 20.0, 2.5, kGrey, 0);
        canvas.setXScale(0.0, 0.01, 0.00125, kGrey);
    }
    widgets::ImageSurface surface;
    plot::PlotCanvas canvas{surface};
};

// The check before timing: the middle sample of the sine sits on the zero line.
bool traceLands(Plot& plot, const std::vector<double>& data)
{
    if (plot.canvas.draw(data.data(), static_cast<int>(data.size()), kGreen, 0) != 0)
        return false;
    const QImage& image = plot.surface.image();
    return QColor(image.pixel(0, 100)) == QColor(0, 255, 0);
}

void traceBench(benchmark::State& state)
{
    Plot plot;
    const auto data = sineBlock(static_cast<int>(state.range(0)));
    if (!traceLands(plot, data)) {
        state.SkipWithError("trace did not land where expected");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(plot.canvas.draw(data.data(), static_cast<int>(data.size()), kGreen, 0));
        // Reading the picture finishes the drawing, as a paint does.
        benchmark::DoNotOptimize(plot.surface.image().constBits());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(traceBench)->Name("Trace/points")->Arg(4096)->Arg(50000)->Unit(benchmark::kMicrosecond);

void gridBench(benchmark::State& state)
{
    Plot plot;
    for (auto _ : state) {
        plot.canvas.initScreen(kBlack, kGrey);
        plot.setUp();
        benchmark::DoNotOptimize(plot.surface.image().constBits());
    }
}
BENCHMARK(gridBench)->Name("Grid/clearAndBothScales")->Unit(benchmark::kMicrosecond);

void logGridBench(benchmark::State& state)
{
    Plot plot;
    for (auto _ : state) {
        plot.canvas.initScreen(kBlack, kGrey);
        plot.canvas.setYScale(-60.0, 60.0, 10.0, kGrey, 0);
        plot.canvas.setXScale(20.0, 1000.0, kGrey);
        benchmark::DoNotOptimize(plot.surface.image().constBits());
    }
}
BENCHMARK(logGridBench)->Name("Grid/clearAndLogScales")->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
