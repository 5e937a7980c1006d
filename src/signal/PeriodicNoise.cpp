#include "signal/PeriodicNoise.h"

#include "signal/Xoshiro256.h"

#include <cmath>
#include <complex>
#include <utility>

namespace corvane::signal {

namespace {

constexpr double kTwoPi = 6.283185307179586;

// In-place radix-2 FFT with e^{+j 2 pi k n / N} (the inverse, unscaled); the
// twiddles come from sin and cos of their exact index, not a running product.
void inverseFft(std::vector<std::complex<double>>& a)
{
    const std::size_t n = a.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; (j & bit) != 0; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(a[i], a[j]);
    }
    std::vector<std::complex<double>> twiddle(n / 2);
    for (std::size_t k = 0; k < n / 2; ++k)
        twiddle[k] = std::polar(1.0, kTwoPi * static_cast<double>(k) / static_cast<double>(n));
    for (std::size_t len = 2; len <= n; len <<= 1) {
        const std::size_t stride = n / len;
        for (std::size_t i = 0; i < n; i += len) {
            for (std::size_t k = 0; k < len / 2; ++k) {
                const std::complex<double> u = a[i + k];
                const std::complex<double> v = a[i + k + len / 2] * twiddle[k * stride];
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
            }
        }
    }
}

} // namespace

std::string checkPeriodicNoise(const PeriodicNoiseParams& p)
{
    if (p.periodFrames < kMinNoisePeriod || p.periodFrames > kMaxNoisePeriod ||
        (p.periodFrames & (p.periodFrames - 1)) != 0)
        return "The noise period (--period) must be a power of two from " + std::to_string(kMinNoisePeriod) +
               " to " + std::to_string(kMaxNoisePeriod) + " frames.";
    if (!std::isfinite(p.amplitude))
        return "The noise needs a finite level.";
    return {};
}

void PeriodicNoise::setNoise(const PeriodicNoiseParams& p, int channels)
{
    period.clear();
    setChannels(channels);
    if (!checkPeriodicNoise(p).empty())
        return;
    const auto n = static_cast<std::size_t>(p.periodFrames);
    std::vector<std::complex<double>> bins(n, 0.0);
    Xoshiro256 rng(p.seed);
    for (std::size_t k = 1; k < n / 2; ++k) {
        const double magnitude = p.colour == NoiseColour::Pink ? 1.0 / std::sqrt(static_cast<double>(k)) : 1.0;
        bins[k] = std::polar(magnitude, kTwoPi * rng.nextDouble());
        bins[n - k] = std::conj(bins[k]);
    }
    inverseFft(bins);
    period.resize(n);
    double power = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        period[i] = bins[i].real();
        power += period[i] * period[i];
    }
    const double scale = power > 0.0 ? p.amplitude / std::sqrt(2.0 * power / static_cast<double>(n)) : 0.0;
    for (double& v : period)
        v *= scale;
}

void PeriodicNoise::fillFrames(std::int64_t first, double* out, int count) const
{
    const auto n = static_cast<std::int64_t>(period.size());
    for (int i = 0; i < count; ++i) {
        const std::int64_t k = first + i;
        out[i] = n == 0 || k < 0 ? 0.0 : period[static_cast<std::size_t>(k & (n - 1))];
    }
}

} // namespace corvane::signal
