#include "analysis/Fft.h"
#include "analysis/Deconvolution.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <vector>

namespace {

using corvane::analysis::RealFft;

std::vector<double> randomValues(std::size_t n, unsigned seed)
{
    std::mt19937 engine(seed);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    std::vector<double> v(n);
    for (double& x : v)
        x = uniform(engine);
    return v;
}

// Lengths whose halves take every radix kissfft has (4, 2, 3, 5) and a
// prime that takes its generic one.
class FftLengths : public ::testing::TestWithParam<std::size_t> {};

TEST_P(FftLengths, ForwardIsTheDftAndInverseGivesSizeTimesTheSignal)
{
    const std::size_t n = GetParam();
    const auto x = randomValues(n, static_cast<unsigned>(n));
    RealFft fft(n);
    std::vector<std::complex<double>> spectrum(fft.bins());
    auto input = x; // the transform works in its input
    fft.forward(input.data(), spectrum.data());
    for (std::size_t k = 0; k < fft.bins(); ++k) {
        std::complex<double> expected = 0.0;
        for (std::size_t m = 0; m < n; ++m)
            expected += x[m] * std::polar(1.0, -2.0 * std::numbers::pi * static_cast<double>(k * m % n) /
                                                   static_cast<double>(n));
        EXPECT_NEAR(std::abs(spectrum[k] - expected), 0.0, 1e-9 * static_cast<double>(n)) << "bin " << k;
    }
    std::vector<double> back(n);
    fft.inverse(spectrum.data(), back.data());
    for (std::size_t m = 0; m < n; ++m)
        EXPECT_NEAR(back[m], static_cast<double>(n) * x[m], 1e-9 * static_cast<double>(n)) << "frame " << m;
}

INSTANTIATE_TEST_SUITE_P(Lengths, FftLengths, ::testing::Values(2, 4, 6, 10, 30, 64, 2 * 7 * 11, 2000, 4802));

// Lengths long enough to be split into short transforms: a few bins against
// their sums, and the way back.
class LongFftLengths : public ::testing::TestWithParam<std::size_t> {};

TEST_P(LongFftLengths, SplitTransformsAgreeWithTheDft)
{
    const std::size_t n = GetParam();
    const auto x = randomValues(n, 3);
    RealFft fft(n);
    std::vector<std::complex<double>> spectrum(fft.bins());
    auto input = x;
    fft.forward(input.data(), spectrum.data());
    for (const std::size_t k :
         {std::size_t{0}, std::size_t{1}, std::size_t{7}, n / 6, n / 4 + 3, n / 2 - 1, n / 2}) {
        std::complex<double> expected = 0.0;
        for (std::size_t m = 0; m < n; ++m)
            expected += x[m] * std::polar(1.0, -2.0 * std::numbers::pi * static_cast<double>(k * m % n) /
                                                   static_cast<double>(n));
        EXPECT_NEAR(std::abs(spectrum[k] - expected), 0.0, 1e-9 * std::sqrt(static_cast<double>(n)))
            << "bin " << k;
    }
    std::vector<double> back(n);
    fft.inverse(spectrum.data(), back.data());
    double worst = 0.0;
    for (std::size_t m = 0; m < n; ++m)
        worst = std::max(worst, std::fabs(back[m] / static_cast<double>(n) - x[m]));
    EXPECT_LT(worst, 1e-12);
}

// Halves of 2^17, 3 * 5^2 * 2^12 and 2^9 * 997 (a prime factor: one transform).
INSTANTIATE_TEST_SUITE_P(Lengths, LongFftLengths,
                         ::testing::Values(std::size_t{1} << 18, std::size_t{2 * 3 * 25 * 4096},
                                           std::size_t{2 * 512 * 997}));

TEST(Fft, FastSizesAreEvenFiveSmoothAndNoShorterThanAsked)
{
    for (std::size_t want : {1u, 2u, 3u, 97u, 1000u, 4801u, 1048577u}) {
        const std::size_t n = RealFft::fastSize(want);
        EXPECT_GE(n, want);
        EXPECT_EQ(n % 2, 0u);
        std::size_t half = n / 2;
        for (std::size_t p : {2u, 3u, 5u})
            while (half % p == 0)
                half /= p;
        EXPECT_EQ(half, 1u) << n;
        EXPECT_LT(n, 2 * want + 16) << "far from the shortest";
    }
}

TEST(Deconvolution, IsTheLinearConvolution)
{
    const auto filter = randomValues(37, 1);
    const auto recording = randomValues(101, 2);
    corvane::analysis::SweepDeconvolver d(filter, static_cast<std::int64_t>(recording.size()));
    for (int pass = 0; pass < 2; ++pass) { // the filter's spectrum serves again
        std::copy(recording.begin(), recording.end(), d.recording());
        d.run();
        for (std::int64_t i = -3; i < d.fullFrames() + 3; ++i) {
            double expected = 0.0;
            for (std::int64_t j = 0; j < static_cast<std::int64_t>(filter.size()); ++j)
                if (i - j >= 0 && i - j < static_cast<std::int64_t>(recording.size()))
                    expected += filter[static_cast<std::size_t>(j)] * recording[static_cast<std::size_t>(i - j)];
            EXPECT_NEAR(d.full(i), expected, 1e-12) << "frame " << i;
        }
    }
}

} // namespace
