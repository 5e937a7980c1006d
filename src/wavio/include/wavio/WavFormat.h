#pragma once

#include "core/CodeSets.h"

#include <cstddef>
#include <cstdint>

namespace corvane::wavio {

// The bytes of an exported WAV file: the three header variants and the six
// sample encodings. Everything little-endian.

// The sample format codes as the writer's int parameters take them.
inline constexpr int U8 = core::codeOf(core::SampleFormat::U8);
inline constexpr int S16 = core::codeOf(core::SampleFormat::S16);
inline constexpr int S24 = core::codeOf(core::SampleFormat::S24);
inline constexpr int S32 = core::codeOf(core::SampleFormat::S32);
inline constexpr int F32 = core::codeOf(core::SampleFormat::F32);
inline constexpr int F64 = core::codeOf(core::SampleFormat::F64);

// The writer never emits more than this many bytes per channel in one block.
inline constexpr int kMaxBlockBytes = 81920;
// The largest header, the extensible one with a "fact" chunk.
inline constexpr int kMaxHeaderBytes = 80;

// 1, 2, 3, 4, 4, 8 for formats 0 to 5; 0 for any other code.
int bytesPerSample(int dataFormat);

// 44 (plain), 68 (extensible) or 80 (extensible with "fact"); 0 for an unknown code.
int headerByteCount(int dataFormat);

// Fills out (at least kMaxHeaderBytes long) with the header of a file of
// dataLength frames. Returns the header length, or 0 when the format is
// unknown, the channel count is not 1 or 2, fs is not positive, dataLength is
// negative or a size would not fit its 32-bit field.
int buildHeader(std::uint8_t* out, int dataFormat, int numCh, int fs, int dataLength);

// The factor from provider amplitude to file value that the save command
// uses: 10.0 (+20 dB) is integer full scale; float formats take 1.0.
double fullScale(int dataFormat);

// Encodes frameCount frames into out, interleaving left and right when right
// is not null (right may be left itself, for two identical channels). Integer formats: trunc(x * scale + 0.5) in
// extended precision, offset 128 for 8-bit, then clipped. Float formats: x * scale, unclipped. dataFormat must be
// 0 to 5.
void encodeBlock(const double* left, const double* right, int frameCount, int dataFormat, double scale,
                 std::uint8_t* out);

// The same for integer sample values already in the file's own units (an
// 8-bit value is signed and gets the offset of 128); clipped to the format's
// range. Float formats store value * scale.
void encodeIntegerBlock(const std::int32_t* left, const std::int32_t* right, int frameCount, int dataFormat,
                        double scale, std::uint8_t* out);

// encodeBlock for the integer formats with dither: ditherLeft[i] (and
// ditherRight[i] for the right channel; null means the left values) is added
// in LSB units to x * scale before rounding. The rounding here is to the
// nearest integer, floor(v + 0.5), for negative values as well: the plain
// encoder's truncation toward zero would leave an error of up to 1.5 LSB and
// an offset below zero, which is what dither is meant to remove. Clipped to
// the format's range like encodeBlock. right may be null (mono) or left.
// Returns 0, or -1114 for a float or unknown format (nothing is written).
int encodeBlockDithered(const double* left, const double* right, int frameCount, int dataFormat, double scale,
                        const double* ditherLeft, const double* ditherRight, std::uint8_t* out);

// The combination check the progress window makes before it starts writing:
// fs not 0, one or two channels, and a provider sample type that suits the
// file format. 0 when the writer may go ahead, else -1114.
int checkWriteParams(int fs, int numCh, int dataType, int dataFormat, double scale);

} // namespace corvane::wavio
