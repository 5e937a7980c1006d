#pragma once

#include "signal/FrameGen.h"
#include "signal/NoiseGen.h"

#include <cstdint>
#include <string>
#include <vector>

namespace corvane::signal {

struct PeriodicNoiseParams {
    NoiseColour colour = NoiseColour::White;
    int periodFrames = 65536; // a power of two
    double amplitude = 1.0; // the RMS over a period becomes amplitude / sqrt(2), a sine's
    std::uint64_t seed = 1;
};

inline constexpr int kMinNoisePeriod = 1 << 10;
inline constexpr int kMaxNoisePeriod = 1 << 20;

// Empty when the noise can be made, else why not: a period that is a power
// of two from kMinNoisePeriod to kMaxNoisePeriod, a finite amplitude.
std::string checkPeriodicNoise(const PeriodicNoiseParams& p);

// Noise for analysers that average over a fixed transform length: one
// period of N frames repeated exactly. The period is the sum of a sine on
// every bin k fs / N from k = 1 to N/2 - 1, of equal amplitude (white) or
// amplitude proportional to 1 / sqrt(k) (pink: power falling as 1 / f), each
// with a phase drawn as a uniform number of turns from xoshiro256** of the
// seed, bin by bin upwards; made by an inverse FFT and scaled so the RMS
// over the period is exact. Nothing lies at 0 Hz or at half the rate.
class PeriodicNoise final : public FrameGen {
public:
    // Parameters that fail the check give silence.
    void setNoise(const PeriodicNoiseParams& p, int numCh);
    void fillFrames(std::int64_t first, double* out, int count) const override;

private:
    std::vector<double> period;
};

} // namespace corvane::signal
