#include "signal/PowerBands.h"

#include <kiss_fftr.h>

#include <cmath>
#include <memory>

namespace spectrum {
namespace {

struct CfgFree {
    void operator()(kiss_fftr_state* cfg) const { kiss_fftr_free(cfg); }
};
using Cfg = std::unique_ptr<kiss_fftr_state, CfgFree>;

std::size_t binOf(double hz, double sampleRateHz, int size)
{
    const double bin = std::ceil(hz * size / sampleRateHz);
    return bin <= 0.0 ? 0 : static_cast<std::size_t>(bin);
}

} // namespace

std::vector<std::complex<double>> realDft(const std::vector<double>& x, int size)
{
    const Cfg cfg(kiss_fftr_alloc(size, 0, nullptr, nullptr));
    std::vector<float> in(static_cast<std::size_t>(size), 0.0f);
    for (std::size_t i = 0; i < in.size() && i < x.size(); ++i)
        in[i] = static_cast<float>(x[i]);
    std::vector<kiss_fft_cpx> out(static_cast<std::size_t>(size / 2 + 1));
    kiss_fftr(cfg.get(), in.data(), out.data());
    std::vector<std::complex<double>> bins(out.size());
    for (std::size_t k = 0; k < out.size(); ++k)
        bins[k] = {out[k].r, out[k].i};
    return bins;
}

std::vector<double> inverseRealDft(const std::vector<std::complex<double>>& bins, int size)
{
    const Cfg cfg(kiss_fftr_alloc(size, 1, nullptr, nullptr));
    std::vector<kiss_fft_cpx> in(static_cast<std::size_t>(size / 2 + 1));
    for (std::size_t k = 0; k < in.size() && k < bins.size(); ++k)
        in[k] = {static_cast<float>(bins[k].real()), static_cast<float>(bins[k].imag())};
    std::vector<float> out(static_cast<std::size_t>(size));
    kiss_fftri(cfg.get(), in.data(), out.data());
    std::vector<double> x(out.size());
    for (std::size_t i = 0; i < out.size(); ++i)
        x[i] = out[i] / static_cast<double>(size);
    return x;
}

std::vector<double> powerSpectrum(const std::vector<double>& x, int size)
{
    const auto bins = realDft(x, size);
    std::vector<double> power(bins.size());
    for (std::size_t k = 0; k < bins.size(); ++k)
        power[k] = std::norm(bins[k]);
    return power;
}

double bandPower(const std::vector<double>& power, double sampleRateHz, int size, double loHz, double hiHz)
{
    double sum = 0.0;
    for (std::size_t k = binOf(loHz, sampleRateHz, size); k < binOf(hiHz, sampleRateHz, size) && k < power.size();
         ++k)
        sum += power[k];
    return sum;
}

double meanPower(const std::vector<double>& power, double sampleRateHz, int size, double loHz, double hiHz)
{
    const std::size_t lo = binOf(loHz, sampleRateHz, size);
    const std::size_t hi = std::min(binOf(hiHz, sampleRateHz, size), power.size());
    return hi > lo ? bandPower(power, sampleRateHz, size, loHz, hiHz) / static_cast<double>(hi - lo) : 0.0;
}

} // namespace spectrum
