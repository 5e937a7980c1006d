#include "core/Level.h"
#include "shell/DisplayWave.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using namespace corvane::shell;
using corvane::core::amplitudeOfLevel;

TEST(DisplayPlan, TimeSpanIsOneTwoOrFourTimesAPowerOfTenWithinTenPeriods)
{
    struct Case {
        const char* name;
        double freq;
        bool horiz;
        double expected;
    };
    // Worked by hand: s = 10 / f, then down to 1, 2 or 4 times a power of ten.
    const Case cases[] = {
        {"Default400Hz", 400.0, false, 0.02}, // s 0.025, m 2.5
        {"300Hz", 300.0, false, 0.02}, // s 0.0333, m 3.33
        {"120Hz", 120.0, false, 0.04}, // s 0.0833, m 8.33
        {"1000HzExactDecade", 1000.0, false, 0.01}, // s 0.01, m 1
        {"1HzTenSeconds", 1.0, false, 10.0}, // s 10, e 1
        {"250HzExactlyFour", 250.0, false, 0.04}, // s 0.04, m 4
        {"22049Hz", 22049.9, false, 0.0004}, // s 4.535e-4
        {"HorizOnePeriod400Hz", 400.0, true, 0.0025},
        {"HorizOnePeriod3Hz", 3.0, true, 1.0 / 3.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_NEAR(displayTimeSpan(c.freq, c.horiz), c.expected, c.expected * 1e-12);
    }
}

TEST(DisplayPlan, BlockLimitHalvesCountAndDoublesFrequencyAndScale)
{
    struct Case {
        const char* name;
        int fs;
        double timeSpan;
        double freq;
        int dataSize;
        double genFreq;
        double timeScale;
    };
    const Case cases[] = {
        {"Default884", 44100, 0.02, 400.0, 884, 400.0, 1.0},
        {"HorizExpand112", 44100, 0.0025, 400.0, 112, 400.0, 1.0},
        // 480002 halved seven times: 240001, 120000, 60000, 30000, 15000, 7500, 3750.
        {"OneHzAt48k", 48000, 10.0, 1.0, 3750, 128.0, 128.0},
        // 4096 stays, 4097 is halved once to 2048.
        {"Exactly4096", 4094, 1.0, 1.0, 4096, 1.0, 1.0},
        {"Just4097", 4095, 1.0, 1.0, 2048, 2.0, 2.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const DisplayBlock b = limitDisplayBlock(c.fs, c.timeSpan, c.freq);
        EXPECT_EQ(b.dataSize, c.dataSize);
        EXPECT_EQ(b.genFreq, c.genFreq);
        EXPECT_EQ(b.timeScale, c.timeScale);
    }
    // Nonsense from a careless caller stays within int and within the block.
    for (const double span : {1e300, -1.0, std::numeric_limits<double>::quiet_NaN()}) {
        const DisplayBlock b = limitDisplayBlock(48000, span, 1.0);
        EXPECT_GE(b.dataSize, 2);
        EXPECT_LE(b.dataSize, kDisplayBlockSize);
    }
}

TEST(DisplayPlan, VerticalRangeFollowsTheShape)
{
    struct Case {
        const char* name;
        int shape;
        double amplitude;
        bool vert;
        double top;
        double bottom;
    };
    const double a6 = std::pow(10.0, 0.3); // +6 dB
    const double a25 = std::pow(10.0, 1.25); // +25 dB, 17.78
    const Case cases[] = {
        {"NoExpandIsFullScale", 0, a6, false, 10.0, -10.0},
        {"SineExpanded", 0, a6, true, 1.2 * a6, -1.2 * a6},
        {"SquareExpanded", 3, 1.0, true, 1.2, -1.2},
        {"SineTooLargeKeepsFullScale", 0, a25, true, 10.0, -10.0},
        {"SineExactlyAtTen", 0, 10.0 / 1.2, true, 10.0, -10.0},
        {"StepUp25dB", 1, a25, true, 1.1 * a25, -0.1 * a25},
        {"PulseUp", 4, 1.0, true, 1.1, -0.1},
        {"StepDown", 2, 1.0, true, 0.1, -1.1},
        {"PulseDown", 5, 2.0, true, 0.2, -2.2},
        {"TypedShape", -1, 1.0, true, 10.0, -10.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const VerticalRange r = verticalRange(c.shape, c.amplitude, c.vert);
        EXPECT_DOUBLE_EQ(r.top, c.top);
        EXPECT_DOUBLE_EQ(r.bottom, c.bottom);
    }
    // The edge-case figures: 25 dB step is 19.56 to -1.778.
    const VerticalRange step = verticalRange(1, a25, true);
    EXPECT_NEAR(step.top, 19.56, 0.005);
    EXPECT_NEAR(step.bottom, -1.778, 0.0005);
}

TEST(DisplayPlan, QuantisationRoundsHalfAwayAndSaturatesBeyond32Bits)
{
    struct Case {
        const char* name;
        double x;
        double expected;
    };
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {"Zero", 0.0, 0.0},
        {"FullScale", 10.0, 32767.0},
        {"NegativeFullScale", -10.0, -32767.0},
        {"HalfStepRoundsUp", 0.5 / 3276.7, 1.0},
        {"JustBelowHalfStep", 0.49 / 3276.7, 0.0},
        {"NegativeHalfStep", -0.5 / 3276.7, -1.0},
        {"AboveSixteenBitsNotClipped", 20.0, 65534.0},
        // 655380 * 3276.7 = 2147483646: still inside, kept exactly.
        {"LargestInside32Bits", 655380.0, 2147483646.0},
        {"FirstBeyond32Bits", 655381.0, 2147483647.0},
        {"Plus400dB", 1e20, 2147483647.0},
        {"Minus400dB", -1e20, -2147483647.0},
        {"Infinite", inf, 2147483647.0},
        {"NegativeInfinite", -inf, -2147483647.0},
        {"NotANumber", std::numeric_limits<double>::quiet_NaN(), 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(quantiseSample(c.x), c.expected);
    }
}

TEST(DisplayPlan, LevelAndRateConversions)
{
    EXPECT_NEAR(*amplitudeOfLevel(6.0), 1.9953, 5e-5);
    EXPECT_DOUBLE_EQ(*amplitudeOfLevel(-20.0), 0.1);
    EXPECT_TRUE(amplitudeOfLevel(6000.0).has_value()); // 1e300
    EXPECT_FALSE(amplitudeOfLevel(7000.0).has_value()); // beyond a double
    EXPECT_EQ(*amplitudeOfLevel(-1e6), 0.0); // underflow is silence, harmless

    const int rates[] = {8000, 11025, 22050, 44100, 48000};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(sampleRateOfIndex(i), rates[i]);
    EXPECT_FALSE(sampleRateOfIndex(-1).has_value());
    EXPECT_FALSE(sampleRateOfIndex(5).has_value());
}

} // namespace
