#pragma once

#include "analysis/Fft.h"
#include "analysis/LargeBuffer.h"

#include <complex>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace corvane::analysis {

// The linear convolution of recordings of one length with one inverse
// filter, through one FFT long enough that nothing wraps around: exact up
// to rounding, no regularisation. The filter's spectrum is made once and
// serves every channel.
class SweepDeconvolver {
public:
    SweepDeconvolver(std::span<const double> inverseFilter, std::int64_t recordingFrames);
    // Another one for the same filter and length, with buffers of its own:
    // the plan and the filter's spectrum are shared, read only, so the two
    // may run at the same time on different threads.
    explicit SweepDeconvolver(const SweepDeconvolver& partner);
    SweepDeconvolver& operator=(const SweepDeconvolver&) = delete;

    std::int64_t filterFrames() const { return filterLength; }
    std::int64_t recordingFrames() const { return recordingLength; }
    // Frames of the whole convolution: recording + filter - 1.
    std::int64_t fullFrames() const { return recordingLength + filterLength - 1; }

    // Where the recording goes: recordingFrames() values (the rest of the
    // transform is kept zero here).
    double* recording() { return work.get(); }

    // Convolves what recording() holds; afterwards full(i) is frame i of the
    // convolution, and recording() must be filled again before the next run.
    void run();
    // 0 outside 0 .. fullFrames() - 1.
    double full(std::int64_t i) const
    {
        return i >= 0 && i < fullFrames() ? work[static_cast<std::size_t>(i)] : 0.0;
    }

private:
    struct Filter {
        Filter(std::span<const double> inverseFilter, std::int64_t recordingFrames);
        RealFft fft;
        LargeBuffer<std::complex<double>> spectrum; // scaled by 1 / fft.size()
    };

    std::int64_t filterLength;
    std::int64_t recordingLength;
    std::shared_ptr<const Filter> filter;
    LargeBuffer<std::complex<double>> spectrum;
    // Not cleared when made: run() clears what the recording leaves free.
    LargeBuffer<double> work;
};

// The impulse response as written: frames from lag -pre on, lag 0 being
// index filterFrames - 1 of the whole convolution, frames values in all.
std::vector<double> impulseResponse(const SweepDeconvolver& d, std::int64_t preFrames, std::int64_t frames);

} // namespace corvane::analysis
