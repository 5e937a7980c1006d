#pragma once

#include "signal/FrameGen.h"

#include <cstdint>
#include <string>

namespace corvane::signal {

// Tone bursts: a sine of freqHz starting at phase 0, on for `cycles` cycles
// out of every `periodCycles`, silence between. With the Hann window a
// burst is shaped by 0.5 (1 - cos(2 pi c / cycles)), c the cycles into the
// burst, so a frame that falls on a burst's first or last instant is 0.
struct BurstParams {
    double sampleRateHz = 48000.0;
    double freqHz = 1000.0;
    double cycles = 10.0;
    double periodCycles = 100.0;
    bool hann = false;
    double amplitude = 1.0;
};

// Empty when the bursts can be generated, else why not: finite numbers, a
// frequency from 1 Hz to below half the rate, at least half a cycle per
// burst and a period no shorter than the burst.
std::string checkBurstParams(const BurstParams& p);

class BurstGen final : public FrameGen {
public:
    void setBurst(const BurstParams& p, int numCh);
    void fillFrames(std::int64_t first, double* out, int count) const override;

private:
    BurstParams params;
    bool valid = false;
};

} // namespace corvane::signal
