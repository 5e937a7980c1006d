#pragma once

#include "core/CodeSets.h"
#include "signal/FastSine.h"

namespace corvane::signal {
class Dither;
} // namespace corvane::signal

#include <cstdint>

// Vectorised encoders that write exactly the bytes of the reference encoder
// wav::encodeBlock. Each computes a fast value and the interval in which the
// reference value must lie; where that interval holds a rounding edge of the
// target format, the sample is recomputed the reference way. So the result is
// identical by construction, on every instruction-set path.
namespace corvane::wavio {

using signal::Isa;

// The bytes wav::encodeBlock writes for frameCount frames of
// amplitude * std::sin(phase[i]) (the tone generator's sine), one channel, or
// two identical ones interleaved when channels is 2. The sines come from the
// polynomial for every format but 64-bit float, which takes the library's.
// Returns how many samples took the reference
// route (for tests and benchmarks).
int encodeSineBlock(const double* phase, int frameCount, double amplitude, core::SampleFormat dataFormat, double scale,
                    int channels, std::uint8_t* out);
int encodeSineBlock(const double* phase, int frameCount, double amplitude, core::SampleFormat dataFormat, double scale,
                    int channels, std::uint8_t* out, Isa isa);

// The bytes wav::encodeBlock writes for these samples (right null for mono,
// or left itself for two identical channels). Returns how many samples took
// the reference route.
int encodeDoubleBlock(const double* left, const double* right, int frameCount, core::SampleFormat dataFormat, double scale,
                      std::uint8_t* out);
int encodeDoubleBlock(const double* left, const double* right, int frameCount, core::SampleFormat dataFormat, double scale,
                      std::uint8_t* out, Isa isa);

// A block of frames as every writer and the player encode it: two identical
// channels (right equal to left in value, or right null for mono) rounded
// once, and TPDF dither drawn into ditherScratch (frameCount long) and added
// for the integer formats when a dither source is given.
void encodeFrames(const double* left, const double* right, int frameCount, core::SampleFormat dataFormat, double scale,
                  signal::Dither* dither, double* ditherScratch, std::uint8_t* out);

} // namespace corvane::wavio
