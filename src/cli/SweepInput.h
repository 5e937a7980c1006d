#pragma once

// What the sweep-analysing commands share: the sweep's options, the
// recording read against them and the output written through the
// replacing writer.

#include "analysis/Distortion.h"
#include "analysis/Response.h"
#include "cli/AnalysisCommands.h"
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

// The option loop of the commands that take a sweep's options: each option in
// turn goes to the sweep's options, then to the chart's (when chart is given),
// then to takeOwn. firstSweepOption, when given, gets the first sweep option's
// name (empty when there was none).
std::optional<Refusal> takeOptions(std::span<const ParsedOption> options, SignalOptions& sweep, ChartSize* chart,
                                   const std::function<std::optional<Refusal>(const ParsedOption&)>& takeOwn,
                                   std::string* firstSweepOption = nullptr);

// Checks the sweep options as export does; a refusal unless they describe
// a sweep that export would write.
std::optional<Refusal> checkSweep(SignalOptions& o, std::ostream& err, session::JobPlan& plan);

// A real number option's value, finite; a refusal naming the option.
std::optional<Refusal> parseSeconds(std::string_view option, std::string_view text, double& seconds);
// A channel number from 1, or with allowAll also "all" (channel 0); a
// refusal naming the option.
std::optional<Refusal> parseChannel(std::string_view option, std::string_view text, int& channel,
                                    bool allowAll = false);
// --smooth none|1/N.
std::optional<Refusal> parseSmoothing(std::string_view text, int& fraction);
std::string smoothingNames();

// round(seconds * fs), for seconds already checked to lie in a sane range.
std::int64_t framesOf(double seconds, double fs);

// The charts of a frequency response (its magnitude) and of a harmonic
// distortion (a trace per harmonic, h2 up), as the commands draw them.
FrequencyChart responseChart(const analysis::FrequencyResponse& r);
FrequencyChart distortionChart(const analysis::HarmonicDistortion& d);

// A float WAV file (the extensible header, a "fact" chunk) of the channels
// interleaved: 32-bit or 64-bit, little-endian. False as soon as a write
// fails; stops early, returning true, when a signal came (the caller sees it).
bool writeFloatWav(wavio::ByteSink& sink, const std::vector<std::vector<double>>& channels, int fs, bool f32,
                   const InterruptGuard& interrupt);

// One file to write: its name and what fills it.
struct Output {
    std::string path;
    std::function<bool(wavio::ByteSink&)> fill;
};

// Writes every output through the replacing writer, all or none: each is
// filled into its temporary file first, and only when all were written,
// flushed to the disk and closed are they put in place. The exit code, having said why on err; an interruption
// or a failure leaves every target as it was.
int writeOutputs(const std::string& command, const std::vector<Output>& outputs, const InterruptGuard& interrupt,
                 std::ostream& err);

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

// A file an option names.
struct NamedOutput {
    std::string_view option;
    std::string path;
};

// Refuses two options that name one file, which would be written twice and
// keep only the last: the same name (as given, or once made absolute with
// the links of its folders followed), two names of standard output, or an
// existing regular file by two names (the same device and inode). Empty paths are
// skipped; the message names both options, else empty.
std::string sameOutputTwice(std::span<const NamedOutput> outputs);

} // namespace corvane::cli::sweepinput
