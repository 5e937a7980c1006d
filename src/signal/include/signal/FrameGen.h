#pragma once

#include "signal/TWaveProvider.h"

#include <cstdint>

namespace corvane::signal {

// A generator whose frame depends on its number alone, the same on both
// channels: a subclass computes frames (fillFrames) and this class does the
// fills, the position and the capabilities. Used by one thread at a time
// for the fills; fillFrames may run on several at once.
class FrameGen : public TWaveProvider {
public:
    static constexpr int kBlockSize = 16384;

    bool restart() override
    {
        nextFrame = 0;
        return true;
    }

    bool framesByNumber() const override { return true; }
    std::int64_t takeFrames(int count) override
    {
        const std::int64_t first = nextFrame;
        nextFrame += count;
        return first;
    }

    using TWaveProvider::execStore;
    // -1113 when the generator was not set up for this channel layout; a
    // dataSize of 0 or less writes nothing.
    int execStore(double* data, int dataSize) override;
    int execStore(double* left, double* right, int dataSize) override;
    bool identicalChannels() const override { return numCh == 2; }
    int execStoreIdentical(double* data, int dataSize) override;

protected:
    FrameGen() { maxBlockSize = kBlockSize; }
    // Starts at frame 0.
    void setChannels(int channels)
    {
        numCh = channels;
        nextFrame = 0;
    }

    std::int64_t nextFrame = 0;
};

// The fractional part of a * b / d for a, b >= 0 and d > 0: the product
// with its rounding error (a fused multiply-add gives it exactly), reduced
// modulo d exactly by fmod before the one division. So a phase in turns
// keeps its precision however many turns lie before it: f n / fs is as
// exact at frame 10^9 as at frame 1. In [0, 1).
double turnsOf(double a, double b, double d);

} // namespace corvane::signal
