#include "signal/NoiseGen.h"

#include "NoiseReadAhead.h"
#include "core/ResultCodes.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace corvane::signal {
namespace {

constexpr double kTwoPi = 6.283185307179586;

// Candidate pairs per batch: the scratch and the values stay in the
// first-level cache.
constexpr int kCandidatePairs = 1024;

constexpr int kSumBlock = 4096;

// The two-thread pass sums its chunks block by block, so it adds the same
// values in the same order as the one-thread pass.
static_assert(kTwoThreadChunk % kSumBlock == 0);

// Long enough for a second thread to pay off.
constexpr std::int64_t kPipelinedFrames = std::int64_t{1} << 20;

double blockSumSquares(const double* x, int count)
{
    double partial = 0.0;
    for (int i = 0; i < count; ++i)
        partial += x[i] * x[i];
    return partial;
}

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

NoiseGen::~NoiseGen()
{
    stopReadAhead();
}

void NoiseGen::stopReadAhead()
{
    ahead.reset();
}

void NoiseGen::takeGaussians(double* out, int count)
{
    if (!ahead)
        ahead = std::make_unique<NoiseReadAhead>([this](double* to, int n) { drawGaussians(to, n); },
                                                 pink ? &*pink : nullptr);
    ahead->take(out, count);
}

NoiseGen::NoiseGen()
    : scratch(3 * static_cast<std::size_t>(kCandidatePairs)),
      gaussians(2 * static_cast<std::size_t>(kCandidatePairs))
{
    maxBlockSize = kBlockSize;
}

void NoiseGen::setNoise(const NoiseParams& p, int channels)
{
    stopReadAhead();
    params = p;
    numCh = channels;
    outputScale = 0.0;
    expectedScale = 0.0;
    checking = false;
    pink.reset();
    if (!checkNoiseParams(p).empty())
        return;
    if (p.colour == NoiseColour::Pink)
        pink.emplace(p.sampleRateHz);

    restart();
    const double target = p.amplitude / std::sqrt(2.0);
    if (p.frameCount >= kExpectedLevelFrames && !pink) {
        outputScale = target;
        return;
    }
    // Unit-variance input gives the filter's impulse energy as the power.
    if (pink && p.frameCount >= expectedLevelFrames(pink->correlationSum()))
        expectedScale = target / std::sqrt(pink->impulseEnergy());
    if (expectedScale != 0.0 && p.levelFromExpectation) {
        outputScale = expectedScale;
        checking = true;
        return;
    }
    setMeasuredScale();
}

void NoiseGen::setMeasuredScale()
{
    const bool deciding = expectedScale != 0.0;
    const double sumSquares = pink && params.frameCount >= kPipelinedFrames ? pipelinedSumSquares(deciding)
                                                                            : sumSquaresOfStream(deciding);
    const bool expectedHolds = deciding && LevelCheck::holds(levelRatio());
    restart();
    const double rms = std::sqrt(sumSquares / static_cast<double>(params.frameCount));
    const double target = params.amplitude / std::sqrt(2.0);
    outputScale = expectedHolds ? expectedScale : rms > 0.0 ? target / rms : 0.0;
}

void NoiseGen::measureLevel()
{
    if (!checking)
        return;
    checking = false;
    outputScale = 0.0; // the measuring pass draws without the read-ahead
    restart();
    setMeasuredScale();
}

double NoiseGen::levelRatio() const
{
    if (!pink || params.frameCount < 1)
        return 0.0;
    return check.ratio(static_cast<double>(params.frameCount) * pink->impulseEnergy());
}

bool NoiseGen::levelHeld() const
{
    if (!checking)
        return true;
    return check.checkedFrames() >= params.frameCount && LevelCheck::holds(levelRatio());
}

// Partial sums per block keep the rounding of a long sum small; both ways
// of measuring add the same values in the same order, so they agree to the bit.
double NoiseGen::sumSquaresOfStream(bool lanes)
{
    double block[kSumBlock];
    double sumSquares = 0.0;
    for (std::int64_t done = 0; done < params.frameCount;) {
        const auto n = static_cast<int>(std::min<std::int64_t>(params.frameCount - done, kSumBlock));
        unscaled(block, n);
        sumSquares += blockSumSquares(block, n);
        if (lanes)
            check.note(block, n, params.frameCount);
        done += n;
    }
    return sumSquares;
}

// The measuring pass for long pink noise, drawing on a second thread.
double NoiseGen::pipelinedSumSquares(bool lanes)
{
    double sumSquares = 0.0;
    filterOnTwoThreads(
        params.frameCount, [this](double* to, int n) { drawGaussians(to, n); }, *pink,
        [&](const double* filtered, int n) {
            for (int at = 0; at < n; at += kSumBlock)
                sumSquares += blockSumSquares(filtered + at, std::min(kSumBlock, n - at));
            if (lanes)
                check.note(filtered, n, params.frameCount);
        });
    return sumSquares;
}

bool NoiseGen::restart()
{
    // The drawer has drawn past where the fills stopped; the stream starts
    // again from the seed anyway.
    stopReadAhead();
    rng.reseed(params.seed);
    gaussianAt = 0;
    gaussianCount = 0;
    check.reset();
    if (pink) {
        pink->reset();
        // Five time constants of the slowest section.
        const double settle = 5.0 * params.sampleRateHz / (kTwoPi * pink->lowestPoleHz());
        auto frames = static_cast<std::int64_t>(std::ceil(settle));
        double block[1024];
        while (frames > 0) {
            const auto n = static_cast<int>(std::min<std::int64_t>(frames, 1024));
            unscaled(block, n);
            frames -= n;
        }
    }
    return true;
}

void NoiseGen::drawGaussians(double* out, int count)
{
    for (int done = 0; done < count;) {
        // A whole batch fits: straight into place, without the copy.
        if (gaussianAt == gaussianCount && count - done >= 2 * kCandidatePairs) {
            done += gaussianBatch(rng, kCandidatePairs, scratch.data(), out + done, bestIsa());
            continue;
        }
        if (gaussianAt == gaussianCount) {
            gaussianCount = gaussianBatch(rng, kCandidatePairs, scratch.data(), gaussians.data(), bestIsa());
            gaussianAt = 0;
            continue;
        }
        const int n = std::min(count - done, gaussianCount - gaussianAt);
        std::memcpy(out + done, gaussians.data() + gaussianAt, sizeof(double) * static_cast<std::size_t>(n));
        gaussianAt += n;
        done += n;
    }
}

void NoiseGen::unscaled(double* out, int count)
{
    if (params.frameCount >= kPipelinedFrames && outputScale != 0.0) {
        takeGaussians(out, count); // filtered on the way
        return;
    }
    drawGaussians(out, count);
    if (pink)
        pink->process(out, out, count);
}

void NoiseGen::generate(double* out, int count)
{
    if (outputScale == 0.0) {
        std::memset(out, 0, sizeof(double) * static_cast<std::size_t>(count));
        return;
    }
    unscaled(out, count);
    // The frames the level check still counts are scaled as their squares
    // are noted, the rest on their own.
    const int noted = checking ? check.note(out, count, params.frameCount, out, outputScale) : 0;
    scaleNotingSquares(out + noted, out + noted, count - noted, outputScale, nullptr);
}

int NoiseGen::fill(double* data, int dataSize, int channels)
{
    if (numCh != channels)
        return core::kChannelCountIncorrect;
    if (dataSize > 0)
        generate(data, dataSize);
    return 0;
}

int NoiseGen::execStore(double* data, int dataSize)
{
    return fill(data, dataSize, 1);
}

int NoiseGen::execStoreIdentical(double* data, int dataSize)
{
    return fill(data, dataSize, 2);
}

int NoiseGen::execStore(double* left, double* right, int dataSize)
{
    const int result = fill(left, dataSize, 2);
    if (result == 0 && dataSize > 0)
        std::memcpy(right, left, sizeof(double) * static_cast<std::size_t>(dataSize));
    return result;
}

} // namespace corvane::signal
