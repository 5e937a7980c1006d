#pragma once

#include <cstdint>

// How noise takes its level: when the expected power may stand in for a
// measuring pass, and the check that the frames generated met it.
namespace corvane::signal {

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

// The level check: the squares of the unscaled stream's first frames, in
// eight lanes by the frame's index modulo 8, so the sum does not depend on
// the block sizes the stream comes in.
class LevelCheck {
public:
    void reset();

    // The squares of x's frames the check still counts (the first ones, up
    // to frames in all) into its lanes; with out, those frames times scale
    // into out too (out may be x). Returns how many it took.
    int note(const double* x, int count, std::int64_t frames, double* out = nullptr, double scale = 1.0);

    std::int64_t checkedFrames() const { return checked; }
    // The power of the frames summed so far over expectedPower, the expected
    // power of all frames.
    double ratio(double expectedPower) const;
    // Whether a power ratio is within ±kLevelCheckDb.
    static bool holds(double ratio);

private:
    double lanes[8] = {};
    std::int64_t checked = 0;
};

// out = x times scale, count values; with lanes, also the squares of x into
// the eight lanes (x[0] into lane 0), count then a multiple of eight and out
// may be null. out may be x.
void scaleNotingSquares(const double* x, double* out, int count, double scale, double* lanes);

} // namespace corvane::signal
