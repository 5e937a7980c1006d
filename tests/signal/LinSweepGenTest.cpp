// The linear sweep against its closed form, with the phase as an exact
// fraction of whole numbers (128-bit) so the oracle does not lose the turns
// that lie before a late frame.

#include "signal/LinSweepGen.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

using namespace corvane;

namespace {

constexpr long double kPiL = 3.141592653589793238462643383279502884L;

// sin(2 pi (F1 n / fs + (F2 - F1) n^2 / (2 fs N))) for whole-number F1, F2, fs.
long double oracle(std::int64_t f1, std::int64_t f2, std::int64_t fs, std::int64_t frames, std::int64_t n)
{
    __extension__ typedef __int128 i128;
    const i128 den = i128{2} * fs * frames;
    i128 num = i128{2} * frames * f1 * n + i128{f2 - f1} * n * n;
    num %= den;
    if (num < 0)
        num += den;
    return std::sin(2.0L * kPiL * static_cast<long double>(num) / static_cast<long double>(den));
}

} // namespace

TEST(LinSweepGen, FramesFollowTheClosedForm)
{
    struct Case {
        std::int64_t f1, f2, fs, frames;
    };
    // Up and down, from 0 Hz, and 1000 s at 48 kHz (n^2 beyond 2^53).
    const std::vector<Case> cases = {
        {20, 20000, 48000, 480000},
        {15000, 100, 44100, 44100},
        {0, 3999, 8000, 8000},
        {20, 20000, 48000, 48'000'000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.frames);
        signal::LinSweepParams p;
        p.frameCount = c.frames;
        p.sampleRateHz = static_cast<double>(c.fs);
        p.startHz = static_cast<double>(c.f1);
        p.stopHz = static_cast<double>(c.f2);
        p.amplitude = 0.5;
        ASSERT_EQ(signal::checkLinSweepParams(p), "");
        signal::LinSweepGen gen;
        gen.setSweep(p, 1);
        for (const std::int64_t first : {std::int64_t{0}, c.frames / 3, c.frames - 300}) {
            std::vector<double> x(300);
            gen.fillFrames(first, x.data(), 300);
            for (int i = 0; i < 300; ++i)
                ASSERT_NEAR(x[static_cast<std::size_t>(i)],
                            static_cast<double>(0.5L * oracle(c.f1, c.f2, c.fs, c.frames, first + i)), 1e-12)
                    << "frame " << first + i;
        }
        // Past its length the sweep is silent.
        std::vector<double> tail(10, 1.0);
        gen.fillFrames(c.frames, tail.data(), 10);
        EXPECT_EQ(tail, std::vector<double>(10, 0.0));
    }
}

TEST(LinSweepGen, FillsInAnyBlocksGiveTheFramesByNumber)
{
    signal::LinSweepParams p;
    p.frameCount = 5000;
    p.sampleRateHz = 8000;
    p.startHz = 100;
    p.stopHz = 3000;
    signal::LinSweepGen gen;
    gen.setSweep(p, 2);
    std::vector<double> byNumber(6000);
    gen.fillFrames(0, byNumber.data(), 6000);
    std::vector<double> left(6000), right(6000);
    for (int done = 0, block = 7; done < 6000; done += block, block = block * 3 % 1001 + 1) {
        block = std::min(block, 6000 - done);
        ASSERT_EQ(gen.execStore(left.data() + done, right.data() + done, block), 0);
    }
    EXPECT_EQ(left, byNumber);
    EXPECT_EQ(right, byNumber);
}

TEST(LinSweepGen, ChecksRefuseWhatCannotBeMade)
{
    struct Case {
        const char* name;
        double from, to;
        bool ok;
    };
    const std::vector<Case> cases = {
        {"Up", 20, 20000, true},      {"Down", 20000, 20, true},           {"FromZero", 0, 100, true},
        {"Negative", -1, 100, false}, {"AtHalfTheRate", 20, 24000, false}, {"NotFinite", 20, NAN, false},
    };
    for (const Case& c : cases) {
        signal::LinSweepParams p;
        p.frameCount = 48000;
        p.sampleRateHz = 48000;
        p.startHz = c.from;
        p.stopHz = c.to;
        EXPECT_EQ(signal::checkLinSweepParams(p).empty(), c.ok) << c.name;
    }
}
