#include "signal/Isa.h"

#include <array>
#include <cstddef>

namespace corvane::signal {
namespace {

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

} // namespace corvane::signal
