// Sums of sines (multitone, two-tone, a tone with its right channel
// shifted): every frame against the closed form evaluated in long double
// from whole numbers, the periodic sum's spectrum by a direct DFT, and the
// crest factor Schroeder's phases give.

#include "signal/ToneSum.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <vector>

using namespace corvane;

namespace {

constexpr long double kPiL = 3.141592653589793238462643383279502884L;

std::vector<double> framesOf(const signal::ToneSum& gen, std::int64_t first, int count)
{
    std::vector<double> x(static_cast<std::size_t>(count));
    gen.fillFrames(first, x.data(), count);
    return x;
}

// sin(2 pi f n / fs + phase) with f n / fs reduced exactly: f and fs whole
// numbers of hertz.
long double oracleSine(std::int64_t fHz, std::int64_t fs, std::int64_t n, long double phase)
{
    const std::int64_t r = (fHz * n) % fs;
    return std::sin(2.0L * kPiL * static_cast<long double>(r) / static_cast<long double>(fs) + phase);
}

// Magnitudes of the DFT of x at every bin up to half, by the direct sum with
// twiddles indexed exactly.
std::vector<double> dftMagnitudes(const std::vector<double>& x)
{
    const auto n = x.size();
    std::vector<std::complex<double>> twiddle(n);
    for (std::size_t k = 0; k < n; ++k)
        twiddle[k] = std::polar(1.0, -2.0 * 3.141592653589793 * static_cast<double>(k) / static_cast<double>(n));
    std::vector<double> mag(n / 2 + 1);
    for (std::size_t k = 0; k <= n / 2; ++k) {
        std::complex<double> sum = 0.0;
        for (std::size_t i = 0; i < n; ++i)
            sum += x[i] * twiddle[(k * i) % n];
        mag[k] = std::abs(sum);
    }
    return mag;
}

} // namespace

TEST(ToneSum, FramesFollowTheClosedFormFarIntoTheFile)
{
    signal::ToneSumParams p;
    p.sampleRateHz = 48000;
    p.lines = {{997.0, 0.6, 0.25}, {19999.0, 0.3, -1.0}};
    signal::ToneSum gen;
    gen.setSum(p, 1);
    // Up to 1000 s in: the phase must not drift with the frame number.
    for (const std::int64_t first : {std::int64_t{0}, std::int64_t{123456}, std::int64_t{47'999'000}}) {
        const std::vector<double> x = framesOf(gen, first, 500);
        for (int i = 0; i < 500; ++i) {
            const std::int64_t n = first + i;
            const long double expected =
                0.6L * oracleSine(997, 48000, n, 0.25L) + 0.3L * oracleSine(19999, 48000, n, -1.0L);
            ASSERT_NEAR(x[static_cast<std::size_t>(i)], static_cast<double>(expected), 1e-14) << "frame " << n;
        }
    }
}

TEST(ToneSum, RightPhaseShiftsOnlyTheRightChannel)
{
    signal::ToneSumParams p;
    p.sampleRateHz = 8000;
    p.lines = {{1000.0, 1.0, 0.0}};
    p.rightPhaseRad = 3.141592653589793 / 2.0;
    signal::ToneSum gen;
    gen.setSum(p, 2);
    EXPECT_FALSE(gen.identicalChannels());
    EXPECT_FALSE(gen.framesByNumber());
    std::vector<double> left(64), right(64);
    ASSERT_EQ(gen.execStore(left.data(), right.data(), 64), 0);
    for (int n = 0; n < 64; ++n) {
        EXPECT_NEAR(left[static_cast<std::size_t>(n)], static_cast<double>(oracleSine(1000, 8000, n, 0.0L)),
                    1e-15);
        EXPECT_NEAR(right[static_cast<std::size_t>(n)],
                    static_cast<double>(oracleSine(1000, 8000, n, kPiL / 2.0L)), 1e-15);
    }
}

