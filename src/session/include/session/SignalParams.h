#pragma once

#include "core/CodeSets.h"
#include "session/JobSpec.h"
#include "signal/NoiseGen.h"
#include "signal/SweepGen.h"

#include <cstdint>

// A job's parameters in the generators' own terms, written once for the
// check and the chain.
namespace corvane::session {

inline bool isNoise(core::SignalKind kind)
{
    return kind == core::SignalKind::White || kind == core::SignalKind::Pink;
}

inline signal::SweepParams sweepParams(const JobSpec& job, std::int64_t frames, double amplitude)
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
inline signal::NoiseParams noiseParams(const JobSpec& job, const JobPlan& plan, bool mayRewrite)
{
    return {job.kind == core::SignalKind::Pink ? signal::NoiseColour::Pink : signal::NoiseColour::White,
            plan.frames,
            static_cast<double>(job.sampleRateHz),
            plan.amplitude,
            job.seed,
            mayRewrite};
}

} // namespace corvane::session
