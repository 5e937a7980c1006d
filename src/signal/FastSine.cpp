#include "signal/FastSine.h"

#include "signal/FastSineKernel.h"

#include <cmath>

namespace corvane::signal {
namespace {

using Block = void (*)(const double* __restrict, double* __restrict, int);

// The vector loop never branches; a phase outside the polynomial's range
// (never one the generator makes) is noted and redone with the library sine.
[[gnu::always_inline]] inline void sineLoop(const double* __restrict phase, double* __restrict out, int count)
{
    unsigned outside = 0;
    for (int i = 0; i < count; ++i) {
        out[i] = kernel::fastSine(phase[i]);
        outside |= kernel::inFastRange(phase[i]) ? 0u : 1u;
    }
    if (outside != 0) {
        for (int i = 0; i < count; ++i)
            if (!kernel::inFastRange(phase[i]))
                out[i] = std::sin(phase[i]);
    }
}

void sineBaseline(const double* __restrict phase, double* __restrict out, int count)
{
    sineLoop(phase, out, count);
}

[[gnu::target("avx2")]] void sineAvx2(const double* __restrict phase, double* __restrict out, int count)
{
    sineLoop(phase, out, count);
}

[[gnu::target("avx512f,avx512dq,avx512vl,avx512bw")]] void sineAvx512(const double* __restrict phase,
                                                                      double* __restrict out, int count)
{
    sineLoop(phase, out, count);
}

} // namespace

void sineBlock(const double* phase, double* out, int count)
{
    sineBlock(phase, out, count, bestIsa());
}

void sineBlock(const double* phase, double* out, int count, Isa isa)
{
    pickIsa<Block>(isa, sineBaseline, sineAvx2, sineAvx512)(phase, out, count);
}

} // namespace corvane::signal
