#pragma once

#include "core/CodeSets.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// What each signal parameter is: its caption, the command-line option it
// stands for, its unit, range and default. The commands take their option
// names and help from here; a window builds a control per row its signal
// uses (kSignalKinds lists them), so a new parameter is one row here.
namespace corvane::core {

enum class ParamType {
    Real, // a number in [min, max]
    Integer, // a whole number in [min, max]
    Flag, // on when given
    Choice, // one of the names in choices, '|' between them
    RealList, // numbers separated by commas, each in [min, max], at most maxCount of them
};

struct SignalParamInfo {
    SignalParam param;
    std::string_view caption;
    // The letter a window's label underlines (Alt+letter); unique among the
    // fields of every signal that uses the row (checked where the window's
    // other fields are described).
    char mnemonic;
    std::string_view option;
    std::string_view unit; // empty for a plain number
    ParamType type;
    double min;
    double max;
    std::string_view defaultText; // as it would be typed; empty: none
    std::string_view choices;
    std::string_view help;
};

// Limits that are not a number of the table's own.
inline constexpr int kMaxTones = 64;
inline constexpr int kMinMlsOrder = 4;
inline constexpr int kMaxMlsOrder = 24;
inline constexpr int kMinLoopPeriodLog2 = 10;
inline constexpr int kMaxLoopPeriodLog2 = 20;

inline constexpr double kNoLimit = 1e300;

inline constexpr std::array kSignalParams{
    SignalParamInfo{SignalParam::Freq, "Frequency", 'F', "--freq", "Hz", ParamType::Real, 1.0, kNoLimit, "400", "",
                    "the tone's frequency, below half the sampling rate"},
    SignalParamInfo{SignalParam::Shape, "Waveshape", 'W', "--shape", "", ParamType::Choice, 0, 0, "sine",
                    "sine|step+|step-|square|pulse+|pulse-", "the tone's waveshape"},
    SignalParamInfo{SignalParam::Phase, "Right phase", 'P', "--phase", "deg", ParamType::Real, -360.0, 360.0, "0",
                    "", "shifts the right channel of a sine or multitone by this many degrees"},
    SignalParamInfo{SignalParam::From, "From", 'F', "--from", "Hz", ParamType::Real, 0.0, kNoLimit, "20", "",
                    "the sweep's start frequency"},
    SignalParamInfo{SignalParam::To, "To", 'T', "--to", "Hz", ParamType::Real, 0.0, kNoLimit, "20000", "",
                    "the sweep's stop frequency, below half the sampling rate"},
    SignalParamInfo{SignalParam::Sync, "Synchronized", 'Y', "--sync", "", ParamType::Flag, 0, 0, "", "",
                    "rounds the sweep's rate so harmonics fall at whole-number delays"},
    SignalParamInfo{SignalParam::Seed, "Seed", 'D', "--seed", "", ParamType::Integer, 0.0, 18446744073709551615.0,
                    "1", "", "the noise stream"},
    SignalParamInfo{SignalParam::Tones, "Tones", 'T', "--tones", "Hz", ParamType::RealList, 1.0, kNoLimit,
                    "100,1000,10000", "", "the frequencies, each below half the sampling rate"},
    SignalParamInfo{SignalParam::Periodic, "Periodic", 'C', "--periodic", "", ParamType::Flag, 0, 0, "", "",
                    "the signal repeats exactly every period, so the file loops without a step"},
    SignalParamInfo{SignalParam::LoopPeriod, "Period", 'E', "--period", "frames", ParamType::Integer, 1024.0,
                    1048576.0, "", "",
                    "the period of a periodic signal (noise: a power of two; multitone: default the file)"},
    SignalParamInfo{SignalParam::ImdPreset, "Preset", 'P', "--preset", "", ParamType::Choice, 0, 0, "smpte",
                    "smpte|din|ccif", "SMPTE 60 Hz + 7 kHz 4:1, DIN 250 Hz + 8 kHz 4:1, CCIF 19 + 20 kHz 1:1"},
    SignalParamInfo{SignalParam::Ratio, "Ratio", 'A', "--ratio", "", ParamType::Real, 1e-3, 1e3, "4", "",
                    "the first tone's amplitude over the second's, with --tones F1,F2"},
    SignalParamInfo{SignalParam::Cycles, "Cycles", 'C', "--cycles", "", ParamType::Real, 0.5, 1e6, "10", "",
                    "cycles in each burst"},
    SignalParamInfo{SignalParam::BurstPeriod, "Period", 'E', "--period", "cycles", ParamType::Real, 0.5, 1e7,
                    "100", "", "a burst starts every this many cycles, silence between"},
    SignalParamInfo{SignalParam::Window, "Window", 'W', "--window", "", ParamType::Choice, 0, 0, "none",
                    "none|hann", "the bursts' envelope"},
    SignalParamInfo{SignalParam::BurstPreset, "Preset", 'P', "--preset", "", ParamType::Choice, 0, 0, "",
                    "cea2010", "cea2010: 6.5 cycles, Hann-windowed"},
    SignalParamInfo{SignalParam::Order, "Order", 'D', "--order", "", ParamType::Integer, kMinMlsOrder,
                    kMaxMlsOrder, "16", "", "2^n - 1 samples per period"},
};

static_assert(inCodeOrder(kSignalParams, &SignalParamInfo::param));

inline constexpr const SignalParamInfo& infoOf(SignalParam p)
{
    return kSignalParams[static_cast<std::size_t>(p)];
}

// ---- Two-tone intermodulation presets ----

enum class ImdPreset : int { Smpte, Din, Ccif };

struct ImdPresetInfo {
    ImdPreset preset;
    std::string_view cliName;
    double lowHz;
    double highHz;
    double ratio; // the low tone's amplitude over the high one's
};

inline constexpr std::array kImdPresets{
    ImdPresetInfo{ImdPreset::Smpte, "smpte", 60.0, 7000.0, 4.0},
    ImdPresetInfo{ImdPreset::Din, "din", 250.0, 8000.0, 4.0},
    ImdPresetInfo{ImdPreset::Ccif, "ccif", 19000.0, 20000.0, 1.0},
};
static_assert(inCodeOrder(kImdPresets, &ImdPresetInfo::preset));

// ---- Burst envelopes ----

enum class BurstWindow : int { None, Hann };

struct BurstWindowInfo {
    BurstWindow window;
    std::string_view cliName;
};

inline constexpr std::array kBurstWindows{
    BurstWindowInfo{BurstWindow::None, "none"},
    BurstWindowInfo{BurstWindow::Hann, "hann"},
};
static_assert(inCodeOrder(kBurstWindows, &BurstWindowInfo::window));

// The loudspeaker maximum-output burst: 6.5 cycles under a Hann window.
inline constexpr double kCea2010Cycles = 6.5;

// A row by its command-line name.
template <typename Table>
constexpr auto rowOfName(const Table& table, std::string_view name) -> std::optional<typename Table::value_type>
{
    for (const auto& row : table)
        if (row.cliName == name)
            return row;
    return std::nullopt;
}

// "tone, burst": the signals that use a parameter, for messages.
std::string signalsUsing(SignalParam p);

} // namespace corvane::core
