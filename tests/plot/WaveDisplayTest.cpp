#include "plot/WaveDisplay.h"
#include "core/ResultCodes.h"
#include "plot/PlotCanvas.h"
#include "plot/RecordingSurface.h"
#include "support/RecordingLabel.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

using namespace corvane;

namespace {

constexpr plot::Colour kBlack = 0;
constexpr plot::Colour kGrey = plot::rgb(128, 128, 128);
constexpr plot::Colour kGreen = plot::rgb(0, 255, 0);
constexpr plot::Colour kRed = plot::rgb(255, 0, 0);
constexpr plot::Colour kYellow = plot::rgb(255, 255, 0);

// The main window's plot: a 361 x 201 canvas at (40, 48) with 11 X, 9 left
// and 3 right scale labels and three titles, and a display built as the
// window builds it. Maxima other than the window's make a display of their
// own with make().
struct MainPlot : ::testing::Test {
    MainPlot()
    {
        std::array<plot::PlotLabel*, plot::PlotCanvas::kXLabelSlots> x{};
        for (std::size_t i = 0; i < lx.size(); ++i)
            x[i] = &lx[i];
        std::array<plot::PlotLabel*, plot::PlotCanvas::kYLabelSlots> yl{};
        for (std::size_t i = 0; i < lyl.size(); ++i)
            yl[i] = &lyl[i];
        std::array<plot::PlotLabel*, plot::PlotCanvas::kYLabelSlots> yr{};
        for (std::size_t i = 0; i < lyr.size(); ++i)
            yr[i] = &lyr[i];
        canvas.copyXScaleLabels(x);
        canvas.copyYLScaleLabels(yl);
        canvas.copyYRScaleLabels(yr);
        canvas.copyTitleLabels(&txl, &tyll, &tyrl);
        display.initScreen(kBlack, kGrey, kGrey);
        surface.forget();
    }

    // Texts of the visible labels of a set, in slot order.
    template <std::size_t N>
    static std::vector<std::string> shown(const std::array<RecordingLabel, N>& labels)
    {
        std::vector<std::string> out;
        for (const RecordingLabel& l : labels)
            if (l.visible)
                out.push_back(l.text);
        return out;
    }

    std::vector<plot::CommandKind> kinds() const
    {
        std::vector<plot::CommandKind> out;
        for (int i = 0; i < display.historyCount(); ++i)
            out.push_back(display.historyEntry(i).kind);
        return out;
    }

    RecordingSurface surface{{40, 48, 361, 201}};
    plot::PlotCanvas canvas{surface};
    std::array<RecordingLabel, 11> lx;
    std::array<RecordingLabel, 9> lyl;
    std::array<RecordingLabel, 3> lyr;
    RecordingLabel txl, tyll, tyrl;
    plot::WaveDisplay display{canvas, 11, 9, 9};
};

using Texts = std::vector<std::string>;

TEST(WaveDisplayConstruction, StartsEmptyWithEveryEntryUnused)
{
    RecordingSurface surface;
    plot::PlotCanvas canvas(surface);
    plot::WaveDisplay display(canvas, 11, 9, 3);
    EXPECT_EQ(display.historyCount(), 0);
    EXPECT_EQ(display.maxXLabels(), 11);
    EXPECT_EQ(display.maxYLLabels(), 9);
    EXPECT_EQ(display.maxYRLabels(), 3);
    EXPECT_EQ(display.backColour(), 0u);
    EXPECT_EQ(display.gridColour(), 0u);
    EXPECT_EQ(display.selColour(), 0u);
    EXPECT_FALSE(display.isReplaying());
    for (int i = 0; i < plot::WaveDisplay::kHistorySize; ++i) {
        const plot::dispCommandHistory& e = display.historyEntry(i);
        EXPECT_EQ(static_cast<int>(e.kind), -1);
        EXPECT_EQ(e.dataPtr, nullptr);
        EXPECT_TRUE(e.text.empty());
    }
    // Building the display draws nothing.
    EXPECT_TRUE(surface.calls.empty());
}

TEST(WaveDisplayGridInterval, OneTwoFiveOrTenTimesAPowerOfTen)
{
    struct Case {
        const char* name;
        int divisions;
        double lower, upper;
        double expected;
    };
    const Case cases[] = {
        {"MinusPoint1ToOnePoint1Step0_15", 8, -0.1, 1.1, 0.2},
        {"PlusMinus1_2Step0_3", 8, -1.2, 1.2, 0.5},
        {"ZeroToEightStepExactlyOne", 8, 0.0, 8.0, 1.0},
        {"ZeroToTenInTenKeepsP", 10, 0.0, 10.0, 1.0},
        {"MainWindowPlusMinus10", 8, -10.0, 10.0, 5.0},
        {"TwentyMilliseconds", 8, 0.0, 0.02, 0.005},
        {"StepNineGivesTen", 4, 0.0, 36.0, 10.0},
        {"StepJustOverTwo", 1, 0.0, 2.0001, 5.0},
        {"StepFourHundred", 2, 100.0, 900.0, 500.0},
        {"EmptyRange", 8, 1.0, 1.0, 0.0},
        {"ReversedRange", 8, 1.0, 0.0, 0.0},
        {"NoDivisions", 0, 0.0, 1.0, 0.0},
        {"NotANumber", 8, std::nan(""), 1.0, 0.0},
    };
    RecordingSurface surface;
    plot::PlotCanvas canvas(surface);
    const plot::WaveDisplay display(canvas, 11, 9, 9);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_DOUBLE_EQ(display.calcGridInterval(c.divisions, c.lower, c.upper), c.expected);
    }
}

