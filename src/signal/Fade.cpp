#include "signal/Fade.h"

#include "core/ResultCodes.h"

#include <cmath>
#include <sstream>

namespace corvane::signal {
namespace {

constexpr double kPi = 3.141592653589793;

// 0.5 - 0.5 cos(pi k / length): exactly 0 at k = 0, since cos(0) is exactly 1.
double raisedCosine(std::int64_t k, std::int64_t length)
{
    return 0.5 - 0.5 * std::cos(kPi * static_cast<double>(k) / static_cast<double>(length));
}

std::string seconds(double s)
{
    std::ostringstream o;
    o << s << " s";
    return o.str();
}

} // namespace

std::int64_t fadeFrameCount(double seconds, double sampleRateHz)
{
    const double frames = std::round(seconds * sampleRateHz);
    // 2^62 leaves room for adding two counts.
    if (!std::isfinite(frames) || frames < 0.0 || frames > 4.611686018427387904e18)
        return -1;
    return static_cast<std::int64_t>(frames);
}

std::string checkFades(double fadeInSeconds, double fadeOutSeconds, double sampleRateHz, std::int64_t frameCount)
{
    if (!std::isfinite(fadeInSeconds) || !std::isfinite(fadeOutSeconds))
        return "Fade lengths must be finite numbers.";
    if (fadeInSeconds < 0.0 || fadeOutSeconds < 0.0)
        return "Fade lengths cannot be negative.";
    const std::int64_t in = fadeFrameCount(fadeInSeconds, sampleRateHz);
    const std::int64_t out = fadeFrameCount(fadeOutSeconds, sampleRateHz);
    if (in < 0 || out < 0 || in + out > frameCount)
        return "The fades (" + seconds(fadeInSeconds) + " in, " + seconds(fadeOutSeconds) +
               " out) are longer than the signal (" + seconds(static_cast<double>(frameCount) / sampleRateHz) +
               ").";
    return {};
}

Fade::Fade(TWaveProvider& src, int channels, std::int64_t frameCount, std::int64_t fadeInFrames,
           std::int64_t fadeOutFrames)
    : source(src), frames(frameCount), fadeIn(fadeInFrames), fadeOut(fadeOutFrames)
{
    numCh = channels;
}

double Fade::gainAt(std::int64_t frame) const
{
    if (frame < 0)
        return 0.0;
    if (fadeOut > 0 && frame >= frames)
        return 0.0;
    double gain = 1.0;
    if (frame < fadeIn)
        gain = raisedCosine(frame, fadeIn);
    if (fadeOut > 0 && frame >= frames - fadeOut)
        gain *= raisedCosine(frames - 1 - frame, fadeOut);
    return gain;
}

void Fade::applyGain(double* left, double* right, int count, std::int64_t first) const
{
    // Only frames inside a fade need work; the middle passes untouched. Both
    // channels of a frame take one gain, computed once.
    for (int i = 0; i < count; ++i) {
        const std::int64_t frame = first + i;
        if (frame >= fadeIn && (fadeOut == 0 ? true : frame < frames - fadeOut))
            continue;
        const double gain = gainAt(frame);
        left[i] *= gain;
        if (right != nullptr)
            right[i] *= gain;
    }
}

int Fade::faded(int result, double* left, double* right, int dataSize)
{
    if (result < 0 || dataSize <= 0)
        return result;
    applyGain(left, right, dataSize, nextFrame);
    nextFrame += dataSize;
    return result;
}

int Fade::execStore(double* data, int dataSize)
{
    if (numCh != 1)
        return core::kChannelCountIncorrect;
    return faded(source.execStore(data, dataSize), data, nullptr, dataSize);
}

int Fade::execStore(double* left, double* right, int dataSize)
{
    if (numCh != 2)
        return core::kChannelCountIncorrect;
    return faded(source.execStore(left, right, dataSize), left, right, dataSize);
}

int Fade::execStoreIdentical(double* data, int dataSize)
{
    if (numCh != 2)
        return core::kChannelCountIncorrect;
    return faded(source.execStoreIdentical(data, dataSize), data, nullptr, dataSize);
}

int Fade::getMaxBlockSize(char dataType, int channels)
{
    return source.getMaxBlockSize(dataType, channels);
}

} // namespace corvane::signal
