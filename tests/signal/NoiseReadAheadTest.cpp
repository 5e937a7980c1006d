#include "signal/Blocks.h"
#include "signal/NoiseGen.h"
#include "signal/Xoshiro256.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

// The noise's read-ahead thread, here so that ThreadSanitizer runs it too.

using namespace corvane;
using namespace corvane::signal;

// Long streams take their Gaussian values from a thread that draws ahead:
// they must be the stream's values in its order, whatever the fills ask
// for, and restart and setNoise must drop what was drawn ahead.
TEST(NoiseGen, LongStreamsReadAheadTheSameValues)
{
    // From kExpectedLevelFrames on, white noise is the stream times
    // amplitude / sqrt(2), with no measuring pass in between.
    NoiseParams white = noiseParams(NoiseColour::White, 1.0, 48000, 1.0, 9);
    white.frameCount = kExpectedLevelFrames;
    constexpr int kFrames = 200000;
    std::vector<double> expected;
    {
        Xoshiro256 rng(9);
        std::vector<double> scratch(3 * 1024);
        std::vector<double> values(2 * 1024);
        while (expected.size() < kFrames) {
            const int n = gaussianBatch(rng, 1024, scratch.data(), values.data(), Isa::Baseline);
            expected.insert(expected.end(), values.begin(), values.begin() + n);
        }
        expected.resize(kFrames);
        for (double& v : expected)
            v *= 1.0 / std::sqrt(2.0);
    }
    NoiseGen gen;
    gen.setNoise(white, 1);
    ASSERT_EQ(gen.scale(), 1.0 / std::sqrt(2.0));
    std::vector<double> got(kFrames);
    const int blocks[] = {1, 7, 16383, 16385, 50000};
    for (int done = 0, k = 0; done < kFrames; ++k) {
        const int n = std::min(blocks[k % 5], kFrames - done);
        ASSERT_EQ(gen.execStore(got.data() + done, n), 0);
        done += n;
    }
    EXPECT_EQ(std::memcmp(got.data(), expected.data(), sizeof(double) * kFrames), 0);

    gen.restart();
    std::vector<double> again(40000);
    ASSERT_EQ(gen.execStore(again.data(), 40000), 0);
    EXPECT_TRUE(std::equal(again.begin(), again.end(), expected.begin()));

    // Pink from kPipelinedFrames (2^20) on reads ahead, one frame fewer does
    // not; apart from their levels the two carry the same values.
    // The pause lets the drawer fill all its slots and sleep; the reads after
    // it take more than half of them, so the drawer must wake and go on.
    constexpr int kPinkFrames = 300000;
    NoiseParams pink = noiseParams(NoiseColour::Pink, 1.0, 8000, 1.0, 3);
    pink.frameCount = std::int64_t{1} << 20;
    gen.setNoise(pink, 1);
    std::vector<double> ahead(kPinkFrames);
    for (int done = 0; done < kPinkFrames; done += 6000) {
        ASSERT_EQ(gen.execStore(ahead.data() + done, 6000), 0);
        if (done == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    const double aheadScale = gen.scale();
    pink.frameCount -= 1;
    gen.setNoise(pink, 1);
    std::vector<double> direct(kPinkFrames);
    ASSERT_EQ(gen.execStore(direct.data(), kPinkFrames), 0);
    for (std::size_t i = 0; i < direct.size(); ++i)
        ASSERT_NEAR(ahead[i] / aheadScale, direct[i] / gen.scale(),
                    1e-12 * (1.0 + std::fabs(direct[i] / gen.scale())))
            << i;
}