TEST_F(MainPlot, XChecksComeBeforeTheCanvasAndHaveExclusiveRatioBounds)
{
    struct Case {
        const char* name;
        double xMin, xMax, interval;
        int expected;
    };
    const double nan = std::nan("");
    const Case cases[] = {
        {"RatioExactlyTwo", 0.0, 2.0, 1.0, core::kXRatioOutOfRange},
        {"RatioExactlySixteen", 0.0, 16.0, 1.0, core::kXRatioOutOfRange},
        {"RatioJustAboveTwo", 0.0, 2.5, 1.0, 0},
        {"RatioJustBelowSixteen", 0.0, 15.5, 1.0, 0},
        {"MaxBelowMin", 1.0, 0.0, 0.1, core::kXMaxNotAboveXMin},
        {"MaxEqualsMin", 1.0, 1.0, 0.1, core::kXMaxNotAboveXMin},
        {"MaxNotANumber", 0.0, nan, 0.1, core::kXMaxNotAboveXMin},
        {"IntervalZero", 0.0, 1.0, 0.0, core::kXIntervalZero},
        {"IntervalNegative", 0.0, 1.0, -0.125, core::kXRatioOutOfRange},
        {"IntervalNotANumber", 0.0, 1.0, nan, core::kXRatioOutOfRange},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        display.initScreen(kBlack, kGrey, kGrey);
        surface.forget();
        EXPECT_EQ(display.setXGridAndScale("x", 0, c.xMin, c.xMax, c.interval), c.expected);
        EXPECT_EQ(display.historyCount(), c.expected == 0 ? 1 : 0);
        if (c.expected != 0) {
            EXPECT_TRUE(surface.calls.empty());
        }
    }
}

