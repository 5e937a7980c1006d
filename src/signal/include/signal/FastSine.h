#pragma once

#include <span>

// A branch-free polynomial sine for whole blocks of phases, vectorised for
// the instruction sets the CPU offers. It is not the library sine: callers
// that must reproduce the library's results bit for bit use kSineErrorBound
// to find the few values where the difference could matter and recompute
// those with std::sin.
namespace corvane::signal {

// Instruction sets the block kernels are built for. Every path performs the
// same IEEE operations in the same order (no contraction into fused
// multiply-adds, no reassociation), so all of them give identical bits.
enum class Isa { Baseline, Avx2, Avx512 };

// The best the running CPU supports; decided once.
Isa bestIsa();
// Whether the running CPU can execute code built for isa.
bool isaSupported(Isa isa);
// Every path the running CPU can execute, baseline first.
std::span<const Isa> supportedIsas();
const char* isaName(Isa isa);

// For |phase| <= kFastPhaseLimit the polynomial result s satisfies
// |s - sin(phase)| <= kSineErrorBound (the proof is beside the kernel);
// outside it, and for non-finite phases, the block functions return std::sin.
inline constexpr double kFastPhaseLimit = 65536.0;
inline constexpr double kSineErrorBound = 1e-15;
// How far the library sine may be from the true sine: one unit in the last
// place of a result of magnitude at most 1, which is at most 2^-52.
inline constexpr double kLibrarySineError = 0x1p-52;

// out[i] = sin(phase[i]) within kSineErrorBound, for count values. The arrays
// may be the same array.
void sineBlock(const double* phase, double* out, int count);
void sineBlock(const double* phase, double* out, int count, Isa isa);

} // namespace corvane::signal
