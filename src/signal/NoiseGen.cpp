#include "signal/NoiseGen.h"

#include "core/ResultCodes.h"
#include "signal/FastMathKernel.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <immintrin.h>
#include <limits>
#include <mutex>
#include <thread>

namespace corvane::signal {
namespace {

constexpr double kTwoPi = 6.283185307179586;

// Candidate pairs per batch: the scratch and the values stay in the
// first-level cache.
constexpr int kCandidatePairs = 1024;

constexpr int kSumBlock = 4096;

// Long enough for a second thread to pay off.
constexpr std::int64_t kPipelinedFrames = std::int64_t{1} << 20;

// The read-ahead's buffers: a few of them, so that neither side waits for
// the other at every hand-over, each small enough for the second-level cache.
constexpr int kAheadSlots = 8;
// The drawer, finding every slot full, sleeps until this many are free
// again: it then runs for several slots at a time instead of waking for
// each one, which would keep both threads taking turns on one core.
constexpr int kAheadResume = kAheadSlots / 2;
constexpr int kAheadValues = 16384;

double blockSumSquares(const double* x, int count)
{
    double partial = 0.0;
    for (int i = 0; i < count; ++i)
        partial += x[i] * x[i];
    return partial;
}

// The candidates' coordinates from the raw outputs, in place.
[[gnu::always_inline]] inline void toCoordinates(double* __restrict raw, int count)
{
    for (int i = 0; i < count; ++i) {
        std::uint64_t bits;
        std::memcpy(&bits, raw + i, sizeof bits);
        const double d = kernel::fromBits((bits >> 12) | kernel::bitsOf(1.0));
        raw[i] = 2.0 * d - 3.0;
    }
}

[[gnu::always_inline]] inline void polarPairs(const double* __restrict u, const double* __restrict v,
                                              const double* __restrict s, int count, double* __restrict out)
{
    for (int i = 0; i < count; ++i) {
        const double f = std::sqrt(-2.0 * kernel::fastLog(s[i]) / s[i]);
        out[2 * i] = u[i] * f;
        out[2 * i + 1] = v[i] * f;
    }
}

// The candidates with s = u^2 + v^2 in (0, 1) to the front of u, v and s, in
// order: every candidate is written, the count moves only for the kept ones.
// The test is the one each path uses, ordered below 1 and unordered against 0.
std::size_t keepInside(const double* coords, std::size_t from, std::size_t n, double* u, double* v, double* s,
                       std::size_t kept)
{
    for (std::size_t i = from; i < n; ++i) {
        const double a = coords[2 * i];
        const double b = coords[2 * i + 1];
        const double q = a * a + b * b;
        u[kept] = a;
        v[kept] = b;
        s[kept] = q;
        kept += ((q < 1.0) & (q != 0.0)) ? 1u : 0u;
    }
    return kept;
}

std::size_t keepBaseline(const double* coords, std::size_t n, double* u, double* v, double* s)
{
    return keepInside(coords, 0, n, u, v, s, 0);
}

// Eight candidates at a time, compressed into place. A full vector is stored
// at the kept count, which never passes the candidate index, so the stores
// stay inside the rows.
[[gnu::target("avx512f,avx512dq,avx512vl,avx512bw,popcnt")]] std::size_t
keepAvx512(const double* coords, std::size_t n, double* u, double* v, double* s)
{
    const __m512i even = _mm512_setr_epi64(0, 2, 4, 6, 8, 10, 12, 14);
    const __m512i odd = _mm512_setr_epi64(1, 3, 5, 7, 9, 11, 13, 15);
    const __m512d one = _mm512_set1_pd(1.0);
    const __m512d zero = _mm512_setzero_pd();
    std::size_t kept = 0;
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m512d lo = _mm512_loadu_pd(coords + 2 * i);
        const __m512d hi = _mm512_loadu_pd(coords + 2 * i + 8);
        const __m512d a = _mm512_permutex2var_pd(lo, even, hi);
        const __m512d b = _mm512_permutex2var_pd(lo, odd, hi);
        const __m512d q = _mm512_add_pd(_mm512_mul_pd(a, a), _mm512_mul_pd(b, b));
        const __mmask8 in = _mm512_cmp_pd_mask(q, one, _CMP_LT_OQ) & _mm512_cmp_pd_mask(q, zero, _CMP_NEQ_UQ);
        _mm512_storeu_pd(u + kept, _mm512_maskz_compress_pd(in, a));
        _mm512_storeu_pd(v + kept, _mm512_maskz_compress_pd(in, b));
        _mm512_storeu_pd(s + kept, _mm512_maskz_compress_pd(in, q));
        kept += static_cast<std::size_t>(__builtin_popcount(in));
    }
    return keepInside(coords, i, n, u, v, s, kept);
}

using V8 = double __attribute__((vector_size(64)));

// With lanes: the squares of x into the eight lanes (x[0] into lane 0),
// count a multiple of eight, and x times scale into out unless out is null.
// Without: only out = x times scale. One pass for both keeps the block in
// the first-level cache; out may be x.
[[gnu::always_inline]] inline void scaleNoting(const double* x, double* out, int count, double scale,
                                               double* lanes)
{
    if (lanes == nullptr) {
        for (int i = 0; i < count; ++i)
            out[i] = x[i] * scale;
        return;
    }
    V8 acc;
    std::memcpy(&acc, lanes, sizeof acc);
    for (int i = 0; i + 8 <= count; i += 8) {
        V8 v;
        std::memcpy(&v, x + i, sizeof v);
        acc += v * v;
        if (out != nullptr) {
            v *= scale;
            std::memcpy(out + i, &v, sizeof v);
        }
    }
    std::memcpy(lanes, &acc, sizeof acc);
}

void scaleBaseline(const double* x, double* out, int count, double scale, double* lanes)
{
    scaleNoting(x, out, count, scale, lanes);
}

[[gnu::target("avx2")]] void scaleAvx2(const double* x, double* out, int count, double scale, double* lanes)
{
    scaleNoting(x, out, count, scale, lanes);
}

[[gnu::target("avx512f,avx512dq,avx512vl,avx512bw")]] void scaleAvx512(const double* x, double* out, int count,
                                                                       double scale, double* lanes)
{
    scaleNoting(x, out, count, scale, lanes);
}

void scaleOn(const double* x, double* out, int count, double scale, double* lanes)
{
    switch (bestIsa()) {
    case Isa::Avx512: scaleAvx512(x, out, count, scale, lanes); break;
    case Isa::Avx2: scaleAvx2(x, out, count, scale, lanes); break;
    default: scaleBaseline(x, out, count, scale, lanes); break;
    }
}

struct Kernels {
    void (*coordinates)(double*, int);
    void (*pairs)(const double*, const double*, const double*, int, double*);
    std::size_t (*keep)(const double*, std::size_t, double*, double*, double*);
};

void coordinatesBaseline(double* raw, int count)
{
    toCoordinates(raw, count);
}
void pairsBaseline(const double* u, const double* v, const double* s, int count, double* out)
{
    polarPairs(u, v, s, count, out);
}
[[gnu::target("avx2")]] void coordinatesAvx2(double* raw, int count)
{
    toCoordinates(raw, count);
}
[[gnu::target("avx2")]] void pairsAvx2(const double* u, const double* v, const double* s, int count, double* out)
{
    polarPairs(u, v, s, count, out);
}
[[gnu::target("avx512f,avx512dq,avx512vl,avx512bw")]] void coordinatesAvx512(double* raw, int count)
{
    toCoordinates(raw, count);
}
[[gnu::target("avx512f,avx512dq,avx512vl,avx512bw")]] void pairsAvx512(const double* u, const double* v,
                                                                       const double* s, int count, double* out)
{
    polarPairs(u, v, s, count, out);
}

Kernels kernelsFor(Isa isa)
{
    if (!isaSupported(isa))
        isa = Isa::Baseline;
    switch (isa) {
    case Isa::Avx512: return {coordinatesAvx512, pairsAvx512, keepAvx512};
    case Isa::Avx2: return {coordinatesAvx2, pairsAvx2, keepBaseline};
    default: return {coordinatesBaseline, pairsBaseline, keepBaseline};
    }
}

} // namespace

