#pragma once

#include "signal/FrameGen.h"

#include <cstdint>
#include <string>

namespace corvane::signal {

// A linear sine sweep from startHz to stopHz over frameCount frames: with
// T = frameCount / fs, frame n is amplitude * sin(2 pi (F1 t + (F2 - F1) t^2 / (2 T)))
// at t = n / fs, the phase from that closed form for every frame. Frames
// past frameCount are silence.
struct LinSweepParams {
    std::int64_t frameCount = 0;
    double sampleRateHz = 48000.0;
    double startHz = 20.0;
    double stopHz = 20000.0;
    double amplitude = 1.0;
};

// Empty when the sweep can be generated, else why not: finite numbers, at
// least one frame, both ends from 0 Hz to below half the rate.
std::string checkLinSweepParams(const LinSweepParams& p);

// Frame n of the unit sweep's phase in turns, reduced to [0, 1).
double linSweepTurns(const LinSweepParams& p, std::int64_t n);

class LinSweepGen final : public FrameGen {
public:
    // Starts at frame 0; parameters that fail the check give silence.
    void setSweep(const LinSweepParams& p, int numCh);
    void fillFrames(std::int64_t first, double* out, int count) const override;

private:
    LinSweepParams params;
    bool valid = false;
};

} // namespace corvane::signal
