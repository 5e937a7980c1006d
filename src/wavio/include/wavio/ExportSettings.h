#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace corvane::wavio {

// The rules for the length, format and reference level of an exported file,
// shared by the export dialog and `corvane export`.

inline constexpr double kMinSeconds = 1.0;
inline constexpr double kMaxSeconds = 1000.0;


// trunc(fs * seconds + 0.5), or nothing when that does not fit a frame count
// (it is then far outside any allowed length).
std::optional<int> framesForSeconds(int fs, double seconds);

// Whether dataLength / fs lies within [minSeconds, maxSeconds].
bool lengthAllowed(int dataLength, int fs, double minSeconds, double maxSeconds);

// "The data length should be %5.1f to %5.1f seconds".
std::string lengthMessage(double minSeconds, double maxSeconds);

// The amplitude handed to the generator for a file: the displayed amplitude,
// times the reference level for the two float formats.
double exportAmplitude(double amplitude, int dataFormat, double refLevel);

// 8-bit samples of a quiet signal round to silence: warn below -15 dB.
bool warnQuietEightBit(int dataFormat, double levelDb);

} // namespace corvane::wavio
