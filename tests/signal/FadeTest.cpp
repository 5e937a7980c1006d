#include "signal/Fade.h"
#include "core/ResultCodes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

using namespace corvane;
using namespace corvane::signal;

namespace {

// A constant signal, so the output of a fade is its gain.
class Constant : public TWaveProvider {
public:
    explicit Constant(int channels, double v = 1.0) : value(v)
    {
        numCh = channels;
        maxBlockSize = 512;
    }
    using TWaveProvider::execStore;
    int execStore(double* data, int n) override
    {
        if (numCh != 1)
            return core::kChannelCountIncorrect;
        std::fill(data, data + std::max(n, 0), value);
        return 0;
    }
    int execStore(double* left, double* right, int n) override
    {
        if (numCh != 2)
            return core::kChannelCountIncorrect;
        std::fill(left, left + std::max(n, 0), value);
        std::fill(right, right + std::max(n, 0), value);
        return 0;
    }

private:
    double value;
};

std::vector<double> gains(std::int64_t frames, std::int64_t in, std::int64_t out, int block,
                          std::int64_t extra = 0)
{
    Constant one(1);
    Fade fade(one, 1, frames, in, out);
    std::vector<double> g(static_cast<std::size_t>(frames + extra));
    for (std::int64_t done = 0; done < frames + extra;) {
        const int n = static_cast<int>(std::min<std::int64_t>(block, frames + extra - done));
        EXPECT_EQ(fade.execStore(g.data() + done, n), 0);
        done += n;
    }
    return g;
}

} // namespace

// Four frames of fade: 0.5 - 0.5 cos(pi k / 4) for k = 0..3 is 0,
// (2 - sqrt 2) / 4, 1/2, (2 + sqrt 2) / 4; the fade-out is the mirror image.
TEST(Fade, RaisedCosineShapeWithExactZeroEnds)
{
    const double r2 = std::sqrt(2.0);
    // Ten frames, four of fade-in and four of fade-out.
    const std::vector<double> tenFrames = {0.0, (2 - r2) / 4, 0.5, (2 + r2) / 4, 1.0,
                                           1.0, (2 + r2) / 4, 0.5, (2 - r2) / 4, 0.0};
    for (const int block : {1, 3, 10}) {
        SCOPED_TRACE(block);
        const std::vector<double> g = gains(10, 4, 4, block);
        for (std::size_t i = 0; i < g.size(); ++i)
            EXPECT_NEAR(g[i], tenFrames[i], 1e-15) << i;
        EXPECT_EQ(g.front(), 0.0);
        EXPECT_EQ(g.back(), 0.0);
    }
}

TEST(Fade, CasesOfLengthAndPlacement)
{
    struct Case {
        const char* name;
        std::int64_t frames, in, out;
    };
    const Case cases[] = {
        {"InOnly", 48000, 4800, 0}, {"OutOnly", 48000, 0, 480},
        {"Both", 48000, 4800, 480}, {"FadesFillTheSignal", 1000, 600, 400},
        {"OneFrameFades", 5, 1, 1}, {"None", 100, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<double> g = gains(c.frames, c.in, c.out, 777);
        if (c.in > 0) {
            EXPECT_EQ(g.front(), 0.0);
        }
        if (c.out > 0) {
            EXPECT_EQ(g.back(), 0.0);
        }
        // Rising through the fade-in, flat at 1 between, falling through the fade-out.
        for (std::int64_t i = 1; i < c.in; ++i)
            EXPECT_GT(g[static_cast<std::size_t>(i)], g[static_cast<std::size_t>(i - 1)]) << i;
        for (std::int64_t i = c.in; i < c.frames - c.out; ++i)
            EXPECT_EQ(g[static_cast<std::size_t>(i)], 1.0) << i;
        for (std::int64_t i = c.frames - c.out + 1; i < c.frames; ++i)
            EXPECT_LT(g[static_cast<std::size_t>(i)], g[static_cast<std::size_t>(i - 1)]) << i;
        // A raised cosine is complementary about its middle: g(k) + g(F - k) = 1.
        for (std::int64_t k = 1; k < c.in; ++k)
            EXPECT_NEAR(g[static_cast<std::size_t>(k)] + g[static_cast<std::size_t>(c.in - k)], 1.0, 1e-12);
    }
}

TEST(Fade, FramesPastTheEnd)
{
    // With a fade-out the signal is over; without one it passes through.
    const std::vector<double> withOut = gains(10, 0, 3, 4, 5);
    for (std::size_t i = 10; i < withOut.size(); ++i)
        EXPECT_EQ(withOut[i], 0.0) << i;
    const std::vector<double> without = gains(10, 3, 0, 4, 5);
    for (std::size_t i = 10; i < without.size(); ++i)
        EXPECT_EQ(without[i], 1.0) << i;
}

TEST(Fade, StereoRestartAndLayout)
{
    Constant two(2, 0.25);
    Fade fade(two, 2, 8, 2, 2);
    EXPECT_EQ(fade.getMaxBlockSize(4, 2), 512);
    std::vector<double> left(8);
    std::vector<double> right(8);
    ASSERT_EQ(fade.execStore(left.data(), right.data(), 8), 0);
    EXPECT_EQ(left, right);
    const double expected[] = {0.0, 0.125, 0.25, 0.25, 0.25, 0.25, 0.125, 0.0};
    for (std::size_t i = 0; i < 8; ++i)
        EXPECT_NEAR(left[i], expected[i], 1e-15) << i;
    fade.restart();
    std::vector<double> again(8);
    ASSERT_EQ(fade.execStore(again.data(), right.data(), 8), 0);
    EXPECT_EQ(again, left);
    double mono[2];
    EXPECT_EQ(fade.execStore(mono, 2), core::kChannelCountIncorrect);
}

TEST(Fade, RefusesFadesLongerThanTheSignal)
{
    struct Case {
        const char* name;
        double in, out, fs;
        std::int64_t frames;
        bool accepted;
    };
    const Case cases[] = {
        {"NoFades", 0, 0, 48000, 48000, true},
        {"Usual", 0.1, 0.01, 48000, 480000, true},
        {"ExactlyTheSignal", 0.5, 0.5, 48000, 48000, true},
        {"InLongerThanSignal", 1.5, 0, 48000, 48000, false},
        {"OutLongerThanSignal", 0, 1.01, 48000, 48000, false},
        {"TogetherLonger", 0.6, 0.5, 48000, 48000, false},
        {"Negative", -0.1, 0, 48000, 48000, false},
        {"Nan", std::nan(""), 0, 48000, 48000, false},
        {"Infinite", 0, HUGE_VAL, 48000, 48000, false},
        {"Huge", 1e300, 0, 48000, 48000, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(checkFades(c.in, c.out, c.fs, c.frames).empty(), c.accepted);
    }
    EXPECT_EQ(fadeFrameCount(0.1, 48000), 4800);
    EXPECT_EQ(fadeFrameCount(0.01, 44100), 441);
    EXPECT_EQ(fadeFrameCount(-1, 48000), -1);
    EXPECT_EQ(fadeFrameCount(1e300, 48000), -1);
}
