#pragma once

#include "session/JobDescription.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::session {

// What the check has to say about a job, in the order it says it.
enum class Severity { Refusal, Warning };

// The part of the job a finding concerns, so a front end can name its
// option or point at its control.
enum class JobField {
    Frequency,
    Level,
    Length,
    Format,
    RefLevel,
    Sweep,
    Noise,
    Fades,
    Dither,
    Tones,
    Burst,
    Mls,
    Period,
    Padding,
    Route,
    Phase,
};

// The check's own catalogue: one code per thing it can find.
enum class CheckCode {
    FreqTooLow,
    FreqTooHigh,
    LevelNotUsable, // its amplitude does not fit a double
    LevelTooLow,
    LevelClips,
    LengthOutOfRange,
    QuietEightBit,
    RefLevelNotUsable, // not a finite number
    RefLevelNotPositive,
    LevelTooLargeForFloat,
    RefLevelTooLargeForFloat,
    SweepRefused,
    NoiseRefused,
    FadesRefused,
    DitherOnFloat,
    TonesRefused,
    BurstRefused,
    MlsOrderOutOfRange,
    PeriodRefused,
    PaddingRefused,
    RouteNeedsStereo,
    PhaseRefused,
    DitherOnInverted,
};

struct Finding {
    Severity severity;
    CheckCode code;
    JobField field;
    std::string text; // as the window shows it and the commands print it
};

// Which checks to run: the signal's (frequency and level: what a display
// checks), the output's (length, format, reference level and the signal's
// own parameters: what the export dialog checks), or both in that order.
enum class CheckScope { Signal, Output, All };

struct CheckResult {
    // Every warning up to the first refusal, and that refusal: later checks
    // rest on the earlier ones.
    std::vector<Finding> findings;
    // Set when nothing was refused and the output was checked.
    std::optional<JobPlan> plan;

    bool refused() const { return !findings.empty() && findings.back().severity == Severity::Refusal; }
};

// The one check of a job, for every front end.
CheckResult checkJob(const JobDescription& job, CheckScope scope = CheckScope::All);

// The title the windows show a finding under ("Parameter Error", "Warning").
std::string_view titleOf(const Finding& finding);

} // namespace corvane::session