namespace {

// The candidates from 2 * candidatePairs raw outputs already in out.
int gaussiansFromRaw(int candidatePairs, double* scratch, double* out, Isa isa)
{
    const Kernels k = kernelsFor(isa);
    const auto n = static_cast<std::size_t>(candidatePairs);
    k.coordinates(out, 2 * candidatePairs);
    // The accepted pairs to the front of the scratch's three rows.
    double* u = scratch;
    double* v = scratch + n;
    double* s = scratch + 2 * n;
    const std::size_t kept = k.keep(out, n, u, v, s);
    k.pairs(u, v, s, static_cast<int>(kept), out);
    return static_cast<int>(2 * kept);
}

} // namespace

int gaussianBatch(Xoshiro256& rng, int candidatePairs, double* scratch, double* out, Isa isa)
{
    if (candidatePairs <= 0)
        return 0;
    // The raw outputs go into out first (room for 2n), as bits. The engine
    // runs on a local copy: stores through out could alias it as far as the
    // compiler knows, which would put its state through memory every step.
    Xoshiro256 local = rng;
    for (int i = 0; i < 2 * candidatePairs; ++i) {
        const std::uint64_t r = local.next();
        std::memcpy(out + i, &r, sizeof r);
    }
    rng = local;
    return gaussiansFromRaw(candidatePairs, scratch, out, isa);
}

