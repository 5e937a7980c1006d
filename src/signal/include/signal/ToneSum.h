#pragma once

#include "signal/TWaveProvider.h"

#include <cstdint>
#include <string>
#include <vector>

namespace corvane::signal {

// One sine of a sum: amplitude * sin(2 pi f n / fs + phase).
struct ToneLine {
    double freqHz = 1000.0;
    double amplitude = 0.0;
    double phaseRad = 0.0;
};

struct ToneSumParams {
    std::vector<ToneLine> lines;
    double sampleRateHz = 48000.0;
    // Above 0: the sum repeats exactly every periodFrames frames; each line
    // then runs round(f periodFrames / fs) whole cycles per period, its phase
    // taken from that whole number and the frame modulo the period, so every
    // period is bit for bit the first.
    std::int64_t periodFrames = 0;
    // Added to every line's phase on the right channel of a stereo sum.
    double rightPhaseRad = 0.0;
};

inline constexpr int kMaxToneLines = 64;

// Empty when the sum can be generated, else why not, as a sentence for the
// user: 1 to kMaxToneLines lines, finite numbers, every frequency at least
// 1 Hz and below half the rate; periodic, every line at least one and below
// half the period's cycles, no two on the same number of cycles.
std::string checkToneSum(const ToneSumParams& p);

// Cycles per period of a periodic line: round(f periodFrames / fs).
std::int64_t cyclesPerPeriod(double freqHz, double sampleRateHz, std::int64_t periodFrames);

// Schroeder's phases for n lines of equal amplitude, which keep the crest
// factor of the sum low: line k (from 1) gets -pi k (k - 1) / n.
std::vector<double> schroederPhases(int n);

// A sum of sines. The phase of each line and frame comes from the frame
// number (the turns f n / fs with the product's rounding put back, or whole
// cycles modulo the period), never accumulated, so a frame depends on its
// number alone. With a right-channel phase the channels differ and the
// frames are computed per channel.
class ToneSum final : public TWaveProvider {
public:
    static constexpr int kBlockSize = 16384;

    ToneSum();
    // Parameters that fail checkToneSum give silence.
    void setSum(const ToneSumParams& p, int numCh);

    bool restart() override
    {
        nextFrame = 0;
        return true;
    }
    bool framesByNumber() const override { return !shifted(); }
    void fillFrames(std::int64_t first, double* out, int count) const override;
    std::int64_t takeFrames(int count) override
    {
        const std::int64_t first = nextFrame;
        nextFrame += count;
        return first;
    }
    bool identicalChannels() const override { return numCh == 2 && !shifted(); }

    using TWaveProvider::execStore;
    int execStore(double* data, int dataSize) override;
    int execStore(double* left, double* right, int dataSize) override;
    int execStoreIdentical(double* data, int dataSize) override;

private:
    bool shifted() const { return params.rightPhaseRad != 0.0; }
    void fill(std::int64_t first, double* out, int count, double extraPhase) const;

    ToneSumParams params;
    std::vector<std::int64_t> cycles; // periodic: each line's cycles per period
    bool valid = false;
    std::int64_t nextFrame = 0;
};

} // namespace corvane::signal
