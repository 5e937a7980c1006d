#pragma once

#include "signal/Xoshiro256.h"

#include <cstdint>

namespace corvane::signal {

// Triangular (TPDF) dither in units of one least significant bit: the sum of
// two independent uniform values in [-0.5, 0.5), so the values lie in
// [-1, 1) with a variance of 1/6. Added before rounding to the nearest
// integer, it makes the total error independent of the signal with a
// variance of 1/6 + 1/12 = 1/4, an RMS of exactly 0.5 LSB.
//
// The stream is the noise stream of the same seed jumped on by 2^128 draws,
// so noise and dither of one seed never share numbers. Draws do not depend on
// the block sizes asked for. Used by one thread at a time.
class Dither {
public:
    explicit Dither(std::uint64_t seed = 1);

    // Back to the first value, for a player that loops.
    void restart();

    double next();

    // Writes count values.
    void fill(double* lsb, int count);

    // Adds one value to each of count samples already in LSB units (the
    // sample times the file's scale), ready for rounding.
    void addTo(double* lsbValues, int count);

private:
    std::uint64_t seed;
    Xoshiro256 rng;
};

} // namespace corvane::signal
