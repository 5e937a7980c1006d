#pragma once

#include "analysis/Distortion.h"
#include "analysis/Response.h"

#include <cstdint>
#include <string>
#include <vector>

namespace corvane::analysis {

// Appends value with '.' as the decimal separator whatever the locale, in
// general notation with the given significant digits.
void appendNumber(std::string& text, double value, int significantDigits = 8);

// Header frequency_hz,magnitude_db,phase_deg, then one line per point.
std::string responseCsv(const FrequencyResponse& r);
// "frequency magnitude phase" per line after '*' comment lines.
std::string responseFrd(const FrequencyResponse& r);
// frequency_hz,fundamental_db,h2_db,...,hK_db,thd_percent; a harmonic beyond
// its range leaves its cell empty.
std::string distortionCsv(const HarmonicDistortion& d);

// The header of a float WAV file (extensible, with a "fact" chunk) of any
// channel count; bytesPerSample 4 or 8. Empty when a size does not fit the
// format's 32-bit fields.
std::vector<std::uint8_t> floatWavHeader(int channels, int sampleRate, std::int64_t frames, int bytesPerSample);

} // namespace corvane::analysis
