// Tone bursts frame by frame against the closed form: the cycles on, the
// silence between, the Hann window's zeros at both ends of each burst, and
// the maximum-output preset's 6.5 Hann-windowed cycles.

#include "signal/BurstGen.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

using namespace corvane;

TEST(BurstGen, BurstsAndSilenceFrameByFrame)
{
    struct Case {
        const char* name;
        double cycles;
        double period;
        bool hann;
    };
    // 1 kHz at 48 kHz: 48 frames a cycle, so every burst starts and ends on a frame.
    const std::vector<Case> cases = {
        {"Plain", 4, 10, false},
        {"Hann", 4, 10, true},
        {"Cea2010", 6.5, 20, true},
        {"BackToBack", 3, 3, false},
    };
    constexpr int kPerCycle = 48;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        signal::BurstParams p;
        p.sampleRateHz = 48000;
        p.freqHz = 1000;
        p.cycles = c.cycles;
        p.periodCycles = c.period;
        p.hann = c.hann;
        p.amplitude = 0.8;
        ASSERT_EQ(signal::checkBurstParams(p), "");
        signal::BurstGen gen;
        gen.setBurst(p, 1);
        const auto on = static_cast<int>(c.cycles * kPerCycle);
        const auto period = static_cast<int>(c.period * kPerCycle);
        const int frames = 3 * period;
        std::vector<double> x(static_cast<std::size_t>(frames));
        gen.fillFrames(0, x.data(), frames);
        int rising = 0; // upward zero crossings in the first burst
        for (int n = 0; n < frames; ++n) {
            const int m = n % period;
            const double v = x[static_cast<std::size_t>(n)];
            if (m > on) {
                ASSERT_EQ(v, 0.0) << "frame " << n;
                continue;
            }
            const double w = c.hann ? 0.5 * (1.0 - std::cos(2.0 * M_PI * m / on)) : 1.0;
            ASSERT_NEAR(v, 0.8 * w * std::sin(2.0 * M_PI * (m % kPerCycle) / kPerCycle), 1e-12) << "frame " << n;
            if (c.hann && (m == 0 || m == on)) {
                ASSERT_EQ(v, 0.0) << "burst edge at frame " << n;
            }
            if (n < on && n > 0 && x[static_cast<std::size_t>(n - 1)] <= 0.0 && v > 0.0)
                ++rising;
        }
        // A burst of N cycles from phase 0 rises from zero ceil(N) times,
        // the first at its start.
        EXPECT_EQ(rising, static_cast<int>(std::ceil(c.cycles)));
    }
}

TEST(BurstGen, ChecksRefuseWhatCannotBeMade)
{
    struct Case {
        const char* name;
        double freq, cycles, period;
        bool ok;
    };
    const std::vector<Case> cases = {
        {"Plain", 1000, 10, 100, true},    {"PeriodShorterThanBurst", 1000, 10, 9, false},
        {"NoCycles", 1000, 0, 10, false},  {"AtHalfTheRate", 24000, 1, 10, false},
        {"BelowOneHz", 0.5, 1, 10, false}, {"NotFinite", 1000, INFINITY, INFINITY, false},
    };
    for (const Case& c : cases) {
        signal::BurstParams p;
        p.freqHz = c.freq;
        p.cycles = c.cycles;
        p.periodCycles = c.period;
        EXPECT_EQ(signal::checkBurstParams(p).empty(), c.ok) << c.name;
    }
}