TEST(ToneSum, PeriodicSumHasEnergyOnlyOnItsBinsAndRepeatsExactly)
{
    constexpr int kPeriod = 1024;
    signal::ToneSumParams p;
    p.sampleRateHz = 44100;
    p.periodFrames = kPeriod;
    const std::vector<double> freqs = {100.0, 1234.5, 5000.0, 15000.0, 21000.0};
    const std::vector<double> phases = signal::schroederPhases(static_cast<int>(freqs.size()));
    for (std::size_t k = 0; k < freqs.size(); ++k)
        p.lines.push_back({freqs[k], 0.4, phases[k]});
    ASSERT_EQ(signal::checkToneSum(p), "");
    signal::ToneSum gen;
    gen.setSum(p, 1);

    const std::vector<double> first = framesOf(gen, 0, kPeriod);
    EXPECT_EQ(framesOf(gen, 5 * kPeriod, kPeriod), first);

    std::vector<std::size_t> bins;
    for (const double f : freqs)
        bins.push_back(static_cast<std::size_t>(std::llround(f * kPeriod / 44100.0)));
    const std::vector<double> mag = dftMagnitudes(first);
    const double strongest = *std::max_element(mag.begin(), mag.end());
    for (std::size_t k = 0; k < mag.size(); ++k) {
        if (std::find(bins.begin(), bins.end(), k) != bins.end()) {
            // A sine of amplitude a over a whole number of cycles: a N / 2.
            EXPECT_NEAR(mag[k], 0.4 * kPeriod / 2.0, 1e-9) << "bin " << k;
        } else {
            EXPECT_LT(20.0 * std::log10(std::max(mag[k], 1e-300) / strongest), -200.0) << "bin " << k;
        }
    }
}

TEST(ToneSum, SchroederPhasesKeepTheCrestFactorLow)
{
    // 32 harmonics of equal amplitude: in phase the crest factor is
    // sqrt(2 * 32) = 8; Schroeder's phases bring it near a sine's sqrt(2).
    constexpr int kLines = 32;
    constexpr int kPeriod = 4096;
    signal::ToneSumParams p;
    p.sampleRateHz = 48000;
    p.periodFrames = kPeriod;
    const std::vector<double> phases = signal::schroederPhases(kLines);
    for (int k = 1; k <= kLines; ++k)
        p.lines.push_back({48000.0 * 3 * k / kPeriod, 1.0, phases[static_cast<std::size_t>(k - 1)]});
    signal::ToneSum gen;
    gen.setSum(p, 1);
    const std::vector<double> x = framesOf(gen, 0, kPeriod);
    double peak = 0.0, power = 0.0;
    for (const double v : x) {
        peak = std::max(peak, std::fabs(v));
        power += v * v;
    }
    const double rms = std::sqrt(power / kPeriod);
    EXPECT_NEAR(rms, std::sqrt(kLines / 2.0), 1e-9);
    EXPECT_LT(peak / rms, 2.0);
}

TEST(ToneSum, ChecksRefuseWhatCannotBeMade)
{
    struct Case {
        const char* name;
        std::vector<double> freqs;
        std::int64_t period;
        bool ok;
    };
    const std::vector<Case> cases = {
        {"Plain", {100, 200}, 0, true},
        {"None", {}, 0, false},
        {"BelowOneHz", {0.5}, 0, false},
        {"AtHalfTheRate", {24000}, 0, false},
        {"SameCyclesWhenRounded", {1000, 1001}, 1024, false},
        {"RoundsToNoCycle", {10}, 1024, false},
        {"PeriodicDistinct", {1000, 2000}, 1024, true},
        {"TooMany", std::vector<double>(65, 1000.0), 0, false},
    };
    for (const Case& c : cases) {
        signal::ToneSumParams p;
        p.sampleRateHz = 48000;
        p.periodFrames = c.period;
        for (const double f : c.freqs)
            p.lines.push_back({f, 1.0, 0.0});
        EXPECT_EQ(signal::checkToneSum(p).empty(), c.ok) << c.name;
    }
}
