#include "analysis/Fft.h"

#include <kissfft/kissfft.hh>

#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace corvane::analysis {

namespace {

// The twiddles exp(i pi k / half) come from two short tables, a coarse and
// a fine step, so a long transform needs no table as long as itself.
constexpr std::size_t kFineSteps = 1024;

} // namespace

struct RealFft::Plan {
    // One complex plan of half the length serves both directions: the
    // inverse is the conjugate of the forward transform of the conjugate.
    kissfft<double> half;
    std::vector<std::complex<double>> coarse;
    std::vector<std::complex<double>> fine;

    explicit Plan(std::size_t halfLength) : half(halfLength, false) {}
};

RealFft::RealFft(std::size_t size) : length(size), plan(std::make_unique<Plan>(size / 2))
{
    const std::size_t half = length / 2;
    const double step = std::numbers::pi / static_cast<double>(half);
    plan->fine.resize(kFineSteps);
    for (std::size_t j = 0; j < kFineSteps; ++j)
        plan->fine[j] = std::polar(1.0, step * static_cast<double>(j));
    plan->coarse.resize(half / kFineSteps + 1);
    for (std::size_t j = 0; j < plan->coarse.size(); ++j)
        plan->coarse[j] = std::polar(1.0, step * static_cast<double>(j * kFineSteps));
}

RealFft::~RealFft() = default;

// exp(2 pi i k / size)
std::complex<double> RealFft::twiddle(std::size_t k) const
{
    return plan->coarse[k / kFineSteps] * plan->fine[k % kFineSteps];
}

void RealFft::forward(const double* in, std::complex<double>* spectrum) const
{
    const std::size_t half = length / 2;
    // Packs bins 0 and half, both real, into the first value.
    plan->half.transform_real(in, spectrum);
    const double dc = spectrum[0].real();
    const double nyquist = spectrum[0].imag();
    spectrum[0] = dc;
    spectrum[half] = nyquist;
}

void RealFft::inverse(std::complex<double>* spectrum, double* out) const
{
    // With a = even samples and b = odd ones (each half long), X[k] = A[k] +
    // w^-k B[k] and conj(X[half - k]) = A[k] - w^-k B[k], w = exp(2 pi i /
    // size). So z = a + i b has Z[k] = (X[k] + conj(X[half - k])) + i w^k
    // (X[k] - conj(X[half - k])), which is twice its spectrum: the half-length
    // inverse of Z then gives size * z.
    const std::size_t half = length / 2;
    const std::complex<double> i(0.0, 1.0);
    spectrum[0].imag(0.0);
    spectrum[half].imag(0.0);
    for (std::size_t k = 0; k <= half / 2; ++k) {
        const std::size_t m = half - k;
        const std::complex<double> xk = spectrum[k];
        const std::complex<double> xm = spectrum[m];
        const std::complex<double> w = twiddle(k);
        const std::complex<double> zk = (xk + std::conj(xm)) + i * w * (xk - std::conj(xm));
        // w^(half - k) = -conj(w^k)
        const std::complex<double> zm = (xm + std::conj(xk)) - i * std::conj(w) * (xm - std::conj(xk));
        // Conjugated on the way: the forward plan then does the inverse.
        spectrum[k] = std::conj(zk);
        if (m != k && m < half)
            spectrum[m] = std::conj(zm);
    }
    auto* z = reinterpret_cast<std::complex<double>*>(out);
    plan->half.transform(spectrum, z);
    for (std::size_t n = 0; n < half; ++n)
        out[2 * n + 1] = -out[2 * n + 1];
}

std::size_t RealFft::fastSize(std::size_t atLeast)
{
    const std::size_t wantHalf = (std::max<std::size_t>(atLeast, 2) + 1) / 2;
    std::size_t best = std::numeric_limits<std::size_t>::max();
    for (std::size_t p5 = 1; p5 < best; p5 *= 5)
        for (std::size_t p35 = p5; p35 < best; p35 *= 3) {
            std::size_t n = p35;
            while (n < wantHalf)
                n *= 2;
            if (n < best)
                best = n;
        }
    return 2 * best;
}

} // namespace corvane::analysis
