#pragma once

#include "core/CodeSets.h"

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
double exportAmplitude(double amplitude, core::SampleFormat dataFormat, double refLevel);

// Which setting makes a float file's peak too large for its samples: the
// level's amplitude times the reference level must fit the format (at most
// FLT_MAX for 32-bit float, a finite double for 64-bit). When each factor
// fits alone and only their product does not, the larger factor is named.
// Integer formats clip, so nothing is too large for them.
enum class FloatRangeCause { None, Level, RefLevel };
FloatRangeCause floatRangeCause(double levelAmplitude, core::SampleFormat dataFormat, double refLevel);

// The refusal's text for a cause, as the dialogs and the commands show it;
// empty for None.
std::string_view floatRangeMessage(FloatRangeCause cause);

// 8-bit samples of a quiet signal round to silence: warn below -15 dB.
bool warnQuietEightBit(core::SampleFormat dataFormat, double levelDb);

} // namespace corvane::wavio
