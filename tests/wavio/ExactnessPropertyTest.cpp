// The fast export paths against the reference ones, over many samples: the
// polynomial sine with the interval check must give exactly the bytes of
// amplitude * std::sin(phase) through wavio::encodeBlock, on every instruction
// set the machine has. Meant for the release build (label "property").

#include "signal/FastSine.h"
#include "signal/MiniWaveGen.h"
#include "wavio/EncodeKernels.h"
#include "wavio/WavFormat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

using namespace corvane;
using namespace corvane::signal;
using namespace corvane::wavio;

namespace {

// The property runs walk the formats by their table index.
core::SampleFormat fmt(int code)
{
    return core::kSampleFormats[static_cast<std::size_t>(code)].format;
}


using corvane::signal::Isa;
namespace sig = corvane::signal;
namespace wv = corvane::wavio;

constexpr double kTwoPi = 6.283185307179586;
constexpr int kBatch = 1 << 16;
constexpr long long kSineSamplesPerFormat = 100'000'000;
constexpr long long kDoubleSamplesPerFormat = 10'000'000;
constexpr int kBytes[] = {1, 2, 3, 4, 4, 8};

// A fixed engine and our own conversions, so every run sees the same values.
struct Random {
    std::mt19937_64 engine{0x5EED'C0DEull};
    double unit() { return static_cast<double>(engine() >> 11) * 0x1p-53; }
    double between(double lo, double hi) { return lo + (hi - lo) * unit(); }
    std::uint64_t below(std::uint64_t n) { return engine() % n; }
    // A few units in the last place either way.
    double nudge(double x)
    {
        const int steps = static_cast<int>(below(7)) - 3;
        for (int i = 0; i < steps; ++i)
            x = std::nextafter(x, std::numeric_limits<double>::infinity());
        for (int i = 0; i > steps; --i)
            x = std::nextafter(x, -std::numeric_limits<double>::infinity());
        return x;
    }
};

std::string describeIsa(Isa isa)
{
    return std::string("instruction set ") + sig::isaName(isa);
}

// A phase whose sine times m is close to target (|target| <= m), in one of
// the four places in [0, 2pi] where the sine takes that value's size.
double phaseFor(Random& rng, double target, double m)
{
    const double a = std::asin(std::fmin(1.0, std::fabs(target) / m));
    double phase = rng.below(2) == 0 ? a : 3.141592653589793 - a;
    if (target < 0)
        phase += 3.141592653589793;
    return rng.nudge(phase);
}

// A value next to a rounding edge of the format, within the reach of m:
// x * scale + 0.5 at a whole number for the integer formats, the midpoint
// between two neighbouring floats for the 32-bit float format.
double edgeTarget(Random& rng, int format, double m)
{
    if (format == core::codeOf(wavio::F32)) {
        const auto f = static_cast<float>(rng.between(-m, m));
        const float g = std::nextafter(f, rng.below(2) == 0 ? 1e30f : -1e30f);
        return (static_cast<double>(f) + static_cast<double>(g)) / 2;
    }
    const double reach = std::floor(m);
    if (reach < 1)
        return 0.5 * (rng.below(2) == 0 ? 1 : -1);
    const double k = std::floor(rng.between(-reach, reach));
    return k + 0.5;
}

struct Regime {
    double amplitude;
    double scale;
};

// Levels from far below one step to past full scale; the float formats also
// take a reference level, as the save command does.
Regime pickRegime(Random& rng, int format)
{
    double level = rng.between(-140.0, 26.0);
    if (rng.below(16) == 0)
        level = rng.below(2) == 0 ? 0.0 : 20.0;
    double amplitude = std::pow(10.0, level / 20.0);
    if (format >= core::codeOf(wavio::F32))
        amplitude *= rng.below(8) == 0 ? 0.1 : rng.between(1e-3, 1.0);
    return {amplitude, wavio::fullScale(fmt(format))};
}

// Phases of four kinds: uniform over a period, a generator's own run,
// specials (period landmarks and their neighbours), and phases whose samples
// fall next to rounding edges (filled per format later).
enum class PhaseKind { Uniform, Generator, Landmarks, Edges };

void fillPhases(Random& rng, PhaseKind kind, std::vector<double>& phase)
{
    const int n = static_cast<int>(phase.size());
    switch (kind) {
    case PhaseKind::Uniform:
        for (double& p : phase)
            p = rng.between(0.0, kTwoPi);
        break;
    case PhaseKind::Generator: {
        static constexpr double kRates[] = {8000, 11025, 22050, 44100, 48000};
        const double fs = kRates[rng.below(5)];
        MiniWaveGen gen;
        gen.setSignal(MiniWaveGen::Sine, 1, rng.between(1.0, fs / 2), fs, 1.0);
        gen.setPhase(rng.between(0.0, kTwoPi));
        gen.execStorePhases(phase.data(), n, 1);
        break;
    }
    case PhaseKind::Landmarks:
        for (double& p : phase) {
            const double mark = static_cast<double>(rng.below(17)) * (kTwoPi / 16);
            p = rng.below(4) == 0
                    ? mark
                    : rng.nudge(mark) + rng.between(-1e-12, 1e-12) * static_cast<double>(rng.below(2));
            if (p < 0)
                p = 0;
        }
        break;
    case PhaseKind::Edges: break;
    }
}

TEST(FastSine, StaysWithinItsBoundOfTheTrueSine)
{
    // The true sine from the 64-bit-mantissa library function, whose own
    // error (about 1e-19) is far below the bound being checked.
    Random rng;
    std::vector<double> phase(kBatch), fast(kBatch);
    double worstFast = 0;
    double worstLibrary = 0;
    for (int batch = 0; batch < 64; ++batch) {
        for (int i = 0; i < kBatch; ++i) {
            switch (i % 4) {
            case 0: phase[static_cast<size_t>(i)] = rng.between(0.0, kTwoPi); break;
            case 1:
                phase[static_cast<size_t>(i)] = rng.between(-sig::kFastPhaseLimit, sig::kFastPhaseLimit);
                break;
            case 2: // next to a quadrant boundary, where the reduction switches branch
                phase[static_cast<size_t>(i)] =
                    rng.nudge(static_cast<double>(rng.below(9)) * (kTwoPi / 8)) + rng.between(-1e-9, 1e-9);
                break;
            default: phase[static_cast<size_t>(i)] = rng.between(-1e-3, 1e-3); break;
            }
        }
        sig::sineBlock(phase.data(), fast.data(), kBatch, Isa::Baseline);
        for (int i = 0; i < kBatch; ++i) {
            const double x = phase[static_cast<size_t>(i)];
            const long double truth = sinl(static_cast<long double>(x));
            worstFast = std::fmax(worstFast, static_cast<double>(std::fabs(fast[static_cast<size_t>(i)] - truth)));
            worstLibrary = std::fmax(worstLibrary, static_cast<double>(std::fabs(std::sin(x) - truth)));
        }
    }
    char figures[96];
    std::snprintf(figures, sizeof figures, "%.3g (polynomial), %.3g (library)", worstFast, worstLibrary);
    RecordProperty("worstErrors", figures);
    EXPECT_LE(worstFast, sig::kSineErrorBound);
    EXPECT_LE(worstLibrary, sig::kLibrarySineError);
    // The proof's figure is 2.6e-16; far above it means the proof is wrong.
    EXPECT_LE(worstFast, 3e-16);
}

TEST(FastSine, EveryInstructionSetGivesTheSameBits)
{
    Random rng;
    std::vector<double> phase(kBatch), base(kBatch), other(kBatch);
    for (double& p : phase)
        p = rng.between(-100.0, 100.0);
    phase[0] = std::numeric_limits<double>::quiet_NaN();
    phase[1] = 1e300; // outside the polynomial's range: the library's value
    sig::sineBlock(phase.data(), base.data(), kBatch, Isa::Baseline);
    EXPECT_TRUE(std::isnan(base[0]));
    EXPECT_EQ(base[1], std::sin(1e300));
    for (Isa isa : sig::supportedIsas()) {
        SCOPED_TRACE(describeIsa(isa));
        sig::sineBlock(phase.data(), other.data(), kBatch, isa);
        EXPECT_EQ(std::memcmp(base.data() + 1, other.data() + 1, sizeof(double) * (kBatch - 1)), 0);
    }
}

TEST(ExactSineEncoding, EqualsTheReferenceForEveryFormatAndInstructionSet)
{
    Random rng;
    std::vector<double> phase(kBatch), sine(kBatch), y(kBatch);
    std::vector<std::uint8_t> expected(kBatch * 16), got(kBatch * 16);
    long long checked[6] = {};
    long long edgeFallbacks[6] = {};
    const long long batches = kSineSamplesPerFormat / kBatch + 1;

    for (long long batch = 0; batch < batches; ++batch) {
        const auto kind = static_cast<PhaseKind>(batch % 4);
        fillPhases(rng, kind, phase);
        if (kind != PhaseKind::Edges)
            for (int i = 0; i < kBatch; ++i)
                sine[static_cast<size_t>(i)] = std::sin(phase[static_cast<size_t>(i)]);

        for (int format = 0; format < 6; ++format) {
            const Regime r = pickRegime(rng, format);
            if (kind == PhaseKind::Edges) {
                const double m = std::fabs(r.amplitude * r.scale);
                for (int i = 0; i < kBatch; ++i) {
                    const double p = phaseFor(rng, edgeTarget(rng, format, m), m);
                    phase[static_cast<size_t>(i)] = p;
                    sine[static_cast<size_t>(i)] = std::sin(p);
                }
            }
            // The generator's expression, then the reference encoder.
            for (int i = 0; i < kBatch; ++i)
                y[static_cast<size_t>(i)] = r.amplitude * sine[static_cast<size_t>(i)];
            const int channels = batch % 3 == 0 ? 2 : 1;
            wavio::encodeBlock(y.data(), channels == 2 ? y.data() : nullptr, kBatch, fmt(format), r.scale,
                               expected.data());
            const std::size_t bytes = static_cast<std::size_t>(kBatch * channels * kBytes[format]);

            for (Isa isa : sig::supportedIsas()) {
                const int fallbacks = wv::encodeSineBlock(phase.data(), kBatch, r.amplitude, fmt(format), r.scale,
                                                          channels, got.data(), isa);
                if (kind == PhaseKind::Edges && isa == Isa::Baseline)
                    edgeFallbacks[format] += fallbacks;
                if (std::memcmp(expected.data(), got.data(), bytes) != 0) {
                    const int stride = channels * kBytes[format];
                    int at = 0;
                    while (std::memcmp(expected.data() + at * stride, got.data() + at * stride,
                                       static_cast<std::size_t>(stride)) == 0)
                        ++at;
                    FAIL() << "format " << format << ", " << describeIsa(isa) << ", batch " << batch << ": sample "
                           << at << " phase " << phase[static_cast<size_t>(at)] << " amplitude " << r.amplitude
                           << " differs";
                }
            }
            checked[format] += kBatch;
        }
    }
    for (int format = 0; format < 6; ++format) {
        SCOPED_TRACE("format " + std::to_string(format));
        EXPECT_GE(checked[format], kSineSamplesPerFormat);
        // The edge batches must really reach the edges, or they prove nothing
        // (the 64-bit format has no fast path and so no fallbacks).
        if (format != core::codeOf(wavio::F64)) {
            EXPECT_GT(edgeFallbacks[format], checked[format] / 4 / 100);
        }
    }
}

TEST(ExactDoubleEncoding, EqualsTheReferenceForEveryFormatAndInstructionSet)
{
    Random rng;
    std::vector<double> left(kBatch), right(kBatch);
    std::vector<std::uint8_t> expected(kBatch * 16), got(kBatch * 16);
    const double specials[] = {0.0,
                               -0.0,
                               0.5,
                               -0.5,
                               1e300,
                               -1e300,
                               std::numeric_limits<double>::infinity(),
                               -std::numeric_limits<double>::infinity(),
                               std::numeric_limits<double>::quiet_NaN(),
                               std::numeric_limits<double>::denorm_min(),
                               4e9,
                               -4e9};
    const long long batches = kDoubleSamplesPerFormat / kBatch + 1;
    for (long long batch = 0; batch < batches; ++batch) {
        for (int format = 0; format < 6; ++format) {
            const double scale = batch % 5 == 0 ? rng.between(0.0, 3e9) : wavio::fullScale(fmt(format));
            const double reach = std::pow(2.0, rng.between(-30.0, 33.0));
            for (int i = 0; i < kBatch; ++i) {
                double x = 0;
                switch (i % 4) {
                case 0: x = rng.between(-reach, reach); break;
                case 1: x = rng.nudge((std::floor(rng.between(-reach, reach)) + 0.5) / scale); break;
                case 2: x = specials[rng.below(std::size(specials))]; break;
                default: x = rng.nudge(static_cast<double>(static_cast<float>(rng.between(-reach, reach)))); break;
                }
                left[static_cast<size_t>(i)] = x;
                right[static_cast<size_t>(i)] = rng.below(4) == 0 ? -x : x;
            }
            const int layout = static_cast<int>(batch % 3); // mono, two identical, two different
            const double* r = layout == 0 ? nullptr : (layout == 1 ? left.data() : right.data());
            wavio::encodeBlock(left.data(), r, kBatch, fmt(format), scale, expected.data());
            const std::size_t bytes = static_cast<std::size_t>(kBatch * (layout == 0 ? 1 : 2) * kBytes[format]);
            for (Isa isa : sig::supportedIsas()) {
                wv::encodeDoubleBlock(left.data(), r, kBatch, fmt(format), scale, got.data(), isa);
                ASSERT_EQ(std::memcmp(expected.data(), got.data(), bytes), 0)
                    << "format " << format << ", " << describeIsa(isa) << ", batch " << batch;
            }
        }
    }
}

} // namespace
