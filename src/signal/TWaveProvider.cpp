#include "signal/TWaveProvider.h"

#include "core/ResultCodes.h"

namespace corvane::signal {

int TWaveProvider::execStore(double*, int)
{
    return 0;
}
int TWaveProvider::execStore(double*, double*, int)
{
    return 0;
}
int TWaveProvider::execStore(float*, int)
{
    return 0;
}
int TWaveProvider::execStore(float*, float*, int)
{
    return 0;
}
int TWaveProvider::execStore(int*, int)
{
    return 0;
}
int TWaveProvider::execStore(int*, int*, int)
{
    return 0;
}
int TWaveProvider::execStore(short*, int)
{
    return 0;
}
int TWaveProvider::execStore(short*, short*, int)
{
    return 0;
}
int TWaveProvider::execStore(char*, int)
{
    return 0;
}
int TWaveProvider::execStore(char*, char*, int)
{
    return 0;
}

int TWaveProvider::execStoreIdentical(double*, int)
{
    return core::kChannelCountIncorrect;
}

int TWaveProvider::execStorePhases(double*, int, int)
{
    return core::kChannelCountIncorrect;
}

void TWaveProvider::fillFrames(std::int64_t, double* out, int count) const
{
    for (int i = 0; i < count; ++i)
        out[i] = 0.0;
}

std::int64_t TWaveProvider::takeFrames(int)
{
    return 0;
}

int TWaveProvider::getMaxBlockSize(char, int)
{
    return maxBlockSize;
}

} // namespace corvane::signal
