#pragma once

#include "core/CodeSets.h"
#include "session/JobDescription.h"

#include <array>
#include <cstdint>
#include <limits>
#include <string_view>

// The parameters a front end offers for each signal, described once: the
// window builds a signal's fields from these rows, and each row names the
// command-line option it stands for. The tone's own parameters (frequency,
// waveshape) are not rows: the window keeps its tone controls as they are.
namespace corvane::session {

enum class JobParam { FromHz, ToHz, Seconds, Synchronised, Seed, LevelDb, RateHz, FadeIn, FadeOut };

enum class ParamType {
    Real, // any finite number; the job check judges it
    Whole, // a whole number within the row's range
    Flag, // on or off
};

// The signals a row belongs to, one bit per SignalKind code.
using SignalSet = unsigned;
constexpr SignalSet signalBit(core::SignalKind kind)
{
    return 1U << static_cast<unsigned>(kind);
}
// The signals whose row of the signal table uses p.
constexpr SignalSet signalSetUsing(core::SignalParam p)
{
    SignalSet set = 0;
    for (const core::SignalKindInfo& signal : core::kSignalKinds)
        if (core::usesParam(signal.kind, p))
            set |= signalBit(signal.kind);
    return set;
}
// Every signal but the tone, whose level and rate are the window's own
// controls: a signal added to the table gets these rows with it.
constexpr SignalSet allButTone()
{
    SignalSet set = 0;
    for (const core::SignalKindInfo& signal : core::kSignalKinds)
        if (signal.kind != core::SignalKind::Tone)
            set |= signalBit(signal.kind);
    return set;
}
inline constexpr SignalSet kMeasurementSignals = allButTone();

struct ParamInfo {
    JobParam param;
    SignalSet kinds; // the signals it belongs to
    ParamType type;
    std::string_view caption; // with its mnemonic
    std::string_view unit; // empty when it has none
    std::uint64_t minimum; // Whole rows only: the range a typed value must lie in
    std::uint64_t maximum;
    double defaultValue; // 0 or 1 for a flag
    std::string_view option; // the command-line option
};

// In reading order: the window shows a signal's rows top to bottom.
inline constexpr std::array kJobParams{
    ParamInfo{JobParam::FromHz, signalSetUsing(core::SignalParam::From), ParamType::Real, "&From", "Hz", 0, 0,
              20.0, "--from"},
    ParamInfo{JobParam::ToHz, signalSetUsing(core::SignalParam::To), ParamType::Real, "&To", "Hz", 0, 0, 20000.0,
              "--to"},
    ParamInfo{JobParam::Synchronised, signalSetUsing(core::SignalParam::Sync), ParamType::Flag, "S&ync", "", 0, 1,
              0.0, "--sync"},
    ParamInfo{JobParam::Seed, signalSetUsing(core::SignalParam::Seed), ParamType::Whole, "See&d", "", 0,
              std::numeric_limits<std::uint64_t>::max(), 1.0, "--seed"},
    ParamInfo{JobParam::LevelDb, kMeasurementSignals, ParamType::Real, "Le&vel", "dB", 0, 0, 6.0, "--level"},
    ParamInfo{JobParam::RateHz, kMeasurementSignals, ParamType::Whole, "&Rate", "Hz", 8000, 384000, 44100.0,
              "--fs"},
    ParamInfo{JobParam::Seconds, kMeasurementSignals, ParamType::Real, "Le&ngth", "s", 0, 0, 10.0, "--seconds"},
    ParamInfo{JobParam::FadeIn, kMeasurementSignals, ParamType::Real, "Fade &in", "s", 0, 0, 0.0, "--fade-in"},
    ParamInfo{JobParam::FadeOut, kMeasurementSignals, ParamType::Real, "Fade &out", "s", 0, 0, 0.0, "--fade-out"},
};

// What the window's signal choice calls each signal: the table's caption.
constexpr std::string_view signalCaption(const core::SignalKindInfo& signal)
{
    return signal.caption;
}

// The rates a list of a rate field offers beyond what is typed: the
// window's five and the common measurement rates.
inline constexpr std::array kOfferedRatesHz{8000, 11025, 22050, 44100, 48000, 88200, 96000, 192000};

constexpr bool hasParam(core::SignalKind kind, const ParamInfo& row)
{
    return (row.kinds & signalBit(kind)) != 0;
}

constexpr bool inRange(const ParamInfo& row, std::uint64_t value)
{
    return value >= row.minimum && value <= row.maximum;
}

// Sets a Whole row's parameter of job; value lies in the row's range.
inline void setWhole(JobDescription& job, JobParam param, std::uint64_t value)
{
    if (param == JobParam::Seed)
        job.seed = value;
    else if (param == JobParam::RateHz)
        job.sampleRateHz = static_cast<int>(value); // at most 384000
}

// Sets a Real or Flag row's parameter of job (a flag is 0 or 1).
inline void setParam(JobDescription& job, JobParam param, double value)
{
    switch (param) {
    case JobParam::FromHz: job.fromHz = value; break;
    case JobParam::ToHz: job.toHz = value; break;
    case JobParam::Seconds:
        job.seconds = value;
        job.frames.reset();
        break;
    case JobParam::Synchronised: job.synchronised = value != 0.0; break;
    case JobParam::LevelDb: job.levelDb = value; break;
    case JobParam::FadeIn: job.fadeInSeconds = value; break;
    case JobParam::FadeOut: job.fadeOutSeconds = value; break;
    case JobParam::Seed:
    case JobParam::RateHz: break; // whole numbers: setWhole
    }
}

} // namespace corvane::session
