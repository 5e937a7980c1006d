#include "signal/FrameGen.h"

#include "core/ResultCodes.h"

#include <cmath>
#include <cstring>

namespace corvane::signal {

int FrameGen::execStore(double* data, int dataSize)
{
    if (numCh != 1)
        return core::kChannelCountIncorrect;
    if (dataSize > 0)
        fillFrames(takeFrames(dataSize), data, dataSize);
    return 0;
}

int FrameGen::execStore(double* left, double* right, int dataSize)
{
    if (numCh != 2)
        return core::kChannelCountIncorrect;
    if (dataSize <= 0)
        return 0;
    fillFrames(takeFrames(dataSize), left, dataSize);
    std::memcpy(right, left, sizeof(double) * static_cast<std::size_t>(dataSize));
    return 0;
}

int FrameGen::execStoreIdentical(double* data, int dataSize)
{
    if (numCh != 2)
        return core::kChannelCountIncorrect;
    if (dataSize > 0)
        fillFrames(takeFrames(dataSize), data, dataSize);
    return 0;
}

double turnsOf(double a, double b, double d)
{
    const double p = a * b;
    const double e = std::fma(a, b, -p);
    const double t = (std::fmod(p, d) + e) / d;
    return t - std::floor(t);
}

} // namespace corvane::signal
