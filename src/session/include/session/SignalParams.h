#pragma once

#include "core/CodeSets.h"
#include "session/JobDescription.h"
#include "signal/BurstGen.h"
#include "signal/LinSweepGen.h"
#include "signal/NoiseGen.h"
#include "signal/PeriodicNoise.h"
#include "signal/SweepGen.h"
#include "signal/ToneSum.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

// A job's parameters in the generators' own terms, written once for the
// check and the chain.
namespace corvane::session {

inline bool isNoise(core::SignalKind kind)
{
    return kind == core::SignalKind::White || kind == core::SignalKind::Pink;
}

inline signal::SweepParams sweepParams(const JobDescription& job, std::int64_t frames, double amplitude)
{
    signal::SweepParams p;
    p.frameCount = frames;
    p.sampleRateHz = job.sampleRateHz;
    p.startHz = job.fromHz;
    p.stopHz = job.toHz;
    p.amplitude = amplitude;
    p.synchronised = job.synchronised;
    return p;
}

// mayRewrite: the output can be thrown away and written again, so long pink
// noise may take its level from the expected power.
inline signal::NoiseParams noiseParams(const JobDescription& job, const JobPlan& plan, bool mayRewrite)
{
    return {job.kind == core::SignalKind::Pink ? signal::NoiseColour::Pink : signal::NoiseColour::White,
            plan.signalFrames,
            static_cast<double>(job.sampleRateHz),
            plan.amplitude,
            job.seed,
            mayRewrite};
}

// Periodic noise: the period in frames, 65536 unless given; -1 for one
// that is not a whole number in int range.
inline signal::PeriodicNoiseParams periodicNoiseParams(const JobDescription& job, const JobPlan& plan)
{
    signal::PeriodicNoiseParams p;
    p.colour = job.kind == core::SignalKind::Pink ? signal::NoiseColour::Pink : signal::NoiseColour::White;
    const double v = job.period.value_or(65536.0);
    p.periodFrames = v >= 1.0 && v <= 2147483647.0 && v == std::trunc(v) ? static_cast<int>(v) : -1;
    p.amplitude = plan.amplitude;
    p.seed = job.seed;
    return p;
}

inline signal::LinSweepParams linSweepParams(const JobDescription& job, std::int64_t frames, double amplitude)
{
    signal::LinSweepParams p;
    p.frameCount = frames;
    p.sampleRateHz = job.sampleRateHz;
    p.startHz = job.fromHz;
    p.stopHz = job.toHz;
    p.amplitude = amplitude;
    return p;
}

inline signal::BurstParams burstParams(const JobDescription& job, double amplitude)
{
    signal::BurstParams p;
    p.sampleRateHz = job.sampleRateHz;
    p.freqHz = job.freqHz;
    p.cycles = job.cea2010 ? core::kCea2010Cycles : job.cycles;
    p.periodCycles = job.period.value_or(100.0);
    p.hann = job.cea2010 || job.window == core::BurstWindow::Hann;
    p.amplitude = amplitude;
    return p;
}

// A sine tone made as a sum of one line: only for a right channel shifted
// in phase (the plain tone keeps its own generator and bytes).
inline bool toneAsSum(const JobDescription& job)
{
    return job.kind == core::SignalKind::Tone && job.phaseDeg != 0.0;
}

inline bool isToneSum(const JobDescription& job)
{
    return job.kind == core::SignalKind::Multitone || job.kind == core::SignalKind::Imd || toneAsSum(job);
}

// The multitone's period in frames: --period, or the signal's length; 0
// when it is not periodic. -1 for a period that is not a whole number of
// frames from 4 up.
inline std::int64_t multitonePeriod(const JobDescription& job, const JobPlan& plan)
{
    if (!job.periodic)
        return 0;
    if (!job.period)
        return plan.signalFrames;
    const double v = *job.period;
    if (!(v >= 4.0 && v <= 2147483647.0) || v != std::trunc(v))
        return -1;
    return static_cast<std::int64_t>(v);
}

// Multitone: equal amplitudes whose RMS together is a sine's of the level,
// Schroeder's phases. Imd: the pair's amplitudes add up to the level's sine
// amplitude, in the preset's or the given ratio, both from phase 0.
inline signal::ToneSumParams toneSumParams(const JobDescription& job, const JobPlan& plan)
{
    signal::ToneSumParams p;
    p.sampleRateHz = job.sampleRateHz;
    const double a = plan.amplitude;
    if (job.kind == core::SignalKind::Multitone) {
        const auto n = static_cast<int>(job.tones.size());
        const std::vector<double> phases = signal::schroederPhases(n);
        for (int k = 0; k < n; ++k)
            p.lines.push_back({job.tones[static_cast<std::size_t>(k)], a / std::sqrt(static_cast<double>(n)),
                               phases[static_cast<std::size_t>(k)]});
        p.periodFrames = std::max<std::int64_t>(multitonePeriod(job, plan), 0);
    } else if (job.kind == core::SignalKind::Imd) {
        double low = 0.0, high = 0.0, ratio = job.ratio;
        if (job.imdPreset) {
            const core::ImdPresetInfo& row = core::kImdPresets[static_cast<std::size_t>(*job.imdPreset)];
            low = row.lowHz;
            high = row.highHz;
            ratio = row.ratio;
        } else if (job.tones.size() == 2) {
            low = job.tones[0];
            high = job.tones[1];
        }
        if (low > 0.0) {
            // The larger share rounded, the smaller one the exact rest, so
            // the two add up to the amplitude.
            double first = a * ratio / (ratio + 1.0);
            double second = a / (ratio + 1.0);
            if (ratio >= 1.0)
                second = a - first;
            else
                first = a - second;
            p.lines.push_back({low, first, 0.0});
            p.lines.push_back({high, second, 0.0});
        }
    } else {
        p.lines.push_back({job.freqHz, a, 0.0});
    }
    if (job.channels == 2)
        p.rightPhaseRad = job.phaseDeg * (3.141592653589793 / 180.0);
    return p;
}

// The largest magnitude the signal can take, as a multiple of the plan's
// amplitude, where that is known: so an output that cannot clip skips the
// count. Empty for noise and shaped tones.
inline std::optional<double> peakFactor(const JobDescription& job)
{
    using core::SignalKind;
    switch (job.kind) {
    case SignalKind::Sweep:
    case SignalKind::LinSweep:
    case SignalKind::Imd:
    case SignalKind::Burst:
    case SignalKind::Mls: return 1.0;
    case SignalKind::Multitone: return std::sqrt(static_cast<double>(job.tones.size()));
    default: return std::nullopt;
    }
}

} // namespace corvane::session
