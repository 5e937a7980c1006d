#pragma once

#include "session/JobDescription.h"

#include <memory>
#include <vector>

namespace corvane::signal {
class Dither;
class TWaveProvider;
} // namespace corvane::signal

namespace corvane::session {

// The providers that make the signal: the generator, the fades around it and
// a count of the samples the integer formats clip. Built once per command.
class SignalChain {
public:
    // forLoop: the signal plays on past its length (a sweep starts again,
    // tones and noise run on; the fade-out is left out).
    // mayRewrite: the output can be thrown away and written again, so long
    // pink noise may take its level from the expected power (see levelHeld).
    SignalChain(const JobDescription& job, const JobPlan& plan, bool forLoop = false, bool mayRewrite = false);
    ~SignalChain();
    SignalChain(const SignalChain&) = delete;
    SignalChain& operator=(const SignalChain&) = delete;

    signal::TWaveProvider& provider();
    // Non-null when dither was asked for.
    signal::Dither* dither();
    // Samples at or beyond the integer format's full scale so far (sweeps and
    // noise; a tone's clipping is the level warning's business); read after
    // the writing or playing thread has finished.
    long long clippedSamples() const;

    // False when noise that took its level from the expected power missed
    // the target over the frames generated: the output is to be thrown away
    // and written again by a chain built without mayRewrite. Read after the
    // writing thread has finished.
    bool levelHeld() const;
    // Only before anything is generated, for an output that turns out to be
    // written directly: the level is decided by a measuring pass after all,
    // as a chain without mayRewrite decides it (the same samples).
    void measureLevel();

private:
    struct Parts;
    std::unique_ptr<Parts> parts;
};

// The sweep's inverse filter for --inverse: a mono provider of N frames at
// unit scale, to be written as 64-bit float.
std::unique_ptr<signal::TWaveProvider> makeInverseFilter(const JobDescription& job, const JobPlan& plan);
// Its N frames as values, for a deconvolution.
std::vector<double> inverseFilterValues(const JobDescription& job, const JobPlan& plan);

} // namespace corvane::session
