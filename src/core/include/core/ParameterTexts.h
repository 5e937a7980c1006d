#pragma once

#include <string_view>

// The parameter checks' own texts, shown by the windows and printed by the
// commands alike, so a script sees what a user of the window would.
namespace corvane::core {

inline constexpr std::string_view kParameterErrorTitle = "Parameter Error";
inline constexpr std::string_view kWarningTitle = "Warning";
inline constexpr std::string_view kApplicationErrorTitle = "Application Error";

inline constexpr std::string_view kInvalidValueText = "Only a valid value can be accepted.";
inline constexpr std::string_view kFreqTooLowText = "Signal Freq. should be 1.0Hz or more.";
inline constexpr std::string_view kFreqTooHighText =
    "Signal Freq. should be less than the half of the sampling frequency.";
inline constexpr std::string_view kLevelTooLowText = "-60dB or less is too small for 16-bit PCM.";
inline constexpr std::string_view kLevelClipsText = "More than +20dB will make clipped signal in PCM formats.";
inline constexpr std::string_view kRefLevelNotPositive = "Reference Level must be greater than zero.";
inline constexpr std::string_view kLevelTooLargeForFloat =
    "Signal level is too large for the floating-point format.";
inline constexpr std::string_view kRefLevelTooLargeForFloat =
    "Reference Level is too large for the floating-point format.";
// Kept as users see it, misspelling included.
inline constexpr std::string_view kLevelTooLowFor8Bit =
    "Signal level is too small for 8-bit format. The data sttored will have zero or nearly zero.";

} // namespace corvane::core
