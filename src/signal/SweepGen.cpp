#include "signal/SweepGen.h"

#include "core/ResultCodes.h"
#include "signal/FastMathKernel.h"
#include "signal/FastSineKernel.h"
#include "signal/Isa.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>
#include <sstream>

namespace corvane::signal {
namespace {

constexpr double kTwoPi = 6.283185307179586;

// The constants of one sweep's closed form.
struct Form {
    double framesPerE; // fs L: frames for the sweep to rise by a factor e
    double phaseScale; // 2 pi F1 L
    double amplitude;
};

Form formOf(const SweepParams& p, double rateSeconds, double amplitude)
{
    return {p.sampleRateHz * rateSeconds, kTwoPi * p.startHz * rateSeconds, amplitude};
}

// The closed form with the library's expm1 and sine: for blocks that reach
// past the fast kernels' ranges (no sweep the commands make does).
double referenceSample(const Form& f, double n)
{
    return f.amplitude * std::sin(f.phaseScale * std::expm1(n / f.framesPerE));
}

// Frame first + i into out[i]. The phase comes from the same closed form, with
// exp(t) - 1 and the sine from the branch-free kernels and the phase reduced
// by whole turns first.
//
// Accuracy, against the closed form evaluated exactly, with phi the exact
// phase and C = 2 pi F1 L: the double frame count is exact; the division
// rounds t by u t (u = 2^-53), which moves the phase by u t (phi + C), as
// the phase's slope in t is phi + C; the kernel's expm1 adds 3 u (phi + C) and
// the product with C one u phi more. So the phase is off by at most
// (t + 4) u (phi + C), where evaluating the closed form in double precision
// with the library's functions is off by about (t + 2) u (phi + C): the same
// order. The turn reduction adds 7.2e-16 and the sine 2.6e-16
// (FastSineKernel.h). For the 10 s sweep from 20 Hz to 20 kHz at 48 kHz
// (t <= 6.91, phi below 1.9e5 rad) that is below 2.3e-10 A at every frame;
// at the end of a 1000 s sweep to 20 kHz it is about 2.2e-8 A, against about
// 1.8e-8 A for the library evaluation in double precision.
[[gnu::always_inline]] inline void sweepLoop(const Form& f, std::int64_t first, double* __restrict out, int count)
{
    const auto base = static_cast<double>(first);
    const double framesPerE = f.framesPerE;
    const double phaseScale = f.phaseScale;
    const double amplitude = f.amplitude;
    // t and the phase rise with the frame, so the block's last frame bounds
    // them all; the kernels hold a little beyond both limits (expm1 to 709,
    // the turn reduction to 3.3e9 rad), which covers the 6 u by which the
    // fast expm1 may stray from monotonic.
    const double lastT = (base + static_cast<double>(count - 1)) / framesPerE;
    const bool fast =
        first >= 0 && kernel::inExpm1Range(lastT) && kernel::inTurnRange(phaseScale * kernel::fastExpm1(lastT));
    if (!fast) {
        for (int i = 0; i < count; ++i)
            out[i] = referenceSample(f, base + static_cast<double>(i));
        return;
    }
    for (int i = 0; i < count; ++i) {
        const double t = (base + static_cast<double>(i)) / framesPerE;
        const double phase = phaseScale * kernel::fastExpm1(t);
        out[i] = amplitude * kernel::fastSine(kernel::reduceTurns(phase));
    }
}

using SweepBlock = void (*)(const Form&, std::int64_t, double*, int);

void sweepBaseline(const Form& f, std::int64_t first, double* out, int count)
{
    sweepLoop(f, first, out, count);
}

[[gnu::target("avx2")]] void sweepAvx2(const Form& f, std::int64_t first, double* out, int count)
{
    sweepLoop(f, first, out, count);
}

[[gnu::target("avx512f,avx512dq,avx512vl,avx512bw")]] void sweepAvx512(const Form& f, std::int64_t first,
                                                                       double* out, int count)
{
    sweepLoop(f, first, out, count);
}

SweepBlock sweepFor(Isa isa)
{
    return pickIsa<SweepBlock>(isa, sweepBaseline, sweepAvx2, sweepAvx512);
}

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
        return "The sweep's start frequency (" + hz(p.startHz) + ") must be at least " + hz(kMinSweepStartHz) +
               ".";
    if (!(p.stopHz > p.startHz))
        return "The sweep's stop frequency (" + hz(p.stopHz) + ") must be above its start frequency (" +
               hz(p.startHz) + ").";
    if (!(p.stopHz < p.sampleRateHz / 2.0))
        return "The sweep's stop frequency (" + hz(p.stopHz) + ") must be below half the sampling frequency (" +
               hz(p.sampleRateHz / 2.0) + ").";
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
    double v = 0.0;
    sweepBaseline(formOf(p, rateSeconds, 1.0), n, &v, 1);
    return v;
}

void sweepBlock(const SweepParams& p, double rateSeconds, std::int64_t first, double* out, int count, Isa isa)
{
    if (count > 0)
        sweepFor(isa)(formOf(p, rateSeconds, p.amplitude), first, out, count);
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

void fillInverseFilter(const SweepParams& p, double gain, std::int64_t first, double* out, int count)
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

void SweepGen::fillFrames(std::int64_t first, double* out, int count) const
{
    if (count <= 0)
        return;
    const std::int64_t left = valid && first >= 0 ? std::max<std::int64_t>(params.frameCount - first, 0) : 0;
    const int live = static_cast<int>(std::min<std::int64_t>(left, count));
    sweepBlock(params, rateSeconds, first, out, live, bestIsa());
    std::fill(out + live, out + count, 0.0);
}

int SweepGen::execStore(double* data, int dataSize)
{
    if (numCh != 1)
        return core::kChannelCountIncorrect;
    if (dataSize > 0)
        fillFrames(takeFrames(dataSize), data, dataSize);
    return 0;
}

int SweepGen::execStore(double* left, double* right, int dataSize)
{
    if (numCh != 2)
        return core::kChannelCountIncorrect;
    if (dataSize <= 0)
        return 0;
    fillFrames(takeFrames(dataSize), left, dataSize);
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
