#include "core/ResultCodes.h"
#include "plot/PlotCanvas.h"
#include "plot/RecordingSurface.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

using namespace corvane;

namespace {

constexpr plot::Colour kGrey = plot::rgb(128, 128, 128);
constexpr plot::Colour kBack = plot::rgb(0, 0, 0);
constexpr plot::Colour kSel = plot::rgb(200, 200, 200);
constexpr plot::Colour kMarker = plot::rgb(255, 255, 0);

// X from 0 to 10 on 361 columns, channel 0 from -1 to 1 on 201 rows.
struct PlotCanvasSelection : ::testing::Test {
    PlotCanvasSelection()
    {
        canvas.initScreen(kBack, kSel);
        EXPECT_EQ(canvas.setXScale(0.0, 10.0, 1.0, kGrey), 0);
        EXPECT_EQ(canvas.setYScale(-1.0, 2.0, 0), 0);
        surface.forget();
    }
    RecordingSurface surface;
    plot::PlotCanvas canvas{surface};
};

TEST_F(PlotCanvasSelection, DragGivesValuesAndADottedRectangle)
{
    canvas.mouseDown(36, 50);
    EXPECT_TRUE(surface.calls.empty());
    ASSERT_EQ(canvas.mouseUp(181, 150), 0);
    EXPECT_NEAR(canvas.selection().selXValue1, 0.99723, 5e-6);
    EXPECT_NEAR(canvas.selection().selXValue2, 5.01385, 5e-6);
    EXPECT_NEAR(canvas.selection().selYValue1, -0.49254, 5e-6);
    EXPECT_NEAR(canvas.selection().selYValue2, 0.50249, 5e-6);
    EXPECT_TRUE(canvas.selection().selShown);
    const std::vector<std::string> expected = {
        "pen " + std::to_string(kSel), "penStyle dotted", "fillStyle clear",
        "rectangle 36 50 181 150",     "penStyle solid",  "fillStyle solid"};
    EXPECT_EQ(surface.calls, expected);
}

TEST_F(PlotCanvasSelection, DragOnALogarithmicAxis)
{
    ASSERT_EQ(canvas.setXScale(20.0, 1000.0, kGrey), 0);
    canvas.mouseDown(36, 50);
    ASSERT_EQ(canvas.mouseUp(181, 150), 0);
    EXPECT_NEAR(canvas.selection().selXValue1, 39.829, 5e-4);
    EXPECT_NEAR(canvas.selection().selXValue2, 638.54, 5e-3);
    EXPECT_NEAR(canvas.selection().selYValue1, -0.49254, 5e-6);
}

TEST_F(PlotCanvasSelection, SizeAndDirectionChecks)
{
    struct Case {
        const char* name;
        int x1, y1, x2, y2;
        int result;
    };
    const Case cases[] = {
        {"TenWideTooSmall", 100, 100, 110, 150, core::kSelectionTooSmall},
        {"ElevenWideAccepted", 100, 100, 111, 150, 0},
        {"TenHighTooSmall", 100, 100, 150, 110, core::kSelectionTooSmall},
        {"ElevenHighAccepted", 100, 100, 150, 111, 0},
        {"RightToLeft", 150, 100, 100, 150, core::kSelectionIncorrect},
        {"BottomToTop", 100, 150, 150, 100, core::kSelectionIncorrect},
        {"NoWidth", 100, 100, 100, 150, core::kSelectionIncorrect},
        {"FarApartDoesNotOverflow", INT_MIN, INT_MIN, INT_MAX, INT_MAX, 0},
        {"FarApartBackwards", INT_MAX, 0, INT_MIN, 100, core::kSelectionIncorrect},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingSurface s;
        plot::PlotCanvas fresh(s);
        ASSERT_EQ(fresh.setXScale(0.0, 10.0, 1.0, kGrey), 0);
        ASSERT_EQ(fresh.setYScale(-1.0, 2.0, 0), 0);
        s.forget();
        fresh.mouseDown(c.x1, c.y1);
        EXPECT_EQ(fresh.mouseUp(c.x2, c.y2), c.result);
        // Corners and values are kept even when the selection is refused.
        EXPECT_EQ(fresh.selection().selX2, c.x2);
        EXPECT_EQ(fresh.selection().selY2, c.y2);
        EXPECT_DOUBLE_EQ(fresh.selection().selXValue2, c.x2 * 10.0 / 361.0);
        EXPECT_EQ(fresh.selection().selShown, c.result == 0);
        EXPECT_EQ(s.shapes.size(), c.result == 0 ? 1u : 0u);
    }
}

TEST_F(PlotCanvasSelection, APressErasesTheLastRectangleAndARedrawUsesTheNewPress)
{
    canvas.drawMagSelectedArea();
    EXPECT_TRUE(surface.shapes.empty());
    canvas.mouseDown(10, 20);
    ASSERT_EQ(canvas.mouseUp(100, 120), 0);
    surface.forget();

    canvas.mouseDown(30, 40);
    ASSERT_EQ(surface.shapes.size(), 1u);
    EXPECT_EQ(surface.shapes[0], (RecordingSurface::Shape{"rectangle", 10, 20, 100, 120, kBack,
                                                          plot::PenStyle::Dotted, plot::FillStyle::Clear}));
    EXPECT_TRUE(canvas.selection().selShown);
    canvas.drawMagSelectedArea();
    ASSERT_EQ(surface.shapes.size(), 2u);
    EXPECT_EQ(surface.shapes[1], (RecordingSurface::Shape{"rectangle", 30, 40, 100, 120, kSel,
                                                          plot::PenStyle::Dotted, plot::FillStyle::Clear}));

    // A refused release draws nothing, but the flag from before stays.
    EXPECT_EQ(canvas.mouseUp(35, 45), core::kSelectionTooSmall);
    EXPECT_EQ(surface.shapes.size(), 2u);
    EXPECT_TRUE(canvas.selection().selShown);
}

TEST_F(PlotCanvasSelection, ReferenceLinesOnlyWhenSwitchedOn)
{
    canvas.drawReferenceLines(2.0, 5.0);
    canvas.deleteRefLines();
    EXPECT_TRUE(surface.calls.empty());
    EXPECT_EQ(canvas.selection().refLine1X, 0);

    canvas.setRefLinesOn(true);
    // Markers and reference lines keep the linear mapping on a log axis: the
    // new start 20 with the span 10 of the last linear axis.
    ASSERT_EQ(canvas.setXScale(20.0, 1000.0, kGrey), 0);
    surface.forget();
    canvas.drawReferenceLines(22.0, 25.0);
    EXPECT_EQ(canvas.selection().refLine1X, 72); // trunc(72.2 + 0.5)
    EXPECT_EQ(canvas.selection().refLine2X, 181);
    const std::vector<RecordingSurface::Line> drawn = {
        {181, 0, 181, 201, plot::rgb(0, 255, 0), plot::PenStyle::Solid},
        {72, 0, 72, 201, plot::rgb(255, 0, 0), plot::PenStyle::Solid}};
    EXPECT_EQ(surface.lines, drawn);

    surface.forget();
    canvas.deleteRefLines();
    const std::vector<RecordingSurface::Line> erased = {{181, 0, 181, 201, kBack, plot::PenStyle::Solid},
                                                        {72, 0, 72, 201, kBack, plot::PenStyle::Solid}};
    EXPECT_EQ(surface.lines, erased);

    // A position with no column leaves the line where it was.
    canvas.drawReferenceLines(1e300, 25.0);
    EXPECT_EQ(canvas.selection().refLine1X, 72);
}

TEST_F(PlotCanvasSelection, ReferenceLineGrabWithinFourPixels)
{
    struct Case {
        const char* name;
        int press, line, release;
        int result;
    };
    const Case cases[] = {
        {"FourRightOfThePress", 100, 104, 150, 150},
        {"FiveAwayReleasedLeft", 100, 105, 90, -1},
        {"FiveAwayReleasedOnTheLine", 100, 105, 105, -2},
        {"FiveAwayReleasedRight", 100, 105, 200, -2},
        {"FourLeftOfThePress", 104, 100, 7, 7},
        {"FiveLeft", 105, 100, 7, -1},
        {"ExtremesDoNotOverflow", INT_MIN, INT_MAX, 0, -1},
    };
    // One pixel per unit, so a line drawn at X value n stands in column n.
    canvas.setRefLinesOn(true);
    ASSERT_EQ(canvas.setXScale(0.0, 361.0, 20.0, kGrey), 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        canvas.drawReferenceLines(c.line, c.line);
        ASSERT_EQ(canvas.selection().refLine1X, c.line);
        ASSERT_EQ(canvas.selection().refLine2X, c.line);
        canvas.mouseRL1Down(c.press, 3);
        EXPECT_EQ(canvas.mouseRL1Up(c.release, 9), c.result);
        EXPECT_EQ(canvas.selection().selX1, c.press);
        EXPECT_EQ(canvas.selection().selX2, c.release);
        EXPECT_EQ(canvas.selection().selY2, 9);

        canvas.mouseRL2Down(c.press, 4);
        EXPECT_EQ(canvas.mouseRL2Up(c.release, 8), c.result);
        EXPECT_EQ(canvas.selection().rl2PressX, c.press);
        EXPECT_EQ(canvas.selection().rl2PressY, 4);
        EXPECT_EQ(canvas.selection().rl2ReleaseX, c.release);
        EXPECT_EQ(canvas.selection().rl2ReleaseY, 8);
    }
}

TEST_F(PlotCanvasSelection, Markers)
{
    canvas.drawPole(0.0, -1.0, kMarker, 0); // the bottom-left corner: (0, 201)
    const std::vector<RecordingSurface::Line> cross = {{-3, 198, 3, 204, kMarker, plot::PenStyle::Solid},
                                                       {-3, 204, 3, 198, kMarker, plot::PenStyle::Solid}};
    EXPECT_EQ(surface.lines, cross);

    surface.forget();
    canvas.drawZero(5.0, 0.0, kMarker, 0); // (181, 101)
    const std::vector<std::string> zero = {"pen " + std::to_string(kMarker), "fillStyle clear",
                                           "ellipse 178 98 184 104", "fillStyle solid"};
    EXPECT_EQ(surface.calls, zero);

    // The unit circle on X -2..2 and Y -1.5..1.5: columns trunc(90.25 + 0.5)
    // and trunc(270.75 + 0.5), rows trunc(33.5 + 0.5) and trunc(167.5 + 0.5).
    ASSERT_EQ(canvas.setXScale(-2.0, 4.0, 1.0, kGrey), 0);
    ASSERT_EQ(canvas.setYScale(-1.5, 3.0, 2), 0);
    surface.forget();
    canvas.drawZCircle(-1.0, 1.0, 1.0, -1.0, kGrey, 2);
    const std::vector<std::string> circle = {"pen " + std::to_string(kGrey), "penStyle dashed", "fillStyle clear",
                                             "ellipse 90 34 271 168",        "penStyle solid",  "fillStyle solid"};
    EXPECT_EQ(surface.calls, circle);

    // No place, nothing drawn: a channel without a scale, no such channel, a
    // position beyond 32 bits.
    surface.forget();
    canvas.drawPole(0.0, 0.0, kMarker, 3);
    canvas.drawZero(0.0, 0.0, kMarker, 9);
    canvas.drawZCircle(-1.0, 1.0, 1.0, -1.0, kGrey, -1);
    canvas.drawPole(1e12, 0.0, kMarker, 0);
    EXPECT_TRUE(surface.calls.empty());
}

} // namespace
