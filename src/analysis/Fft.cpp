#include "analysis/Fft.h"

#include <kissfft/kissfft.hh>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <optional>
#include <vector>

namespace corvane::analysis {

namespace {

using Complex = std::complex<double>;

// exp(i * 2 pi * k / n) for any k below n from two short tables, a coarse
// and a fine step, so a long transform needs no table as long as itself.
class Turns {
public:
    static constexpr std::size_t kFineSteps = 1024;

    explicit Turns(std::size_t n_) : n(n_)
    {
        const double step = 2.0 * std::numbers::pi / static_cast<double>(n);
        fine.resize(kFineSteps);
        for (std::size_t j = 0; j < kFineSteps; ++j)
            fine[j] = std::polar(1.0, step * static_cast<double>(j));
        coarse.resize(n / kFineSteps + 1);
        for (std::size_t j = 0; j < coarse.size(); ++j)
            coarse[j] = std::polar(1.0, step * static_cast<double>(j * kFineSteps));
    }

    Complex operator()(std::size_t k) const
    {
        k %= n;
        return coarse[k / kFineSteps] * fine[k % kFineSteps];
    }

private:
    std::size_t n;
    std::vector<Complex> coarse;
    std::vector<Complex> fine;
};

// Below this many points one library transform runs over the whole array;
// above it, its recursion strides through far more memory than the caches
// hold, so the transform is split into short ones (the four-step method).
constexpr std::size_t kSplitAbove = std::size_t{1} << 16;

// The divisor of n nearest its square root from below, if it is a useful
// split (both factors long enough for the work to be worth it).
std::optional<std::size_t> splitOf(std::size_t n)
{
    if (n <= kSplitAbove)
        return std::nullopt;
    auto best = static_cast<std::size_t>(std::sqrt(static_cast<double>(n)));
    while (best > 1 && n % best != 0)
        --best;
    if (best < 64)
        return std::nullopt;
    return best;
}

// out (cols x rows) = the transpose of in (rows x cols), in tiles that stay
// in the cache.
void transpose(const Complex* in, Complex* out, std::size_t rows, std::size_t cols)
{
    constexpr std::size_t kTile = 32;
    for (std::size_t r0 = 0; r0 < rows; r0 += kTile)
        for (std::size_t c0 = 0; c0 < cols; c0 += kTile) {
            const std::size_t r1 = std::min(r0 + kTile, rows);
            const std::size_t c1 = std::min(c0 + kTile, cols);
            for (std::size_t r = r0; r < r1; ++r)
                for (std::size_t c = c0; c < c1; ++c)
                    out[c * rows + r] = in[r * cols + c];
        }
}

} // namespace

// A forward complex transform of one length, unscaled; in is used as work
// space. Long lengths n = n1 n2 run as n2 transforms of n1 points, a twiddle
// and n1 transforms of n2 points, with transposes between, so every short
// transform reads memory in order.
struct RealFft::Plan {
    std::size_t n;
    std::size_t n1 = 0; // 0: one transform of n points
    std::size_t n2 = 0;
    std::optional<kissfft<double>> whole;
    std::optional<kissfft<double>> first;
    std::optional<kissfft<double>> second;
    std::optional<Turns> turns;
    Turns halfTurns; // exp(2 pi i k / (2 n)), for the real transform's packing

    explicit Plan(std::size_t n_) : n(n_), halfTurns(2 * n_)
    {
        if (const auto split = splitOf(n)) {
            n1 = *split;
            n2 = n / n1;
            first.emplace(n1, false);
            second.emplace(n2, false);
            turns.emplace(n);
        } else {
            whole.emplace(n, false);
        }
    }

    // out = DFT(in); in is overwritten.
    void transform(Complex* in, Complex* out) const
    {
        if (whole) {
            whole->transform(in, out);
            return;
        }
        // x[j1 n2 + j2] -> X[k1 + n1 k2]
        std::vector<Complex> row(std::max(n1, n2));
        transpose(in, out, n1, n2); // out[j2][j1]
        for (std::size_t j2 = 0; j2 < n2; ++j2) {
            Complex* r = out + j2 * n1;
            first->transform(r, row.data());
            // The twiddle exp(-2 pi i j2 k1 / n).
            for (std::size_t k1 = 0; k1 < n1; ++k1)
                r[k1] = row[k1] * std::conj((*turns)(j2 * k1));
        }
        transpose(out, in, n2, n1); // in[k1][j2]
        for (std::size_t k1 = 0; k1 < n1; ++k1) {
            Complex* r = in + k1 * n2;
            second->transform(r, row.data());
            std::copy(row.begin(), row.begin() + static_cast<std::ptrdiff_t>(n2), r);
        }
        transpose(in, out, n1, n2); // out[k2][k1]
    }
};

RealFft::RealFft(std::size_t size) : length(size), plan(std::make_unique<Plan>(size / 2)) {}

RealFft::~RealFft() = default;

std::complex<double> RealFft::twiddle(std::size_t k) const
{
    return plan->halfTurns(k);
}

void RealFft::forward(double* in, std::complex<double>* spectrum) const
{
    // z = even + i odd samples, half as long; its transform Z unpacks into
    // the real signal's by X[k] = (Z[k] + conj(Z[half - k])) / 2
    // - i w^-k (Z[k] - conj(Z[half - k])) / 2, w = exp(2 pi i / size).
    const std::size_t half = length / 2;
    plan->transform(reinterpret_cast<Complex*>(in), spectrum);
    const Complex i(0.0, 1.0);
    const Complex z0 = spectrum[0];
    for (std::size_t k = 1; k <= half / 2; ++k) {
        const std::size_t m = half - k;
        const Complex zk = spectrum[k];
        const Complex zm = spectrum[m];
        const Complex w = std::conj(twiddle(k)); // w^-k
        const Complex xk = 0.5 * ((zk + std::conj(zm)) - i * w * (zk - std::conj(zm)));
        // w^-(half - k) = -conj(w^-k)
        const Complex xm = 0.5 * ((zm + std::conj(zk)) + i * std::conj(w) * (zm - std::conj(zk)));
        spectrum[k] = xk;
        spectrum[m] = xm;
    }
    spectrum[0] = z0.real() + z0.imag();
    spectrum[half] = z0.real() - z0.imag();
}

void RealFft::inverse(std::complex<double>* spectrum, double* out) const
{
    // The same packing backwards: Z[k] = (X[k] + conj(X[half - k])) + i w^k
    // (X[k] - conj(X[half - k])) is twice the spectrum of z, and the
    // half-length inverse of Z then gives size * z.
    const std::size_t half = length / 2;
    const Complex i(0.0, 1.0);
    spectrum[0].imag(0.0);
    spectrum[half].imag(0.0);
    for (std::size_t k = 0; k <= half / 2; ++k) {
        const std::size_t m = half - k;
        const Complex xk = spectrum[k];
        const Complex xm = spectrum[m];
        const Complex w = twiddle(k);
        const Complex zk = (xk + std::conj(xm)) + i * w * (xk - std::conj(xm));
        // w^(half - k) = -conj(w^k)
        const Complex zm = (xm + std::conj(xk)) - i * std::conj(w) * (xm - std::conj(xk));
        // Conjugated on the way: the forward transform then does the inverse.
        spectrum[k] = std::conj(zk);
        if (m != k && m < half)
            spectrum[m] = std::conj(zm);
    }
    auto* z = reinterpret_cast<Complex*>(out);
    plan->transform(spectrum, z);
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