TEST_F(MainPlot, YChecksHaveInclusiveRatioBoundsAndLeaveReversedSpansToTheCanvas)
{
    struct Case {
        const char* name;
        double yTop, yBottom, interval;
        int expected;
        bool canvasTouched;
    };
    const Case cases[] = {
        {"RatioExactlyTwo", 2.0, 0.0, 1.0, 0, true},
        {"RatioExactlyTen", 10.0, 0.0, 1.0, 0, true},
        {"RatioJustBelowTwo", 1.99, 0.0, 1.0, core::kYRatioOutOfRange, false},
        {"RatioJustAboveTen", 10.01, 0.0, 1.0, core::kYRatioOutOfRange, false},
        {"TopBelowBottomPositiveInterval", -1.0, 1.0, 0.5, core::kYRatioOutOfRange, false},
        {"TopBelowBottomNegativeInterval", -1.0, 1.0, -0.5, core::kYSpanOrIntervalIncorrect, false},
        {"TopEqualsBottom", 1.0, 1.0, 0.5, core::kYSpanZero, false},
        {"IntervalZero", 1.0, -1.0, 0.0, core::kYIntervalZero, false},
        {"InfiniteTop", std::numeric_limits<double>::infinity(), 0.0, 1.0, core::kYRatioOutOfRange, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        display.initScreen(kBlack, kGrey, kGrey);
        surface.forget();
        EXPECT_EQ(display.setYGridAndScale("y", 0, c.yTop, c.yBottom, c.interval, 0), c.expected);
        EXPECT_EQ(display.historyCount(), c.expected == 0 ? 1 : 0);
        EXPECT_EQ(!surface.lines.empty(), c.canvasTouched);
    }
}

// Which values get labels, read back as the label texts the canvas wrote.
TEST(WaveDisplayLabelChoice, WorkedChoices)
{
    enum class Axis { X, YLeft, YRight };
    struct Case {
        const char* name;
        Axis axis;
        int labelMode;
        double lo, hi, interval;
        int maxLabels;
        int expected;
        Texts labels;
    };
    const Case cases[] = {
        // Seven grid lines; both ends lie 0.125 from one, more than a tenth
        // of the span and half an interval, so they are labelled too.
        {"XEighthsWithBothEnds",
         Axis::X,
         0,
         0.0,
         1.0,
         0.125,
         11,
         0,
         {"0", "0.125", "0.25", "0.375", "0.5", "0.625", "0.75", "0.875", "1"}},
        // Each end is 0.2 from a grid line, not more than a tenth of 2.4.
        {"YGridValuesOnly", Axis::YLeft, 0, -1.2, 1.2, 0.5, 9, 0, {"-1", "-0.5", "0", "0.5", "1"}},
        {"Mode2AddsBothEnds",
         Axis::YLeft,
         2,
         -1.2,
         1.2,
         0.5,
         9,
         0,
         {"-1.2", "-1", "-0.5", "0", "0.5", "1", "1.2"}},
        {"Mode1GridOnly",
         Axis::X,
         1,
         0.0,
         1.0,
         0.125,
         11,
         0,
         {"0.125", "0.25", "0.375", "0.5", "0.625", "0.75", "0.875"}},
        // Far ends need both halves: exactly a tenth of the span away is not
        // far, however far it is in intervals.
        {"EndExactlyATenthAwayIsNotLabelled",
         Axis::YLeft,
         0,
         0.0,
         10.0,
         1.0,
         9,
         0,
         {"1", "2", "3", "4", "5", "6", "7", "8", "9"}},
        // 0.1 added nine times falls short of 1 where the canvas drew no
        // line; only the nine drawn lines get labels.
        {"TenthsStopAtTheLastGridLine",
         Axis::YLeft,
         0,
         0.0,
         1.0,
         0.1,
         9,
         0,
         {"0.1", "0.2", "0.3", "0.4", "0.5", "0.6", "0.7", "0.8", "0.9"}},
        // Parity of the leading digit of the first grid value picks the half:
        // odd 1 starts at the first line, even 2 at the second.
        {"OddFirstStartsThere", Axis::YLeft, 0, 0.0, 10.0, 1.0, 5, 0, {"1", "3", "5", "7", "9"}},
        {"EvenFirstStartsOneLater", Axis::YLeft, 0, 1.0, 11.0, 1.0, 5, 0, {"3", "5", "7", "9"}},
        // -9 + 0.5 cuts to -8; (-7) / 2 and -8 / 2 differ, so it starts at -9.
        {"NegativeFirst", Axis::YLeft, 0, -10.0, 0.0, 1.0, 5, 0, {"-9", "-7", "-5", "-3", "-1"}},
        {"ZeroFirstStartsThere", Axis::YLeft, 0, -0.5, 9.5, 1.0, 5, 0, {"0", "2", "4", "6", "8"}},
        // 0.125 gives a leading 0, taken as even: the labels start one line
        // later, the low end keeps its label and the high end loses it.
        {"HalvedKeepsOnlyTheLowEnd", Axis::X, 0, 0.0, 1.0, 0.125, 5, 0, {"0", "0.25", "0.5", "0.75"}},
        {"HalvedStillTooManyX", Axis::X, 0, 0.0, 1.0, 0.125, 3, core::kTooManyXLabels, {}},
        {"HalvedStillTooManyY", Axis::YLeft, 0, 0.0, 10.0, 1.0, 4, core::kTooManyYLabels, {}},
        {"Mode2TooManyForTheRightSide", Axis::YRight, 2, 0.0, 10.0, 5.0, 2, core::kTooManyYLabels, {}},
        {"RightSide", Axis::YRight, 0, 0.0, 100.0, 50.0, 3, 0, {"0", "50", "100"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingSurface surface({40, 48, 361, 201});
        plot::PlotCanvas canvas(surface);
        std::array<RecordingLabel, 17> lx;
        std::array<RecordingLabel, 11> ly;
        std::array<plot::PlotLabel*, 17> xSlots{};
        std::array<plot::PlotLabel*, 11> ySlots{};
        for (std::size_t i = 0; i < lx.size(); ++i)
            xSlots[i] = &lx[i];
        for (std::size_t i = 0; i < ly.size(); ++i)
            ySlots[i] = &ly[i];
        canvas.copyXScaleLabels(xSlots);
        if (c.axis == Axis::YRight)
            canvas.copyYRScaleLabels(ySlots);
        else
            canvas.copyYLScaleLabels(ySlots);
        plot::WaveDisplay display(canvas, c.maxLabels, c.maxLabels, c.maxLabels);
        display.initScreen(kBlack, kGrey, kGrey);

        int result = 0;
        if (c.axis == Axis::X)
            result = display.setXGridAndScale("x", c.labelMode, c.lo, c.hi, c.interval);
        else
            result =
                display.setYGridAndScale("y", c.labelMode, c.hi, c.lo, c.interval, c.axis == Axis::YRight ? 1 : 0);
        EXPECT_EQ(result, c.expected);
        Texts got;
        if (c.axis == Axis::X)
            got = MainPlot::shown(lx);
        else
            got = MainPlot::shown(ly);
        EXPECT_EQ(got, c.labels);
    }
}

TEST_F(MainPlot, LogAxisLabelsOneTwoFiveValuesFromTheFirstOneOnTheAxis)
{
    struct Case {
        const char* name;
        double xMin, xMax;
        int expected;
        Texts labels;
    };
    const Case cases[] = {
        {"TwentyToTwentyK", 20.0, 20000.0, 0, {"20", "50", "100", "200", "500", "1k", "2k", "5k", "10k", "20k"}},
        // 20 lies left of an axis that starts at 30.
        {"ThirtyToThirtyK", 30.0, 30000.0, 0, {"50", "100", "200", "500", "1k", "2k", "5k", "10k", "20k"}},
        {"OneToTenK", 1.0, 10000.0, core::kTooManyLogXLabels, {}},
        {"StartZero", 0.0, 100.0, core::kLogLeftNotPositive, {}},
        {"StartNegative", -1.0, 100.0, core::kLogLeftNotPositive, {}},
        {"StartNotANumber", std::nan(""), 100.0, core::kLogLeftNotPositive, {}},
        {"RatioTooSmallForTheCanvas", 1.0, 10.0, core::kLogRatioOutOfRange, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        display.initScreen(kBlack, kGrey, kGrey);
        surface.forget();
        EXPECT_EQ(display.setXGridAndScaleLog("Frequency [Hz]", c.xMin, c.xMax), c.expected);
        EXPECT_EQ(shown(lx), c.labels);
        EXPECT_EQ(display.historyCount(), c.expected == 0 ? 1 : 0);
        if (c.expected == core::kLogLeftNotPositive) {
            EXPECT_TRUE(surface.calls.empty());
        }
        if (c.expected == 0) {
            EXPECT_EQ(txl.text, "Frequency [Hz]");
            EXPECT_EQ(display.historyEntry(0).kind, plot::CommandKind::XScaleLog);
            EXPECT_EQ(display.historyEntry(0).dPar1, c.xMin);
            EXPECT_EQ(display.historyEntry(0).dPar2, c.xMax);
        }
    }
}

// The window's default display: 400 Hz at 44100 Hz, +-10 in steps of 5 and
// 0 to 20 ms in steps of 2.5 ms, a trace of 884 samples.
TEST_F(MainPlot, MainWindowPlotRecordsThreeCommandsAndLabelsBothAxes)
{
    std::vector<double> samples(884);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] =
            std::trunc(6538.0 * std::sin(2.0 * 3.141592653589793 * 400.0 * static_cast<double>(i) / 44100.0));
    const double interval = display.calcGridInterval(8, -10.0, 10.0);
    ASSERT_EQ(interval, 5.0);
    ASSERT_EQ(display.setYGridAndScale("Level", 0, 10.0, -10.0, interval, 0), 0);
    ASSERT_EQ(display.setXGridAndScale("Time [second]", 0, 0.0, 0.02, 0.02 * 0.125), 0);
    const double lastTime = 883.0 / 44100.0;
    ASSERT_EQ(display.draw(samples.data(), 1.0 / 3276.0, 0.0, 0.0, lastTime, 884, kGreen, 0), 0);

    EXPECT_EQ(kinds(), (std::vector{plot::CommandKind::YScaleGrid, plot::CommandKind::XScale,
                                    plot::CommandKind::DrawGainOffsetRange}));
    EXPECT_EQ(static_cast<int>(display.historyEntry(0).kind), 4);
    EXPECT_EQ(static_cast<int>(display.historyEntry(1).kind), 0);
    EXPECT_EQ(static_cast<int>(display.historyEntry(2).kind), 7);
    const plot::dispCommandHistory& y = display.historyEntry(0);
    EXPECT_EQ(y.dPar1, 10.0);
    EXPECT_EQ(y.dPar2, -10.0);
    EXPECT_EQ(y.dPar3, 5.0);
    EXPECT_EQ(y.iPar1, 0);
    const plot::dispCommandHistory& x = display.historyEntry(1);
    EXPECT_EQ(x.dPar1, 0.0);
    EXPECT_EQ(x.dPar2, 0.02);
    EXPECT_EQ(x.dPar3, 0.0025);
    const plot::dispCommandHistory& t = display.historyEntry(2);
    EXPECT_EQ(t.dataPtr, samples.data());
    EXPECT_EQ(t.dPar1, 1.0 / 3276.0);
    EXPECT_EQ(t.dPar2, 0.0);
    EXPECT_EQ(t.dPar3, 0.0);
    EXPECT_EQ(t.dPar4, lastTime);
    EXPECT_EQ(t.iPar1, 884);
    EXPECT_EQ(t.color, 65280u);
    EXPECT_EQ(t.iPar2, 0);

    EXPECT_EQ(shown(lyl), (Texts{"-10", "-5", "0", "5", "10"}));
    EXPECT_EQ(shown(lx), (Texts{"0", "2.5m", "5m", "7.5m", "10m", "12.5m", "15m", "17.5m", "20m"}));
    EXPECT_EQ(shown(lyr), Texts{});
    EXPECT_EQ(tyll.text, "Level");
    EXPECT_TRUE(tyll.visible);
    EXPECT_EQ(txl.text, "Time [second]");
    EXPECT_TRUE(txl.visible);
    EXPECT_FALSE(tyrl.visible);

    // A repaint draws the same picture as the first time, starting from a
    // cleared canvas, and leaves the labels and titles alone.
    const std::vector<std::string> firstDrawing = surface.calls;
    int labelChanges = txl.changes + tyll.changes;
    for (const auto& l : lx)
        labelChanges += l.changes;
    for (const auto& l : lyl)
        labelChanges += l.changes;
    surface.forget();
    EXPECT_EQ(display.repaint(), 0);
    const std::vector<std::string> clear = {"pen 0", "fill 0", "rectangle 0 0 361 201"};
    ASSERT_GE(surface.calls.size(), clear.size());
    EXPECT_EQ(std::vector(surface.calls.begin(), surface.calls.begin() + 3), clear);
    EXPECT_EQ(std::vector(surface.calls.begin() + 3, surface.calls.end()), firstDrawing);
    int labelChangesAfter = txl.changes + tyll.changes;
    for (const auto& l : lx)
        labelChangesAfter += l.changes;
    for (const auto& l : lyl)
        labelChangesAfter += l.changes;
    EXPECT_EQ(labelChangesAfter, labelChanges);
    EXPECT_EQ(display.historyCount(), 3);
}

TEST_F(MainPlot, InitScreenClearsHidesTheLabelsAndEmptiesTheHistory)
{
    ASSERT_EQ(display.setYGridAndScale("Level", 0, 10.0, -10.0, 5.0, 0), 0);
    ASSERT_EQ(display.historyCount(), 1);
    surface.forget();
    display.initScreen(plot::rgb(1, 2, 3), kRed, kYellow);
    EXPECT_EQ(display.historyCount(), 0);
    EXPECT_EQ(display.backColour(), plot::rgb(1, 2, 3));
    EXPECT_EQ(display.gridColour(), kRed);
    EXPECT_EQ(display.selColour(), kYellow);
    EXPECT_EQ(canvas.selColour(), kYellow);
    ASSERT_FALSE(surface.shapes.empty());
    EXPECT_EQ(surface.shapes[0].kind, "rectangle");
    EXPECT_EQ(surface.shapes[0].pen, plot::rgb(1, 2, 3));
    EXPECT_EQ(shown(lyl), Texts{});
    EXPECT_FALSE(tyll.visible);
    // The grid colour is the one scale operations use from now on.
    ASSERT_EQ(display.setXScale(0.0, 1.0, 0.25), 0);
    ASSERT_FALSE(surface.lines.empty());
    EXPECT_EQ(surface.lines.back().colour, kRed);
}

TEST_F(MainPlot, FailureAfterTheCanvasScaleKeepsTheGridButDoesNotRecordIt)
{
    struct Case {
        const char* name;
        bool xAxis;
        int channel;
        int expected;
    };
    // X: nine labels for a display that allows three. Y channel 1: five
    // labels but only three right-hand label controls, so the canvas refuses.
    const Case cases[] = {
        {"TooManyXLabels", true, 0, core::kTooManyXLabels},
        {"NullRightLabel", false, 1, core::kNullYLabel},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        plot::WaveDisplay narrow(canvas, 3, 9, 9);
        narrow.initScreen(kBlack, kGrey, kGrey);
        for (auto& l : lx)
            l.text = "before";
        surface.forget();
        const int result = c.xAxis ? narrow.setXGridAndScale("Time [second]", 0, 0.0, 1.0, 0.125)
                                   : narrow.setYGridAndScale("Right", 0, 10.0, -10.0, 5.0, c.channel);
        EXPECT_EQ(result, c.expected);
        EXPECT_EQ(narrow.historyCount(), 0);
        // The grid is on the canvas now...
        const auto gridLines = c.xAxis ? surface.verticalColumns() : surface.horizontalRows();
        EXPECT_EQ(gridLines.size(), c.xAxis ? 7u : 3u);
        EXPECT_EQ(c.xAxis ? canvas.gridRecord().xGridCount : canvas.gridRecord().yGridCount, c.xAxis ? 7 : 3);
        // ...no unit was written...
        EXPECT_FALSE(txl.visible);
        EXPECT_FALSE(tyrl.visible);
        if (c.xAxis) {
            EXPECT_EQ(lx[0].text, "before");
        }
        // ...and the next repaint does not bring it back.
        surface.forget();
        EXPECT_EQ(narrow.repaint(), 0);
        EXPECT_TRUE(surface.lines.empty());
    }
}

TEST_F(MainPlot, PlainOperationChecks)
{
    struct Case {
        const char* name;
        int (*run)(plot::WaveDisplay&);
        int expected;
        bool canvasTouched;
    };
    const Case cases[] = {
        {"XScaleEqualEnds", [](plot::WaveDisplay& d) { return d.setXScale(1.0, 1.0, 0.1); }, core::kXScaleSpanZero,
         false},
        {"XScaleReversedLeftToTheCanvas", [](plot::WaveDisplay& d) { return d.setXScale(1.0, 0.0, 0.1); },
         core::kXSpanNotPositive, false},
        {"XScaleLogLeftZero", [](plot::WaveDisplay& d) { return d.setXScaleLog(0.0, 100.0); },
         core::kLogLeftNotPositive, false},
        {"XScaleLogRightNegative", [](plot::WaveDisplay& d) { return d.setXScaleLog(1.0, -1.0); },
         core::kLogRatioNotPositive, false},
        {"YScaleNoGridEqual", [](plot::WaveDisplay& d) { return d.setYScale(1.0, 1.0, 0); }, core::kYScaleSpanZero,
         false},
        {"YScaleChannel0Equal", [](plot::WaveDisplay& d) { return d.setYScale(1.0, 1.0, 0.5); },
         core::kYScaleSpanZero, false},
        {"YScaleChannelEqual", [](plot::WaveDisplay& d) { return d.setYScale(1.0, 1.0, 0.5, 2); },
         core::kYScaleSpanZero, false},
        {"YScaleReversedLeftToTheCanvas", [](plot::WaveDisplay& d) { return d.setYScale(-1.0, 1.0, 0); },
         core::kYSpanOrIntervalIncorrect, false},
        {"TraceWithoutScales",
         [](plot::WaveDisplay& d) {
             static const double data[2] = {0.0, 1.0};
             return d.draw(data, 2, kGreen, 0);
         },
         core::kScalesNotSet, false},
        {"DbTraceWithoutScales",
         [](plot::WaveDisplay& d) {
             static const double data[2] = {1.0, 1.0};
             return d.dBdraw(data, 1.0, 2, kGreen);
         },
         core::kScalesNotSet, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingSurface s({40, 48, 361, 201});
        plot::PlotCanvas fresh(s);
        plot::WaveDisplay d(fresh, 11, 9, 9);
        EXPECT_EQ(c.run(d), c.expected);
        EXPECT_EQ(d.historyCount(), 0);
        EXPECT_EQ(!s.calls.empty(), c.canvasTouched);
    }
}

// Each command, given once, is recorded under its kind; a repaint then makes
// exactly the drawing calls the command made the first time.
TEST_F(MainPlot, EveryCommandIsRecordedUnderItsKindAndRepaintsTheSame)
{
    static const double samples[5] = {0.5, 1.0, 2.0, 4.0, 8.0};
    struct Case {
        const char* name;
        int (*run)(plot::WaveDisplay&);
        int kind;
    };
    const Case cases[] = {
        {"XScale", [](plot::WaveDisplay& d) { return d.setXScale(0.0, 1.0, 0.25); }, 0},
        {"XScaleLog", [](plot::WaveDisplay& d) { return d.setXScaleLog(10.0, 1000.0); }, 1},
        {"YScaleNoGrid", [](plot::WaveDisplay& d) { return d.setYScale(10.0, 0.0, 3); }, 2},
        {"YScaleChannel0", [](plot::WaveDisplay& d) { return d.setYScale(10.0, 0.0, 2.0); }, 3},
        {"YScaleChannel", [](plot::WaveDisplay& d) { return d.setYScale(10.0, 0.0, 2.0, 2); }, 4},
        {"Draw", [](plot::WaveDisplay& d) { return d.draw(samples, 5, kGreen, 1); }, 5},
        {"DrawGainOffset", [](plot::WaveDisplay& d) { return d.draw(samples, 0.5, 1.0, 5, kGreen, 1); }, 6},
        {"DrawRange", [](plot::WaveDisplay& d) { return d.draw(samples, 0.5, 1.0, 0.1, 0.9, 5, kGreen, 1); }, 7},
        {"DbDraw", [](plot::WaveDisplay& d) { return d.dBdraw(samples, 1.0, 5, kRed); }, 8},
        {"DbDrawRange", [](plot::WaveDisplay& d) { return d.dBdraw(samples, 1.0, 0.1, 0.9, 5, kRed); }, 9},
        {"DbDrawRangeChannel", [](plot::WaveDisplay& d) { return d.dBdraw(samples, 1.0, 0.1, 0.9, 5, kRed, 1); },
         10},
        {"PoleZero",
         [](plot::WaveDisplay& d) { return d.poleZeroDisplay(plot::poleZeroSet{}, plot::poleZeroSet{}); }, 11},
        {"Text",
         [](plot::WaveDisplay& d) {
             d.TextOnCanvas(5, 7, "hello", kYellow);
             return 0;
         },
         12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Scales set on the canvas directly, so only the traces' own command
        // is in the history.
        ASSERT_EQ(canvas.setXScale(0.0, 1.0, 0.5, kGrey), 0);
        ASSERT_EQ(canvas.setYScale(0.0, 10.0, 0), 0);
        ASSERT_EQ(canvas.setYScale(0.0, 10.0, 1), 0);
        display.initScreen(kBlack, kGrey, kGrey);
        surface.forget();
        ASSERT_EQ(c.run(display), 0);
        ASSERT_EQ(display.historyCount(), 1);
        EXPECT_EQ(static_cast<int>(display.historyEntry(0).kind), c.kind);
        const std::vector<std::string> first = surface.calls;
        surface.forget();
        EXPECT_EQ(display.repaint(), 0);
        ASSERT_GE(surface.calls.size(), 3u);
        EXPECT_EQ(std::vector(surface.calls.begin() + 3, surface.calls.end()), first);
        EXPECT_EQ(display.historyCount(), 1);
    }
}

TEST_F(MainPlot, A129thCommandIsDrawnButGoneAfterRepaint)
{
    for (int i = 0; i < 128; ++i) {
        std::string text = "t";
        text += std::to_string(i);
        display.TextOnCanvas(i, 0, text, kGreen);
    }
    ASSERT_EQ(display.historyCount(), 128);
    ASSERT_EQ(display.setYScale(1.0, -1.0, 0.5), 0);
    EXPECT_EQ(display.historyCount(), 128);
    EXPECT_EQ(surface.horizontalRows().size(), 3u); // drawn all the same
    // A refused command still gives its result when the history is full.
    EXPECT_EQ(display.setYScale(1.0, 1.0, 0.5), core::kYScaleSpanZero);

    surface.forget();
    EXPECT_EQ(display.repaint(), 0);
    ASSERT_EQ(surface.texts.size(), 128u);
    EXPECT_EQ(surface.texts.front().text, "t0");
    EXPECT_EQ(surface.texts.back().text, "t127");
    EXPECT_TRUE(surface.horizontalRows().empty());

    // After initScreen the history fills again from the start.
    display.initScreen(kBlack, kGrey, kGrey);
    display.TextOnCanvas(0, 0, "new", kGreen);
    EXPECT_EQ(display.historyCount(), 1);
    EXPECT_EQ(display.historyEntry(0).text, "new");
}

TEST_F(MainPlot, RepaintDrawsWhatTheSampleArrayHoldsNow)
{
    ASSERT_EQ(display.setXScale(0.0, 1.0, 0.5), 0);
    ASSERT_EQ(display.setYScale(1.0, -1.0, 0), 0);
    std::vector<double> data = {0.0, 0.0};
    ASSERT_EQ(display.draw(data.data(), 2, kGreen, 0), 0);
    // Value 0 on -1..1 is row 100.5 rounded to even; value 1 is the top row.
    ASSERT_FALSE(surface.lines.empty());
    EXPECT_EQ(surface.lines.back(), (RecordingSurface::Line{0, 100, 361, 100, kGreen, plot::PenStyle::Solid}));

    data[0] = 1.0;
    data[1] = 1.0;
    surface.forget();
    EXPECT_EQ(display.repaint(), 0);
    ASSERT_FALSE(surface.lines.empty());
    EXPECT_EQ(surface.lines.back(), (RecordingSurface::Line{0, 0, 361, 0, kGreen, plot::PenStyle::Solid}));
}

TEST_F(MainPlot, TextIsCopiedWhenRecorded)
{
    std::string text = "before";
    display.TextOnCanvas(10, 20, text, kYellow);
    text = "after, and long enough to need a fresh buffer";
    surface.forget();
    EXPECT_EQ(display.repaint(), 0);
    ASSERT_EQ(surface.texts.size(), 1u);
    EXPECT_EQ(surface.texts[0].text, "before");
    EXPECT_EQ(surface.texts[0].x, 10);
    EXPECT_EQ(surface.texts[0].y, 20);
    EXPECT_EQ(surface.texts[0].colour, kYellow);
}

TEST_F(MainPlot, EmptyHistoryRepaintsToAClearedCanvas)
{
    struct Case {
        const char* name;
        bool selectionAndRefLines;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"Plain", false, {"pen 0", "fill 0", "rectangle 0 0 361 201"}},
        // The selection rectangle and both reference lines at position 0,
        // which on an axis without a scale keep the column they had (0).
        {"SelectionAndRefLinesOn",
         true,
         {"pen 0", "fill 0", "rectangle 0 0 361 201", "pen 8421504", "penStyle dotted", "fillStyle clear",
          "rectangle 10 10 100 100", "penStyle solid", "fillStyle solid", "pen 65280", "moveTo 0 0",
          "lineTo 0 201", "pen 255", "moveTo 0 0", "lineTo 0 201"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingSurface s({40, 48, 361, 201});
        plot::PlotCanvas fresh(s);
        plot::WaveDisplay d(fresh, 11, 9, 9);
        d.initScreen(kBlack, kGrey, kGrey);
        if (c.selectionAndRefLines) {
            fresh.setRefLinesOn(true);
            fresh.mouseDown(10, 10);
            ASSERT_EQ(fresh.mouseUp(100, 100), 0);
        }
        s.forget();
        EXPECT_EQ(d.repaint(), 0);
        EXPECT_EQ(s.calls, c.calls);
        EXPECT_FALSE(d.isReplaying());
    }
}

TEST_F(MainPlot, RepaintReturnsTheResultOfTheLastCommandCarriedOut)
{
    static const double data[2] = {0.0, 1.0};
    ASSERT_EQ(canvas.setXScale(0.0, 1.0, 0.5, kGrey), 0);
    ASSERT_EQ(canvas.setYScale(0.0, 1.0, 0), 0);
    ASSERT_EQ(canvas.setYScale(0.0, 1.0, 1), 0);
    ASSERT_EQ(display.draw(data, 2, kGreen, 0), 0);
    ASSERT_EQ(display.draw(data, 2, kRed, 1), 0);

    // Taking a channel's scale away makes its trace fail on the next replay;
    // a failure does not stop the replay, later results replace it.
    canvas.removeYScale(0);
    surface.forget();
    EXPECT_EQ(display.repaint(), 0);
    ASSERT_EQ(surface.lines.size(), 1u); // the clear is a rectangle, so only the red trace
    EXPECT_EQ(surface.lines.back().colour, kRed);

    ASSERT_EQ(canvas.setYScale(0.0, 1.0, 0), 0);
    canvas.removeYScale(1);
    EXPECT_EQ(display.repaint(), core::kScalesNotSet);
    // A text has no result, so the failure before it is what repaint reports.
    display.TextOnCanvas(0, 0, "note", kGreen);
    EXPECT_EQ(display.repaint(), core::kScalesNotSet);
    EXPECT_EQ(display.historyCount(), 3);
}

// Pole-zero display: where the markers land, in canvas pixels. The X axis
// runs -4.5..4.5 over 361 pixels, the left Y scale -2.5..2.5 and the right
// one -1.25..1.25 over 201.
TEST_F(MainPlot, PoleZeroDisplayLaysOutBothPlanes)
{
    plot::poleZeroSet left;
    left.poleCount = 1; // 0 + 0i
    plot::poleZeroSet right;
    right.poleCount = 1; // 0 + 0i
    right.zeroCount = 1;
    right.zeros[0] = {1.0, 0.0};
    // Entries past the counts are not drawn.
    left.poles[1] = {0.5, 0.5};
    right.zeros[1] = {-0.5, 0.0};

    ASSERT_EQ(display.poleZeroDisplay(left, right), 0);
    EXPECT_EQ(shown(lx), (Texts{"-2.0", "-1.0", "0", "1.0", "-1.0", "0", "1.0"}));
    EXPECT_EQ(shown(lyl), (Texts{"-2", "-1", "0", "1", "2"}));
    EXPECT_EQ(shown(lyr), (Texts{"-1", "0", "1"}));

    // X -2 is column trunc(2.5 / 9 * 361 + 0.5) = 100, X 2 is 261, X 4 is 341
    // and X 0 is 181; Y 0 is row 101 on either scale.
    using Line = RecordingSurface::Line;
    const std::vector<Line> markers(surface.lines.end() - 4, surface.lines.end());
    EXPECT_EQ(markers, (std::vector<Line>{{97, 98, 103, 104, kYellow, plot::PenStyle::Solid},
                                          {97, 104, 103, 98, kYellow, plot::PenStyle::Solid},
                                          {258, 98, 264, 104, kRed, plot::PenStyle::Solid},
                                          {258, 104, 264, 98, kRed, plot::PenStyle::Solid}}));
    // The unit circle spans X 0..4 and Y 1..-1 of the right scale (rows 20
    // and 181); the zero at 1 + 0i is centred on its right-hand edge.
    ASSERT_EQ(surface.shapes.size(), 2u);
    EXPECT_EQ(surface.shapes[0], (RecordingSurface::Shape{"ellipse", 181, 20, 341, 181, kGrey,
                                                          plot::PenStyle::Dashed, plot::FillStyle::Clear}));
    EXPECT_EQ(surface.shapes[1], (RecordingSurface::Shape{"ellipse", 338, 98, 344, 104, plot::rgb(0, 128, 0),
                                                          plot::PenStyle::Solid, plot::FillStyle::Clear}));
    // Left Y grid at every whole number; the right scale has none.
    EXPECT_EQ(surface.horizontalRows().size(), 5u);
    EXPECT_EQ(surface.verticalColumns().size(), 9u);

    ASSERT_EQ(display.historyCount(), 1);
    EXPECT_EQ(display.historyEntry(0).kind, plot::CommandKind::PoleZero);
    EXPECT_EQ(display.heldRightSet().zeros[0], std::complex<double>(1.0, 0.0));
}

TEST_F(MainPlot, PoleZeroDisplayWithEmptySetsStillDrawsTheFrame)
{
    ASSERT_EQ(display.poleZeroDisplay(plot::poleZeroSet{}, plot::poleZeroSet{}), 0);
    EXPECT_EQ(shown(lx).size(), 7u);
    EXPECT_EQ(shown(lyl).size(), 5u);
    EXPECT_EQ(shown(lyr).size(), 3u);
    ASSERT_EQ(surface.shapes.size(), 1u);
    EXPECT_EQ(surface.shapes[0].penStyle, plot::PenStyle::Dashed);
    EXPECT_EQ(surface.horizontalRows().size() + surface.verticalColumns().size(), 14u);
    EXPECT_EQ(display.historyCount(), 1);
}

TEST_F(MainPlot, PoleZeroRepaintDrawsTheLatestRecordedPair)
{
    plot::poleZeroSet first;
    first.poleCount = 1; // left 0 + 0i: column 100
    plot::poleZeroSet second;
    second.poleCount = 1;
    second.poles[0] = {1.0, 0.0}; // left 1 + 0i: X -1, column 140
    const plot::poleZeroSet none;
    ASSERT_EQ(display.poleZeroDisplay(first, none), 0);
    ASSERT_EQ(display.poleZeroDisplay(second, none), 0);
    // A caller's set changed afterwards does not reach the display.
    second.poles[0] = {-1.0, 0.0};
    surface.forget();
    EXPECT_EQ(display.repaint(), 0);
    std::vector<int> poleColumns;
    for (const auto& l : surface.lines)
        if (l.colour == kYellow && l.x1 < l.x2 && l.y1 < l.y2) // one stroke of each cross
            poleColumns.push_back(l.x1 + 3);
    EXPECT_EQ(poleColumns, (std::vector<int>{140, 140}));
}

TEST_F(MainPlot, PoleZeroDisplayWithAFullHistoryDrawsButKeepsTheHeldSets)
{
    for (int i = 0; i < 128; ++i)
        display.TextOnCanvas(0, 0, "x", kGreen);
    plot::poleZeroSet left;
    left.poleCount = 1;
    surface.forget();
    EXPECT_EQ(display.poleZeroDisplay(left, plot::poleZeroSet{}), 0);
    EXPECT_EQ(display.historyCount(), 128);
    EXPECT_EQ(display.heldLeftSet().poleCount, 0);
    int yellow = 0;
    for (const auto& l : surface.lines)
        yellow += l.colour == kYellow ? 1 : 0;
    EXPECT_EQ(yellow, 2);
}

TEST_F(MainPlot, PoleZeroCountsOutsideTheRecordAreClamped)
{
    plot::poleZeroSet left;
    left.poleCount = 1000;
    left.zeroCount = -5;
    ASSERT_EQ(display.poleZeroDisplay(left, plot::poleZeroSet{}), 0);
    int yellow = 0;
    for (const auto& l : surface.lines)
        yellow += l.colour == kYellow ? 1 : 0;
    EXPECT_EQ(yellow, 2 * plot::poleZeroSet::kCapacity);
    EXPECT_EQ(surface.shapes.size(), 1u); // the unit circle only
}

} // namespace

namespace {

// A plot laid out again at twice the width and a new height: the grid and
// the labels land where a plot made at that size puts them, the history is
// untouched, and a plain scale stays plain (no labels of its own).
TEST_F(MainPlot, RelayoutPlacesGridAndLabelsForTheNewSize)
{
    static const double data[3] = {0.0, 1.0, 0.0};
    ASSERT_EQ(display.setYGridAndScale("Level", 0, 10.0, -10.0, 5.0, 0), 0);
    ASSERT_EQ(display.setXGridAndScale("Time", 0, 0.0, 0.02, 0.0025), 0);
    ASSERT_EQ(display.setYScale(1.0, -1.0, 1), 0);
    ASSERT_EQ(display.draw(data, 3, kGreen, 0), 0);
    ASSERT_EQ(display.historyCount(), 4);

    surface.rect = {40, 48, 722, 300};
    surface.forget();
    ASSERT_EQ(display.relayout(), 0);
    EXPECT_EQ(display.historyCount(), 4);
    EXPECT_FALSE(display.isReplaying());
    // X grid at k * 2.5 ms: column trunc(k * 722 / 8 + 0.5) = 90, 181, 271,
    // 361, 451, 542, 632; Y grid at -5, 0, 5: rows 225, 150, 75.
    EXPECT_EQ(surface.verticalColumns(), (std::vector<int>{90, 181, 271, 361, 451, 542, 632}));
    EXPECT_EQ(surface.horizontalRows(), (std::vector<int>{225, 150, 75}));
    // X labels 8 below the new bottom, 17 left of their columns. This
    // canvas was built standing at (40, 48), an origin getXpos and getYpos
    // add on top.
    const int ox = canvas.originX();
    const int oy = canvas.originY();
    EXPECT_EQ(lx[0].top, 48 + 300 + 8);
    EXPECT_EQ(lx[1].left, 40 + ox + 90 - 17);
    EXPECT_EQ(lx[8].left, 40 + ox + 722 - 17);
    EXPECT_EQ(shown(lx), (Texts{"0", "2.5m", "5m", "7.5m", "10m", "12.5m", "15m", "17.5m", "20m"}));
    // Left Y labels 6 above their rows (getYpos: -10 at 300, 10 at 0).
    EXPECT_EQ(lyl[0].top, 48 + oy + 300 - 6);
    EXPECT_EQ(lyl[4].top, 48 + oy - 6);
    EXPECT_EQ(shown(lyl), (Texts{"-10", "-5", "0", "5", "10"}));
    EXPECT_TRUE(shown(lyr).empty());
    EXPECT_EQ(txl.left, 40 + 361 - 80);
    EXPECT_TRUE(txl.visible);
    EXPECT_FALSE(tyrl.visible);
}

} // namespace
