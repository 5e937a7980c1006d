#include "signal/Dither.h"
#include "signal/Xoshiro256.h"
#include "wavio/WavFormat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

using namespace corvane;
using namespace corvane::signal;

namespace {

std::int32_t s16At(const std::vector<std::uint8_t>& bytes, std::size_t i)
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8)));
}

} // namespace

// Two uniform values in [-0.5, 0.5): the sum lies in [-1, 1), has mean 0 and
// variance 2 / 12 = 1/6, and its density is a triangle (a quarter of the
// values fall beyond +-0.5, not half as for one uniform value).
TEST(Dither, TriangularStatistics)
{
    Dither d(1);
    constexpr int kCount = 1000000;
    std::vector<double> v(kCount);
    d.fill(v.data(), kCount);
    double sum = 0.0;
    double sumSquares = 0.0;
    int outer = 0;
    for (const double x : v) {
        ASSERT_GE(x, -1.0);
        ASSERT_LT(x, 1.0);
        sum += x;
        sumSquares += x * x;
        outer += std::fabs(x) > 0.5 ? 1 : 0;
    }
    EXPECT_NEAR(sum / kCount, 0.0, 0.002);
    EXPECT_NEAR(sumSquares / kCount, 1.0 / 6.0, 0.001);
    EXPECT_NEAR(static_cast<double>(outer) / kCount, 0.25, 0.002);
}

