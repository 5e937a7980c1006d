#pragma once

#include <complex>
#include <cstdint>
#include <span>
#include <vector>

namespace corvane::analysis {

// The spectrum of a stretch of an impulse response, with its phase taken
// relative to one frame of it (lag 0), read at any frequency.
class FrequencyBins {
public:
    // frames: the stretch; lagZero: the frame the phase refers to (0 ..
    // frames.size() - 1). The transform is at least twice as long as the
    // stretch, so reading between bins stays close to the true spectrum.
    FrequencyBins(std::span<const double> frames, std::int64_t lagZero, double sampleRate);

    double sampleRate() const { return rate; }
    double binHz() const { return rate / static_cast<double>(size); }
    // Linear between the two nearest bins; 0 beyond half the rate.
    std::complex<double> at(double hz) const;
    // The mean power over the 1/fraction-octave band around hz, each bin
    // weighted by how much of it lies inside; |at(hz)|^2 when fraction is 0
    // or the band is narrower than two bins.
    double power(double hz, int fraction) const;

private:
    double cumulative(double bin) const;

    double rate;
    std::size_t size = 0;
    std::vector<std::complex<double>> bins;
    std::vector<double> powerSums; // powerSums[k] = sum of |bins[j]|^2, j < k
};

// 1/48-octave points from fromHz up to toHz (both included when toHz is one
// of them); empty when toHz < fromHz.
std::vector<double> logFrequencies(double fromHz, double toHz);

// 10 log10(power), held at -400 dB where the power is 0 (or too small for a
// double's logarithm to mean anything), so every text output stays a number.
double powerDb(double power);

} // namespace corvane::analysis
