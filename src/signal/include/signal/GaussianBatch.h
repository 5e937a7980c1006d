#pragma once

#include "signal/Isa.h"
#include "signal/Xoshiro256.h"

namespace corvane::signal {

// Gaussian values by Marsaglia's polar method from the stream, batch by
// batch: every candidate pair takes the next two outputs of rng, as
// u = 2 d - 3 with d the output's top 52 bits as a double in [1, 2) (so u is
// a multiple of 2^-51 in [-1, 1)); pairs with s = u^2 + v^2 outside (0, 1)
// are dropped, the others give u f and v f in that order, with
// f = sqrt(-2 ln(s) / s) and the logarithm from FastMathKernel.h. Takes
// candidatePairs candidates, writes the values to out (room for
// 2 * candidatePairs) and returns how many it wrote. scratch needs room for
// 3 * candidatePairs. Every isa gives the same values.
int gaussianBatch(Xoshiro256& rng, int candidatePairs, double* scratch, double* out, Isa isa);
// The same values from the same outputs, made in blocks.
int gaussianBatch(XoshiroBlocks& rng, int candidatePairs, double* scratch, double* out, Isa isa);

} // namespace corvane::signal
