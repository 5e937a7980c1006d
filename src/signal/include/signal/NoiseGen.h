#pragma once

#include "signal/PinkFilter.h"
#include "signal/TWaveProvider.h"
#include "signal/Xoshiro256.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace corvane::signal {

enum class NoiseColour { White, Pink };

struct NoiseParams {
    NoiseColour colour = NoiseColour::White;
    std::int64_t frameCount = 0; // the frames whose RMS is set exactly
    double sampleRateHz = 48000.0;
    double amplitude = 1.0; // the RMS becomes amplitude / sqrt(2), a sine's
    std::uint64_t seed = 1;
    // For a caller that can throw the output away and write it again (a
    // file, not a pipe): long pink noise then takes its level from the
    // expected power at once, without a measuring pass, and levelHeld() says
    // afterwards whether the frames written met the target. The samples are
    // the same either way (see NoiseGen).
    bool levelFromExpectation = false;
};

// The sampling rates the pink filter is designed and checked for.
inline constexpr double kMinNoiseRateHz = 8000.0;
inline constexpr double kMaxNoiseRateHz = 384000.0;

// Empty when the noise can be generated, else the reason it cannot, as a
// sentence for the user: non-finite numbers, a frame count below 1, a rate
// outside kMinNoiseRateHz to kMaxNoiseRateHz.
std::string checkNoiseParams(const NoiseParams& p);

// Frames from which white noise takes its level from the expected power
// instead of a measuring pass (about 87 s at 48 kHz).
inline constexpr std::int64_t kExpectedLevelFrames = std::int64_t{1} << 22;

// How far the RMS of long pink noise at the expected power's level may miss
// the target and still keep that level: 0.005 dB inside the ±0.05 dB
// promised. Checked on the unrounded samples.
inline constexpr double kLevelCheckDb = 0.045;

// The frames from which pink noise at a given correlation sum (see
// PinkFilter::correlationSum) takes its level from the expected power when
// that holds within kLevelCheckDb: its measured power then scatters by at
// most a third of kLevelCheckDb (one standard deviation), so about one seed in
// 370 misses at the shortest such length, one in 5000 at 1000 s at 48 kHz.
// About 645 s at 48 kHz and 249 s at 384 kHz; in frames the fewest,
// 10408812, for every rate from 8000 to about 28670 Hz (the same filter).
std::int64_t expectedLevelFrames(double correlationSum);

// Gaussian values by Marsaglia's polar method from the stream, batch by
// batch: every candidate pair takes the next two outputs of rng, as
// u = 2 d - 3 with d the output's top 52 bits as a double in [1, 2) (so u is
// a multiple of 2^-51 in [-1, 1)); pairs with s = u^2 + v^2 outside (0, 1)
// are dropped, the others give u f and v f in that order, with
// f = sqrt(-2 ln(s) / s) and the logarithm from FastMathKernel.h. Takes
// candidatePairs candidates, writes the values to out (room for
// 2 * candidatePairs) and returns how many it wrote. scratch needs room for
// 3 * candidatePairs. Every isa gives the same values.
int gaussianBatch(Xoshiro256& rng, int candidatePairs, double* scratch, double* out, Isa isa);
// The same values from the same outputs, made in blocks.
int gaussianBatch(XoshiroBlocks& rng, int candidatePairs, double* scratch, double* out, Isa isa);

// Gaussian white or pink noise at a given level.
//
// The stream: xoshiro256** from the seed into gaussianBatch; pink passes the
// values through PinkFilter, which first runs on the stream for five time
// constants of its lowest pole so the output starts settled.
//
// The level: the RMS over the frameCount frames is to be amplitude / sqrt(2).
// For pink noise, and for white noise below kExpectedLevelFrames, setNoise
// runs the whole stream once and sums the squares, then rewinds, and the
// fills scale the stream so that the RMS over those frames is the target up
// to rounding (for long pink noise that pass draws the Gaussian values on a
// second thread). White noise from kExpectedLevelFrames on takes the scale
// from its expected power, 1, and saves the pass: the measured power of N
// unit Gaussian values scatters with a relative standard deviation of
// sqrt(2 / N), 0.003 dB at 2^22 frames, so ±0.05 dB is 17 standard
// deviations away. Pink noise keeps the pass: its power scatters with
// sqrt(2 S / N), S the sum of the squared normalised autocorrelation (185 at
// 48 kHz, 570 at 384 kHz, from the filter's response), which leaves ±0.05 dB
// only about 4 standard deviations away even at 1000 s at 48 kHz. So pink
// noise from expectedLevelFrames on keeps the expected power's level when the whole
// stream's power is within kLevelCheckDb of it, and takes the measured level
// when it is not: a choice that depends on the seed and the options alone,
// made from squares summed in eight lanes by frame number, so every block
// size and every caller sums them alike. The measuring pass decides it up
// front; with levelFromExpectation the fills sum the squares of what they
// generate instead, and levelHeld() gives the verdict once frameCount frames
// have been generated: a caller told no writes the noise again from a fresh
// generator (or, before generating anything, calls measureLevel()), which
// gives the measured level.
//
// Frames past frameCount continue the stream at the same scale. Samples do
// not depend on the block sizes asked for. Used by one thread at a time; a
// fill takes nothing from the heap.
//
// From kPipelinedFrames on, the fills take the Gaussian values from a second
// thread that draws them a few buffers ahead (started by the first fill,
// stopped by restart, setNoise or the destructor), so drawing them and
// filtering and scaling them run on two cores. The values and their order
// are the same either way.
class NoiseGen : public TWaveProvider {
public:
    static constexpr int kBlockSize = 16384;

