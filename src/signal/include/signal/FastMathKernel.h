#pragma once

// Branch-free exp(t) - 1, natural logarithm and reduction modulo 2 pi for the
// sweep and the noise, as always-inlined functions so the block loops that
// call them are vectorised for the instruction set of the function they are
// inlined into. Like FastSineKernel.h: include only from sources compiled
// with -fno-trapping-math -ffp-contract=off and without fast-math. Every
// operation is then one IEEE operation in the order written, so every
// instruction-set path gives the same bits, and none of them depends on the
// C library's own exp or log (whose results may differ between its
// FMA and non-FMA variants).

#include <cstdint>
#include <cstring>

namespace corvane::signal::kernel {

// Added and taken away again, rounds a value below 2^51 in magnitude to an
// integer (to nearest, even on ties); the sum's low bits hold that integer.
inline constexpr double kShifter = 0x1.8p52;

[[gnu::always_inline]] inline std::uint64_t bitsOf(double x)
{
    std::uint64_t b;
    std::memcpy(&b, &x, sizeof b);
    return b;
}

[[gnu::always_inline]] inline double fromBits(std::uint64_t b)
{
    double x;
    std::memcpy(&x, &b, sizeof x);
    return x;
}

// exp(t) - 1 for |t| <= kExpm1Limit; any bits outside it.
//
// t = k ln2 + r with k = nearbyint(t / ln2) (by the shifter, |k| <= 1010) and
// r = (t - k*L1) - k*L2, L1 = ln2 cut to 32 bits (k*L1 and t - k*L1 exact),
// L2 the rest: |r| <= 0.3466 + 1e-12, off from t - k ln2 by under u |r| + 1e-19.
// expm1(r) = r + r^2 P(r), P the Taylor polynomial of (e^r - 1 - r) / r^2 up
// to r^12 (truncation below r^15/15! < 1e-19); its roundings stay under
// 1.5 u |expm1(r)|. Then exp(t) - 1 = 2^k expm1(r) + (2^k - 1): the product
// is exact, 2^k - 1 is exact for k <= 53 and rounds once above, the sum rounds
// once. The result is within 3 u (|exp(t) - 1| + 1) of exp(t) - 1, and within
// 2 u |t| of it for k = 0 (small t keeps its relative accuracy).
inline constexpr double kExpm1Limit = 700.0;
inline constexpr double kInvLn2 = 0x1.71547652b82fep0;
inline constexpr double kLn2Hi = 0x1.62e42fee00000p-1;
inline constexpr double kLn2Lo = 0x1.a39ef35793c76p-33;

// 1/n! as the nearest doubles; n! is exact for every n used here.
constexpr double inverseFactorialOf(int n)
{
    double f = 1.0;
    for (int i = 2; i <= n; ++i)
        f *= i;
    return 1.0 / f;
}

[[gnu::always_inline]] inline double fastExpm1(double t)
{
    const double shifted = t * kInvLn2 + kShifter;
    const double k = shifted - kShifter;
    // k in the low bits, as a two's-complement difference (wrapping is meant).
    const std::uint64_t kBits = bitsOf(shifted) - bitsOf(kShifter);
    const double r = (t - k * kLn2Hi) - k * kLn2Lo;

    double p = inverseFactorialOf(14);
    p = p * r + inverseFactorialOf(13);
    p = p * r + inverseFactorialOf(12);
    p = p * r + inverseFactorialOf(11);
    p = p * r + inverseFactorialOf(10);
    p = p * r + inverseFactorialOf(9);
    p = p * r + inverseFactorialOf(8);
    p = p * r + inverseFactorialOf(7);
    p = p * r + inverseFactorialOf(6);
    p = p * r + inverseFactorialOf(5);
    p = p * r + inverseFactorialOf(4);
    p = p * r + inverseFactorialOf(3);
    p = p * r + inverseFactorialOf(2);
    const double em = r + (r * r) * p;

    const double twoK = fromBits((kBits + 1023u) << 52);
    return twoK * em + (twoK - 1.0);
}

[[gnu::always_inline]] inline bool inExpm1Range(double t)
{
    return (t < 0 ? -t : t) <= kExpm1Limit;
}

// x reduced to about [-pi, pi] by whole turns, for |x| <= kTurnLimit.
//
// q = nearbyint(x / 2pi) < 2^29; 2pi = P1 + P2 + P3 with P1 (24 bits) and P2
// (21 bits) exact in q*P1 and q*P2; x - q*P1 is exact (Sterbenz, or q = 0),
// the next two subtractions round once each on a value below 3.2, and q*P3
// is off by under 2^29 ulp(P3) = 2^-68. The result is within 2u * 3.2 + 2^-68
// < 7.2e-16 of x - 2pi q.
inline constexpr double kTurnLimit = 0x1p31;
inline constexpr double kInvTwoPi = 0x1.45f306dc9c883p-3;
inline constexpr double kTwoPi1 = 0x1.921fb40000000p+2;
inline constexpr double kTwoPi2 = 0x1.4442d00000000p-22;
inline constexpr double kTwoPi3 = 0x1.8469898cc5170p-46;
inline constexpr double kTurnReductionError = 7.2e-16;

[[gnu::always_inline]] inline double reduceTurns(double x)
{
    const double q = (x * kInvTwoPi + kShifter) - kShifter;
    return ((x - q * kTwoPi1) - q * kTwoPi2) - q * kTwoPi3;
}

[[gnu::always_inline]] inline bool inTurnRange(double x)
{
    return (x < 0 ? -x : x) <= kTurnLimit;
}

// ln x for normal positive x (no checks: callers pass only such values).
//
// x = 2^e m with m in [sqrt(1/2), sqrt(2)), f = m - 1 exact, and
// ln(1 + f) = 2 atanh(s) with s = f / (2 + f), |s| <= 0.1716: the odd series
// up to s^23 leaves under s^24 / 25 < 2e-17 relative. The result, e ln2 added
// in two parts, is within a few u of ln x: plenty for drawing Gaussian
// values, which need no more than determinism and a faithful shape.
inline constexpr double kSqrtHalf = 0x1.6a09e667f3bcdp-1;

[[gnu::always_inline]] inline double fastLog(double x)
{
    const std::uint64_t bits = bitsOf(x);
    // Exponent relative to sqrt(1/2): subtracting its bits moves the boundary
    // of the mantissa's range there, so m lands in [sqrt(1/2), sqrt(2)). The
    // bias of 1024 keeps e + 1024 positive for every normal x, so only
    // unsigned shifts are needed (which every vector path has), and it turns
    // into a double by the 2^52 trick instead of a 64-bit conversion.
    const std::uint64_t biased = (bits - bitsOf(kSqrtHalf) + (std::uint64_t{1024} << 52)) >> 52;
    const double m = fromBits(bits - ((biased - 1024u) << 52));
    const double f = m - 1.0;
    const double s = f / (2.0 + f);
    const double z = s * s;
    double p = 2.0 / 23.0;
    p = p * z + 2.0 / 21.0;
    p = p * z + 2.0 / 19.0;
    p = p * z + 2.0 / 17.0;
    p = p * z + 2.0 / 15.0;
    p = p * z + 2.0 / 13.0;
    p = p * z + 2.0 / 11.0;
    p = p * z + 2.0 / 9.0;
    p = p * z + 2.0 / 7.0;
    p = p * z + 2.0 / 5.0;
    p = p * z + 2.0 / 3.0;
    const double lnM = 2.0 * s + (s * z) * p;
    const double ed = (fromBits(bitsOf(0x1p52) | biased) - 0x1p52) - 1024.0;
    return ed * kLn2Hi + (ed * kLn2Lo + lnM);
}

} // namespace corvane::signal::kernel
