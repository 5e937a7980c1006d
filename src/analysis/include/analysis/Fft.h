#pragma once

#include <complex>
#include <cstddef>
#include <memory>

namespace corvane::analysis {

// The one place the FFT library is reached, so it can be changed without
// touching the analysis: a real transform of an even length, planned once
// for that length and used as often as wanted, from any number of threads
// at once (each with its own arrays). Long lengths are split into short
// transforms that stay in the caches.
//
// Scaling: neither direction scales. forward gives
//   X[k] = sum_n x[n] exp(-2 pi i k n / size),  k = 0 .. size / 2,
// and inverse takes such a half spectrum and gives size times the signal,
// so inverse(forward(x)) = size * x.
class RealFft {
public:
    // size must be even and at least 2.
    explicit RealFft(std::size_t size);
    ~RealFft();
    RealFft(const RealFft&) = delete;
    RealFft& operator=(const RealFft&) = delete;

    std::size_t size() const { return length; }
    // Values forward writes and inverse reads: size / 2 + 1.
    std::size_t bins() const { return length / 2 + 1; }

    // in: size values, used as work space (its contents are lost);
    // spectrum: bins() values. in and spectrum must not overlap.
    void forward(double* in, std::complex<double>* spectrum) const;
    // spectrum: bins() values, used as work space (its contents are lost);
    // the imaginary parts of bins 0 and size / 2 are ignored. out: size
    // values, which must not overlap spectrum.
    void inverse(std::complex<double>* spectrum, double* out) const;

    // The smallest even length from atLeast on whose half has no prime
    // factor above 5, where the transform is fastest.
    static std::size_t fastSize(std::size_t atLeast);

private:
    std::complex<double> twiddle(std::size_t k) const;

    struct Plan;
    std::size_t length;
    std::unique_ptr<Plan> plan;
};

} // namespace corvane::analysis
