#include "signal/SweepGen.h"
#include "core/ResultCodes.h"
#include "signal/Blocks.h"
#include "signal/Dither.h"
#include "signal/Fade.h"
#include "signal/PowerBands.h"
#include "wavio/WavFormat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>
#include <string>
#include <vector>

using namespace corvane;
using namespace corvane::signal;

namespace {

// The sweep of the measurement figures: 10 s, 20 Hz to 20 kHz at 48 kHz.
SweepParams tenSecondSweep(double amplitude = 1.0, bool synchronised = false)
{
    SweepParams p;
    p.frameCount = 480000;
    p.sampleRateHz = 48000.0;
    p.startHz = 20.0;
    p.stopHz = 20000.0;
    p.amplitude = amplitude;
    p.synchronised = synchronised;
    return p;
}

std::vector<double> sweepSamples(const SweepParams& p, int block = SweepGen::kBlockSize)
{
    SweepGen gen;
    gen.setSweep(p, 1);
    return generateMono(gen, p.frameCount, block);
}

std::vector<double> inverseSamples(const SweepParams& p)
{
    SweepInverseGen inv;
    inv.setSweep(p);
    return generateMono(inv, p.frameCount, SweepGen::kBlockSize);
}

// The DTFT of x at one frequency, in extended precision with a fresh sine
// and cosine per frame.
std::complex<long double> dtftAt(const std::vector<double>& x, long double omega)
{
    std::complex<long double> sum = 0.0L;
    for (std::size_t n = 0; n < x.size(); ++n) {
        const long double a = omega * static_cast<long double>(n);
        sum += static_cast<long double>(x[n]) * std::complex<long double>(cosl(a), -sinl(a));
    }
    return sum;
}

} // namespace

// The closed form evaluated independently in extended precision, with L
// worked out by hand: T / ln(1000) = 10 / 6.907755... for the plain sweep;
// synchronised, 20 * 1.447648 = 28.95 rounds to 29 cycles, so L = 29 / 20.
TEST(SweepGen, FollowsTheClosedFormAtChosenFrames)
{
    const long double plainRate = 10.0L / logl(1000.0L);
    struct Case {
        const char* name;
        bool synchronised;
        long double rate;
        double amplitude;
    };
    const Case cases[] = {
        {"Plain", false, plainRate, 1.0},
        {"PlainAt14dB", false, plainRate, 5.011872336272722},
        {"Synchronised", true, 1.45L, 1.0},
    };
    const std::int64_t frames[] = {0, 1, 2, 3, 1000, 48000, 123457, 240000, 479000, 479998, 479999};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const SweepParams p = tenSecondSweep(c.amplitude, c.synchronised);
        EXPECT_NEAR(sweepRateSeconds(p), static_cast<double>(c.rate), 1e-12);
        const std::vector<double> got = sweepSamples(p);
        for (const std::int64_t n : frames) {
            SCOPED_TRACE(n);
            const long double phase = 2.0L * 3.14159265358979323846264338327950288L * 20.0L * c.rate *
                                      (expl(static_cast<long double>(n) / (48000.0L * c.rate)) - 1.0L);
            const double expected = static_cast<double>(c.amplitude * sinl(phase));
            EXPECT_NEAR(got[static_cast<std::size_t>(n)], expected, 1e-9 * c.amplitude);
        }
        EXPECT_EQ(got[0], 0.0);
    }
}

TEST(SweepGen, SameSamplesWhateverTheBlockSize)
{
    const SweepParams p = tenSecondSweep(0.7);
    const std::vector<double> whole = sweepSamples(p, 480000);
    for (const int block : {1, 7, 4096, 16384, 100000}) {
        SCOPED_TRACE(block);
        const std::vector<double> pieces = sweepSamples(p, block);
        EXPECT_EQ(std::memcmp(whole.data(), pieces.data(), whole.size() * sizeof(double)), 0);
    }

    SweepGen stereo;
    stereo.setSweep(p, 2);
    std::vector<double> left(480000);
    std::vector<double> right(480000);
    for (int done = 0; done < 480000; done += 30000)
        ASSERT_EQ(stereo.execStore(left.data() + done, right.data() + done, 30000), 0);
    EXPECT_EQ(left, whole);
    EXPECT_EQ(right, whole);
}

