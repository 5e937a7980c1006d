#include "signal/FastSine.h"

#include "signal/FastSineKernel.h"

#include <array>
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

Block blockFor(Isa isa)
{
    switch (isa) {
    case Isa::Avx512: return sineAvx512;
    case Isa::Avx2: return sineAvx2;
    default: return sineBaseline;
    }
}

struct Supported {
    std::array<Isa, 3> list{};
    std::size_t count = 0;
    Isa best = Isa::Baseline;
};

const Supported& supported()
{
    static const Supported s = [] {
        Supported r;
        __builtin_cpu_init();
        r.list[r.count++] = Isa::Baseline;
        if (__builtin_cpu_supports("avx2")) {
            r.list[r.count++] = Isa::Avx2;
            r.best = Isa::Avx2;
            if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
                __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512bw")) {
                r.list[r.count++] = Isa::Avx512;
                r.best = Isa::Avx512;
            }
        }
        return r;
    }();
    return s;
}

} // namespace

Isa bestIsa()
{
    return supported().best;
}

bool isaSupported(Isa isa)
{
    for (std::size_t i = 0; i < supported().count; ++i)
        if (supported().list[i] == isa)
            return true;
    return false;
}

std::span<const Isa> supportedIsas()
{
    return {supported().list.data(), supported().count};
}

const char* isaName(Isa isa)
{
    switch (isa) {
    case Isa::Avx512: return "avx512";
    case Isa::Avx2: return "avx2";
    default: return "baseline";
    }
}

void sineBlock(const double* phase, double* out, int count)
{
    sineBlock(phase, out, count, bestIsa());
}

void sineBlock(const double* phase, double* out, int count, Isa isa)
{
    // A path the CPU lacks would fault; the baseline gives the same bits.
    blockFor(isaSupported(isa) ? isa : Isa::Baseline)(phase, out, count);
}

} // namespace corvane::signal