int gaussianBatch(XoshiroBlocks& rng, int candidatePairs, double* scratch, double* out, Isa isa)
{
    if (candidatePairs <= 0)
        return 0;
    rng.fill(out, 2 * static_cast<std::size_t>(candidatePairs));
    return gaussiansFromRaw(candidatePairs, scratch, out, isa);
}

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

// The drawing thread and the buffers it fills in turn. Slot k % kAheadSlots
// holds the k-th kAheadValues values of the stream from where it started.
struct NoiseGen::ReadAhead {
    std::vector<double> slots[kAheadSlots];
    std::vector<double> fronts[kAheadSlots]; // pink: the filter's front sums of each slot
    std::mutex m;
    std::condition_variable changed;
    int filled = 0; // slots drawn and not yet used up; guarded by m
    bool quit = false; // guarded by m
    bool drawerAsleep = false; // guarded by m
    // The reader's place, touched by the reading thread only.
    int readSlot = 0;
    int readAt = 0;
    bool holding = false;
    std::thread drawer;
};

NoiseGen::~NoiseGen()
{
    stopReadAhead();
}

void NoiseGen::stopReadAhead()
{
    if (!ahead)
        return;
    {
        std::lock_guard lock(ahead->m);
        ahead->quit = true;
    }
    ahead->changed.notify_all();
    ahead->drawer.join();
    ahead.reset();
}

void NoiseGen::takeGaussians(double* out, int count)
{
    if (!ahead) {
        ahead = std::make_unique<ReadAhead>();
        for (auto& slot : ahead->slots)
            slot.resize(kAheadValues);
        if (pink) {
            for (auto& front : ahead->fronts)
                front.resize(kAheadValues);
        }
        ReadAhead& a = *ahead;
        a.drawer = std::thread([this, &a] {
            for (int k = 0;; ++k) {
                {
                    std::unique_lock lock(a.m);
                    if (a.filled == kAheadSlots) {
                        a.drawerAsleep = true;
                        a.changed.wait(lock, [&] { return a.quit || a.filled <= kAheadSlots - kAheadResume; });
                        a.drawerAsleep = false;
                    }
                    if (a.quit)
                        return;
                }
                double* slot = a.slots[k % kAheadSlots].data();
                drawGaussians(slot, kAheadValues);
                // Pink noise takes the filter's front part here and its back
                // part in the reading thread, which shares its core with the
                // writer: that splits the work about evenly.
                if (pink)
                    pink->processFront(slot, a.fronts[k % kAheadSlots].data(), kAheadValues);
                {
                    std::lock_guard lock(a.m);
                    ++a.filled;
                }
                a.changed.notify_all();
            }
        });
    }
    ReadAhead& a = *ahead;
    for (int done = 0; done < count;) {
        if (!a.holding) {
            std::unique_lock lock(a.m);
            a.changed.wait(lock, [&] { return a.filled > 0; });
            a.holding = true;
            a.readAt = 0;
        }
        const int n = std::min(count - done, kAheadValues - a.readAt);
        const double* from = a.slots[a.readSlot].data() + a.readAt;
        if (pink)
            pink->processBack(from, a.fronts[a.readSlot].data() + a.readAt, out + done, n);
        else
            std::memcpy(out + done, from, sizeof(double) * static_cast<std::size_t>(n));
        a.readAt += n;
        done += n;
        if (a.readAt == kAheadValues) {
            a.holding = false;
            a.readSlot = (a.readSlot + 1) % kAheadSlots;
            bool wake = false;
            {
                std::lock_guard lock(a.m);
                --a.filled;
                wake = a.drawerAsleep && a.filled <= kAheadSlots - kAheadResume;
            }
            if (wake)
                a.changed.notify_all();
        }
    }
}

NoiseGen::NoiseGen()
    : scratch(3 * static_cast<std::size_t>(kCandidatePairs)),
      gaussians(2 * static_cast<std::size_t>(kCandidatePairs))
{
    maxBlockSize = kBlockSize;
}

