#include "wavio/ExportSettings.h"

#include <gtest/gtest.h>

namespace {

using namespace corvane::wavio;

TEST(ExportSettings, LengthInSecondsAndSamples)
{
    struct Case {
        const char* name;
        int fs;
        double seconds;
        std::optional<int> frames;
        bool allowed;
    };
    const Case cases[] = {
        {"TenSecondsAt44100", 44100, 10.0, 441000, true},
        {"ThousandSecondsAt48000", 48000, 1000.0, 48000000, true},
        {"JustOverThousand", 48000, 1000.01, 48000480, false},
        {"PointFourAt8000", 8000, 0.4, 3200, false},
        {"HalfFrameRoundsUp", 8000, 1.0 + 0.5 / 8000, 8001, true},
        {"Negative", 8000, -2.0, -15999, false},
        {"FarTooLong", 48000, 1e300, {}, false},
        {"FarTooNegative", 48000, -1e300, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto frames = framesForSeconds(c.fs, c.seconds);
        EXPECT_EQ(frames, c.frames);
        EXPECT_EQ(frames && lengthAllowed(*frames, c.fs, kMinSeconds, kMaxSeconds), c.allowed);
    }
    EXPECT_FALSE(lengthAllowed(44099, 44100, kMinSeconds, kMaxSeconds));
    EXPECT_TRUE(lengthAllowed(44100, 44100, kMinSeconds, kMaxSeconds));
    EXPECT_FALSE(lengthAllowed(44100, 0, kMinSeconds, kMaxSeconds));
}

TEST(ExportSettings, Messages)
{
    EXPECT_EQ(lengthMessage(1.0, 1000.0), "The data length should be   1.0 to 1000.0 seconds");
    EXPECT_FALSE(warnQuietEightBit(corvane::core::SampleFormat::U8, -15.0));
    EXPECT_TRUE(warnQuietEightBit(corvane::core::SampleFormat::U8, -15.1));
    EXPECT_FALSE(warnQuietEightBit(corvane::core::SampleFormat::S16, -40.0));
}

} // namespace
