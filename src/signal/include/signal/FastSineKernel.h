#pragma once

// The per-value sine behind sineBlock, as an always-inlined function so the
// block loops that call it (here and in the encoder) are vectorised for the
// instruction set of the function they are inlined into. Include only from
// sources compiled with -fno-trapping-math -ffp-contract=off and without
// fast-math: the error bound below relies on every operation being rounded
// once, in the order written.

#include "signal/FastMathKernel.h"
#include "signal/FastSine.h"

#include <cstdint>

namespace corvane::signal::kernel {

// Error bound, with u = 2^-53 (the unit roundoff of a double) and the phase
// x restricted to |x| <= kFastPhaseLimit = 2^16.
//
// Reduction. k = nearbyint(x * 2/pi) is obtained by adding and subtracting
// 1.5 * 2^52, which rounds to the nearest integer in the default rounding
// mode for |x * 2/pi| < 2^51; the low bits of the sum hold k mod 4. Then
// r = (x - k * C1) - k * C2, with C1 = pi/2 cut to 33 significant bits and
// C2 the double nearest pi/2 - C1.
// - |k| < 2^17, so k * C1 has at most 50 significant bits and is exact.
// - x - k*C1 is exact: for k = 0 trivially; otherwise x and k*C1 have the
//   same sign and differ by at most pi/4 + 1.5e-11 <= |k*C1| / 2 (Sterbenz).
// - k * C2 is off from k * (pi/2 - C1) by at most 2 * 2^16 * 6.1e-11 * u,
//   below 1e-21; the last subtraction adds at most u * |r|.
// - fl(x * 2/pi) may round k to the other neighbour of a quadrant boundary,
//   which moves |r| past pi/4 by at most 2^16 * 2/pi * 2u < 1.5e-11; so
//   |r| <= R = 0.7854.
// Hence |r - (x - k*pi/2)| <= 0.786 u, and sin x is +-sin r or +-cos r of the
// exact reduced argument.
//
// Sine of r: s = r + (r*z) * P(z), z = r*r, P the Taylor polynomial of
// (sin r - r) / r^3 up to r^12 (coefficients -1/3! .. -1/15!, each the double
// nearest 1/n!, n! being exact in a double).
// - Truncation: the series alternates with falling terms for |r| <= R, so
//   the remainder is at most R^17/17! = 4.7e-17 = 0.42 u.
// - P: the rounded coefficients add at most u * sum|c_k| z^k <= 0.18 u, Horner's
//   roundings at most 0.18 u (the last step, of magnitude <= 1/6, dominates);
//   z's rounding moves P by at most 0.62 u / 120 < 0.01 u.
// - r*z*P: three more roundings on a value of magnitude <= R^3/6 = 0.081,
//   together with P's 0.37 u times |r^3| <= 0.485: at most 0.42 u.
// - r + T: one rounding of a result <= 0.7072: 0.71 u.
// Sum 1.55 u.
//
// Cosine of r: c = (1 - z/2) + (z*z) * Q(z), Q the Taylor polynomial of
// (cos r - 1 + r^2/2) / r^4 up to r^12 (coefficients 1/4! .. 1/16!).
// - Truncation: at most R^18/18! = 2.1e-18 = 0.02 u.
// - z/2 is exact; z's rounding moves it by 0.31 u; 1 - z/2 rounds by 0.5 u.
// - Q's roundings and coefficients: 0.09 u, times z^2 <= 0.381; z*z and the
//   product round on a value <= 0.016: together 0.1 u.
// - The final sum rounds by at most 0.5 u (the result lies in [0.70, 1]).
// Sum 1.43 u.
//
// Both branches are 1-Lipschitz in r, so the reduction adds 0.786 u: the
// result is within 2.34 u = 2.6e-16 of sin x. kSineErrorBound (1e-15) keeps
// a margin of almost four on top of that. Choosing the branch and the sign
// works on the bits and is exact.

inline constexpr double kTwoOverPi = 0.63661977236758134308;
inline constexpr double kPiOver2Hi = 0x1.921fb544p0; // 33 significant bits
inline constexpr double kPiOver2Lo = 0x1.0b4611a626331p-34; // pi/2 - kPiOver2Hi, rounded

inline constexpr double kS3 = -inverseFactorialOf(3);
inline constexpr double kS5 = inverseFactorialOf(5);
inline constexpr double kS7 = -inverseFactorialOf(7);
inline constexpr double kS9 = inverseFactorialOf(9);
inline constexpr double kS11 = -inverseFactorialOf(11);
inline constexpr double kS13 = inverseFactorialOf(13);
inline constexpr double kS15 = -inverseFactorialOf(15);
inline constexpr double kC4 = inverseFactorialOf(4);
inline constexpr double kC6 = -inverseFactorialOf(6);
inline constexpr double kC8 = inverseFactorialOf(8);
inline constexpr double kC10 = -inverseFactorialOf(10);
inline constexpr double kC12 = inverseFactorialOf(12);
inline constexpr double kC14 = -inverseFactorialOf(14);
inline constexpr double kC16 = inverseFactorialOf(16);

// sin x within kSineErrorBound for |x| <= kFastPhaseLimit; any bits outside
// it (callers test the phase and take another route there).
[[gnu::always_inline]] inline double fastSine(double x)
{
    const double shifted = x * kTwoOverPi + kShifter;
    const double k = shifted - kShifter;
    const std::uint64_t quadrant = bitsOf(shifted);

    const double r = (x - k * kPiOver2Hi) - k * kPiOver2Lo;
    const double z = r * r;

    double p = kS15;
    p = p * z + kS13;
    p = p * z + kS11;
    p = p * z + kS9;
    p = p * z + kS7;
    p = p * z + kS5;
    p = p * z + kS3;
    const double s = r + (r * z) * p;

    double q = kC16;
    q = q * z + kC14;
    q = q * z + kC12;
    q = q * z + kC10;
    q = q * z + kC8;
    q = q * z + kC6;
    q = q * z + kC4;
    const double c = (1.0 - 0.5 * z) + (z * z) * q;

    // Quadrant 0: sin r, 1: cos r, 2: -sin r, 3: -cos r.
    const std::uint64_t useCos = std::uint64_t{0} - (quadrant & 1u);
    std::uint64_t bits = (bitsOf(s) & ~useCos) | (bitsOf(c) & useCos);
    bits ^= (quadrant & 2u) << 62;
    return fromBits(bits);
}

// Whether fastSine's bound holds for x; false for NaN.
[[gnu::always_inline]] inline bool inFastRange(double x)
{
    return (x < 0 ? -x : x) <= kFastPhaseLimit;
}

} // namespace corvane::signal::kernel
