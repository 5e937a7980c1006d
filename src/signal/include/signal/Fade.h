#pragma once

#include "signal/TWaveProvider.h"

#include <cstdint>
#include <string>

namespace corvane::signal {

// Frames a fade of the given length covers: seconds * sampleRateHz rounded
// to the nearest frame. -1 when the product is not finite, negative or too
// large for a frame count.
std::int64_t fadeFrameCount(double seconds, double sampleRateHz);

// Empty when fades of these lengths fit a signal of frameCount frames, else
// the reason they do not, as a sentence for the user. The fade-in and the
// fade-out together may not be longer than the signal, so they never overlap.
std::string checkFades(double fadeInSeconds, double fadeOutSeconds, double sampleRateHz, std::int64_t frameCount);

// Raised-cosine fades over the output of another provider: the gain rises
// from 0 to 1 over the first fadeInFrames frames and falls from 1 to 0 over
// the last fadeOutFrames frames of frameCount, so the first frame of a
// fade-in and the last frame of a fade-out are exactly 0. With a fade-out,
// frames past frameCount are 0; without one they pass unchanged.
//
// The source is not owned and must outlive the fade. Used by one thread at a
// time, like its source.
class Fade : public TWaveProvider {
public:
    // The fade counts must fit the frame count (see checkFades); numCh is the
    // source's channel count.
    Fade(TWaveProvider& source, int numCh, std::int64_t frameCount, std::int64_t fadeInFrames,
         std::int64_t fadeOutFrames);

    // Back to frame 0, with the source.
    bool restart() override
    {
        nextFrame = 0;
        return source.restart();
    }

    // The gain at a frame, for any frame number.
    double gainAt(std::int64_t frame) const;

    using TWaveProvider::execStore;
    // The source's result; -1113 for the other channel layout.
    int execStore(double* data, int dataSize) override;
    int execStore(double* left, double* right, int dataSize) override;
    int getMaxBlockSize(char dataType, int numCh) override;
    // The same gain on both channels keeps them identical.
    bool identicalChannels() const override { return numCh == 2 && source.identicalChannels(); }
    int execStoreIdentical(double* data, int dataSize) override;

private:
    void applyGain(double* left, double* right, int count, std::int64_t first) const;
    // The source's result, after the gain went onto what it filled.
    int faded(int result, double* left, double* right, int dataSize);

    TWaveProvider& source;
    std::int64_t frames;
    std::int64_t fadeIn;
    std::int64_t fadeOut;
    std::int64_t nextFrame = 0;
};

} // namespace corvane::signal
