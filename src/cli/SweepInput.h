#pragma once

// What the sweep-analysing commands share: the sweep's options, the
// recording read against them and the output written through the
// replacing writer.

#include "cli/InterruptGuard.h"
#include "cli/Options.h"
#include "cli/SignalOptions.h"
#include "wavio/ByteSink.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::cli::sweepinput {

// The options of export that describe the sweep in the recording.
std::span<const OptionSpec> sweepOptionSpecs();
std::string sweepOptionsHelp();

// Takes a sweep option into o (taken says whether it was one).
std::optional<Refusal> takeSweepOption(const ParsedOption& option, SignalOptions& o, bool& taken);

// Checks the sweep options as export does; a refusal unless they describe
// a sweep that export would write.
std::optional<Refusal> checkSweep(SignalOptions& o, std::ostream& err, session::JobPlan& plan);

// The inverse filter exactly as export --inverse writes it.
std::vector<double> inverseFilter(const SignalOptions& o, const session::JobPlan& plan);

// A real number option's value, finite; a refusal naming the option.
std::optional<Refusal> parseSeconds(std::string_view option, std::string_view text, double& seconds);
// --smooth none|1/N.
std::optional<Refusal> parseSmoothing(std::string_view text, int& fraction);
std::string smoothingNames();

// round(seconds * fs), for seconds already checked to lie in a sane range.
std::int64_t framesOf(double seconds, double fs);

// Writes an output file through the replacing writer: fill puts the bytes
// into the sink and returns false as soon as a write fails. The exit code,
// having said why on err; an interruption leaves the target as it was.
int writeOutput(const std::string& command, const std::string& path,
                const std::function<bool(wavio::ByteSink&)>& fill, const InterruptGuard& interrupt,
                std::ostream& err);
// The same for bytes already in memory.
int writeText(const std::string& command, const std::string& path, std::string_view text,
              const InterruptGuard& interrupt, std::ostream& err);

// Ok while no signal has come; else the exit code for it.
int interruptedCode(const InterruptGuard& interrupt);

bool isStandardOutput(const std::string& path);

} // namespace corvane::cli::sweepinput
