#include "wavio/WavFormat.h"

#include "core/ResultCodes.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace corvane::wavio {

namespace {

// The codes as the encoders' templates take them.
constexpr int kU8 = core::codeOf(core::SampleFormat::U8);
constexpr int kS16 = core::codeOf(core::SampleFormat::S16);
constexpr int kS24 = core::codeOf(core::SampleFormat::S24);
constexpr int kS32 = core::codeOf(core::SampleFormat::S32);
constexpr int kF32 = core::codeOf(core::SampleFormat::F32);
constexpr int kF64 = core::codeOf(core::SampleFormat::F64);

struct IntRange {
    std::int64_t min;
    std::int64_t max;
};

// The stored codes' range: the table's, with the 8-bit offset added.
constexpr IntRange rangeOf(std::size_t format)
{
    const core::SampleFormatInfo& f = core::kSampleFormats[format];
    return {f.lowest + f.offset, f.highest + f.offset};
}
constexpr IntRange kRanges[] = {rangeOf(0), rangeOf(1), rangeOf(2), rangeOf(3)};

constexpr std::uint8_t kSubFormatTail[12] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00,
                                             0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

void put16(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void put32(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

void putId(std::uint8_t* p, const char (&id)[5])
{
    std::memcpy(p, id, 4);
}

// trunc(x * scale + 0.5) with a 64-bit mantissa, clipped in the wide type so
// nothing wraps. NaN (only from a non-finite amplitude) is taken as silence.
template <int Format>
std::int64_t quantiseExtended(double x, double scale)
{
    constexpr IntRange r = kRanges[Format];
    long double v = std::trunc(static_cast<long double>(x) * static_cast<long double>(scale) + 0.5L);
    if (Format == kU8)
        v += 128.0L;
    if (v < static_cast<long double>(r.min))
        return r.min;
    if (v > static_cast<long double>(r.max))
        return r.max;
    if (std::isnan(v))
        return Format == kU8 ? 128 : 0;
    return static_cast<std::int64_t>(v);
}

// The same result, mostly without the slow extended arithmetic. Below 2^31 a
// double is off from the exact x * scale + 0.5 by under 2.4e-7, so when it
// lies farther than 1e-6 from a whole number both precisions truncate alike;
// only products that close to k + 0.5 (or out of range) take the long path.
template <int Format>
std::int64_t quantise(double x, double scale)
{
    const double t = x * scale + 0.5;
    if (t > -2147483648.0 && t < 2147483648.0) {
        std::int64_t v = static_cast<std::int64_t>(t); // truncates toward zero
        // Exact below 2^52: how far t lies past its truncation, signed.
        const double fraction = std::fabs(t - static_cast<double>(v));
        if (fraction > 1e-6 && fraction < 1.0 - 1e-6) {
            constexpr IntRange r = kRanges[Format];
            if (Format == kU8)
                v += 128;
            return v < r.min ? r.min : (v > r.max ? r.max : v);
        }
    }
    return quantiseExtended<Format>(x, scale);
}

template <int Bytes>
void putLow(std::uint8_t* p, std::int64_t v)
{
    const auto u = static_cast<std::uint64_t>(v);
    for (int i = 0; i < Bytes; ++i)
        p[i] = static_cast<std::uint8_t>(u >> (8 * i));
}

template <int Format>
void storeSample(double x, double scale, std::uint8_t* p)
{
    if constexpr (Format == kF32) {
        const float f = static_cast<float>(x * scale);
        std::memcpy(p, &f, 4);
    } else if constexpr (Format == kF64) {
        const double d = x * scale;
        std::memcpy(p, &d, 8);
    } else {
        putLow<Format == kU8 ? 1 : Format + 1>(p, quantise<Format>(x, scale));
    }
}

template <int Format>
void encodeAll(const double* left, const double* right, int frameCount, double scale, std::uint8_t* out)
{
    constexpr int b = core::kSampleFormats[Format].bytes;
    if (right == nullptr) {
        for (int i = 0; i < frameCount; ++i, out += b)
            storeSample<Format>(left[i], scale, out);
    } else if (right == left) {
        for (int i = 0; i < frameCount; ++i, out += 2 * b) {
            storeSample<Format>(left[i], scale, out);
            std::memcpy(out + b, out, b);
        }
    } else {
        for (int i = 0; i < frameCount; ++i, out += 2 * b) {
            storeSample<Format>(left[i], scale, out);
            storeSample<Format>(right[i], scale, out + b);
        }
    }
}

void storeInteger(std::int32_t value, int dataFormat, double scale, std::uint8_t* p)
{
    if (dataFormat >= kF32) {
        if (dataFormat == kF32)
            storeSample<kF32>(value, scale, p);
        else
            storeSample<kF64>(value, scale, p);
        return;
    }
    const IntRange r = kRanges[dataFormat];
    std::int64_t v = value;
    if (dataFormat == kU8)
        v += 128;
    v = v < r.min ? r.min : (v > r.max ? r.max : v);
    putLow<4>(p, v); // only the format's low bytes survive the caller's stride
}

} // namespace

int bytesPerSample(core::SampleFormat dataFormat)
{
    return core::infoOf(dataFormat).bytes;
}

int headerByteCount(core::SampleFormat dataFormat)
{
    switch (core::infoOf(dataFormat).header) {
    case core::HeaderKind::Plain: return 44;
    case core::HeaderKind::Extensible: return 68;
    case core::HeaderKind::ExtensibleFact: return 80;
    }
    return 0;
}

int buildHeader(std::uint8_t* out, core::SampleFormat dataFormat, int numCh, int fs, int dataLength)
{
    const int headerBytes = headerByteCount(dataFormat);
    if (headerBytes == 0 || (numCh != 1 && numCh != 2) || fs <= 0 || dataLength < 0)
        return 0;
    const std::int64_t bytes = bytesPerSample(dataFormat);
    const std::int64_t blockAlign = numCh * bytes;
    const std::int64_t dataBytes = blockAlign * dataLength;
    const std::int64_t riffSize = headerBytes - 8 + dataBytes;
    const std::int64_t byteRate = std::int64_t{fs} * blockAlign;
    constexpr std::int64_t kMax32 = std::numeric_limits<std::uint32_t>::max();
    if (riffSize > kMax32 || byteRate > kMax32)
        return 0;

    std::memset(out, 0, kMaxHeaderBytes);
    const core::HeaderKind kind = core::infoOf(dataFormat).header;
    const bool extensible = kind != core::HeaderKind::Plain;
    const bool hasFact = kind == core::HeaderKind::ExtensibleFact;
    const auto bits = static_cast<std::uint32_t>(8 * bytes);

    putId(out + 0, "RIFF");
    put32(out + 4, static_cast<std::uint32_t>(riffSize));
    putId(out + 8, "WAVE");
    putId(out + 12, "fmt ");
    put32(out + 16, extensible ? 40 : 16);
    put16(out + 20, extensible ? 0xFFFE : 1);
    put16(out + 22, static_cast<std::uint32_t>(numCh));
    put32(out + 24, static_cast<std::uint32_t>(fs));
    put32(out + 28, static_cast<std::uint32_t>(byteRate));
    put16(out + 32, static_cast<std::uint32_t>(blockAlign));
    put16(out + 34, bits);

    int pos = 36;
    if (extensible) {
        put16(out + 36, 22);
        put16(out + 38, bits);
        put32(out + 40, 3); // front left | front right, written for mono files too
        put32(out + 44, hasFact ? 3 : 1); // IEEE float or integer PCM
        std::memcpy(out + 48, kSubFormatTail, sizeof kSubFormatTail);
        pos = 60;
        if (hasFact) {
            putId(out + 60, "fact");
            put32(out + 64, 4);
            put32(out + 68, static_cast<std::uint32_t>(dataLength));
            pos = 72;
        }
    }
    putId(out + pos, "data");
    put32(out + pos + 4, static_cast<std::uint32_t>(dataBytes));
    return headerBytes;
}

double fullScale(core::SampleFormat dataFormat)
{
    return core::infoOf(dataFormat).fullScale;
}

void encodeBlock(const double* left, const double* right, int frameCount, core::SampleFormat dataFormat,
                 double scale, std::uint8_t* out)
{
    switch (dataFormat) {
    case U8: encodeAll<kU8>(left, right, frameCount, scale, out); break;
    case S16: encodeAll<kS16>(left, right, frameCount, scale, out); break;
    case S24: encodeAll<kS24>(left, right, frameCount, scale, out); break;
    case S32: encodeAll<kS32>(left, right, frameCount, scale, out); break;
    case F32: encodeAll<kF32>(left, right, frameCount, scale, out); break;
    case F64: encodeAll<kF64>(left, right, frameCount, scale, out); break;
    }
}

void encodeIntegerBlock(const std::int32_t* left, const std::int32_t* right, int frameCount,
                        core::SampleFormat dataFormat, double scale, std::uint8_t* out)
{
    const int b = bytesPerSample(dataFormat);
    std::uint8_t tmp[8];
    const auto put = [&](std::int32_t v, std::uint8_t* p) {
        storeInteger(v, core::codeOf(dataFormat), scale, tmp);
        std::memcpy(p, tmp, static_cast<std::size_t>(b));
    };
    for (int i = 0; i < frameCount; ++i) {
        put(left[i], out);
        out += b;
        if (right != nullptr) {
            put(right[i], out);
            out += b;
        }
    }
}

namespace {

// floor(x * scale + d + 0.5) in doubles, clipped before any conversion so
// nothing wraps; NaN is silence as in the plain encoder.
template <int Format>
std::int64_t quantiseDithered(double x, double scale, double d)
{
    constexpr IntRange r = kRanges[Format];
    double v = std::floor(x * scale + d + 0.5);
    if (Format == kU8)
        v += 128.0;
    if (std::isnan(v))
        return Format == kU8 ? 128 : 0;
    if (v < static_cast<double>(r.min))
        return r.min;
    if (v > static_cast<double>(r.max))
        return r.max;
    return static_cast<std::int64_t>(v);
}

template <int Format>
void encodeAllDithered(const double* left, const double* right, int frameCount, double scale,
                       const double* ditherLeft, const double* ditherRight, std::uint8_t* out)
{
    constexpr int b = core::kSampleFormats[Format].bytes;
    const int stride = right == nullptr ? b : 2 * b;
    if (ditherRight == nullptr)
        ditherRight = ditherLeft;
    for (int i = 0; i < frameCount; ++i, out += stride) {
        putLow<b>(out, quantiseDithered<Format>(left[i], scale, ditherLeft[i]));
        if (right != nullptr)
            putLow<b>(out + b, quantiseDithered<Format>(right[i], scale, ditherRight[i]));
    }
}

} // namespace

int encodeBlockDithered(const double* left, const double* right, int frameCount, core::SampleFormat dataFormat,
                        double scale, const double* ditherLeft, const double* ditherRight, std::uint8_t* out)
{
    switch (dataFormat) {
    case U8: encodeAllDithered<kU8>(left, right, frameCount, scale, ditherLeft, ditherRight, out); break;
    case S16: encodeAllDithered<kS16>(left, right, frameCount, scale, ditherLeft, ditherRight, out); break;
    case S24: encodeAllDithered<kS24>(left, right, frameCount, scale, ditherLeft, ditherRight, out); break;
    case S32: encodeAllDithered<kS32>(left, right, frameCount, scale, ditherLeft, ditherRight, out); break;
    case F32:
    case F64: return core::kIncorrectParameter;
    }
    return core::kOk;
}

int checkWriteParams(int fs, int numCh, int dataType, int dataFormat, double scale)
{
    if (fs == 0 || (numCh != 1 && numCh != 2))
        return core::kIncorrectParameter;
    const auto row = core::rowOf(core::kSampleFormats, dataFormat);
    if (!row)
        return core::kIncorrectParameter;
    // Doubles suit every format (scaled by the writer, and for the integer
    // formats only with a scale that keeps the sign); other types only the
    // format that stores them as they are.
    const bool doubles = dataType == core::codeOf(core::SampleType::Float64);
    const bool native = dataType == core::codeOf(row->nativeType);
    const bool ok = native || (doubles && (row->isFloat || scale >= 0));
    return ok ? core::kOk : core::kIncorrectParameter;
}

std::optional<core::SampleFormat> formatOfCode(int dataFormat)
{
    const auto row = core::rowOf(core::kSampleFormats, dataFormat);
    if (!row)
        return std::nullopt;
    return row->format;
}

} // namespace corvane::wavio
