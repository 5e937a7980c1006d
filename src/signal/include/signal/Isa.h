#pragma once

#include <span>

// The instruction sets the vector kernels are built for, and the one place
// that chooses among them at run time. A kernel is one always-inline body
// built three times, plainly and under [[gnu::target("avx2")]] and
// [[gnu::target("avx512f,avx512dq,avx512vl,avx512bw")]] (the set bestIsa
// checks for); pickIsa then hands out the build to run.
namespace corvane::signal {

// Every path performs the same IEEE operations in the same order (no
// contraction into fused multiply-adds, no reassociation), so all of them
// give identical bits.
enum class Isa { Baseline, Avx2, Avx512 };

// The best the running CPU supports; decided once.
Isa bestIsa();
// Whether the running CPU can execute code built for isa.
bool isaSupported(Isa isa);
// Every path the running CPU can execute, baseline first.
std::span<const Isa> supportedIsas();
const char* isaName(Isa isa);

// The build for isa, or the baseline where the CPU lacks isa (a path the CPU
// lacks would fault; the baseline gives the same bits).
template <class Build>
Build pickIsa(Isa isa, Build baseline, Build avx2, Build avx512)
{
    switch (isaSupported(isa) ? isa : Isa::Baseline) {
    case Isa::Avx512: return avx512;
    case Isa::Avx2: return avx2;
    default: return baseline;
    }
}

} // namespace corvane::signal
