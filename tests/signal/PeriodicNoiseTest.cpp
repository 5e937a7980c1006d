// Periodic noise: every period the same bits, nothing between the bins of
// the period (a direct DFT over two periods, whose odd bins lie between
// them), the level over a period, and the pink slope per octave.

#include "signal/PeriodicNoise.h"
#include "signal/PowerBands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <vector>

using namespace corvane;
using signal::NoiseColour;

namespace {

std::vector<double> framesOf(const signal::PeriodicNoise& gen, std::int64_t first, int count)
{
    std::vector<double> x(static_cast<std::size_t>(count));
    gen.fillFrames(first, x.data(), count);
    return x;
}

signal::PeriodicNoiseParams params(NoiseColour colour, int period, std::uint64_t seed = 1)
{
    signal::PeriodicNoiseParams p;
    p.colour = colour;
    p.periodFrames = period;
    p.amplitude = 0.5;
    p.seed = seed;
    return p;
}

} // namespace

TEST(PeriodicNoise, RepeatsExactlyWithNothingBetweenItsBins)
{
    constexpr int kPeriod = 1024;
    for (const NoiseColour colour : {NoiseColour::White, NoiseColour::Pink}) {
        SCOPED_TRACE(colour == NoiseColour::Pink ? "pink" : "white");
        signal::PeriodicNoise gen;
        gen.setNoise(params(colour, kPeriod), 1);
        const std::vector<double> x = framesOf(gen, 0, 2 * kPeriod);
        EXPECT_EQ(framesOf(gen, 7 * kPeriod, kPeriod), std::vector<double>(x.begin(), x.begin() + kPeriod));

        double power = 0.0;
        for (int i = 0; i < kPeriod; ++i)
            power += x[static_cast<std::size_t>(i)] * x[static_cast<std::size_t>(i)];
        EXPECT_NEAR(std::sqrt(power / kPeriod), 0.5 / std::sqrt(2.0), 1e-12);

        // Bins of the two-period DFT: even ones are the period's bins, odd
        // ones lie between them. Nothing at 0 Hz or half the rate either.
        const int n = 2 * kPeriod;
        std::vector<std::complex<double>> twiddle(static_cast<std::size_t>(n));
        for (int k = 0; k < n; ++k)
            twiddle[static_cast<std::size_t>(k)] = std::polar(1.0, -2.0 * M_PI * k / n);
        std::vector<double> mag(static_cast<std::size_t>(n / 2 + 1));
        for (int k = 0; k <= n / 2; ++k) {
            std::complex<double> sum = 0.0;
            for (int i = 0; i < n; ++i)
                sum += x[static_cast<std::size_t>(i)] *
                       twiddle[static_cast<std::size_t>((static_cast<std::int64_t>(k) * i) % n)];
            mag[static_cast<std::size_t>(k)] = std::abs(sum);
        }
        const double strongest = *std::max_element(mag.begin(), mag.end());
        for (int k = 0; k <= n / 2; ++k) {
            const bool line = k % 2 == 0 && k != 0 && k != n / 2;
            const double db = 20.0 * std::log10(std::max(mag[static_cast<std::size_t>(k)], 1e-300) / strongest);
            if (line) {
                EXPECT_GT(db, colour == NoiseColour::Pink ? -40.0 : -1e-6) << "bin " << k;
            } else {
                EXPECT_LT(db, -200.0) << "bin " << k;
            }
        }
    }
}

TEST(PeriodicNoise, OctaveBandsFollowTheColour)
{
    struct Case {
        NoiseColour colour;
        double dbPerOctave;
    };
    const Case cases[] = {{NoiseColour::Pink, -3.0103}, {NoiseColour::White, 0.0}};
    constexpr int kPeriod = 1 << 16;
    constexpr double kFs = 48000.0;
    for (const Case& c : cases) {
        signal::PeriodicNoise gen;
        gen.setNoise(params(c.colour, kPeriod, 7), 1);
        const std::vector<double> power = spectrum::powerSpectrum(framesOf(gen, 0, kPeriod), kPeriod);
        // Octaves from 50 Hz up to fs / 4: the mean power of their bins.
        double previous = 0.0;
        for (double lo = 50.0; 2.0 * lo <= kFs / 4.0; lo *= 2.0) {
            const double level = 10.0 * std::log10(spectrum::meanPower(power, kFs, kPeriod, lo, 2.0 * lo));
            if (lo > 50.0) {
                EXPECT_NEAR(level - previous, c.dbPerOctave, 0.1) << lo << " Hz";
            }
            previous = level;
        }
    }
}

TEST(PeriodicNoise, SeedsGiveTheirOwnNoiseAndBadPeriodsAreRefused)
{
    signal::PeriodicNoise a, b, c;
    a.setNoise(params(NoiseColour::White, 1024, 1), 1);
    b.setNoise(params(NoiseColour::White, 1024, 1), 1);
    c.setNoise(params(NoiseColour::White, 1024, 2), 1);
    EXPECT_EQ(framesOf(a, 0, 1024), framesOf(b, 0, 1024));
    EXPECT_NE(framesOf(a, 0, 1024), framesOf(c, 0, 1024));
    for (const int period : {512, 1000, 3 << 10, 1 << 21})
        EXPECT_NE(signal::checkPeriodicNoise(params(NoiseColour::Pink, period)), "") << period;
    for (const int period : {1 << 10, 1 << 20})
        EXPECT_EQ(signal::checkPeriodicNoise(params(NoiseColour::Pink, period)), "") << period;
}
