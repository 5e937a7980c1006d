#include "signal/GaussianBatch.h"

#include "signal/FastMathKernel.h"

#include <cmath>
#include <cstring>
#include <immintrin.h>

namespace corvane::signal {
namespace {

// The candidates' coordinates from the raw outputs, in place.
[[gnu::always_inline]] inline void toCoordinates(double* __restrict raw, int count)
{
    for (int i = 0; i < count; ++i) {
        std::uint64_t bits;
        std::memcpy(&bits, raw + i, sizeof bits);
        const double d = kernel::fromBits((bits >> 12) | kernel::bitsOf(1.0));
        raw[i] = 2.0 * d - 3.0;
    }
}

[[gnu::always_inline]] inline void polarPairs(const double* __restrict u, const double* __restrict v,
                                              const double* __restrict s, int count, double* __restrict out)
{
    for (int i = 0; i < count; ++i) {
        const double f = std::sqrt(-2.0 * kernel::fastLog(s[i]) / s[i]);
        out[2 * i] = u[i] * f;
        out[2 * i + 1] = v[i] * f;
    }
}

// The candidates with s = u^2 + v^2 in (0, 1) to the front of u, v and s, in
// order: every candidate is written, the count moves only for the kept ones.
// The test is the one each path uses, ordered below 1 and unordered against 0.
std::size_t keepInside(const double* coords, std::size_t from, std::size_t n, double* u, double* v, double* s,
                       std::size_t kept)
{
    for (std::size_t i = from; i < n; ++i) {
        const double a = coords[2 * i];
        const double b = coords[2 * i + 1];
        const double q = a * a + b * b;
        u[kept] = a;
        v[kept] = b;
        s[kept] = q;
        kept += ((q < 1.0) & (q != 0.0)) ? 1u : 0u;
    }
    return kept;
}

std::size_t keepBaseline(const double* coords, std::size_t n, double* u, double* v, double* s)
{
    return keepInside(coords, 0, n, u, v, s, 0);
}

// Eight candidates at a time, compressed into place. A full vector is stored
// at the kept count, which never passes the candidate index, so the stores
// stay inside the rows.
[[gnu::target("avx512f,avx512dq,avx512vl,avx512bw,popcnt")]] std::size_t
keepAvx512(const double* coords, std::size_t n, double* u, double* v, double* s)
{
    const __m512i even = _mm512_setr_epi64(0, 2, 4, 6, 8, 10, 12, 14);
    const __m512i odd = _mm512_setr_epi64(1, 3, 5, 7, 9, 11, 13, 15);
    const __m512d one = _mm512_set1_pd(1.0);
    const __m512d zero = _mm512_setzero_pd();
    std::size_t kept = 0;
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m512d lo = _mm512_loadu_pd(coords + 2 * i);
        const __m512d hi = _mm512_loadu_pd(coords + 2 * i + 8);
        const __m512d a = _mm512_permutex2var_pd(lo, even, hi);
        const __m512d b = _mm512_permutex2var_pd(lo, odd, hi);
        const __m512d q = _mm512_add_pd(_mm512_mul_pd(a, a), _mm512_mul_pd(b, b));
        const __mmask8 in = _mm512_cmp_pd_mask(q, one, _CMP_LT_OQ) & _mm512_cmp_pd_mask(q, zero, _CMP_NEQ_UQ);
        _mm512_storeu_pd(u + kept, _mm512_maskz_compress_pd(in, a));
        _mm512_storeu_pd(v + kept, _mm512_maskz_compress_pd(in, b));
        _mm512_storeu_pd(s + kept, _mm512_maskz_compress_pd(in, q));
        kept += static_cast<std::size_t>(__builtin_popcount(in));
    }
    return keepInside(coords, i, n, u, v, s, kept);
}

struct Kernels {
    void (*coordinates)(double*, int);
    void (*pairs)(const double*, const double*, const double*, int, double*);
    std::size_t (*keep)(const double*, std::size_t, double*, double*, double*);
};

void coordinatesBaseline(double* raw, int count)
{
    toCoordinates(raw, count);
}
void pairsBaseline(const double* u, const double* v, const double* s, int count, double* out)
{
    polarPairs(u, v, s, count, out);
}
[[gnu::target("avx2")]] void coordinatesAvx2(double* raw, int count)
{
    toCoordinates(raw, count);
}
[[gnu::target("avx2")]] void pairsAvx2(const double* u, const double* v, const double* s, int count, double* out)
{
    polarPairs(u, v, s, count, out);
}
[[gnu::target("avx512f,avx512dq,avx512vl,avx512bw")]] void coordinatesAvx512(double* raw, int count)
{
    toCoordinates(raw, count);
}
[[gnu::target("avx512f,avx512dq,avx512vl,avx512bw")]] void pairsAvx512(const double* u, const double* v,
                                                                       const double* s, int count, double* out)
{
    polarPairs(u, v, s, count, out);
}

Kernels kernelsFor(Isa isa)
{
    return pickIsa<Kernels>(isa, {coordinatesBaseline, pairsBaseline, keepBaseline},
                            {coordinatesAvx2, pairsAvx2, keepBaseline},
                            {coordinatesAvx512, pairsAvx512, keepAvx512});
}

// The candidates from 2 * candidatePairs raw outputs already in out.
int gaussiansFromRaw(int candidatePairs, double* scratch, double* out, Isa isa)
{
    const Kernels k = kernelsFor(isa);
    const auto n = static_cast<std::size_t>(candidatePairs);
    k.coordinates(out, 2 * candidatePairs);
    // The accepted pairs to the front of the scratch's three rows.
    double* u = scratch;
    double* v = scratch + n;
    double* s = scratch + 2 * n;
    const std::size_t kept = k.keep(out, n, u, v, s);
    k.pairs(u, v, s, static_cast<int>(kept), out);
    return static_cast<int>(2 * kept);
}

} // namespace

int gaussianBatch(Xoshiro256& rng, int candidatePairs, double* scratch, double* out, Isa isa)
{
    if (candidatePairs <= 0)
        return 0;
    // The raw outputs go into out first (room for 2n), as bits. The engine
    // runs on a local copy: stores through out could alias it as far as the
    // compiler knows, which would put its state through memory every step.
    Xoshiro256 local = rng;
    for (int i = 0; i < 2 * candidatePairs; ++i) {
        const std::uint64_t r = local.next();
        std::memcpy(out + i, &r, sizeof r);
    }
    rng = local;
    return gaussiansFromRaw(candidatePairs, scratch, out, isa);
}

int gaussianBatch(XoshiroBlocks& rng, int candidatePairs, double* scratch, double* out, Isa isa)
{
    if (candidatePairs <= 0)
        return 0;
    rng.fill(out, 2 * static_cast<std::size_t>(candidatePairs));
    return gaussiansFromRaw(candidatePairs, scratch, out, isa);
}

} // namespace corvane::signal
