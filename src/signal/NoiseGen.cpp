#include "signal/NoiseGen.h"

#include "core/ResultCodes.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace corvane::signal {
namespace {

constexpr double kTwoPi = 6.283185307179586;

} // namespace

std::string checkNoiseParams(const NoiseParams& p)
{
    if (!std::isfinite(p.sampleRateHz) || !std::isfinite(p.amplitude))
        return "The noise needs finite numbers.";
    if (p.frameCount < 1)
        return "The noise needs at least one frame.";
    if (p.sampleRateHz < kMinNoiseRateHz || p.sampleRateHz > kMaxNoiseRateHz)
        return "The sampling frequency for noise must be from 8000 to 384000 Hz.";
    if (p.colour != NoiseColour::White && p.colour != NoiseColour::Pink)
        return "Unknown noise colour.";
    return {};
}

NoiseGen::NoiseGen()
{
    maxBlockSize = kBlockSize;
}

void NoiseGen::setNoise(const NoiseParams& p, int channels)
{
    params = p;
    numCh = channels;
    outputScale = 0.0;
    pink.reset();
    if (!checkNoiseParams(p).empty())
        return;
    if (p.colour == NoiseColour::Pink)
        pink.emplace(p.sampleRateHz);

    restart();
    // Partial sums per block keep the rounding of a long sum small.
    constexpr std::int64_t kSumBlock = 4096;
    double sumSquares = 0.0;
    for (std::int64_t done = 0; done < p.frameCount;) {
        const auto n = static_cast<int>(
            std::min<std::int64_t>(p.frameCount - done, kSumBlock));
        double partial = 0.0;
        for (int i = 0; i < n; ++i) {
            const double v = nextUnscaled();
            partial += v * v;
        }
        sumSquares += partial;
        done += n;
    }
    restart();
    const double rms = std::sqrt(sumSquares / static_cast<double>(p.frameCount));
    outputScale = rms > 0.0 ? (p.amplitude / std::sqrt(2.0)) / rms : 0.0;
}

void NoiseGen::restart()
{
    rng = Xoshiro256(params.seed);
    hasSpare = false;
    spareGaussian = 0.0;
    if (pink) {
        pink->reset();
        // Five time constants of the slowest section.
        const double settle = 5.0 * params.sampleRateHz / (kTwoPi * pink->lowestPoleHz());
        const auto frames = static_cast<std::int64_t>(std::ceil(settle));
        for (std::int64_t i = 0; i < frames; ++i)
            pink->process(nextGaussian());
    }
}

double NoiseGen::nextGaussian()
{
    if (hasSpare) {
        hasSpare = false;
        return spareGaussian;
    }
    // Marsaglia's polar method: a point uniform in the unit disc gives two
    // independent normal values with one log and one square root, no sine.
    double u = 0.0;
    double v = 0.0;
    double s = 0.0;
    do {
        u = 2.0 * rng.nextDouble() - 1.0;
        v = 2.0 * rng.nextDouble() - 1.0;
        s = u * u + v * v;
    } while (s >= 1.0 || s == 0.0);
    const double factor = std::sqrt(-2.0 * std::log(s) / s);
    spareGaussian = v * factor;
    hasSpare = true;
    return u * factor;
}

double NoiseGen::nextUnscaled()
{
    const double g = nextGaussian();
    return pink ? pink->process(g) : g;
}

void NoiseGen::generate(double* out, int count)
{
    if (outputScale == 0.0) {
        std::memset(out, 0, sizeof(double) * static_cast<std::size_t>(count));
        return;
    }
    for (int i = 0; i < count; ++i)
        out[i] = outputScale * nextUnscaled();
}

int NoiseGen::execStore(double* data, int dataSize)
{
    if (numCh != 1)
        return core::kChannelCountIncorrect;
    if (dataSize > 0)
        generate(data, dataSize);
    return 0;
}

int NoiseGen::execStore(double* left, double* right, int dataSize)
{
    if (numCh != 2)
        return core::kChannelCountIncorrect;
    if (dataSize <= 0)
        return 0;
    generate(left, dataSize);
    std::memcpy(right, left, sizeof(double) * static_cast<std::size_t>(dataSize));
    return 0;
}

} // namespace corvane::signal