    NoiseGen();
    ~NoiseGen() override;
    NoiseGen(const NoiseGen&) = delete;
    NoiseGen& operator=(const NoiseGen&) = delete;

    // Parameters that fail checkNoiseParams give silence.
    void setNoise(const NoiseParams& p, int numCh);

    // Back to frame 0 of the same stream, for a player that loops the noise.
    bool restart() override;

    // The factor from the unit-variance stream to the output.
    double scale() const { return outputScale; }

    // Whether the level came from the expected power unchecked, to be
    // checked as the frames are generated.
    bool levelFromExpectation() const { return checking; }
    // True unless the level is being checked and the frameCount frames
    // generated since the last restart (all of them, or the check fails)
    // miss the target by more than kLevelCheckDb.
    bool levelHeld() const;
    // The power of the frames summed so far over the expected power of
    // frameCount frames: the quantity levelHeld() judges.
    double levelRatio() const;
    // Before anything is generated, for an output that cannot be written
    // again: runs the measuring pass now and takes the level a generator
    // without levelFromExpectation would, starting the stream again.
    void measureLevel();

    using TWaveProvider::execStore;
    // -1113 when the generator was not set up for this channel layout; a
    // dataSize of 0 or less writes nothing. Any dataSize is accepted.
    int execStore(double* data, int dataSize) override;
    int execStore(double* left, double* right, int dataSize) override;
    // Stereo noise is one signal on both channels.
    bool identicalChannels() const override { return numCh == 2; }
    int execStoreIdentical(double* data, int dataSize) override;

private:
    struct ReadAhead;

    // count values of the Gaussian stream into out.
    void drawGaussians(double* out, int count);
    // The same values through the read-ahead thread, started if need be;
    // pink noise gets them filtered.
    void takeGaussians(double* out, int count);
    void stopReadAhead();
    // count unscaled values (Gaussian, or pink) into out.
    void unscaled(double* out, int count);
    // The stream's sum of squares over frameCount frames; lanes: also into
    // the level check's lanes.
    double sumSquaresOfStream(bool lanes);
    double pipelinedSumSquares(bool lanes);
    void generate(double* out, int count);
    // One array's worth for a layout of this many channels, or -1113.
    int fill(double* data, int dataSize, int channels);
    // The measuring pass; decides between the expected and the measured
    // level when the noise is long enough for the expected one.
    void setMeasuredScale();
    // The squares of x's frames the level check still counts (the first
    // ones, up to frameCount) into its lanes; with out, those frames times
    // scale into out too (out may be x). Returns how many it took.
    int noteSquares(const double* x, int count, double* out = nullptr, double scale = 1.0);
    bool ratioHolds() const;

    NoiseParams params;
    XoshiroBlocks rng{1};
    std::optional<PinkFilter> pink;
    std::vector<double> scratch;
    std::vector<double> gaussians;
    int gaussianAt = 0;
    int gaussianCount = 0;
    double outputScale = 0.0;
    // The level check: squares of the unscaled stream, in eight lanes by the
    // frame's index modulo 8, so the sum does not depend on the block sizes.
    bool checking = false;
    double expectedScale = 0.0; // 0 for noise too short for the expected level
    double laneSquares[8] = {};
    std::int64_t checkedFrames = 0;
    std::unique_ptr<ReadAhead> ahead; // while it runs, only its thread draws from rng
};

} // namespace corvane::signal
