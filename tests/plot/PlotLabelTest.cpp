#include "core/ResultCodes.h"
#include "plot/PlotCanvas.h"
#include "plot/RecordingSurface.h"
#include "plot/ScaleNumber.h"
#include "support/RecordingLabel.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <string>

using namespace corvane;

namespace {

constexpr plot::Colour kGrey = plot::rgb(128, 128, 128);

// The main window's label set: 11 X, 9 left and 3 right scale labels, the
// slots after them empty, and three titles, around a 361 x 201 canvas at (40, 48).
// As in the window, the canvas is built at its default place and size (origin
// 0, 0) and laid out afterwards.
struct MainWindowLabels : ::testing::Test {
    MainWindowLabels()
    {
        surface.rect = {40, 48, 361, 201};
        std::array<plot::PlotLabel*, 17> x{};
        for (std::size_t i = 0; i < lx.size(); ++i)
            x[i] = &lx[i];
        std::array<plot::PlotLabel*, 11> yl{};
        for (std::size_t i = 0; i < lyl.size(); ++i)
            yl[i] = &lyl[i];
        std::array<plot::PlotLabel*, 11> yr{};
        for (std::size_t i = 0; i < lyr.size(); ++i)
            yr[i] = &lyr[i];
        canvas.copyXScaleLabels(x);
        canvas.copyYLScaleLabels(yl);
        canvas.copyYRScaleLabels(yr);
        canvas.copyTitleLabels(&txl, &tyll, &tyrl);
        EXPECT_EQ(canvas.setXScale(0.0, 10.0, 1.0, kGrey), 0);
        EXPECT_EQ(canvas.setYScale(-1.0, 2.0, 0), 0);
        EXPECT_EQ(canvas.setYScale(0.0, 100.0, 1), 0);
    }

    int totalChanges() const
    {
        int n = txl.changes + tyll.changes + tyrl.changes;
        for (const auto& l : lx)
            n += l.changes;
        for (const auto& l : lyl)
            n += l.changes;
        for (const auto& l : lyr)
            n += l.changes;
        return n;
    }

