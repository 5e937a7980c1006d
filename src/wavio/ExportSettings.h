#pragma once

#include <optional>
#include <string>
#include <string_view>

// The rules for the length, format and reference level of an exported file,
// shared by the export dialog and `corvane export`.
namespace exportrules {

inline constexpr double kMinSeconds = 1.0;
inline constexpr double kMaxSeconds = 1000.0;

inline constexpr std::string_view kInvalidValue = "Only a valid value can be accepted.";
inline constexpr std::string_view kRefLevelNotPositive = "Reference Level must be greater than zero.";
inline constexpr std::string_view kLevelTooLowFor8Bit =
    "Signal level is too small for 8-bit format. The data sttored will have zero or nearly zero.";

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

} // namespace exportrules
