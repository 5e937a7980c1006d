#pragma once

#include "core/CodeSets.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace corvane::wavio {

// The bytes of an exported WAV file: the three header variants and the six
// sample encodings. Everything little-endian.

// The sample formats by their short names.
inline constexpr core::SampleFormat U8 = core::SampleFormat::U8;
inline constexpr core::SampleFormat S16 = core::SampleFormat::S16;
inline constexpr core::SampleFormat S24 = core::SampleFormat::S24;
inline constexpr core::SampleFormat S32 = core::SampleFormat::S32;
inline constexpr core::SampleFormat F32 = core::SampleFormat::F32;
inline constexpr core::SampleFormat F64 = core::SampleFormat::F64;

// The writer never emits more than this many bytes per channel in one block.
inline constexpr int kMaxBlockBytes = 81920;
// The largest header, the extensible one with a "fact" chunk.
inline constexpr int kMaxHeaderBytes = 80;

// 1, 2, 3, 4, 4, 8 for formats 0 to 5.
int bytesPerSample(core::SampleFormat dataFormat);

// 44 (plain), 68 (extensible) or 80 (extensible with "fact").
int headerByteCount(core::SampleFormat dataFormat);

// Fills out (at least kMaxHeaderBytes long) with the header of a file of
// dataLength frames. Returns the header length, or 0 when the channel count
// is not 1 or 2, fs is not positive, dataLength is negative or a size would
// not fit its 32-bit field.
int buildHeader(std::uint8_t* out, core::SampleFormat dataFormat, int numCh, int fs, int dataLength);

// The factor from provider amplitude to file value that the save command
// uses: 10.0 (+20 dB) is integer full scale; float formats take 1.0.
double fullScale(core::SampleFormat dataFormat);

// Encodes frameCount frames into out, interleaving left and right when right
// is not null (right may be left itself, for two identical channels). Integer formats: trunc(x * scale + 0.5) in
// extended precision, offset 128 for 8-bit, then clipped. Float formats: x * scale, unclipped.
void encodeBlock(const double* left, const double* right, int frameCount, core::SampleFormat dataFormat, double scale,
                 std::uint8_t* out);

// The same for integer sample values already in the file's own units (an
// 8-bit value is signed and gets the offset of 128); clipped to the format's
// range. Float formats store value * scale.
void encodeIntegerBlock(const std::int32_t* left, const std::int32_t* right, int frameCount, core::SampleFormat dataFormat,
                        double scale, std::uint8_t* out);

// encodeBlock for the integer formats with dither: ditherLeft[i] (and
// ditherRight[i] for the right channel; null means the left values) is added
// in LSB units to x * scale before rounding. The rounding here is to the
// nearest integer, floor(v + 0.5), for negative values as well: the plain
// encoder's truncation toward zero would leave an error of up to 1.5 LSB and
// an offset below zero, which is what dither is meant to remove. Clipped to
// the format's range like encodeBlock. right may be null (mono) or left.
// Returns 0, or -1114 for a float format (nothing is written).
int encodeBlockDithered(const double* left, const double* right, int frameCount, core::SampleFormat dataFormat, double scale,
                        const double* ditherLeft, const double* ditherRight, std::uint8_t* out);

// The combination check the progress window makes before it starts writing:
// fs not 0, one or two channels, and a provider sample type that suits the
// file format. The codes are the writer's 8-bit codes as its callers pass
// them, so any number is checked. 0 when the writer may go ahead, else -1114.
int checkWriteParams(int fs, int numCh, int dataType, int dataFormat, double scale);

// The format of a writer's code; empty for a number outside the table.
std::optional<core::SampleFormat> formatOfCode(int dataFormat);

} // namespace corvane::wavio
