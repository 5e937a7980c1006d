#pragma once

#include "signal/FastSine.h"
#include "signal/TWaveProvider.h"

#include <cstdint>
#include <string>

namespace corvane::signal {

// An exponential sine sweep from startHz to stopHz over frameCount frames:
// with T = frameCount / sampleRateHz and L = T / ln(stopHz / startHz),
// frame n is amplitude * sin(2 pi startHz L (exp(n / (sampleRateHz L)) - 1)).
// Synchronised, L becomes round(startHz L) / startHz (at least 1 / startHz),
// so every harmonic's response lands a whole number of start periods ahead
// of the linear one; the frame count stays, so the sweep then ends near stopHz.
struct SweepParams {
    std::int64_t frameCount = 0;
    double sampleRateHz = 48000.0;
    double startHz = 20.0;
    double stopHz = 20000.0;
    double amplitude = 1.0;
    bool synchronised = false;
};

// The lowest start frequency accepted: below it a sweep of sensible length
// spends most of its time in the first few cycles.
inline constexpr double kMinSweepStartHz = 1.0;

// Empty when the sweep can be generated, else the reason it cannot, as a
// sentence for the user: non-finite numbers, a frame count below 1, a rate
// that is not positive, a start below kMinSweepStartHz, a stop not above
// the start or not below half the sampling rate.
std::string checkSweepParams(const SweepParams& p);

// L in seconds, the time the sweep takes to rise by a factor e; synchronised
// if asked. Only meaningful for parameters that pass checkSweepParams.
double sweepRateSeconds(const SweepParams& p);

// Frame n of the unit-amplitude sweep, from the closed form (not accumulated,
// so a frame does not depend on the frames before it). Within
// (t + 4) u (phi + 2 pi F1 L) + 1e-15 of the exactly evaluated closed form,
// with u = 2^-53, t = n / (fs L) and phi the frame's phase: below 2.3e-10 for
// a 10 s sweep to 20 kHz (the derivation is in SweepGen.cpp).
double unitSweepSample(const SweepParams& p, double rateSeconds, std::int64_t n);

// Frames first .. first + count - 1 of the sweep at p.amplitude, ignoring
// frameCount, with the kernel built for isa (the baseline where the CPU lacks
// it). Every path gives the same bits, and the same as unitSweepSample times
// the amplitude.
void sweepBlock(const SweepParams& p, double rateSeconds, std::int64_t first, double* out, int count, Isa isa);

// The factor that makes the linear convolution of the unit sweep with the
// inverse filter exactly 1 in magnitude at sqrt(startHz * stopHz). Takes one
// pass over the frames.
double inverseFilterGain(const SweepParams& p);

// Frames first .. first + count - 1 of the inverse filter: the unit sweep
// without fades, time-reversed, times exp(-m / (sampleRateHz L)) with m the
// frame in the inverse (so it falls 6 dB per octave towards the low end),
// times gain. Frames outside 0 .. frameCount - 1 are 0.
void fillInverseFilter(const SweepParams& p, double gain, std::int64_t first, double* out, int count);

// The sweep as a sample provider. Frames past frameCount are silence: the
// formula would climb past stopHz and on to the Nyquist limit.
// Used by one thread at a time; a fill takes nothing from the heap.
class SweepGen : public TWaveProvider {
public:
    static constexpr int kBlockSize = 16384;

    SweepGen();

    // Starts at frame 0. Parameters that fail checkSweepParams give silence.
    void setSweep(const SweepParams& p, int numCh);

    // Back to frame 0, for a player that loops the sweep.
    bool restart() override
    {
        nextFrame = 0;
        return true;
    }

    // Frames first .. first + count - 1 as the fills deliver them: a frame
    // depends on nothing but its number (while nobody calls setSweep).
    bool framesByNumber() const override { return true; }
    void fillFrames(std::int64_t first, double* out, int count) const override;
    std::int64_t takeFrames(int count) override
    {
        const std::int64_t first = nextFrame;
        nextFrame += count;
        return first;
    }

    using TWaveProvider::execStore;
    // -1113 when the generator was not set up for this channel layout; a
    // dataSize of 0 or less writes nothing. Any dataSize is accepted.
    int execStore(double* data, int dataSize) override;
    int execStore(double* left, double* right, int dataSize) override;

private:
    SweepParams params;
    double rateSeconds = 0.0;
    bool valid = false;
    std::int64_t nextFrame = 0;
};

// The inverse filter as a mono provider, so the writer can store it like any
// other signal (as 64-bit floats: its values are far below integer full scale).
// setSweep takes one pass over the frames to find the gain.
class SweepInverseGen : public TWaveProvider {
public:
    SweepInverseGen();

    // The amplitude of p is ignored: the inverse belongs to the unit sweep.
    void setSweep(const SweepParams& p);
    bool restart() override
    {
        nextFrame = 0;
        return true;
    }
    double gain() const { return filterGain; }

    using TWaveProvider::execStore;
    // Mono only: the stereo fill returns -1113.
    int execStore(double* data, int dataSize) override;
    int execStore(double* left, double* right, int dataSize) override;

private:
    SweepParams params;
    double filterGain = 0.0;
    bool valid = false;
    std::int64_t nextFrame = 0;
};

} // namespace corvane::signal
