#include "wavio/EncodeKernels.h"

#include "core/CodeSets.h"
#include "signal/Dither.h"
#include "signal/FastSineKernel.h"
#include "wavio/WavFormat.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

namespace corvane::wavio {
namespace {

namespace kernel = signal::kernel;

// A tile is small enough for its scratch arrays to stay in the first-level cache.
constexpr int kTile = 512;

// The integer formats' ranges before the 8-bit offset is added. Clipping the
// real value to the range and then truncating gives the same integer as
// truncating and then clipping, because the bounds are integers on either
// side of zero; and it keeps every conversion inside the 32-bit range.
struct IntRange {
    double lo;
    double hi;
    std::int32_t offset;
};
constexpr IntRange rangeOf(std::size_t format)
{
    const core::SampleFormatInfo& f = core::kSampleFormats[format];
    return {static_cast<double>(f.lowest), static_cast<double>(f.highest), f.offset};
}
// Only for the integer formats.
constexpr IntRange intRange(core::SampleFormat format)
{
    return rangeOf(static_cast<std::size_t>(format));
}

// Slack for the roundings of the fast and of the reference arithmetic, 32
// times the unit roundoff: the analysis below needs about 6 u relative to
// the product and 2 u absolute for the added 0.5.
constexpr double kSlack = 0x1p-48;

enum class Kind { SineInt, SineFloat, DoubleInt };

struct Tile {
    const double* x; // phases (sine kinds) or samples
    int count;
    double amplitude; // sine kinds only
    double scale;
    double width; // sine kinds: the half-width of the reference interval
    IntRange range; // integer kinds
    std::int32_t* value; // the integer or the float's bits, offset included
    std::int32_t* edge; // non-zero where the reference must decide
};

// Why the interval test is exact: let v be the value the reference rounds
// (x * scale + 0.5 with a 64-bit mantissa for the integer formats, the double
// x * scale for the 32-bit float) and w the fast one. When |v - w| <= width,
// v lies in [w - width, w + width]; the endpoints are rounded outward by the
// slack in width, and rounding to the format (truncation and clipping, or
// conversion to float) is monotonic. So if both endpoints give the same
// result, v gives it too. Only where they differ, a rounding edge lies in the
// interval and the sample goes the reference way.
//
// Width for the sine: the reference multiplies the library sine, the fast path
// the polynomial, which differ by at most kSineErrorBound + kLibrarySineError;
// times M = |amplitude * scale| that is the difference of the exact products.
// The roundings add at most 4 u M on each side plus u for the 0.5, and the
// endpoints' own roundings u (M + 1): all inside M * kSlack + kSlack.
//
// Width for given doubles: the only differences are the double roundings of
// x * scale and of the + 0.5 (at most u (2|w| + 1)) against the 64-bit
// mantissa's (2^-63 of the same), so (|w| + 1) * kSlack.
template <Kind K>
[[gnu::always_inline]] inline std::int32_t tileBody(const Tile& t)
{
    const double* __restrict x = t.x;
    std::int32_t* __restrict value = t.value;
    std::int32_t* __restrict edge = t.edge;
    const double amplitude = t.amplitude;
    const double scale = t.scale;
    const double width = t.width;
    const double lo = t.range.lo;
    const double hi = t.range.hi;
    const std::int32_t offset = t.range.offset;
    const int count = t.count; // a local, or the stores might change it
    std::int32_t any = 0;
    for (int i = 0; i < count; ++i) {
        std::int32_t differs;
        if constexpr (K == Kind::SineFloat) {
            const double p = (amplitude * kernel::fastSine(x[i])) * scale;
            const float below = static_cast<float>(p - width);
            const float above = static_cast<float>(p + width);
            std::int32_t belowBits;
            std::int32_t aboveBits;
            std::memcpy(&belowBits, &below, sizeof belowBits);
            std::memcpy(&aboveBits, &above, sizeof aboveBits);
            value[i] = aboveBits;
            differs = (belowBits != aboveBits) | !kernel::inFastRange(x[i]);
        } else {
            double w;
            double halfWidth;
            if constexpr (K == Kind::SineInt) {
                w = (amplitude * kernel::fastSine(x[i])) * scale + 0.5;
                halfWidth = width;
            } else {
                w = x[i] * scale + 0.5;
                halfWidth = ((w < 0 ? -w : w) + 1.0) * kSlack;
            }
            // NaN goes to the low bound here, so the conversion stays
            // defined; the edge flag below sends it the reference way.
            double below = w - halfWidth;
            double above = w + halfWidth;
            below = below >= lo ? below : lo;
            below = below <= hi ? below : hi;
            above = above >= lo ? above : lo;
            above = above <= hi ? above : hi;
            const auto belowInt = static_cast<std::int32_t>(below);
            const auto aboveInt = static_cast<std::int32_t>(above);
            value[i] = aboveInt + offset;
            if constexpr (K == Kind::SineInt)
                differs = (belowInt != aboveInt) | !kernel::inFastRange(x[i]);
            else
                differs = (belowInt != aboveInt) | !((w < 0 ? -w : w) <= std::numeric_limits<double>::max());
        }
        edge[i] = differs;
        any |= differs;
    }
    return any;
}

using TileFn = std::int32_t (*)(const Tile&);

template <Kind K>
std::int32_t tileBaseline(const Tile& t)
{
    return tileBody<K>(t);
}

template <Kind K>
[[gnu::target("avx2")]] std::int32_t tileAvx2(const Tile& t)
{
    return tileBody<K>(t);
}

template <Kind K>
[[gnu::target("avx512f,avx512dq,avx512vl,avx512bw")]] std::int32_t tileAvx512(const Tile& t)
{
    return tileBody<K>(t);
}

template <Kind K>
TileFn tileFor(Isa isa)
{
    if (!signal::isaSupported(isa))
        isa = Isa::Baseline;
    switch (isa) {
    case Isa::Avx512: return tileAvx512<K>;
    case Isa::Avx2: return tileAvx2<K>;
    default: return tileBaseline<K>;
    }
}

// Little-endian stores of the low bytes of v; the second copy for two
// identical channels follows the first.
template <int Bytes>
inline void putSample(std::uint8_t* p, std::int32_t v)
{
    const auto u = static_cast<std::uint32_t>(v);
    for (int b = 0; b < Bytes; ++b)
        p[b] = static_cast<std::uint8_t>(u >> (8 * b));
}

template <int Bytes>
void pack(const std::int32_t* value, int count, int stride, bool twice, std::uint8_t* out)
{
    if constexpr (std::endian::native == std::endian::little && (Bytes == 2 || Bytes == 4)) {
        using Word = std::conditional_t<Bytes == 2, std::uint16_t, std::uint32_t>;
        using Pair = std::conditional_t<Bytes == 2, std::uint32_t, std::uint64_t>;
        if (twice) {
            for (int i = 0; i < count; ++i) {
                const auto w = static_cast<Pair>(static_cast<Word>(value[i]));
                const Pair both = w | (w << (8 * Bytes));
                std::memcpy(out + i * stride, &both, sizeof both);
            }
        } else {
            for (int i = 0; i < count; ++i) {
                const auto w = static_cast<Word>(value[i]);
                std::memcpy(out + i * stride, &w, sizeof w);
            }
        }
        return;
    }
    for (int i = 0; i < count; ++i) {
        putSample<Bytes>(out + i * stride, value[i]);
        if (twice)
            putSample<Bytes>(out + i * stride + Bytes, value[i]);
    }
}

void packAny(int bytes, const std::int32_t* value, int count, int stride, bool twice, std::uint8_t* out)
{
    switch (bytes) {
    case 1: pack<1>(value, count, stride, twice, out); break;
    case 2: pack<2>(value, count, stride, twice, out); break;
    case 3: pack<3>(value, count, stride, twice, out); break;
    default: pack<4>(value, count, stride, twice, out); break;
    }
}

// One sample the reference way, into its slot and, for two identical
// channels, the next.
void putReference(double x, core::SampleFormat dataFormat, double scale, std::uint8_t* p, bool twice)
{
    const int b = core::infoOf(dataFormat).bytes;
    wavio::encodeBlock(&x, nullptr, 1, dataFormat, scale, p);
    if (twice)
        std::memcpy(p + b, p, static_cast<std::size_t>(b));
}

// The reference generator's value: exactly the tone generator's expression.
double referenceSine(double amplitude, double phase)
{
    return amplitude * std::sin(phase);
}

// x * scale for the 64-bit float format, with the library sine or as given.
void storeDoubles(const double* x, int count, double amplitude, double scale, bool sine, int stride, bool twice,
                  std::uint8_t* out)
{
    for (int i = 0; i < count; ++i) {
        const double d = (sine ? referenceSine(amplitude, x[i]) : x[i]) * scale;
        std::memcpy(out + i * stride, &d, 8);
        if (twice)
            std::memcpy(out + i * stride + 8, &d, 8);
    }
}

void storeFloats(const double* x, int count, double scale, int stride, bool twice, std::uint8_t* out)
{
    for (int i = 0; i < count; ++i) {
        const auto f = static_cast<float>(x[i] * scale);
        std::memcpy(out + i * stride, &f, 4);
        if (twice)
            std::memcpy(out + i * stride + 4, &f, 4);
    }
}

// The tiles of one channel: t's input and parameters for count values, the
// packed results into every stride-th slot of out, and where a tile found a
// value near a rounding edge, reference(i) (the i-th value the reference
// encoder would be given) encoded the reference way. Returns how many
// took that route.
template <typename Reference>
int encodeTiles(TileFn tile, Tile t, int count, core::SampleFormat dataFormat, int stride, bool twice, std::uint8_t* out,
                Reference reference)
{
    std::int32_t value[kTile];
    std::int32_t edge[kTile];
    t.value = value;
    t.edge = edge;
    const double* const first = t.x;
    int fallbacks = 0;
    for (int start = 0; start < count; start += kTile) {
        const int n = std::min(kTile, count - start);
        t.x = first + start;
        t.count = n;
        const std::int32_t any = tile(t);
        std::uint8_t* base = out + static_cast<std::ptrdiff_t>(start) * stride;
        packAny(core::infoOf(dataFormat).bytes, value, n, stride, twice, base);
        if (any != 0) {
            for (int i = 0; i < n; ++i)
                if (edge[i] != 0) {
                    putReference(reference(start + i), dataFormat, t.scale, base + i * stride, twice);
                    ++fallbacks;
                }
        }
    }
    return fallbacks;
}

// One channel of doubles, in tiles, into every stride-th slot of out.
int encodeDoubleChannel(const double* x, int count, core::SampleFormat dataFormat, double scale, int stride, bool twice,
                        std::uint8_t* out, Isa isa)
{
    if (dataFormat == wavio::F64) {
        storeDoubles(x, count, 1.0, scale, false, stride, twice, out);
        return 0;
    }
    if (dataFormat == wavio::F32) {
        // The conversion is the reference's own: nothing to check.
        storeFloats(x, count, scale, stride, twice, out);
        return 0;
    }
    const Tile t{x, count, 0.0, scale, 0.0, intRange(dataFormat), nullptr, nullptr};
    return encodeTiles(tileFor<Kind::DoubleInt>(isa), t, count, dataFormat, stride, twice, out,
                       [x](int i) { return x[i]; });
}

} // namespace

int encodeSineBlock(const double* phase, int frameCount, double amplitude, core::SampleFormat dataFormat, double scale,
                    int channels, std::uint8_t* out)
{
    return encodeSineBlock(phase, frameCount, amplitude, dataFormat, scale, channels, out, signal::bestIsa());
}

int encodeSineBlock(const double* phase, int frameCount, double amplitude, core::SampleFormat dataFormat, double scale,
                    int channels, std::uint8_t* out, Isa isa)
{
    if (frameCount <= 0)
        return 0;
    const bool twice = channels == 2;
    const int stride = core::infoOf(dataFormat).bytes * (twice ? 2 : 1);
    if (dataFormat == wavio::F64) {
        storeDoubles(phase, frameCount, amplitude, scale, true, stride, twice, out);
        return 0;
    }

    const double m = std::fabs(amplitude) * std::fabs(scale);
    // Far from anything a level can ask for; there the reference does it all.
    if (!(m <= 0x1p900)) {
        for (int i = 0; i < frameCount; ++i)
            putReference(referenceSine(amplitude, phase[i]), dataFormat, scale, out + i * stride, twice);
        return frameCount;
    }
    const bool isFloat = dataFormat == wavio::F32;
    const double width =
        m * (signal::kSineErrorBound + signal::kLibrarySineError + kSlack) + (isFloat ? 0x1p-1000 : kSlack);
    const TileFn tile = isFloat ? tileFor<Kind::SineFloat>(isa) : tileFor<Kind::SineInt>(isa);
    const IntRange range = isFloat ? IntRange{0.0, 0.0, 0} : intRange(dataFormat);
    const Tile t{phase, frameCount, amplitude, scale, width, range, nullptr, nullptr};
    return encodeTiles(tile, t, frameCount, dataFormat, stride, twice, out,
                       [phase, amplitude](int i) { return referenceSine(amplitude, phase[i]); });
}

int encodeDoubleBlock(const double* left, const double* right, int frameCount, core::SampleFormat dataFormat, double scale,
                      std::uint8_t* out)
{
    return encodeDoubleBlock(left, right, frameCount, dataFormat, scale, out, signal::bestIsa());
}

int encodeDoubleBlock(const double* left, const double* right, int frameCount, core::SampleFormat dataFormat, double scale,
                      std::uint8_t* out, Isa isa)
{
    if (frameCount <= 0)
        return 0;
    const int b = core::infoOf(dataFormat).bytes;
    if (right == nullptr)
        return encodeDoubleChannel(left, frameCount, dataFormat, scale, b, false, out, isa);
    if (right == left)
        return encodeDoubleChannel(left, frameCount, dataFormat, scale, 2 * b, true, out, isa);
    return encodeDoubleChannel(left, frameCount, dataFormat, scale, 2 * b, false, out, isa) +
           encodeDoubleChannel(right, frameCount, dataFormat, scale, 2 * b, false, out + b, isa);
}

} // namespace corvane::wavio

namespace corvane::wavio {

void encodeFrames(const double* left, const double* right, int frameCount, core::SampleFormat dataFormat, double scale,
                  signal::Dither* dither, double* ditherScratch, std::uint8_t* out)
{
    // Both channels of one signal: the encoder then rounds each value once.
    // The bytes are the same either way.
    if (right != nullptr && right != left &&
        std::memcmp(left, right, sizeof(double) * static_cast<std::size_t>(frameCount)) == 0)
        right = left;
    if (dither != nullptr && !core::infoOf(dataFormat).isFloat) {
        dither->fill(ditherScratch, frameCount);
        encodeBlockDithered(left, right, frameCount, dataFormat, scale, ditherScratch, nullptr, out);
    } else {
        encodeDoubleBlock(left, right, frameCount, dataFormat, scale, out);
    }
}

} // namespace corvane::wavio
