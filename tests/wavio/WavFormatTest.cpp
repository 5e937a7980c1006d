#include "wavio/WavFormat.h"

#include "wavio/ClipCount.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

using namespace corvane;

namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t le32(const std::uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint16_t le16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::string id(const std::uint8_t* p)
{
    return std::string(reinterpret_cast<const char*>(p), 4);
}

Bytes header(core::SampleFormat format, int numCh, int fs, int dataLength)
{
    Bytes h(wavio::kMaxHeaderBytes + 4, 0xEE);
    const int n = wavio::buildHeader(h.data(), format, numCh, fs, dataLength);
    h.resize(static_cast<size_t>(n));
    return h;
}

TEST(WavHeader, Plain16BitStereo)
{
    const Bytes h = header(wavio::S16, 2, 44100, 441000);
    ASSERT_EQ(h.size(), 44u);
    EXPECT_EQ(id(&h[0]), "RIFF");
    EXPECT_EQ(le32(&h[4]), 1764036u);
    EXPECT_EQ(id(&h[8]), "WAVE");
    EXPECT_EQ(id(&h[12]), "fmt ");
    EXPECT_EQ(le32(&h[16]), 16u);
    EXPECT_EQ(le16(&h[20]), 1);
    EXPECT_EQ(le16(&h[22]), 2);
    EXPECT_EQ(le32(&h[24]), 44100u);
    EXPECT_EQ(le32(&h[28]), 176400u);
    EXPECT_EQ(le16(&h[32]), 4);
    EXPECT_EQ(le16(&h[34]), 16);
    EXPECT_EQ(id(&h[36]), "data");
    EXPECT_EQ(le32(&h[40]), 1764000u);
}

TEST(WavHeader, Extensible24BitMono)
{
    const Bytes h = header(wavio::S24, 1, 48000, 1001);
    ASSERT_EQ(h.size(), 68u);
    EXPECT_EQ(le32(&h[16]), 40u);
    EXPECT_EQ(le16(&h[20]), 0xFFFE);
    EXPECT_EQ(le16(&h[22]), 1);
    EXPECT_EQ(le32(&h[28]), 144000u);
    EXPECT_EQ(le16(&h[32]), 3);
    EXPECT_EQ(le16(&h[34]), 24);
    EXPECT_EQ(le16(&h[36]), 22);
    EXPECT_EQ(le16(&h[38]), 24);
    EXPECT_EQ(le32(&h[40]), 3u);
    const Bytes subFormat(h.begin() + 44, h.begin() + 60);
    EXPECT_EQ(subFormat,
              (Bytes{0x01, 0, 0, 0, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}));
    EXPECT_EQ(id(&h[60]), "data");
    EXPECT_EQ(le32(&h[64]), 3003u); // odd: no pad byte is promised or written
    EXPECT_EQ(le32(&h[4]), 3003u + 60u);
}

TEST(WavHeader, ExtensibleFloatWithFact)
{
    const Bytes h = header(wavio::F64, 2, 8000, 1000);
    ASSERT_EQ(h.size(), 80u);
    EXPECT_EQ(le32(&h[4]), 16072u);
    EXPECT_EQ(le16(&h[34]), 64);
    EXPECT_EQ(le16(&h[38]), 64);
    EXPECT_EQ(h[44], 0x03);
    EXPECT_EQ(id(&h[60]), "fact");
    EXPECT_EQ(le32(&h[64]), 4u);
    EXPECT_EQ(le32(&h[68]), 1000u);
    EXPECT_EQ(id(&h[72]), "data");
    EXPECT_EQ(le32(&h[76]), 16000u);

    const Bytes f = header(wavio::F32, 1, 8000, 10);
    ASSERT_EQ(f.size(), 80u);
    EXPECT_EQ(le16(&f[32]), 4);
    EXPECT_EQ(le32(&f[76]), 40u);
}

TEST(WavHeader, RefusesWhatItCannotDescribe)
{
    std::uint8_t h[wavio::kMaxHeaderBytes];
    // A writer's code outside the table names no format: nothing to describe.
    EXPECT_FALSE(wavio::formatOfCode(6));
    EXPECT_FALSE(wavio::formatOfCode(-1));
    EXPECT_EQ(wavio::buildHeader(h, wavio::S16, 3, 8000, 10), 0);
    EXPECT_EQ(wavio::buildHeader(h, wavio::S16, 1, 0, 10), 0);
    EXPECT_EQ(wavio::buildHeader(h, wavio::S16, 1, 8000, -1), 0);
    // 2^31-1 frames of 64-bit stereo would wrap the 32-bit size fields.
    EXPECT_EQ(wavio::buildHeader(h, wavio::F64, 2, 48000, 2147483647), 0);
    // The largest file the dialog allows still fits.
    EXPECT_EQ(wavio::buildHeader(h, wavio::F64, 2, 48000, 48000000), 80);
    EXPECT_EQ(le32(h + 76), 768000000u);
}

// One sample encoded alone, as the bytes that land in the file.
Bytes encodeOne(double x, core::SampleFormat format, double scale)
{
    Bytes out(static_cast<size_t>(wavio::bytesPerSample(format)));
    wavio::encodeBlock(&x, nullptr, 1, format, scale, out.data());
    return out;
}

TEST(WavEncoding, SamplesRoundClipAndNeverWrap)
{
    const double s16 = wavio::fullScale(wavio::S16);
    const double s32 = wavio::fullScale(wavio::S32);
    struct Case {
        const char* name;
        core::SampleFormat format;
        double x;
        double scale;
        Bytes expected;
    };
    const Case cases[] = {
        {"U8Silence", wavio::U8, 0.0, 12.7, {128}},
        {"U8PlusTenIsFullScale", wavio::U8, 10.0, 12.7, {255}},
        {"U8Clips", wavio::U8, 20.0, 12.7, {255}},
        {"U8MinusTen", wavio::U8, -10.0, 12.7, {2}},
        {"U8ClipsLow", wavio::U8, -20.0, 12.7, {0}},
        {"S16HalfGoesUp", wavio::S16, 2.5, 1.0, {3, 0}},
        {"S16TruncatesNegatives", wavio::S16, -0.7, 1.0, {0, 0}},
        {"S16MinusTwoPointSeven", wavio::S16, -2.7, 1.0, {0xFE, 0xFF}},
        {"S16MinusTwoPointThree", wavio::S16, -2.3, 1.0, {0xFF, 0xFF}},
        {"S16ClipsHigh", wavio::S16, 40000.0, 1.0, {0xFF, 0x7F}},
        {"S16ClipsLow", wavio::S16, -40000.0, 1.0, {0x00, 0x80}},
        {"S16PlusTwentyDb", wavio::S16, 10.0, s16, {0xFF, 0x7F}},
        {"S24MinusOneHalfTruncatesUp", wavio::S24, -1.0, 1.0, {0x00, 0x00, 0x00}},
        {"S24Negative", wavio::S24, -2.0, 1.0, {0xFF, 0xFF, 0xFF}},
        {"S24ClipsHigh", wavio::S24, 9e6, 1.0, {0xFF, 0xFF, 0x7F}},
        {"S24ClipsLow", wavio::S24, -9e6, 1.0, {0x00, 0x00, 0x80}},
        {"S32ClipsHigh", wavio::S32, 3e9, 1.0, {0xFF, 0xFF, 0xFF, 0x7F}},
        {"S32ClipsLowSymmetric", wavio::S32, -3e9, 1.0, {0x01, 0x00, 0x00, 0x80}},
        {"S32PlusTwentyDbIsOneBelowMax", wavio::S32, 10.0, s32, {0xFE, 0xFF, 0xFF, 0x7F}},
        {"S32HugeAmplitude", wavio::S32, 1e300, 1e10, {0xFF, 0xFF, 0xFF, 0x7F}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(encodeOne(c.x, c.format, c.scale), c.expected);
    }
}

TEST(WavEncoding, ExtendedPrecisionDecidesNearHalves)
{
    // Products that sit within a rounding error of k + 0.5: with plain double
    // arithmetic these come out one step higher (2 and -2996).
    const double s16 = wavio::fullScale(wavio::S16);
    EXPECT_EQ(encodeOne(0.00045777764213995783, wavio::S16, s16), (Bytes{1, 0}));
    EXPECT_EQ(encodeOne(-0.91509750663777567, wavio::S16, s16), (Bytes{0x4B, 0xF4})); // -2997
}

// The documented rule, written out independently of the encoder.
std::int64_t ruleValue(double x, core::SampleFormat format)
{
    const long long lo[] = {0, -32768, -8388608, -2147483647};
    const long long hi[] = {255, 32767, 8388607, 2147483647};
    long double v =
        std::trunc(static_cast<long double>(x) * static_cast<long double>(wavio::fullScale(format)) + 0.5L);
    if (format == wavio::U8)
        v += 128;
    if (v < lo[static_cast<std::size_t>(format)])
        return lo[static_cast<std::size_t>(format)];
    if (v > hi[static_cast<std::size_t>(format)])
        return hi[static_cast<std::size_t>(format)];
    return static_cast<std::int64_t>(v);
}

std::int64_t decoded(const Bytes& b)
{
    std::uint64_t u = 0;
    for (size_t i = 0; i < b.size(); ++i)
        u |= std::uint64_t{b[i]} << (8 * i);
    if (b.size() > 1 && (b.back() & 0x80))
        u |= ~std::uint64_t{0} << (8 * b.size()); // sign-extend
    return static_cast<std::int64_t>(u);
}

TEST(WavEncoding, ProductsNextToHalvesFollowTheExtendedRule)
{
    // Inputs whose product with the full-scale factor lands within a few ulps
    // of k + 0.5, where a shortcut in double precision would go wrong, plus
    // products at the clipping edges.
    for (const core::SampleFormat format : {wavio::U8, wavio::S16, wavio::S24, wavio::S32}) {
        SCOPED_TRACE(core::infoOf(format).cliName);
        const double scale = wavio::fullScale(format);
        std::vector<double> inputs = {
            10.0, -10.0, 10.000000000000002, -10.000000000000002, 2147483647.0 / scale, -2147483647.5 / scale};
        for (long long k = -40000; k <= 40000; k += 37)
            inputs.push_back((static_cast<double>(k) + 0.5) / scale);
        for (long long k = 2147483000; k <= 2147483647; k += 101)
            inputs.push_back((static_cast<double>(k) + 0.5) / scale);
        int mismatches = 0;
        for (const double base : inputs) {
            double x = base;
            for (int ulp = 0; ulp < 4; ++ulp)
                x = std::nextafter(x, -1e300);
            for (int ulp = -4; ulp <= 4; ++ulp, x = std::nextafter(x, 1e300)) {
                const Bytes b = encodeOne(x, format, scale);
                const std::int64_t got = format == wavio::U8 ? b[0] : decoded(b);
                if (got != ruleValue(x, format) && ++mismatches < 5)
                    ADD_FAILURE() << "x=" << x << " got " << got << " want " << ruleValue(x, format);
            }
        }
    }
}

TEST(WavEncoding, FloatsAreScaledAndNeverClipped)
{
    const Bytes f32 = encodeOne(2.5, wavio::F32, 2.0);
    float f = 0;
    std::memcpy(&f, f32.data(), 4);
    EXPECT_EQ(f, 5.0f);

    const Bytes f64 = encodeOne(0.1, wavio::F64, 3.0);
    double d = 0;
    std::memcpy(&d, f64.data(), 8);
    EXPECT_EQ(d, 0.1 * 3.0);

    const Bytes big = encodeOne(1e6, wavio::F32, 1.0);
    std::memcpy(&f, big.data(), 4);
    EXPECT_EQ(f, 1e6f);
}

TEST(WavEncoding, StereoInterleavesLeftThenRight)
{
    const double left[2] = {1, 2};
    const double right[2] = {-2, -3};
    Bytes out(8);
    wavio::encodeBlock(left, right, 2, wavio::S16, 1.0, out.data());
    EXPECT_EQ(out, (Bytes{1, 0, 0xFF, 0xFF, 2, 0, 0xFE, 0xFF}));
}

TEST(WavEncoding, IntegerSamplesAreCopiedAndClipped)
{
    const std::int32_t left[3] = {-128, 0, 127};
    Bytes u8(3);
    wavio::encodeIntegerBlock(left, nullptr, 3, wavio::U8, 12.7, u8.data());
    EXPECT_EQ(u8, (Bytes{0, 128, 255}));

    const std::int32_t wide[2] = {9000000, -9000000};
    Bytes s24(6);
    wavio::encodeIntegerBlock(wide, nullptr, 2, wavio::S24, 1.0, s24.data());
    EXPECT_EQ(s24, (Bytes{0xFF, 0xFF, 0x7F, 0x00, 0x00, 0x80}));
}

TEST(WriteParams, CombinationCheck)
{
    struct Case {
        const char* name;
        int fs, numCh, dataType, dataFormat;
        double scale;
        int expected;
    };
    const Case cases[] = {
        {"SaveCommandDefaults", 44100, 2, 4, 1, 3276.7, 0},
        {"ThreeChannels", 44100, 3, 4, 1, 1.0, -1114},
        {"NoChannels", 44100, 0, 4, 1, 1.0, -1114},
        {"FsZero", 0, 2, 4, 1, 1.0, -1114},
        {"F64FromInt", 44100, 1, 2, 5, 1.0, -1114},
        {"U8NegativeScale", 44100, 1, 4, 0, -1.0, -1114},
        {"F32NegativeScale", 44100, 1, 4, 4, -1.0, 0},
        {"F32FromFloats", 44100, 1, 3, 4, 1.0, 0},
        {"U8FromChars", 8000, 1, 0, 0, -5.0, 0},
        {"S16FromChars", 8000, 1, 0, 1, 1.0, -1114},
        {"S24FromInts", 8000, 2, 2, 2, 1.0, 0},
        {"S32FromShorts", 8000, 2, 1, 3, 1.0, -1114},
        {"S32ZeroScale", 8000, 2, 4, 3, 0.0, 0},
        {"UnknownFormat", 44100, 2, 4, -1, 1.0, -1114},
        {"FormatSix", 44100, 2, 4, 6, 1.0, -1114},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(wavio::checkWriteParams(c.fs, c.numCh, c.dataType, c.dataFormat, c.scale), c.expected);
    }
}

TEST(WriteParams, FullScaleFactors)
{
    EXPECT_EQ(wavio::fullScale(wavio::U8), 12.7);
    EXPECT_EQ(wavio::fullScale(wavio::S16), 3276.7000000000003);
    EXPECT_EQ(wavio::fullScale(wavio::S24), 838860.7000000001);
    EXPECT_EQ(wavio::fullScale(wavio::S32), 214748364.60000002);
    EXPECT_EQ(wavio::fullScale(wavio::F32), 1.0);
    EXPECT_EQ(wavio::fullScale(wavio::F64), 1.0);
}

// The clip count on every path the machine has, at the edges themselves:
// at or above high counts, below low counts, low itself, NaN and the values
// just inside do not; runs of every length leave each path a tail.
TEST(ClipCount, EveryPathCountsTheEdgesAlike)
{
    struct Value {
        double x;
        bool outside;
    };
    constexpr double kInf = std::numeric_limits<double>::infinity();
    // With scale 2, high 255 and low -257: the products are 2 x.
    const Value values[] = {
        {127.5, true},         {std::nextafter(127.5, 0.0), false},
        {-128.5, false},       {std::nextafter(-128.5, -kInf), true},
        {0.0, false},          {-0.0, false},
        {std::nan(""), false}, {kInf, true},
        {-kInf, true},         {1e300, true},
        {-1e300, true},        {100.0, false},
    };
    for (const int n : {0, 1, 7, 8, 9, 13, 1023}) {
        std::vector<double> x;
        long long expected = 0;
        for (int i = 0; i < n; ++i) {
            // A stride that visits the values in every lane position.
            const Value& v = values[static_cast<std::size_t>(i * 5) % std::size(values)];
            x.push_back(v.x);
            expected += v.outside ? 1 : 0;
        }
        for (const signal::Isa isa : signal::supportedIsas()) {
            SCOPED_TRACE(testing::Message() << signal::isaName(isa) << ", " << n << " samples");
            EXPECT_EQ(wavio::countOutside(x.data(), n, 2.0, -257.0, 255.0, isa), expected);
        }
    }
}

} // namespace
