#pragma once

#include "signal/Isa.h"

// A branch-free polynomial sine for whole blocks of phases, vectorised for
// the instruction sets the CPU offers. It is not the library sine: callers
// that must reproduce the library's results bit for bit use kSineErrorBound
// to find the few values where the difference could matter and recompute
// those with std::sin.
namespace corvane::signal {

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
