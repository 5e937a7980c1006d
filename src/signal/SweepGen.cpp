#include "signal/SweepGen.h"

#include "core/ResultCodes.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>
#include <sstream>

namespace corvane::signal {
namespace {

constexpr double kTwoPi = 6.283185307179586;

std::string hz(double v)
{
    std::ostringstream s;
    s << v << " Hz";
    return s.str();
}

} // namespace

std::string checkSweepParams(const SweepParams& p)
{
    if (!std::isfinite(p.sampleRateHz) || !std::isfinite(p.startHz) || !std::isfinite(p.stopHz) ||
        !std::isfinite(p.amplitude))
        return "The sweep needs finite numbers.";
    if (p.frameCount < 1)
        return "The sweep needs at least one frame.";
    if (p.sampleRateHz <= 0.0)
        return "The sampling frequency must be positive.";
    if (p.startHz < kMinSweepStartHz)
        return "The sweep's start frequency (" + hz(p.startHz) + ") must be at least " +
               hz(kMinSweepStartHz) + ".";
    if (!(p.stopHz > p.startHz))
        return "The sweep's stop frequency (" + hz(p.stopHz) +
               ") must be above its start frequency (" + hz(p.startHz) + ").";
    if (!(p.stopHz < p.sampleRateHz / 2.0))
        return "The sweep's stop frequency (" + hz(p.stopHz) +
               ") must be below half the sampling frequency (" + hz(p.sampleRateHz / 2.0) + ").";
    return {};
}

double sweepRateSeconds(const SweepParams& p)
{
    const double seconds = static_cast<double>(p.frameCount) / p.sampleRateHz;
    double rate = seconds / std::log(p.stopHz / p.startHz);
    if (p.synchronised)
        rate = std::max(std::round(p.startHz * rate), 1.0) / p.startHz;
    return rate;
}

double unitSweepSample(const SweepParams& p, double rateSeconds, std::int64_t n)
{
    // expm1 keeps the first frames' tiny phases exact instead of the
    // difference of two numbers near 1.
    const double growth = std::expm1(static_cast<double>(n) / (p.sampleRateHz * rateSeconds));
    return std::sin(kTwoPi * p.startHz * rateSeconds * growth);
}

double inverseFilterGain(const SweepParams& p)
{
    // The spectrum of a linear convolution is the product of the two spectra,
    // so one frequency of each is enough. With h[m] = s[N-1-m] w[m], H at w0
    // has the magnitude of sum_n s[n] w[N-1-n] e^{-j w0 n}: both sums run
    // over the sweep's frames with the same phasor.
    const double rate = sweepRateSeconds(p);
    const double omega = kTwoPi * std::sqrt(p.startHz * p.stopHz) / p.sampleRateHz;
    const double lastFrame = static_cast<double>(p.frameCount - 1);
    const double perFrame = 1.0 / (p.sampleRateHz * rate);
    const std::complex<double> step = std::polar(1.0, -omega);
    // The phasor is set afresh from cos and sin every block, so the rounding of
    // the repeated products never builds up.
    constexpr std::int64_t kBlock = 1024;
    std::complex<double> sweepSum = 0.0;
    std::complex<double> inverseSum = 0.0;
    for (std::int64_t start = 0; start < p.frameCount; start += kBlock) {
        std::complex<double> phasor = std::polar(1.0, -omega * static_cast<double>(start));
        const std::int64_t end = std::min(start + kBlock, p.frameCount);
        for (std::int64_t n = start; n < end; ++n) {
            const double s = unitSweepSample(p, rate, n);
            const double w = std::exp(-(lastFrame - static_cast<double>(n)) * perFrame);
            sweepSum += s * phasor;
            inverseSum += (s * w) * phasor;
            phasor *= step;
        }
    }
    const double product = std::abs(sweepSum) * std::abs(inverseSum);
    return product > 0.0 ? 1.0 / product : 0.0;
}

void fillInverseFilter(const SweepParams& p, double gain, std::int64_t first, double* out,
                       int count)
{
    const double rate = sweepRateSeconds(p);
    const double perFrame = 1.0 / (p.sampleRateHz * rate);
    for (int i = 0; i < count; ++i) {
        const std::int64_t m = first + i;
        if (m < 0 || m >= p.frameCount) {
            out[i] = 0.0;
            continue;
        }
        const double w = std::exp(-static_cast<double>(m) * perFrame);
        out[i] = gain * w * unitSweepSample(p, rate, p.frameCount - 1 - m);
    }
}

SweepGen::SweepGen()
{
    maxBlockSize = kBlockSize;
}

void SweepGen::setSweep(const SweepParams& p, int channels)
{
    params = p;
    numCh = channels;
    valid = checkSweepParams(p).empty();
    rateSeconds = valid ? sweepRateSeconds(p) : 0.0;
    nextFrame = 0;
}

void SweepGen::generate(double* out, int count)
{
    for (int i = 0; i < count; ++i, ++nextFrame) {
        out[i] = valid && nextFrame < params.frameCount
                     ? params.amplitude * unitSweepSample(params, rateSeconds, nextFrame)
                     : 0.0;
    }
}

int SweepGen::execStore(double* data, int dataSize)
{
    if (numCh != 1)
        return core::kChannelCountIncorrect;
    if (dataSize > 0)
        generate(data, dataSize);
    return 0;
}

int SweepGen::execStore(double* left, double* right, int dataSize)
{
    if (numCh != 2)
        return core::kChannelCountIncorrect;
    if (dataSize <= 0)
        return 0;
    generate(left, dataSize);
    std::memcpy(right, left, sizeof(double) * static_cast<std::size_t>(dataSize));
    return 0;
}

SweepInverseGen::SweepInverseGen()
{
    maxBlockSize = SweepGen::kBlockSize;
    numCh = 1;
}

void SweepInverseGen::setSweep(const SweepParams& p)
{
    params = p;
    params.amplitude = 1.0;
    valid = checkSweepParams(params).empty();
    filterGain = valid ? inverseFilterGain(params) : 0.0;
    nextFrame = 0;
}

int SweepInverseGen::execStore(double* data, int dataSize)
{
    if (dataSize <= 0)
        return 0;
    if (valid)
        fillInverseFilter(params, filterGain, nextFrame, data, dataSize);
    else
        std::fill(data, data + dataSize, 0.0);
    nextFrame += dataSize;
    return 0;
}

int SweepInverseGen::execStore(double*, double*, int)
{
    return core::kChannelCountIncorrect;
}

} // namespace corvane::signal