// The block kernel on every instruction-set path the machine has gives the
// bits of the baseline, and those of unitSweepSample times the amplitude; the
// blocks include a long, high sweep whose phase runs to 2.3e8 rad and one
// that ends past the fast kernels' range (2^31 rad), which must still follow
// the closed form within its double-precision rounding: (t + 4) u phi.
TEST(SweepGen, EveryInstructionSetGivesTheSameBits)
{
    struct Case {
        const char* name;
        SweepParams p;
        std::int64_t first;
        int count;
    };
    const Case cases[] = {
        {"TenSeconds", tenSecondSweep(0.7), 0, 480000},
        {"HighAndLong",
         {384000LL * 1000, 384000.0, 1000.0, 191000.0, 5.0, false},
         384000LL * 1000 - 100000,
         100000},
        {"PastTheFastRange",
         {384000LL * 10000, 384000.0, 1000.0, 191000.0, 1.0, false},
         384000LL * 10000 - 5000,
         5000},
        {"Synchronised", tenSecondSweep(1.0, true), 400000, 80000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(checkSweepParams(c.p).empty());
        const double rate = sweepRateSeconds(c.p);
        std::vector<double> baseline(static_cast<std::size_t>(c.count));
        sweepBlock(c.p, rate, c.first, baseline.data(), c.count, Isa::Baseline);
        for (const Isa isa : supportedIsas()) {
            SCOPED_TRACE(isaName(isa));
            std::vector<double> got(static_cast<std::size_t>(c.count));
            sweepBlock(c.p, rate, c.first, got.data(), c.count, isa);
            EXPECT_EQ(std::memcmp(got.data(), baseline.data(), got.size() * sizeof(double)), 0);
        }
        const long double fs = c.p.sampleRateHz;
        const long double lrate = static_cast<long double>(c.p.frameCount) / fs /
                                  logl(static_cast<long double>(c.p.stopHz) / c.p.startHz);
        for (int i = 0; i < c.count; i += 997) {
            const std::int64_t n = c.first + i;
            EXPECT_EQ(baseline[static_cast<std::size_t>(i)], c.p.amplitude * unitSweepSample(c.p, rate, n));
            if (c.p.synchronised)
                continue;
            const long double t = static_cast<long double>(n) / (fs * lrate);
            const long double phase =
                2.0L * 3.14159265358979323846264338327950288L * c.p.startHz * lrate * expm1l(t);
            const double bound = (static_cast<double>(t) + 4.0) * 0x1p-53 * static_cast<double>(phase) + 1e-14;
            EXPECT_NEAR(baseline[static_cast<std::size_t>(i)], static_cast<double>(c.p.amplitude * sinl(phase)),
                        bound * c.p.amplitude)
                << "frame " << n;
        }
    }
}

TEST(SweepGen, WrongLayoutAndFramesPastTheEnd)
{
    SweepParams p = tenSecondSweep();
    p.frameCount = 10;
    SweepGen gen;
    gen.setSweep(p, 2);
    double a[16] = {};
    double b[16] = {};
    EXPECT_EQ(gen.execStore(a, 16), core::kChannelCountIncorrect);
    gen.setSweep(p, 1);
    EXPECT_EQ(gen.execStore(a, b, 16), core::kChannelCountIncorrect);

    std::fill(std::begin(a), std::end(a), 9.0);
    ASSERT_EQ(gen.execStore(a, 16), 0);
    EXPECT_NE(a[9], 0.0);
    for (int i = 10; i < 16; ++i)
        EXPECT_EQ(a[i], 0.0) << i;

    gen.restart();
    double again[16] = {};
    ASSERT_EQ(gen.execStore(again, 16), 0);
    EXPECT_EQ(std::memcmp(a, again, sizeof a), 0);
}

TEST(SweepGen, RefusesParametersItCannotSweep)
{
    struct Case {
        const char* name;
        std::int64_t frames;
        double fs, from, to, amplitude;
        bool accepted;
    };
    const double nan = std::nan("");
    const double inf = HUGE_VAL;
    const Case cases[] = {
        {"Default", 480000, 48000, 20, 20000, 1, true},
        {"OneFrame", 1, 8000, 20, 3999, 1, true},
        {"StopJustBelowNyquist", 48000, 48000, 20, 23999.9, 1, true},
        {"StopAtNyquist", 48000, 48000, 20, 24000, 1, false},
        {"StopAboveNyquist", 48000, 8000, 20, 5000, 1, false},
        {"StopEqualsStart", 48000, 48000, 1000, 1000, 1, false},
        {"StopBelowStart", 48000, 48000, 1000, 500, 1, false},
        {"StartBelowMinimum", 48000, 48000, 0.5, 1000, 1, false},
        {"StartZero", 48000, 48000, 0, 1000, 1, false},
        {"NoFrames", 0, 48000, 20, 20000, 1, false},
        {"NegativeFrames", -5, 48000, 20, 20000, 1, false},
        {"ZeroRate", 48000, 0, 20, 20000, 1, false},
        {"NanStart", 48000, 48000, nan, 20000, 1, false},
        {"InfiniteStop", 48000, 48000, 20, inf, 1, false},
        {"NanAmplitude", 48000, 48000, 20, 20000, nan, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const SweepParams p{c.frames, c.fs, c.from, c.to, c.amplitude};
        const std::string message = checkSweepParams(p);
        EXPECT_EQ(message.empty(), c.accepted) << message;
        if (!c.accepted && c.frames > 0) {
            // A refused sweep is silence, never a crash.
            SweepGen gen;
            gen.setSweep(p, 1);
            double out[8];
            std::fill(std::begin(out), std::end(out), 1.0);
            ASSERT_EQ(gen.execStore(out, 8), 0);
            for (const double v : out)
                EXPECT_EQ(v, 0.0);
        }
    }
}

TEST(SweepGen, StopMessageNamesBothFrequencies)
{
    SweepParams p = tenSecondSweep();
    p.stopHz = 10.0;
    const std::string message = checkSweepParams(p);
    EXPECT_NE(message.find("10 Hz"), std::string::npos) << message;
    EXPECT_NE(message.find("20 Hz"), std::string::npos) << message;
}

// The spectrum of a linear convolution is the product of the spectra, so the
// magnitude at sqrt(F1 F2) is |S| |H| there, whatever the sweep.
TEST(SweepInverse, ConvolutionIsOneAtTheCentreFrequency)
{
    struct Case {
        const char* name;
        std::int64_t frames;
        double fs, from, to;
        bool synchronised;
    };
    const Case cases[] = {
        {"TenSeconds48k", 480000, 48000, 20, 20000, false},
        {"Synchronised48k", 480000, 48000, 20, 20000, true},
        {"HalfSecond8k", 4000, 8000, 100, 3000, false},
        {"Short384k", 96000, 384000, 50, 100000, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // The inverse belongs to the unit sweep whatever the amplitude.
        SweepParams p{c.frames, c.fs, c.from, c.to, 3.0, c.synchronised};
        const std::vector<double> inverse = inverseSamples(p);
        p.amplitude = 1.0;
        const std::vector<double> sweep = sweepSamples(p);
        const long double omega =
            2.0L * 3.14159265358979323846264338327950288L * sqrtl(static_cast<long double>(c.from) * c.to) / c.fs;
        const long double magnitude = std::abs(dtftAt(sweep, omega)) * std::abs(dtftAt(inverse, omega));
        EXPECT_NEAR(static_cast<double>(magnitude), 1.0, 1e-6);

        // Time-reversed: the inverse starts where the sweep ends, at full
        // envelope, and ends on the sweep's first frame, which is 0.
        SweepInverseGen inv;
        inv.setSweep(p);
        EXPECT_DOUBLE_EQ(inverse.front(), inv.gain() * sweep.back());
        EXPECT_EQ(inverse.back(), 0.0);
    }
}

TEST(SweepInverse, MonoOnly)
{
    SweepInverseGen inv;
    inv.setSweep(tenSecondSweep());
    double a[4];
    double b[4];
    EXPECT_EQ(inv.execStore(a, b, 4), core::kChannelCountIncorrect);
    EXPECT_EQ(inv.execStore(a, 4), 0);
}

// The deconvolved sweep: with fades of 0.1 s in and 0.01 s out the linear
// convolution with the inverse is an impulse at frame N - 1 whose spectrum,
// smoothed over a third of an octave, stays within 0.2 dB of 1 from 2 F1 to F2 / 2.
TEST(SweepInverse, DeconvolvedFadedSweepIsAFlatImpulse)
{
    const SweepParams p = tenSecondSweep();
    const std::int64_t n = p.frameCount;
    SweepGen gen;
    gen.setSweep(p, 1);
    ASSERT_TRUE(checkFades(0.1, 0.01, p.sampleRateHz, n).empty());
    Fade faded(gen, 1, n, fadeFrameCount(0.1, p.sampleRateHz), fadeFrameCount(0.01, p.sampleRateHz));
    const std::vector<double> sweep = generateMono(faded, n, 16384);
    const std::vector<double> inverse = inverseSamples(p);

    constexpr int kSize = 1 << 20; // at least 2 N - 1, so the convolution does not wrap
    auto product = spectrum::realDft(sweep, kSize);
    const auto inverseBins = spectrum::realDft(inverse, kSize);
    std::vector<double> power(product.size());
    for (std::size_t k = 0; k < product.size(); ++k) {
        product[k] *= inverseBins[k];
        power[k] = std::norm(product[k]);
    }

    const std::vector<double> impulse = spectrum::inverseRealDft(product, kSize);
    const auto peak = std::max_element(impulse.begin(), impulse.end(),
                                       [](double a, double b) { return std::fabs(a) < std::fabs(b); });
    EXPECT_EQ(peak - impulse.begin(), n - 1);

    double worstDb = 0.0;
    double worstHz = 0.0;
    const double sixth = std::pow(2.0, 1.0 / 6.0);
    for (double f = 2.0 * p.startHz; f <= p.stopHz / 2.0 * 1.0000001; f *= std::pow(2.0, 1.0 / 12.0)) {
        const double db =
            10.0 * std::log10(spectrum::meanPower(power, p.sampleRateHz, kSize, f / sixth, f * sixth));
        if (std::fabs(db) > std::fabs(worstDb)) {
            worstDb = db;
            worstHz = f;
        }
        EXPECT_NEAR(db, 0.0, 0.2) << f << " Hz";
    }
    RecordProperty("peak_frame", std::to_string(peak - impulse.begin()));
    RecordProperty("worst_db", std::to_string(worstDb) + " at " + std::to_string(worstHz) + " Hz");
}

// The faded sweep stored as 16-bit samples at +14 dB with TPDF dither, read
// back and deconvolved: the impulse stands at least 95 dB above the RMS of
// the 0.5 s to 1.0 s after it.
TEST(SweepInverse, DitheredSixteenBitSweepDeconvolvesCleanly)
{
    const SweepParams p = tenSecondSweep(std::pow(10.0, 14.0 / 20.0));
    const std::int64_t n = p.frameCount;
    SweepGen gen;
    gen.setSweep(p, 1);
    Fade faded(gen, 1, n, fadeFrameCount(0.1, p.sampleRateHz), fadeFrameCount(0.01, p.sampleRateHz));
    const std::vector<double> sweep = generateMono(faded, n, 16384);

    const double scale = wavio::fullScale(wavio::S16);
    Dither dither(1);
    std::vector<double> d(sweep.size());
    dither.fill(d.data(), static_cast<int>(d.size()));
    std::vector<std::uint8_t> bytes(2 * sweep.size());
    ASSERT_EQ(wavio::encodeBlockDithered(sweep.data(), nullptr, static_cast<int>(n), wavio::S16, scale, d.data(),
                                         nullptr, bytes.data()),
              0);
    std::vector<double> readBack(sweep.size());
    for (std::size_t i = 0; i < readBack.size(); ++i) {
        const auto v =
            static_cast<std::int16_t>(static_cast<std::uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8)));
        readBack[i] = v / scale;
    }

    constexpr int kSize = 1 << 20;
    auto product = spectrum::realDft(readBack, kSize);
    const auto inverseBins = spectrum::realDft(inverseSamples(p), kSize);
    for (std::size_t k = 0; k < product.size(); ++k)
        product[k] *= inverseBins[k];
    const std::vector<double> impulse = spectrum::inverseRealDft(product, kSize);

    const double peak = std::fabs(impulse[static_cast<std::size_t>(n - 1)]);
    double sumSquares = 0.0;
    const std::size_t from = static_cast<std::size_t>(n - 1 + 24000);
    const std::size_t to = static_cast<std::size_t>(n - 1 + 48000);
    for (std::size_t i = from; i < to; ++i)
        sumSquares += impulse[i] * impulse[i];
    const double noiseRms = std::sqrt(sumSquares / static_cast<double>(to - from));
    const double ratioDb = 20.0 * std::log10(peak / noiseRms);
    EXPECT_GE(ratioDb, 95.0);
    RecordProperty("peak_to_noise_db", std::to_string(ratioDb));
}