TEST(Dither, OwnStreamOfTheSeed)
{
    Dither a(5);
    Dither b(5);
    Dither c(6);
    // The noise stream of the same seed, turned into dither the same way.
    Xoshiro256 noise(5);
    std::vector<double> first(1000);
    a.fill(first.data(), 1000);
    int sameAsB = 0;
    int sameAsC = 0;
    int sameAsNoise = 0;
    for (const double x : first) {
        sameAsB += x == b.next() ? 1 : 0;
        sameAsC += x == c.next() ? 1 : 0;
        const double n = (noise.nextDouble() - 0.5) + (noise.nextDouble() - 0.5);
        sameAsNoise += x == n ? 1 : 0;
    }
    EXPECT_EQ(sameAsB, 1000);
    EXPECT_EQ(sameAsC, 0);
    EXPECT_EQ(sameAsNoise, 0);

    a.restart();
    std::vector<double> values(1000, 2.0);
    a.addTo(values.data(), 1000);
    for (std::size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(values[i], 2.0 + first[i]) << i;
}

// The dithered encoder rounds x * scale + d to the nearest integer, halves
// up, for negative values too; then clips like the plain encoder.
TEST(EncodeBlockDithered, RoundsToNearestAndClips)
{
    struct Case {
        const char* name;
        core::SampleFormat format;
        double product, dither;
        std::vector<std::uint8_t> bytes;
    };
    const Case cases[] = {
        {"S16Zero", wavio::S16, 0.0, 0.0, {0x00, 0x00}},
        {"S16HalfUp", wavio::S16, 2.5, 0.0, {0x03, 0x00}},
        {"S16NegativeHalfUp", wavio::S16, -2.5, 0.0, {0xFE, 0xFF}},
        {"S16NegativeNearest", wavio::S16, -2.7, 0.0, {0xFD, 0xFF}},
        {"S16NegativeSmall", wavio::S16, -0.7, 0.0, {0xFF, 0xFF}},
        {"S16DitherAdded", wavio::S16, 2.3, 0.4, {0x03, 0x00}},
        {"S16DitherSubtracted", wavio::S16, 2.3, -0.9, {0x01, 0x00}},
        {"S16ClipsHigh", wavio::S16, 40000.0, 0.0, {0xFF, 0x7F}},
        {"S16ClipsLow", wavio::S16, -40000.0, 0.0, {0x00, 0x80}},
        {"S16DitherClips", wavio::S16, 32767.0, 0.9, {0xFF, 0x7F}},
        {"U8Silence", wavio::U8, 0.0, -0.3, {0x80}},
        {"U8Negative", wavio::U8, -1.2, 0.0, {0x7F}},
        {"U8ClipsLow", wavio::U8, -300.0, 0.0, {0x00}},
        {"S24Negative", wavio::S24, -1.0, 0.0, {0xFF, 0xFF, 0xFF}},
        {"S24ClipsHigh", wavio::S24, 1e7, 0.0, {0xFF, 0xFF, 0x7F}},
        {"S32ClipsLow", wavio::S32, -3e9, 0.0, {0x01, 0x00, 0x00, 0x80}},
        {"S32NanIsSilence", wavio::S32, std::nan(""), 0.0, {0x00, 0x00, 0x00, 0x00}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> out(c.bytes.size(), 0xAA);
        ASSERT_EQ(
            wavio::encodeBlockDithered(&c.product, nullptr, 1, c.format, 1.0, &c.dither, nullptr, out.data()), 0);
        EXPECT_EQ(out, c.bytes);
    }
}

TEST(EncodeBlockDithered, StereoAndFloatRefusal)
{
    const double left[] = {1.0, -1.0};
    const double right[] = {3.0, 4.0};
    const double ditherLeft[] = {0.0, 0.0};
    const double ditherRight[] = {0.6, -0.6};
    std::vector<std::uint8_t> out(8);
    ASSERT_EQ(wavio::encodeBlockDithered(left, right, 2, wavio::S16, 1.0, ditherLeft, ditherRight, out.data()), 0);
    EXPECT_EQ(out, (std::vector<std::uint8_t>{0x01, 0x00, 0x04, 0x00, 0xFF, 0xFF, 0x03, 0x00}));
    // Null right dither: the left values serve both channels.
    ASSERT_EQ(wavio::encodeBlockDithered(left, left, 2, wavio::S16, 1.0, ditherRight, nullptr, out.data()), 0);
    EXPECT_EQ(out, (std::vector<std::uint8_t>{0x02, 0x00, 0x02, 0x00, 0xFE, 0xFF, 0xFE, 0xFF}));

    std::vector<std::uint8_t> untouched(16, 0xAA);
    // Codes outside the table cannot reach the encoder: they name no format.
    for (const core::SampleFormat format : {wavio::F32, wavio::F64}) {
        SCOPED_TRACE(core::infoOf(format).cliName);
        EXPECT_EQ(wavio::encodeBlockDithered(left, nullptr, 2, format, 1.0, ditherLeft, nullptr, untouched.data()),
                  -1114);
        EXPECT_EQ(untouched, std::vector<std::uint8_t>(16, 0xAA));
    }
}

// With TPDF dither the error, written value minus the exact scaled value, is
// the dither plus the rounding of the dithered value: variances 1/6 and 1/12,
// together 1/4, an RMS of exactly 0.5 LSB, for silence and for a signal alike.
TEST(EncodeBlockDithered, TpdfErrorIsHalfAnLsbRms)
{
    struct Case {
        const char* name;
        double levelDb;
        double toleranceDb;
    };
    const Case cases[] = {
        {"Silence", -1000.0, 0.1},
        {"ToneAtMinus50dB", -50.0, 0.2},
    };
    constexpr int kFrames = 480000;
    const double scale = wavio::fullScale(wavio::S16);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const double amplitude = c.levelDb < -500.0 ? 0.0 : std::pow(10.0, c.levelDb / 20.0);
        std::vector<double> x(kFrames);
        for (int i = 0; i < kFrames; ++i)
            x[static_cast<std::size_t>(i)] = amplitude * std::sin(2.0 * 3.141592653589793 * 997.0 * i / 48000.0);
        Dither dither(1);
        std::vector<double> d(kFrames);
        dither.fill(d.data(), kFrames);
        std::vector<std::uint8_t> bytes(2 * kFrames);
        ASSERT_EQ(wavio::encodeBlockDithered(x.data(), nullptr, kFrames, wavio::S16, scale, d.data(), nullptr,
                                             bytes.data()),
                  0);
        double sum = 0.0;
        double sumSquares = 0.0;
        for (std::size_t i = 0; i < x.size(); ++i) {
            const double e = s16At(bytes, i) - x[i] * scale;
            sum += e;
            sumSquares += e * e;
        }
        const double rms = std::sqrt(sumSquares / kFrames);
        const double offDb = 20.0 * std::log10(rms / 0.5);
        EXPECT_NEAR(offDb, 0.0, c.toleranceDb) << "rms " << rms;
        EXPECT_NEAR(sum / kFrames, 0.0, 0.005);
        RecordProperty(std::string(c.name) + "_error_rms_lsb", std::to_string(rms));
    }
}
