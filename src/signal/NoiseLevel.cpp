#include "signal/NoiseLevel.h"

#include "signal/Isa.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace corvane::signal {
namespace {

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

} // namespace

void scaleNotingSquares(const double* x, double* out, int count, double scale, double* lanes)
{
    pickIsa(bestIsa(), scaleBaseline, scaleAvx2, scaleAvx512)(x, out, count, scale, lanes);
}

std::int64_t expectedLevelFrames(double correlationSum)
{
    // N >= 2 S / sigma^2 with sigma a third of kLevelCheckDb as a power ratio.
    constexpr double kSigma = 0.010361632918473206 / 3.0; // ln(10) / 10 * 0.045 / 3
    const double frames = std::ceil(2.0 * correlationSum / (kSigma * kSigma));
    return frames < 9.0e18 ? static_cast<std::int64_t>(frames) : std::numeric_limits<std::int64_t>::max();
}

void LevelCheck::reset()
{
    std::fill(std::begin(lanes), std::end(lanes), 0.0);
    checked = 0;
}

int LevelCheck::note(const double* x, int count, std::int64_t frames, double* out, double scale)
{
    const auto n = static_cast<int>(std::clamp<std::int64_t>(frames - checked, 0, count));
    const auto one = [&](int i, int lane) {
        const double v = x[i];
        lanes[lane] += v * v;
        if (out != nullptr)
            out[i] = v * scale;
    };
    int i = 0;
    for (auto lane = static_cast<int>(checked % 8); i < n && lane != 0; ++i, lane = (lane + 1) % 8)
        one(i, lane);
    const int body = (n - i) / 8 * 8;
    scaleNotingSquares(x + i, out == nullptr ? nullptr : out + i, body, scale, lanes);
    i += body;
    for (int lane = 0; i < n; ++i, ++lane)
        one(i, lane);
    checked += n;
    return n;
}

double LevelCheck::ratio(double expectedPower) const
{
    const double sum =
        ((lanes[0] + lanes[1]) + (lanes[2] + lanes[3])) + ((lanes[4] + lanes[5]) + (lanes[6] + lanes[7]));
    return sum / expectedPower;
}

// The power ratio against 10^(±kLevelCheckDb / 10), as literals so that the
// verdict does not hang on a library's last bit.
bool LevelCheck::holds(double ratio)
{
    constexpr double kHigh = 1.0104155005282134;
    constexpr double kLow = 0.9896918638691029;
    return ratio >= kLow && ratio <= kHigh;
}

} // namespace corvane::signal
