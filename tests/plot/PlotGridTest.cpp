#include "core/ResultCodes.h"
#include "plot/PlotCanvas.h"
#include "plot/RecordingSurface.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

using namespace corvane;

namespace {

constexpr plot::Colour kGrey = plot::rgb(128, 128, 128);

// The main window's canvas: 361 x 201 at (40, 48).
struct MainCanvas : ::testing::Test {
    RecordingSurface surface;
    plot::PlotCanvas canvas{surface};
};

TEST(PlotCanvasConstruction, OriginAndSelectionMinimaComeFromTheFirstBounds)
{
    struct Case {
        const char* name;
        plot::CanvasBounds bounds;
        int minWidth, minHeight;
    };
    const Case cases[] = {
        {"DefaultSize105", {0, 0, 105, 105}, 10, 10},
        {"MainWindow", {40, 48, 361, 201}, 10, 10},
        {"Large1000x600", {7, 9, 1000, 600}, 20, 12},
        {"JustBelowAndAtTheRaise", {0, 0, 549, 550}, 10, 11},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingSurface s(c.bounds);
        plot::PlotCanvas canvas(s);
        EXPECT_EQ(canvas.originX(), c.bounds.left);
        EXPECT_EQ(canvas.originY(), c.bounds.top);
        EXPECT_EQ(canvas.minSelWidth(), c.minWidth);
        EXPECT_EQ(canvas.minSelHeight(), c.minHeight);
        EXPECT_FALSE(canvas.scales().xIsLog);
        EXPECT_FALSE(canvas.selection().selShown);
        EXPECT_FALSE(canvas.refLinesOn());
        EXPECT_TRUE(s.calls.empty());
    }
}

TEST_F(MainCanvas, PositionsRoundHalfUpAndYWithoutChannelUsesChannelZero)
{
    ASSERT_EQ(canvas.setXScale(0.0, 10.0, 1.0, kGrey), 0);
    ASSERT_EQ(canvas.setYScale(-1.0, 2.0, 0), 0);
    ASSERT_EQ(canvas.setYScale(0.0, 4.0, 1), 0);
    // The origin is the bounds' left and top at construction: 40 and 48 here.
    EXPECT_EQ(canvas.getXpos(0.0), 40);
    EXPECT_EQ(canvas.getXpos(10.0), 40 + 361);
    EXPECT_EQ(canvas.getXpos(5.0), 40 + 181); // trunc(180.5 + 0.5)
    EXPECT_EQ(canvas.getYpos(0.0), 48 + 101); // trunc(100.5 + 0.5)
    EXPECT_EQ(canvas.getYpos(0.0, 0), 48 + 101);
    EXPECT_EQ(canvas.getYpos(0.0, 1), 48 + 201);
    EXPECT_EQ(canvas.getYpos(1.0), 48);
}

TEST(PlotCanvasMapping, ResizeChangesTheMappingButNotTheConstructionValues)
{
    RecordingSurface s({0, 0, 105, 105});
    plot::PlotCanvas canvas(s);
    ASSERT_EQ(canvas.setXScale(0.0, 10.0, 1.0, kGrey), 0);
    EXPECT_EQ(canvas.getXpos(5.0), 53); // trunc(52.5 + 0.5)
    s.rect = {40, 48, 722, 1000};
    EXPECT_EQ(canvas.getXpos(5.0), 361);
    EXPECT_EQ(canvas.originX(), 0);
    EXPECT_EQ(canvas.minSelWidth(), 10);
    EXPECT_EQ(canvas.minSelHeight(), 10);
}

TEST_F(MainCanvas, PositionsThatCannotBePlacedSaturate)
{
    ASSERT_EQ(canvas.setYScale(-1.0, 2.0, 0), 0);
    EXPECT_EQ(canvas.getYpos(1e300), INT_MIN);
    EXPECT_EQ(canvas.getYpos(-1e300), INT_MAX);
    EXPECT_EQ(canvas.getYpos(0.0, 3), INT_MIN); // channel without a scale
    EXPECT_EQ(canvas.getYpos(0.0, 6), INT_MIN); // no such channel
    EXPECT_EQ(canvas.getYpos(0.0, -1), INT_MIN);
    EXPECT_EQ(canvas.getXpos(1.0), INT_MIN); // no X axis yet
    ASSERT_EQ(canvas.setXScale(20.0, 1000.0, kGrey), 0);
    EXPECT_EQ(canvas.getXpos(0.0), INT_MIN);
    EXPECT_EQ(canvas.getXpos(-5.0), INT_MIN);
    EXPECT_EQ(canvas.getXpos(2000.0), 40 + 241);
}

TEST_F(MainCanvas, InitScreenPaintsTheControlAndKeepsTheColours)
{
    ASSERT_EQ(canvas.setXScale(0.0, 10.0, 1.0, kGrey), 0);
    surface.forget();
    canvas.initScreen(plot::rgb(0, 0, 0), plot::rgb(1, 2, 3));
    const std::vector<std::string> expected = {"pen 0", "fill 0", "rectangle 0 0 361 201"};
    EXPECT_EQ(surface.calls, expected);
    EXPECT_EQ(surface.shapes.at(0).fillStyle, plot::FillStyle::Solid);
    EXPECT_EQ(canvas.backColour(), 0u);
    EXPECT_EQ(canvas.selColour(), plot::rgb(1, 2, 3));
    EXPECT_EQ(canvas.scales().xSpan, 10.0);
    EXPECT_EQ(canvas.gridRecord().xGridCount, 9);
}

TEST_F(MainCanvas, CopyOperationsStoreInOrderAndTheLastCallWins)
{
    // The canvas only keeps the addresses; they are never dereferenced here.
    std::array<plot::PlotLabel*, 17> first{};
    std::array<plot::PlotLabel*, 17> second{};
    int markers[3];
    first[0] = reinterpret_cast<plot::PlotLabel*>(&markers[0]);
    second[16] = reinterpret_cast<plot::PlotLabel*>(&markers[1]);
    canvas.copyXScaleLabels(first);
    EXPECT_EQ(canvas.labelSlots().xLabels, first);
    canvas.copyXScaleLabels(second);
    EXPECT_EQ(canvas.labelSlots().xLabels, second);
    canvas.copyTitleLabels(nullptr, second[16], nullptr);
    EXPECT_EQ(canvas.labelSlots().ylTitleLabel, second[16]);
    EXPECT_EQ(canvas.labelSlots().xTitleLabel, nullptr);
}

TEST_F(MainCanvas, TextOnCanvasSetsThePlotFontAndWrites)
{
    canvas.TextOnCanvas(5, 7, "Level", plot::rgb(255, 255, 0));
    ASSERT_EQ(surface.texts.size(), 1u);
    EXPECT_EQ(surface.texts[0],
              (RecordingSurface::Text{5, 7, "Level", "Franklin Gothic Medium", 9, plot::rgb(255, 255, 0)}));
}

// ---------------------------------------------------------------------------

struct GridCase {
    const char* name;
    double start, span, interval; // span is the ratio for logarithmic cases
    bool log;
    int result;
    std::vector<int> columns;
    int count;
    double first, last;
};

TEST(PlotCanvasXScale, GridColumnsAndRecord)
{
    const GridCase cases[] = {
        {"Linear0To10By1", 0.0, 10.0, 1.0, false, 0, {36, 72, 108, 144, 181, 217, 253, 289, 325}, 9, 1.0, 9.0},
        {"LinearFromMinusHalf", -0.5, 3.0, 0.5, false, 0, {60, 120, 181, 241, 301}, 5, 0.0, 2.0},
        {"LinearNegativeStartTruncatesTowardZero", -3.7, 2.0, 1.0, false, 0, {126, 307}, 2, -3.0, -2.0},
        {"Log20Ratio1000",
         20.0,
         1000.0,
         0.0,
         true,
         0,
         {21, 48, 65, 84, 120, 142, 168, 186, 204, 241, 262, 289, 306, 325},
         14,
         30.0,
         10000.0},
        {"Log100Ratio100",
         100.0,
         100.0,
         0.0,
         true,
         0,
         {54, 86, 126, 153, 181, 235, 267, 307, 333},
         9,
         200.0,
         7000.0},
        // 100 lands in column 0, on the border, and gets no line.
        {"LogValueInColumnZeroSkipped",
         99.99,
         100.0,
         0.0,
         true,
         0,
         {54, 86, 126, 153, 181, 235, 267, 307, 333},
         9,
         200.0,
         7000.0},
    };
    for (const GridCase& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingSurface s;
        plot::PlotCanvas canvas(s);
        const int result = c.log ? canvas.setXScale(c.start, c.span, kGrey)
                                 : canvas.setXScale(c.start, c.span, c.interval, kGrey);
        ASSERT_EQ(result, c.result);
        EXPECT_EQ(s.verticalColumns(), c.columns);
        for (const auto& line : s.lines) {
            EXPECT_EQ(line.y1, 0);
            EXPECT_EQ(line.y2, 201);
            EXPECT_EQ(line.colour, kGrey);
        }
        EXPECT_EQ(canvas.gridRecord().xGridCount, c.count);
        EXPECT_DOUBLE_EQ(canvas.gridRecord().firstXGrid, c.first);
        EXPECT_DOUBLE_EQ(canvas.gridRecord().lastXGrid, c.last);
        EXPECT_EQ(canvas.scales().xIsLog, c.log);
    }
}

TEST(PlotCanvasXScale, LimitsOnTheNumberOfLines)
{
    struct Case {
        const char* name;
        double start, span, interval;
        bool log;
        int result;
        int count;
    };
    const Case cases[] = {
        {"Linear32IntervalsAccepted", 0.0, 32.0, 1.0, false, 0, 31},
        {"Linear32AndAHalfRefused", 0.0, 32.5, 1.0, false, core::kXSpanTooManyGrids, 0},
        {"LinearZeroInterval", 0.0, 10.0, 0.0, false, core::kXSpanTooManyGrids, 0},
        {"LinearZeroSpan", 0.0, 0.0, 1.0, false, core::kXSpanNotPositive, 0},
        {"LinearNaNSpan", 0.0, std::nan(""), 1.0, false, core::kXSpanNotPositive, 0},
        {"LogRatio20Accepted", 100.0, 20.0, 0.0, true, 0, 5},
        {"LogRatio10000Accepted", 1.0, 10000.0, 0.0, true, 0, 19},
        {"LogRatioJustBelow20", 100.0, 19.999, 0.0, true, core::kLogRatioOutOfRange, 0},
        {"LogRatioJustAbove10000", 1.0, 10000.001, 0.0, true, core::kLogRatioOutOfRange, 0},
        {"LogRatioNaN", 1.0, std::nan(""), 0.0, true, core::kLogRatioOutOfRange, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingSurface s;
        plot::PlotCanvas canvas(s);
        const int result = c.log ? canvas.setXScale(c.start, c.span, kGrey)
                                 : canvas.setXScale(c.start, c.span, c.interval, kGrey);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(canvas.gridRecord().xGridCount, c.count);
        EXPECT_EQ(static_cast<int>(s.lines.size()), c.count);
    }
}

// What each failure leaves stored: some refuse before storing, some after.
TEST_F(MainCanvas, XScaleFailuresKeepOrReplaceTheAxisAsDocumented)
{
    ASSERT_EQ(canvas.setXScale(20.0, 1000.0, kGrey), 0); // log axis, 14 lines
    ASSERT_EQ(canvas.setXScale(0.0, 10.0, 0.0, kGrey), core::kXSpanTooManyGrids);
    EXPECT_EQ(canvas.scales().xStart, 20.0);
    EXPECT_EQ(canvas.scales().xEnd, 20000.0);
    EXPECT_TRUE(canvas.scales().xIsLog);
    EXPECT_EQ(canvas.gridRecord().xGridCount, 14);

    surface.forget();
    ASSERT_EQ(canvas.setXScale(-2.0, 10.0, -1.0, kGrey), core::kGridIntervalNotPositive);
    EXPECT_EQ(canvas.scales().xStart, -2.0);
    EXPECT_EQ(canvas.scales().xSpan, 10.0);
    EXPECT_EQ(canvas.scales().xEnd, 8.0);
    EXPECT_EQ(canvas.gridRecord().xGridCount, 0);
    EXPECT_TRUE(canvas.scales().xIsLog);
    EXPECT_EQ(canvas.gridRecord().firstXGrid, 30.0);
    EXPECT_EQ(canvas.gridRecord().lastXGrid, 10000.0);
    EXPECT_TRUE(surface.calls.empty());

    ASSERT_EQ(canvas.setXScale(0.0, 10.0, 1.0, kGrey), 0);
    ASSERT_EQ(canvas.setXScale(0.0, 100.0, kGrey), core::kLogStartIncorrect);
    EXPECT_EQ(canvas.scales().xStart, 0.0);
    EXPECT_EQ(canvas.scales().xEnd, 0.0);
    EXPECT_EQ(canvas.scales().xLogRatio, 100.0);
    EXPECT_EQ(canvas.scales().xSpan, 10.0);
    EXPECT_FALSE(canvas.scales().xIsLog);
    EXPECT_EQ(canvas.gridRecord().xGridCount, 9);
    EXPECT_EQ(canvas.gridRecord().lastXGrid, 9.0);

    ASSERT_EQ(canvas.setXScale(5.0, 19.0, kGrey), core::kLogRatioOutOfRange);
    EXPECT_EQ(canvas.scales().xStart, 0.0);
    EXPECT_EQ(canvas.scales().xLogRatio, 100.0);
}

TEST_F(MainCanvas, GridWalksBeyondA32BitCounterAreRefusedBeforeStoring)
{
    ASSERT_EQ(canvas.setXScale(0.0, 10.0, 1.0, kGrey), 0);
    ASSERT_EQ(canvas.setYScale(-1.0, 2.0, 0.5, kGrey, 0), 0);
    surface.forget();
    EXPECT_EQ(canvas.setXScale(3e9, 10.0, 1.0, kGrey), core::kXSpanTooManyGrids);
    EXPECT_EQ(canvas.setXScale(-3e9, 10.0, 1.0, kGrey), core::kXSpanTooManyGrids);
    EXPECT_EQ(canvas.setXScale(std::numeric_limits<double>::infinity(), 10.0, 1.0, kGrey),
              core::kXSpanTooManyGrids);
    EXPECT_EQ(canvas.scales().xStart, 0.0);
    EXPECT_EQ(canvas.gridRecord().xGridCount, 9);
    EXPECT_EQ(canvas.setYScale(-1e12, 2.0, 0.5, kGrey, 0), core::kYSpanOrIntervalIncorrect);
    EXPECT_EQ(canvas.setYScale(std::nan(""), 2.0, 0.5, kGrey, 0), core::kYSpanOrIntervalIncorrect);
    EXPECT_EQ(canvas.scales().yBottom[0], -1.0);
    EXPECT_EQ(canvas.gridRecord().yGridCount, 3);
    // A log axis whose end is beyond the doubles would walk for ever.
    EXPECT_EQ(canvas.setXScale(1e306, 1000.0, kGrey), core::kLogStartIncorrect);
    EXPECT_EQ(canvas.scales().xStart, 0.0);
    EXPECT_TRUE(surface.calls.empty());
    // The largest counters that fit are still walked.
    EXPECT_EQ(canvas.setXScale(2e9, 10.0, 1.0, kGrey), 0);
    EXPECT_EQ(canvas.gridRecord().xGridCount, 9);
}

TEST(PlotCanvasYScale, GridRowsRecordAndErrors)
{
    struct Case {
        const char* name;
        double bottom, span, interval;
        int result;
        std::vector<int> rows;
        int count;
        double first, last; // the record starts at -7, -7, one line, from an earlier call
        double storedSpan;
    };
    const Case cases[] = {
        {"MinusOneSpanTwo", -1.0, 2.0, 0.5, 0, {150, 100, 50}, 3, -0.5, 0.5, 2.0},
        {"MinusTwoAndAHalfSpanFive", -2.5, 5.0, 1.0, 0, {180, 140, 100, 60, 20}, 5, -2.0, 2.0, 5.0},
        {"TwentyIntervalsAccepted",
         0.0,
         20.0,
         1.0,
         0,
         {190, 180, 170, 160, 150, 140, 130, 120, 110, 100, 90, 80, 70, 60, 50, 40, 30, 20, 10},
         19,
         1.0,
         19.0,
         20.0},
        {"TwentyOneStoredThenRefused", 0.0, 21.0, 1.0, core::kYSpanTooManyGrids, {}, 0, -7.0, -7.0, 21.0},
        {"NoGrid", 0.0, 3.0, 0.0, 0, {}, 0, -7.0, -7.0, 3.0},
        {"ZeroSpan", 0.0, 0.0, 1.0, core::kYSpanOrIntervalIncorrect, {}, 1, -7.0, -7.0, 1.0},
        {"NegativeInterval", 0.0, 2.0, -1.0, core::kYSpanOrIntervalIncorrect, {}, 1, -7.0, -7.0, 1.0},
        {"NaNInterval", 0.0, 2.0, std::nan(""), core::kYSpanOrIntervalIncorrect, {}, 1, -7.0, -7.0, 1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingSurface s;
        plot::PlotCanvas canvas(s);
        // One line at -7 on a span of 1: the record a refused call must keep.
        ASSERT_EQ(canvas.setYScale(-7.5, 1.0, 1.0, kGrey), 0);
        ASSERT_EQ(canvas.gridRecord().yGridCount, 1);
        s.forget();
        EXPECT_EQ(canvas.setYScale(c.bottom, c.span, c.interval, kGrey), c.result);
        EXPECT_EQ(s.horizontalRows(), c.rows);
        for (const auto& line : s.lines) {
            EXPECT_EQ(line.x1, 0);
            EXPECT_EQ(line.x2, 361);
        }
        EXPECT_EQ(canvas.gridRecord().yGridCount, c.count);
        EXPECT_EQ(canvas.gridRecord().firstYGrid, c.first);
        EXPECT_EQ(canvas.gridRecord().lastYGrid, c.last);
        EXPECT_EQ(canvas.scales().ySpan[0], c.storedSpan);
    }
}

TEST_F(MainCanvas, OneYGridRecordForAllChannels)
{
    ASSERT_EQ(canvas.setYScale(-1.0, 2.0, 0.5, kGrey, 0), 0);
    ASSERT_EQ(canvas.setYScale(0.0, 100.0, 25.0, kGrey, 1), 0);
    EXPECT_EQ(canvas.gridRecord().firstYGrid, 25.0);
    EXPECT_EQ(canvas.gridRecord().lastYGrid, 75.0);
    EXPECT_EQ(canvas.gridRecord().yGridCount, 3);
    EXPECT_EQ(canvas.scales().yBottom[0], -1.0);
    EXPECT_EQ(canvas.scales().ySpan[1], 100.0);

    surface.forget();
    ASSERT_EQ(canvas.setYScale(3.0, 4.0, 5), 0);
    EXPECT_TRUE(surface.lines.empty());
    EXPECT_EQ(canvas.gridRecord().yGridCount, 0);
    EXPECT_EQ(canvas.gridRecord().lastYGrid, 75.0);
    EXPECT_EQ(canvas.scales().ySpan[5], 4.0);
    EXPECT_EQ(canvas.setYScale(3.0, 4.0, 6), core::kYSpanOrIntervalIncorrect);
    EXPECT_EQ(canvas.setYScale(3.0, 4.0, -1), core::kYSpanOrIntervalIncorrect);
}

TEST_F(MainCanvas, GridTraceTextFormat)
{
    std::ostringstream out;
    canvas.setGridTrace(&out);
    ASSERT_EQ(canvas.setYScale(-1.0, 2.0, 0.5, kGrey, 0), 0);
    EXPECT_EQ(out.str(), "n = -1  intPos=150n = 0  intPos=100n = 1  intPos=50fisrtYGrid=-0.5  lastYGrid=0.5");
    out.str("");
    ASSERT_EQ(canvas.setYScale(0.0, 2.0, 1), 0);
    EXPECT_EQ(out.str(), "fisrtYGrid=-0.5  lastYGrid=0.5");
    out.str("");
    ASSERT_EQ(canvas.setXScale(0.0, 10.0, 1.0, kGrey), 0);
    ASSERT_EQ(canvas.setXScale(1e6, 1000.0, kGrey), 0);
    EXPECT_EQ(out.str(), "firstXGrid=1  lastXGrid=9firstXGrid=2e+06  lastXGrid=7e+08");
    out.str("");
    EXPECT_EQ(canvas.setXScale(0.0, 10.0, 0.0, kGrey), core::kXSpanTooManyGrids);
    EXPECT_EQ(canvas.setYScale(0.0, 21.0, 1.0, kGrey, 0), core::kYSpanTooManyGrids);
    EXPECT_EQ(out.str(), "");
}

TEST(PlotCanvasGridTrace, OffByDefaultOnStandardOutputWhenAskedFor)
{
    const auto drawGrid = [] {
        RecordingSurface s;
        plot::PlotCanvas canvas(s);
        testing::internal::CaptureStdout();
        EXPECT_EQ(canvas.setXScale(0.0, 10.0, 1.0, kGrey), 0);
        return testing::internal::GetCapturedStdout();
    };
    ASSERT_EQ(unsetenv("CORVANE_GRID_TRACE"), 0);
    EXPECT_EQ(drawGrid(), "");
    ASSERT_EQ(setenv("CORVANE_GRID_TRACE", "yes", 1), 0);
    EXPECT_EQ(drawGrid(), "");
    ASSERT_EQ(setenv("CORVANE_GRID_TRACE", "1", 1), 0);
    EXPECT_EQ(drawGrid(), "firstXGrid=1  lastXGrid=9");
    ASSERT_EQ(unsetenv("CORVANE_GRID_TRACE"), 0);
}

} // namespace
