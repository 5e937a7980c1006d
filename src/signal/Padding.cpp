#include "signal/Padding.h"

#include "core/ResultCodes.h"

#include <algorithm>

namespace corvane::signal {

Padding::Padding(TWaveProvider& source_, int channels, std::int64_t before_, std::int64_t length_)
    : source(source_), before(before_), length(length_)
{
    numCh = channels;
}

bool Padding::restart()
{
    position = 0;
    return source.restart();
}

void Padding::fillFrames(std::int64_t first, double* out, int count) const
{
    std::fill(out, out + count, 0.0);
    // The stretch [first, first + count) meets the signal's [before, before + length).
    const std::int64_t from = std::max(first, before);
    const std::int64_t to = std::min(first + count, before + length);
    if (from < to)
        source.fillFrames(from - before, out + (from - first), static_cast<int>(to - from));
}

int Padding::fill(double* left, double* right, int dataSize, Layout layout)
{
    if (dataSize <= 0)
        return 0;
    const std::int64_t first = takeFrames(dataSize);
    std::fill(left, left + dataSize, 0.0);
    if (layout == Layout::Stereo)
        std::fill(right, right + dataSize, 0.0);
    const std::int64_t from = std::max(first, before);
    const std::int64_t to = std::min(first + dataSize, before + length);
    if (from >= to)
        return 0;
    const auto at = static_cast<std::size_t>(from - first);
    const auto n = static_cast<int>(to - from);
    switch (layout) {
    case Layout::Mono: return source.execStore(left + at, n);
    case Layout::Stereo: return source.execStore(left + at, right + at, n);
    case Layout::Identical: return source.execStoreIdentical(left + at, n);
    }
    return 0;
}

int Padding::execStore(double* data, int dataSize)
{
    if (numCh != 1)
        return core::kChannelCountIncorrect;
    return fill(data, nullptr, dataSize, Layout::Mono);
}

int Padding::execStore(double* left, double* right, int dataSize)
{
    if (numCh != 2)
        return core::kChannelCountIncorrect;
    return fill(left, right, dataSize, Layout::Stereo);
}

int Padding::execStoreIdentical(double* data, int dataSize)
{
    if (!identicalChannels())
        return core::kChannelCountIncorrect;
    return fill(data, nullptr, dataSize, Layout::Identical);
}

} // namespace corvane::signal