    RecordingSurface surface{{0, 0, 105, 105}};
    plot::PlotCanvas canvas{surface};
    std::array<RecordingLabel, 11> lx;
    std::array<RecordingLabel, 9> lyl;
    std::array<RecordingLabel, 3> lyr;
    RecordingLabel txl, tyll, tyrl;
};

TEST_F(MainWindowLabels, LayoutAroundTheMainWindowCanvas)
{
    ASSERT_EQ(canvas.initScalingLabels(), 0);
    for (const auto& l : lx) {
        EXPECT_EQ(l.top, 257);
        EXPECT_EQ(l.left, -999); // placed by putNumberX later
        EXPECT_EQ(l.width, 51);
        EXPECT_EQ(l.alignment, plot::LabelAlignment::Centre);
        EXPECT_EQ(l.face, "Franklin Gothic Medium");
        EXPECT_EQ(l.sizePt, 9);
        EXPECT_FALSE(l.autoSize);
        EXPECT_FALSE(l.visible);
    }
    for (const auto& l : lyl) {
        EXPECT_EQ(l.left, 4);
        EXPECT_EQ(l.left + l.width, 36);
        EXPECT_EQ(l.alignment, plot::LabelAlignment::Right);
        EXPECT_EQ(l.sizePt, 9);
        EXPECT_TRUE(l.autoSize);
        EXPECT_FALSE(l.visible);
    }
    for (const auto& l : lyr) {
        EXPECT_EQ(l.left, 405);
        EXPECT_EQ(l.width, 41);
        EXPECT_EQ(l.alignment, plot::LabelAlignment::Left);
        EXPECT_TRUE(l.autoSize);
        EXPECT_FALSE(l.visible);
    }
    struct Title {
        const char* name;
        const RecordingLabel& label;
        int left, top, width;
        plot::LabelAlignment alignment;
    };
    const Title titles[] = {
        {"X", txl, 140, 273, 161, plot::LabelAlignment::Centre},
        {"LeftY", tyll, 4, 28, 81, plot::LabelAlignment::Left},
        {"RightY", tyrl, 361, 28, 81, plot::LabelAlignment::Right},
    };
    for (const Title& t : titles) {
        SCOPED_TRACE(t.name);
        EXPECT_EQ(t.label.left, t.left);
        EXPECT_EQ(t.label.top, t.top);
        EXPECT_EQ(t.label.width, t.width);
        EXPECT_EQ(t.label.alignment, t.alignment);
        EXPECT_EQ(t.label.face, "Franklin Gothic Medium");
        EXPECT_EQ(t.label.sizePt, 10);
        EXPECT_TRUE(t.label.autoSize);
        EXPECT_FALSE(t.label.visible);
    }
}

TEST(PlotCanvasLabels, LayoutStopsAtTheFirstEmptySlotAndTitleLeftHasAFloor)
{
    RecordingSurface s({30, 48, 361, 201});
    plot::PlotCanvas canvas(s);
    RecordingLabel a, b, title;
    std::array<plot::PlotLabel*, 17> x{};
    x[0] = &a;
    x[2] = &b;
    canvas.copyXScaleLabels(x);
    canvas.copyTitleLabels(nullptr, &title, nullptr);
    ASSERT_EQ(canvas.initScalingLabels(), 0);
    EXPECT_FALSE(a.visible);
    EXPECT_EQ(b.changes, 0);
    EXPECT_EQ(title.left, 4); // 30 - 40 raised to 4

    // Hiding, unlike the layout, goes on past the empty slot.
    a.visible = b.visible = true;
    canvas.removeScaleX();
    EXPECT_FALSE(a.visible);
    EXPECT_FALSE(b.visible);
}

TEST(PlotCanvasLabels, MarginsTooSmallChangeNothing)
{
    struct Case {
        const char* name;
        plot::CanvasBounds bounds;
        int result;
    };
    const Case cases[] = {
        {"Left23", {23, 48, 361, 201}, core::kLeftMarginTooSmall},
        {"Top11", {40, 11, 361, 201}, core::kUpperMarginTooSmall},
        {"BothTooSmallLeftFirst", {0, 0, 361, 201}, core::kLeftMarginTooSmall},
        {"JustEnough", {24, 12, 361, 201}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingSurface s(c.bounds);
        plot::PlotCanvas canvas(s);
        RecordingLabel label, title;
        std::array<plot::PlotLabel*, 17> x{};
        x[0] = &label;
        canvas.copyXScaleLabels(x);
        canvas.copyTitleLabels(&title, nullptr, nullptr);
        EXPECT_EQ(canvas.initScalingLabels(), c.result);
        EXPECT_EQ(label.changes == 0, c.result != 0);
        EXPECT_EQ(title.changes == 0, c.result != 0);
    }
}

TEST(PlotCanvasLabels, InitOfANullLabelGivesMinusOne)
{
    RecordingSurface s;
    plot::PlotCanvas canvas(s);
    EXPECT_EQ(canvas.initXLabel(nullptr), -1);
    EXPECT_EQ(canvas.initYLLabel(nullptr), -1);
    EXPECT_EQ(canvas.initYRLabel(nullptr), -1);
}

TEST_F(MainWindowLabels, PutScaleXWithSeventeenAndEighteenValues)
{
    ASSERT_EQ(canvas.initScalingLabels(), 0);
    double values[18];
    for (int i = 0; i < 18; ++i)
        values[i] = 0.5 * i;

    const int before = totalChanges();
    EXPECT_EQ(canvas.putScaleX(values, 18, 0.05, 3), core::kTooManyScaleLabels);
    EXPECT_EQ(totalChanges(), before);

    EXPECT_EQ(canvas.putScaleX(values, 17, 0.05, 3), core::kNullXLabel);
    // Columns of 0, 0.5, 1, ... 5 are trunc(18.05 i + 0.5): 0, 18, 36, 54, 72,
    // 90, 108, 126, 144, 162, 181; the label's left is 17 pixels before, from 40.
    const int columns[] = {0, 18, 36, 54, 72, 90, 108, 126, 144, 162, 181};
    const char* texts[] = {"0", "0.5", "1", "1.5", "2", "2.5", "3", "3.5", "4", "4.5", "5"};
    for (std::size_t i = 0; i < lx.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(lx[i].left, 40 + columns[i] - 17);
        EXPECT_EQ(lx[i].text, texts[i]);
        EXPECT_TRUE(lx[i].visible);
        EXPECT_EQ(lx[i].top, 257);
    }
}

TEST_F(MainWindowLabels, PutScaleYOnBothSets)
{
    ASSERT_EQ(canvas.initScalingLabels(), 0);
    const double left[] = {-1.0, 0.0, 0.5};
    EXPECT_EQ(canvas.putScaleYL(left, 3, 0.05, 3, 0), 0);
    // Rows trunc(201 + 0.5), trunc(100.5 + 0.5), trunc(50.25 + 0.5); top 6 above, from 48.
    EXPECT_EQ(lyl[0].top, 48 + 201 - 6);
    EXPECT_EQ(lyl[1].top, 48 + 101 - 6);
    EXPECT_EQ(lyl[2].top, 48 + 50 - 6);
    EXPECT_EQ(lyl[0].text, "-1");
    EXPECT_EQ(lyl[1].text, "0");
    EXPECT_TRUE(lyl[2].visible);
    EXPECT_FALSE(lyl[3].visible);
    EXPECT_EQ(lyl[0].left, 4); // left stays where the layout put it

    // Channel 1 runs from 0 to 100: 25 is row trunc(150.75 + 0.5) = 151.
    const double right[] = {25.0, 50.0, 75.0, 100.0};
    EXPECT_EQ(canvas.putScaleYR(right, 4, 2.5, 3, 1), core::kNullYLabel);
    EXPECT_EQ(lyr[0].top, 48 + 151 - 6);
    EXPECT_EQ(lyr[2].text, "75");
    EXPECT_TRUE(lyr[2].visible);
    EXPECT_EQ(canvas.putScaleYR(right, 12, 2.5, 3, 1), core::kTooManyScaleLabels);

    const std::string texts[] = {"low", "high"};
    const double at[] = {-1.0, 1.0};
    EXPECT_EQ(canvas.putScaleYL(at, texts, 2, 0), 0);
    EXPECT_EQ(lyl[1].text, "high");
    EXPECT_EQ(lyl[1].top, 48 - 6);
}

TEST_F(MainWindowLabels, PutNumberPlacesHidesOrRefuses)
{
    ASSERT_EQ(canvas.initScalingLabels(), 0);
    EXPECT_EQ(canvas.putNumberX(&lx[0], 0.0, "start"), 0);
    EXPECT_EQ(lx[0].left, 40 - 17);
    EXPECT_EQ(lx[0].text, "start");
    EXPECT_TRUE(lx[0].visible);
    EXPECT_EQ(canvas.putNumberX(nullptr, 1.0, 0.1, 3), core::kNullXLabel);
    EXPECT_EQ(canvas.putNumberY(nullptr, 1.0, 0.1, 3, 0), core::kNullYLabel);
    EXPECT_EQ(canvas.putNumberY(nullptr, 1.0, "x", 0), core::kNullYLabel);

    // No place for the value: the label takes the text but is not shown.
    lx[1].visible = true;
    EXPECT_EQ(canvas.putNumberX(&lx[1], 1e300, 0.1, 3), 0);
    EXPECT_FALSE(lx[1].visible);
    EXPECT_EQ(lx[1].left, -999);
    lyl[0].visible = true;
    EXPECT_EQ(canvas.putNumberY(&lyl[0], 0.0, "zero", 4), 0); // channel without a scale
    EXPECT_FALSE(lyl[0].visible);
    EXPECT_EQ(lyl[0].text, "zero");

    // A count below one reads nothing and places nothing.
    const int before = totalChanges();
    EXPECT_EQ(canvas.putScaleX(nullptr, 0, 0.1, 3), 0);
    EXPECT_EQ(canvas.putScaleYL(nullptr, -1, 0.1, 3, 0), 0);
    EXPECT_EQ(totalChanges(), before);
}

TEST_F(MainWindowLabels, RemoveAndUnits)
{
    for (auto& l : lx)
        l.visible = true;
    canvas.removeScaleX();
    for (const auto& l : lx)
        EXPECT_FALSE(l.visible);
    canvas.removeScaleYR();
    EXPECT_FALSE(lyr[2].visible);
    EXPECT_TRUE(lyl[0].visible);

    canvas.putUnitX("Time [second]");
    canvas.putUnitYL("Level");
    EXPECT_EQ(txl.text, "Time [second]");
    EXPECT_TRUE(txl.visible);
    EXPECT_EQ(tyll.text, "Level");
    canvas.removeUnitX();
    EXPECT_FALSE(txl.visible);
    EXPECT_EQ(txl.text, "Time [second]");

    canvas.copyTitleLabels(nullptr, nullptr, nullptr);
    canvas.putUnitYR("ignored");
    canvas.removeUnitYR();
    EXPECT_EQ(tyrl.changes, 0);
}

// ---------------------------------------------------------------------------

struct NumberCase {
    const char* name;
    double value;
    int digits;
    double zeroLimit;
    bool usePrefix;
    const char* point;
    const char* comma;
};

TEST(ScaleNumberText, WorkedTableWithPointAndComma)
{
    const NumberCase cases[] = {
        {"BelowZeroLimit", 0.05, 3, 0.1, true, "0", "0"},
        {"Plain", 0.123, 3, 0.01, true, "0.123", "0,123"},
        {"Negative", -2, 3, 0.1, true, "-2", "-2"},
        {"OneK", 1000, 3, 1, true, "1k", "1k"},
        {"OneAndAHalfK", 1500, 3, 1, true, "1.5k", "1,5k"},
        {"ThreeDigitsKept", 12345, 3, 1, true, "12.3k", "12,3k"},
        {"SampleRate", 44100, 3, 1, true, "44.1k", "44,1k"},
        {"Mega", 1234567, 3, 1, true, "1.23M", "1,23M"},
        {"TenMilli", 0.01, 3, 1e-3, true, "10m", "10m"},
        {"TwoMilli", 0.002, 3, 1e-4, true, "2m", "2m"},
        {"BelowAMilli", 2e-4, 3, 1e-6, true, "0.2m", "0,2m"},
        {"NegativeMilli", -2.5e-3, 3, 1e-5, true, "-2.5m", "-2,5m"},
        {"Micro", 3.3e-6, 3, 0, true, "3.3u", "3,3u"},
        {"Nano", 2.2e-8, 3, 0, true, "22n", "22n"},
        {"CarryStaysInTheGroup", 999.7, 3, 0.1, true, "1000", "1000"},
        {"BeyondTera", 2e15, 3, 0, true, "2.0000E+015", "2,0000E+015"},
        {"BelowPico", 1e-14, 3, 0, true, "1.0000E-014", "1,0000E-014"},
        {"TieToEvenDown", 1250, 2, 1, true, "1.2k", "1,2k"},
        {"TieToEvenUp", 1350, 2, 1, true, "1.4k", "1,4k"},
        {"NoPrefix", 1500, 3, 1, false, "1.5000E+003", "1,5000E+003"},
        {"ExponentNotPaddedAtFiveDigits", 2e15, 5, 0, true, "2.0000E+15", "2,0000E+15"},
        {"ExponentPaddedToOne", 1500, 1, 0, false, "2.0000E+3", "2,0000E+3"},
        {"NegativeExponentForm", -0.0123, 3, 0, false, "-1.2300E-002", "-1,2300E-002"},
        {"HalfNotFiveHundredMilli", 0.5, 3, 0.01, true, "0.5", "0,5"},
        {"NinetyMilli", 0.09, 3, 0.001, true, "90m", "90m"},
        {"EqualToZeroLimit", -0.25, 3, 0.25, true, "0", "0"},
        {"ZeroLimitZeroOnlyForZero", 0.0, 3, 0.0, true, "0", "0"},
        {"TinyWithZeroLimitZero", 1e-300, 3, 0.0, true, "1.0000E-300", "1,0000E-300"},
        {"NotANumber", std::nan(""), 3, 0.1, true, "NaN", "NaN"},
        {"Infinite", -std::numeric_limits<double>::infinity(), 3, 0.1, true, "-INF", "-INF"},
        {"ZeroWithNaNLimit", 0.0, 3, std::nan(""), true, "0", "0"},
        {"HugeDigitCountKeepsTheValue", 1.5, 400, 0, true, "1.5", "1,5"},
    };
    for (const NumberCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(plot::scaleNumberText(c.value, c.digits, c.zeroLimit, c.usePrefix, "."), c.point);
        EXPECT_EQ(plot::scaleNumberText(c.value, c.digits, c.zeroLimit, c.usePrefix, ","), c.comma);
    }
}

TEST(PlotCanvasLabels, TruncDigitUsesTheProcessLocaleOrTheGivenSeparator)
{
    RecordingSurface s;
    plot::PlotCanvas canvas(s); // the tests run in the C locale
    EXPECT_EQ(canvas.truncDigit(1500, 3, 1, true), "1.5k");
    canvas.setDecimalSeparator(",");
    EXPECT_EQ(canvas.truncDigit(1500, 3, 1, true), "1,5k");
    EXPECT_EQ(canvas.truncDigit(1500, 3, 1, false), "1,5000E+003");
}

} // namespace
