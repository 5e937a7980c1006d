#include "analysis/Deconvolution.h"

#include <algorithm>

namespace corvane::analysis {

SweepDeconvolver::Filter::Filter(std::span<const double> inverseFilter, std::int64_t recordingFrames)
    : fft(RealFft::fastSize(static_cast<std::size_t>(recordingFrames) + inverseFilter.size() - 1)),
      spectrum(fft.bins())
{
    LargeBuffer<double> padded(fft.size());
    std::copy(inverseFilter.begin(), inverseFilter.end(), padded.get());
    std::fill(padded.get() + inverseFilter.size(), padded.get() + fft.size(), 0.0);
    fft.forward(padded.get(), spectrum.get());
    // The inverse transform's factor is paid here, once.
    const double scale = 1.0 / static_cast<double>(fft.size());
    for (std::size_t k = 0; k < spectrum.count(); ++k)
        spectrum[k] *= scale;
}

SweepDeconvolver::SweepDeconvolver(std::span<const double> inverseFilter, std::int64_t recordingFrames)
    : filterLength(static_cast<std::int64_t>(inverseFilter.size())),
      recordingLength(recordingFrames),
      filter(std::make_shared<const Filter>(inverseFilter, recordingFrames)),
      spectrum(filter->fft.bins()),
      work(filter->fft.size())
{
}

SweepDeconvolver::SweepDeconvolver(const SweepDeconvolver& partner)
    : filterLength(partner.filterLength),
      recordingLength(partner.recordingLength),
      filter(partner.filter),
      spectrum(filter->fft.bins()),
      work(filter->fft.size())
{
}

void SweepDeconvolver::run()
{
    std::fill(work.get() + recordingLength, work.get() + filter->fft.size(), 0.0);
    filter->fft.forward(work.get(), spectrum.get());
    const std::complex<double>* h = filter->spectrum.get();
    for (std::size_t k = 0; k < spectrum.count(); ++k)
        spectrum[k] *= h[k];
    filter->fft.inverse(spectrum.get(), work.get());
}

std::vector<double> impulseResponse(const SweepDeconvolver& d, std::int64_t preFrames, std::int64_t frames)
{
    std::vector<double> ir;
    ir.reserve(static_cast<std::size_t>(frames));
    const std::int64_t first = d.filterFrames() - 1 - preFrames;
    for (std::int64_t j = 0; j < frames; ++j)
        ir.push_back(d.full(first + j));
    return ir;
}

} // namespace corvane::analysis
