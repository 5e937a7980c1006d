#include "plot/PlotCanvas.h"
#include "plot/RecordingSurface.h"
#include "support/QtWait.h"
#include "widgets/ImageSurface.h"
#include "widgets/LabelAdapter.h"
#include "widgets/WaveDraw.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLocale>

#include <cmath>
#include <vector>

using namespace corvane;

namespace {

constexpr plot::Colour kBlack = plot::rgb(0, 0, 0);
constexpr plot::Colour kGrey = plot::rgb(128, 128, 128);
constexpr plot::Colour kGreen = plot::rgb(0, 255, 0);
constexpr plot::Colour kSel = plot::rgb(200, 200, 200);

plot::Colour pixel(const QImage& image, int x, int y)
{
    const QRgb p = image.pixel(x, y);
    return plot::rgb(static_cast<std::uint8_t>(qRed(p)), static_cast<std::uint8_t>(qGreen(p)),
                     static_cast<std::uint8_t>(qBlue(p)));
}

// The main window's plot size on an image.
struct ImageCanvas : ::testing::Test {
    ImageCanvas()
    {
        surface.setBounds({0, 0, 361, 201});
        canvas.initScreen(kBlack, kSel);
    }
    widgets::ImageSurface surface;
    plot::PlotCanvas canvas{surface};
};

TEST_F(ImageCanvas, InitScreenCoversExactlyTheControl)
{
    canvas.initScreen(plot::rgb(255, 0, 0), kSel);
    const QImage& image = surface.image();
    ASSERT_EQ(image.size(), QSize(361, 201));
    for (const QPoint p : {QPoint(0, 0), QPoint(360, 0), QPoint(0, 200), QPoint(360, 200), QPoint(180, 100)})
        EXPECT_EQ(pixel(image, p.x(), p.y()), plot::rgb(255, 0, 0)) << p.x() << "," << p.y();
}

TEST_F(ImageCanvas, GridLinesLandOnTheirColumnsAndRows)
{
    ASSERT_EQ(canvas.setXScale(0.0, 10.0, 1.0, kGrey), 0);
    ASSERT_EQ(canvas.setYScale(-1.0, 2.0, 0.5, kGrey, 0), 0);
    const QImage& image = surface.image();
    // Column 181 is the line at 5, row 100 the line at 0; their neighbours stay black.
    for (const int y : {0, 20, 120, 200})
        EXPECT_EQ(pixel(image, 181, y), kGrey) << y;
    EXPECT_EQ(pixel(image, 180, 20), kBlack);
    EXPECT_EQ(pixel(image, 182, 20), kBlack);
    EXPECT_EQ(pixel(image, 0, 20), kBlack); // no line on the border
    for (const int x : {0, 10, 200, 360})
        EXPECT_EQ(pixel(image, x, 100), kGrey) << x;
    EXPECT_EQ(pixel(image, 10, 99), kBlack);
    EXPECT_EQ(pixel(image, 10, 101), kBlack);
}

TEST_F(ImageCanvas, TracePointsLandWhereTheRecordingSaysTheyDo)
{
    ASSERT_EQ(canvas.setXScale(0.0, 10.0, 10.0, kGrey), 0); // no grid lines
    ASSERT_EQ(canvas.setYScale(-1.0, 2.0, 0), 0);
    const double flat[] = {0.0, 0.0};
    ASSERT_EQ(canvas.draw(flat, 2, kGreen, 0), 0);
    const QImage& image = surface.image();
    for (const int x : {0, 1, 180, 360})
        EXPECT_EQ(pixel(image, x, 100), kGreen) << x;
    EXPECT_EQ(pixel(image, 100, 99), kBlack);
    EXPECT_EQ(pixel(image, 100, 101), kBlack);

    // A sine of 4096 samples over a grid, drawn on both surfaces: every end
    // point the recording holds inside the plot is a trace pixel.
    RecordingSurface recording({0, 0, 361, 201});
    plot::PlotCanvas recorded(recording);
    std::vector<double> sine(4096);
    for (std::size_t i = 0; i < sine.size(); ++i)
        sine[i] = 1.2 * std::sin(static_cast<double>(i) * 0.01);
    for (plot::PlotCanvas* c : {&canvas, &recorded}) {
        c->initScreen(kBlack, kSel);
        ASSERT_EQ(c->setXScale(0.0, 10.0, 1.0, kGrey), 0);
        ASSERT_EQ(c->setYScale(-1.0, 2.0, 0.5, kGrey, 0), 0);
        recording.forget();
        ASSERT_EQ(c->draw(sine.data(), 4096, kGreen, 0), 0);
    }
    const QImage& traced = surface.image();
    ASSERT_FALSE(recording.lines.empty());
    int inside = 0;
    for (const auto& l : recording.lines) {
        for (const QPoint p : {QPoint(l.x1, l.y1), QPoint(l.x2, l.y2)}) {
            if (!traced.rect().contains(p))
                continue;
            ++inside;
            ASSERT_EQ(pixel(traced, p.x(), p.y()), kGreen) << p.x() << "," << p.y();
        }
    }
    EXPECT_GT(inside, 4000);
}

TEST_F(ImageCanvas, FarOffSegmentsAreClippedWithoutHarm)
{
    ASSERT_EQ(canvas.setXScale(0.0, 10.0, 10.0, kGrey), 0);
    ASSERT_EQ(canvas.setYScale(-1.0, 2.0, 0), 0);
    // Row -100499900 at column 361: the segment leaves the plot almost at once.
    const double data[] = {0.0, 0.0, 1e6};
    ASSERT_EQ(canvas.draw(data, 3, kGreen, 0), 0);
    const QImage& image = surface.image();
    EXPECT_EQ(pixel(image, 10, 100), kGreen);
    EXPECT_EQ(pixel(image, 180, 100), kGreen);
    EXPECT_EQ(pixel(image, 180, 0), kGreen); // the steep segment, up to the top edge
    EXPECT_EQ(pixel(image, 181, 100), kBlack);
}

TEST_F(ImageCanvas, SelectionOutlineLeavesTheInsideAlone)
{
    canvas.initScreen(kBlack, kSel);
    ASSERT_EQ(canvas.setXScale(0.0, 10.0, 10.0, kGrey), 0);
    ASSERT_EQ(canvas.setYScale(-1.0, 2.0, 0), 0);
    canvas.mouseDown(36, 50);
    ASSERT_EQ(canvas.mouseUp(181, 150), 0);
    const QImage& image = surface.image();
    // Dots along all four sides, which run on columns 36 and 180, rows 50 and 149.
    const auto dotsOn = [&](int x0, int y0, int dx, int dy, int n) {
        int dots = 0;
        for (int i = 0; i < n; ++i)
            dots += pixel(image, x0 + i * dx, y0 + i * dy) == kSel ? 1 : 0;
        return dots;
    };
    EXPECT_GT(dotsOn(36, 50, 1, 0, 145), 20);
    EXPECT_GT(dotsOn(36, 149, 1, 0, 145), 20);
    EXPECT_GT(dotsOn(36, 50, 0, 1, 100), 15);
    EXPECT_GT(dotsOn(180, 50, 0, 1, 100), 15);
    EXPECT_EQ(dotsOn(37, 51, 1, 0, 143) + dotsOn(37, 148, 1, 0, 143), 0);
    EXPECT_EQ(pixel(image, 100, 100), kBlack);
    EXPECT_EQ(pixel(image, 181, 50), kBlack); // the box stops before its far corner
    EXPECT_EQ(pixel(image, 36, 150), kBlack);
}

TEST_F(ImageCanvas, TextIsWrittenOnACellOfTheFillColour)
{
    canvas.TextOnCanvas(10, 10, "Level 1.5", kGreen);
    const QImage& image = surface.image();
    int lit = 0;
    for (int y = 10; y < 30; ++y)
        for (int x = 10; x < 80; ++x)
            lit += pixel(image, x, y) != kBlack ? 1 : 0;
    EXPECT_GT(lit, 20);
    EXPECT_EQ(pixel(image, 5, 5), kBlack);
}

// Only for showing that something does NOT happen: what does happen is
// waited for with processEventsUntil.
void processEventsFor(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
}

TEST(WaveDrawWidget, PaintsThroughTheHostHandlerWithoutLooping)
{
    QWidget window;
    window.resize(460, 320);
    auto* plot = new widgets::WaveDraw(&window);
    EXPECT_EQ(plot->canvas().originX(), 0);
    EXPECT_EQ(plot->canvas().minSelWidth(), 10);
    EXPECT_EQ(plot->canvas().minSelHeight(), 10);
    plot->setGeometry(40, 48, 361, 201);
    const plot::CanvasBounds b{40, 48, 361, 201};
    int paints = 0;
    plot->setPaintHandler([&] {
        ++paints;
        plot->canvas().initScreen(kBlack, kSel);
        EXPECT_EQ(plot->canvas().setXScale(0.0, 10.0, 1.0, kGrey), 0);
    });
    window.show();
    ASSERT_TRUE(processEventsUntil([&] { return paints >= 1; }, std::chrono::seconds(10)));
    processEventsFor(100); // let the first show's paints all arrive
    const int settled = paints;
    processEventsFor(300);
    EXPECT_EQ(paints, settled); // drawing inside the handler asks for no further paint

    EXPECT_EQ(plot->canvas().getXpos(5.0), 181); // origin 0 from construction
    EXPECT_EQ(plot->picture().size(), QSize(b.width, b.height));
    EXPECT_EQ(pixel(plot->picture(), 181, 10), kGrey);

    // Drawing outside a paint asks for one.
    plot->canvas().TextOnCanvas(3, 3, "x", kGreen);
    EXPECT_TRUE(processEventsUntil([&] { return paints > settled; }, std::chrono::seconds(10)));
    processEventsFor(100);
    EXPECT_EQ(paints, settled + 1);

    plot->resize(200, 100);
    // The picture follows the size at once, the repaint through the handler a little later.
    const int beforeResize = paints;
    EXPECT_TRUE(processEventsUntil([&] { return paints > beforeResize; }, std::chrono::seconds(10)));
    EXPECT_EQ(pixel(plot->picture(), 100, 10), kGrey); // 5 is now column trunc(100 + 0.5)
}

TEST(WaveDrawWidget, DecimalSeparatorFollowsTheLocale)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    {
        widgets::WaveDraw plot;
        EXPECT_EQ(plot.canvas().truncDigit(1500, 3, 1, true), "1,5k");
        EXPECT_EQ(plot.canvas().truncDigit(2e15, 3, 0, true), "2,0000E+015");
    }
    QLocale::setDefault(QLocale::c());
    widgets::WaveDraw plot;
    EXPECT_EQ(plot.canvas().truncDigit(1500, 3, 1, true), "1.5k");
}

