#pragma once

#include "signal/TWaveProvider.h"

#include <cstdint>

namespace corvane::signal {

// Digital silence around a signal: `before` frames of zeros, then `length`
// frames of the source, then zeros for good. The source is asked only for
// its own frames, so its first frame is the padded signal's frame `before`.
class Padding final : public TWaveProvider {
public:
    Padding(TWaveProvider& source, int numCh, std::int64_t before, std::int64_t length);

    bool restart() override;
    bool identicalChannels() const override { return numCh == 2 && source.identicalChannels(); }
    bool framesByNumber() const override { return source.framesByNumber(); }
    void fillFrames(std::int64_t first, double* out, int count) const override;
    std::int64_t takeFrames(int count) override
    {
        const std::int64_t first = position;
        position += count;
        return first;
    }
    int getMaxBlockSize(char dataType, int channelCount) override
    {
        return source.getMaxBlockSize(dataType, channelCount);
    }

    using TWaveProvider::execStore;
    int execStore(double* data, int dataSize) override;
    int execStore(double* left, double* right, int dataSize) override;
    int execStoreIdentical(double* data, int dataSize) override;

private:
    // The layouts of the three fills; left stands for both channels when
    // identical.
    enum class Layout { Mono, Stereo, Identical };
    int fill(double* left, double* right, int dataSize, Layout layout);

    TWaveProvider& source;
    std::int64_t before;
    std::int64_t length;
    std::int64_t position = 0;
};

} // namespace corvane::signal
