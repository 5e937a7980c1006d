#pragma once

#include <complex>
#include <vector>

// Spectral helpers for the signal tests, on the packaged single-precision
// FFT: plenty for checks in tenths of a dB.
namespace spectrum {

// Bins 0 .. size/2 of the DFT of x zero-padded (or cut) to size, which must be even.
std::vector<std::complex<double>> realDft(const std::vector<double>& x, int size);

// The inverse: size real values from bins 0 .. size/2, scaled by 1/size.
std::vector<double> inverseRealDft(const std::vector<std::complex<double>>& bins, int size);

// |X_k|^2 for k = 0 .. size/2.
std::vector<double> powerSpectrum(const std::vector<double>& x, int size);

// Sum of the power bins whose frequency lies in [loHz, hiHz).
double bandPower(const std::vector<double>& power, double sampleRateHz, int size, double loHz, double hiHz);

// Mean of the power bins in [loHz, hiHz), for smoothing a response.
double meanPower(const std::vector<double>& power, double sampleRateHz, int size, double loHz, double hiHz);

} // namespace spectrum