std::int64_t expectedLevelFrames(double correlationSum)
{
    // N >= 2 S / sigma^2 with sigma a third of kLevelCheckDb as a power ratio.
    constexpr double kSigma = 0.010361632918473206 / 3.0; // ln(10) / 10 * 0.045 / 3
    const double frames = std::ceil(2.0 * correlationSum / (kSigma * kSigma));
    return frames < 9.0e18 ? static_cast<std::int64_t>(frames) : std::numeric_limits<std::int64_t>::max();
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
    const bool expectedHolds = deciding && ratioHolds();
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
    const double sum = ((laneSquares[0] + laneSquares[1]) + (laneSquares[2] + laneSquares[3])) +
                       ((laneSquares[4] + laneSquares[5]) + (laneSquares[6] + laneSquares[7]));
    return sum / (static_cast<double>(params.frameCount) * pink->impulseEnergy());
}

// The power ratio against 10^(±kLevelCheckDb / 10), as literals so that the
// verdict does not hang on a library's last bit.
bool NoiseGen::ratioHolds() const
{
    constexpr double kHigh = 1.0104155005282134;
    constexpr double kLow = 0.9896918638691029;
    const double ratio = levelRatio();
    return ratio >= kLow && ratio <= kHigh;
}

bool NoiseGen::levelHeld() const
{
    if (!checking)
        return true;
    return checkedFrames >= params.frameCount && ratioHolds();
}

int NoiseGen::noteSquares(const double* x, int count, double* out, double scale)
{
    const auto n = static_cast<int>(std::clamp<std::int64_t>(params.frameCount - checkedFrames, 0, count));
    const auto one = [&](int i, int lane) {
        const double v = x[i];
        laneSquares[lane] += v * v;
        if (out != nullptr)
            out[i] = v * scale;
    };
    int i = 0;
    for (auto lane = static_cast<int>(checkedFrames % 8); i < n && lane != 0; ++i, lane = (lane + 1) % 8)
        one(i, lane);
    const int body = (n - i) / 8 * 8;
    scaleOn(x + i, out == nullptr ? nullptr : out + i, body, scale, laneSquares);
    i += body;
    for (int lane = 0; i < n; ++i, ++lane)
        one(i, lane);
    checkedFrames += n;
    return n;
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
            noteSquares(block, n);
        done += n;
    }
    return sumSquares;
}

// The measuring pass for long pink noise on two threads: a helper draws the
// Gaussian values while this thread filters them and sums the squares, so
// the pass costs about half of one generation instead of a whole one.
double NoiseGen::pipelinedSumSquares(bool lanes)
{
    constexpr int kChunk = 16 * kSumBlock;
    std::vector<double> chunks[2] = {std::vector<double>(kChunk), std::vector<double>(kChunk)};
    std::vector<double> filtered(kChunk);
    std::mutex m;
    std::condition_variable changed;
    bool filled[2] = {false, false};
    const std::int64_t total = params.frameCount;

    std::thread drawer([&] {
        std::int64_t drawn = 0;
        for (int k = 0; drawn < total; ++k) {
            {
                std::unique_lock lock(m);
                changed.wait(lock, [&] { return !filled[k % 2]; });
            }
            const auto n = static_cast<int>(std::min<std::int64_t>(total - drawn, kChunk));
            drawGaussians(chunks[k % 2].data(), n);
            drawn += n;
            {
                std::lock_guard lock(m);
                filled[k % 2] = true;
            }
            changed.notify_all();
        }
    });

    double sumSquares = 0.0;
    std::int64_t done = 0;
    for (int k = 0; done < total; ++k) {
        {
            std::unique_lock lock(m);
            changed.wait(lock, [&] { return filled[k % 2]; });
        }
        const auto n = static_cast<int>(std::min<std::int64_t>(total - done, kChunk));
        pink->process(chunks[k % 2].data(), filtered.data(), n);
        {
            std::lock_guard lock(m);
            filled[k % 2] = false;
        }
        changed.notify_all();
        for (int at = 0; at < n; at += kSumBlock)
            sumSquares += blockSumSquares(filtered.data() + at, std::min(kSumBlock, n - at));
        if (lanes)
            noteSquares(filtered.data(), n);
        done += n;
    }
    drawer.join();
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
    std::fill(std::begin(laneSquares), std::end(laneSquares), 0.0);
    checkedFrames = 0;
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
    const int noted = checking ? noteSquares(out, count, out, outputScale) : 0;
    scaleOn(out + noted, out + noted, count - noted, outputScale, nullptr);
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
