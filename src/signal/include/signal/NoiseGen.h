#pragma once

#include "signal/PinkFilter.h"
#include "signal/TWaveProvider.h"
#include "signal/Xoshiro256.h"

#include <cstdint>
#include <optional>
#include <string>

namespace corvane::signal {

enum class NoiseColour { White, Pink };

struct NoiseParams {
    NoiseColour colour = NoiseColour::White;
    std::int64_t frameCount = 0;   // the frames whose RMS is set exactly
    double sampleRateHz = 48000.0;
    double amplitude = 1.0;        // the RMS becomes amplitude / sqrt(2), a sine's
    std::uint64_t seed = 1;
};

// The sampling rates the pink filter is designed and checked for.
inline constexpr double kMinNoiseRateHz = 8000.0;
inline constexpr double kMaxNoiseRateHz = 384000.0;

// Empty when the noise can be generated, else the reason it cannot, as a
// sentence for the user: non-finite numbers, a frame count below 1, a rate
// outside kMinNoiseRateHz to kMaxNoiseRateHz.
std::string checkNoiseParams(const NoiseParams& p);

// Gaussian white or pink noise at an exact level.
//
// The stream: xoshiro256** from the seed, 53-bit uniform doubles, Gaussian
// pairs by Marsaglia's polar method; pink passes them through PinkFilter,
// which first runs on the stream for five time constants of its lowest pole
// so the output starts settled.
//
// The level: setNoise runs the whole stream of frameCount frames once and
// sums the squares, then rewinds; the fills scale the same stream so that
// the RMS over those frames is amplitude / sqrt(2) up to rounding. Two
// passes cost one extra generation and make the level exact at every length,
// where a scale from the expected power would miss by the noise's own
// scatter (several tenths of a dB for short pink files).
//
// Frames past frameCount continue the stream at the same scale. Samples do
// not depend on the block sizes asked for. Used by one thread at a time; a
// fill takes nothing from the heap.
class NoiseGen : public TWaveProvider {
public:
    static constexpr int kBlockSize = 16384;

    NoiseGen();

    // Parameters that fail checkNoiseParams give silence.
    void setNoise(const NoiseParams& p, int numCh);

    // Back to frame 0 of the same stream, for a player that loops the noise.
    void restart();

    // The factor from the unit-variance stream to the output.
    double scale() const { return outputScale; }

    using TWaveProvider::execStore;
    // -1113 when the generator was not set up for this channel layout; a
    // dataSize of 0 or less writes nothing. Any dataSize is accepted.
    int execStore(double* data, int dataSize) override;
    int execStore(double* left, double* right, int dataSize) override;

private:
    double nextGaussian();
    double nextUnscaled();
    void generate(double* out, int count);

    NoiseParams params;
    Xoshiro256 rng{1};
    std::optional<PinkFilter> pink;
    double spareGaussian = 0.0;
    bool hasSpare = false;
    double outputScale = 0.0;
};

} // namespace corvane::signal