TEST(LabelAdapter, AutomaticSizingKeepsTheAnchoredEdge)
{
    QWidget window;
    struct Case {
        const char* name;
        plot::LabelAlignment alignment;
        bool autoSize;
    };
    const Case cases[] = {
        {"RightKeepsRightEdge", plot::LabelAlignment::Right, true},
        {"LeftKeepsLeftEdge", plot::LabelAlignment::Left, true},
        {"CentreKeepsLeftEdge", plot::LabelAlignment::Centre, true},
        {"FixedWidth", plot::LabelAlignment::Centre, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto* label = new QLabel(&window);
        widgets::LabelAdapter adapter(label);
        adapter.setAutoSize(c.autoSize);
        adapter.setLeft(4);
        adapter.setTop(100);
        adapter.setWidth(32);
        adapter.setAlignment(c.alignment);
        adapter.setFont(plot::PlotCanvas::kFontFace, 9);
        adapter.setText("-1");
        const QRect shortText = label->geometry();
        adapter.setText("-1000.25m");
        const QRect longText = label->geometry();
        EXPECT_EQ(longText.y(), 100);
        if (!c.autoSize) {
            EXPECT_EQ(longText, QRect(4, 100, 32, shortText.height()));
        } else if (c.alignment == plot::LabelAlignment::Right) {
            EXPECT_EQ(shortText.x() + shortText.width(), 36);
            EXPECT_EQ(longText.x() + longText.width(), 36);
            EXPECT_LT(longText.x(), shortText.x());
        } else {
            EXPECT_EQ(shortText.x(), 4);
            EXPECT_EQ(longText.x(), 4);
            EXPECT_GT(longText.width(), shortText.width());
        }
        adapter.setVisible(true);
        EXPECT_FALSE(label->isHidden());
        adapter.setVisible(false);
        EXPECT_TRUE(label->isHidden());
    }
}

} // namespace
