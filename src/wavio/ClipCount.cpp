#include "wavio/ClipCount.h"

#include <immintrin.h>

namespace corvane::wavio {
namespace {

// The vector compares are ordered, as the scalar ones are.
[[gnu::always_inline]] inline std::int64_t outsideTail(const double* x, int i, int n, double scale, double low,
                                                       double high)
{
    std::int64_t c = 0;
    for (; i < n; ++i) {
        const double v = x[i] * scale;
        c += (v >= high || v < low) ? 1 : 0;
    }
    return c;
}

std::int64_t outsideBaseline(const double* x, int n, double scale, double low, double high)
{
    const __m128d s = _mm_set1_pd(scale);
    const __m128d hi = _mm_set1_pd(high);
    const __m128d lo = _mm_set1_pd(low);
    std::int64_t c = 0;
    int i = 0;
    for (; i + 2 <= n; i += 2) {
        const __m128d v = _mm_mul_pd(_mm_loadu_pd(x + i), s);
        c += __builtin_popcount(
            static_cast<unsigned>(_mm_movemask_pd(_mm_or_pd(_mm_cmpge_pd(v, hi), _mm_cmplt_pd(v, lo)))));
    }
    return c + outsideTail(x, i, n, scale, low, high);
}

[[gnu::target("avx2,popcnt")]] std::int64_t outsideAvx2(const double* x, int n, double scale, double low,
                                                        double high)
{
    const __m256d s = _mm256_set1_pd(scale);
    const __m256d hi = _mm256_set1_pd(high);
    const __m256d lo = _mm256_set1_pd(low);
    std::int64_t c = 0;
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m256d v = _mm256_mul_pd(_mm256_loadu_pd(x + i), s);
        const __m256d out = _mm256_or_pd(_mm256_cmp_pd(v, hi, _CMP_GE_OQ), _mm256_cmp_pd(v, lo, _CMP_LT_OQ));
        c += __builtin_popcount(static_cast<unsigned>(_mm256_movemask_pd(out)));
    }
    return c + outsideTail(x, i, n, scale, low, high);
}

[[gnu::target("avx512f,avx512dq,avx512vl,avx512bw,popcnt")]] std::int64_t
outsideAvx512(const double* x, int n, double scale, double low, double high)
{
    const __m512d s = _mm512_set1_pd(scale);
    const __m512d hi = _mm512_set1_pd(high);
    const __m512d lo = _mm512_set1_pd(low);
    std::int64_t c = 0;
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m512d v = _mm512_mul_pd(_mm512_loadu_pd(x + i), s);
        const __mmask8 out =
            static_cast<__mmask8>(_mm512_cmp_pd_mask(v, hi, _CMP_GE_OQ) | _mm512_cmp_pd_mask(v, lo, _CMP_LT_OQ));
        c += __builtin_popcount(out);
    }
    return c + outsideTail(x, i, n, scale, low, high);
}

} // namespace

std::int64_t countOutside(const double* x, int n, double scale, double low, double high)
{
    static const Isa best = signal::bestIsa();
    return countOutside(x, n, scale, low, high, best);
}

std::int64_t countOutside(const double* x, int n, double scale, double low, double high, Isa isa)
{
    if (n <= 0)
        return 0;
    return signal::pickIsa(isa, outsideBaseline, outsideAvx2, outsideAvx512)(x, n, scale, low, high);
}

} // namespace corvane::wavio
