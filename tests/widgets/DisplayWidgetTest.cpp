#include "plot/WaveDisplay.h"
#include "support/QtWait.h"
#include "widgets/LabelAdapter.h"
#include "widgets/WaveDraw.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QElapsedTimer>
#include <QLabel>

#include <array>
#include <cmath>
#include <memory>
#include <vector>

using namespace corvane;

namespace {

constexpr plot::Colour kBlack = 0;
constexpr plot::Colour kGrey = plot::rgb(128, 128, 128);
constexpr plot::Colour kGreen = plot::rgb(0, 255, 0);

// The way the main window wires its plot: the display drives the widget's
// canvas, real label controls stand beside it, and every paint replays the
// history. After the picture is lost (a resize starts it black) the next
// paint brings the plot back.
TEST(DisplayOnWaveDraw, PaintReplaysTheMainWindowPlot)
{
    QWidget window;
    window.resize(460, 320);
    auto* plot = new widgets::WaveDraw(&window);
    plot->setGeometry(40, 48, 361, 201);

    std::vector<std::unique_ptr<widgets::LabelAdapter>> adapters;
    std::array<QLabel*, 20> qlabels{};
    for (QLabel*& l : qlabels) {
        l = new QLabel(&window);
        adapters.push_back(std::make_unique<widgets::LabelAdapter>(l));
    }
    std::array<plot::PlotLabel*, plot::PlotCanvas::kXLabelSlots> x{};
    std::array<plot::PlotLabel*, plot::PlotCanvas::kYLabelSlots> yl{};
    for (std::size_t i = 0; i < 11; ++i)
        x[i] = adapters[i].get();
    for (std::size_t i = 0; i < 9; ++i)
        yl[i] = adapters[11 + i].get();
    plot->canvas().copyXScaleLabels(x);
    plot->canvas().copyYLScaleLabels(yl);

    plot::WaveDisplay display(plot->canvas(), 11, 9, 9);
    int paints = 0;
    int lastResult = 1;
    plot->setPaintHandler([&] {
        ++paints;
        lastResult = display.repaint();
    });
    window.show();
    ASSERT_TRUE(processEventsUntil([&] { return paints > 0; }, std::chrono::seconds(10)));

    std::vector<double> samples(884);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] =
            std::trunc(6538.0 * std::sin(2.0 * 3.141592653589793 * 400.0 * static_cast<double>(i) / 44100.0));
    display.initScreen(kBlack, kGrey, kGrey);
    ASSERT_EQ(display.setYGridAndScale("Level", 0, 10.0, -10.0, 5.0, 0), 0);
    ASSERT_EQ(display.setXGridAndScale("Time [second]", 0, 0.0, 0.02, 0.0025), 0);
    ASSERT_EQ(display.draw(samples.data(), 1.0 / 3276.0, 0.0, 0.0, 883.0 / 44100.0, 884, kGreen, 0), 0);
    EXPECT_EQ(qlabels[11]->text(), "-10");
    EXPECT_EQ(qlabels[0]->text(), "0");

    plot->resize(361, 200);
    plot->resize(361, 201);
    const int before = paints;
    ASSERT_TRUE(processEventsUntil([&] { return paints > before; }, std::chrono::seconds(10)));
    EXPECT_EQ(lastResult, 0);
    // The trace starts at 0 on the zero row, 100.5 rounded to even; the +5
    // grid row is trunc(201 - 15 / 20 * 201) = 50, away from the trace.
    const QImage& image = plot->picture();
    EXPECT_EQ(QColor(image.pixel(0, 100)), QColor(0, 255, 0));
    EXPECT_EQ(QColor(image.pixel(5, 50)), QColor(128, 128, 128));
}

} // namespace
