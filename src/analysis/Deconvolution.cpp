#include "analysis/Deconvolution.h"

#include <algorithm>

namespace corvane::analysis {

SweepDeconvolver::SweepDeconvolver(std::span<const double> inverseFilter, std::int64_t recordingFrames)
    : filterLength(static_cast<std::int64_t>(inverseFilter.size())),
      recordingLength(recordingFrames),
      fft(RealFft::fastSize(static_cast<std::size_t>(recordingFrames) + inverseFilter.size() - 1)),
      filterSpectrum(fft.bins()),
      spectrum(fft.bins()),
      work(fft.size(), 0.0)
{
    std::copy(inverseFilter.begin(), inverseFilter.end(), work.begin());
    fft.forward(work.data(), filterSpectrum.data());
    // The inverse transform's factor is paid here, once.
    const double scale = 1.0 / static_cast<double>(fft.size());
    for (auto& value : filterSpectrum)
        value *= scale;
    std::fill(work.begin(), work.end(), 0.0);
}

void SweepDeconvolver::run()
{
    const auto used = static_cast<std::size_t>(recordingLength);
    std::fill(work.begin() + static_cast<std::ptrdiff_t>(used), work.end(), 0.0);
    fft.forward(work.data(), spectrum.data());
    for (std::size_t k = 0; k < spectrum.size(); ++k)
        spectrum[k] *= filterSpectrum[k];
    fft.inverse(spectrum.data(), work.data());
}

std::vector<double> impulseResponse(const SweepDeconvolver& d, std::int64_t preFrames, std::int64_t frames)
{
    std::vector<double> ir(static_cast<std::size_t>(frames));
    const std::int64_t first = d.filterFrames() - 1 - preFrames;
    for (std::int64_t j = 0; j < frames; ++j)
        ir[static_cast<std::size_t>(j)] = d.full(first + j);
    return ir;
}

} // namespace corvane::analysis
