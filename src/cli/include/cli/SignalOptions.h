#pragma once

#include "cli/Options.h"
#include "session/JobDescription.h"

#include <functional>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace corvane::cli {

// What `export` and `play` both take to describe a signal: the job as
// given, and the options that belong to one signal only (for refusing them
// with another).
struct SignalOptions {
    session::JobDescription job;
    // The options given that belong to some signals only, in order.
    std::vector<std::string> signalOnly;
    bool seedGiven = false;
    // Resolved once the signal is known: a preset name (imd or burst).
    std::string preset;
    bool tonesGiven = false;
};

inline constexpr int kMinCommandRateHz = 8000;
inline constexpr int kMaxCommandRateHz = 384000;

// The option table entries of the signal options.
std::span<const OptionSpec> signalOptionSpecs();

// Takes one parsed option if it is a signal option. nullopt when it was
// taken; a refusal when its value is refused; `taken` says whether it was one.
std::optional<Refusal> takeSignalOption(const ParsedOption& option, SignalOptions& o, bool& taken);

// Reads the words of a command that takes the signal options (export, play)
// besides its own: `own` lists those, and `takeOwn` takes each of them (a
// refusal, or nothing when it was taken).
std::optional<Refusal>
parseSignalCommand(std::span<const std::string_view> args, std::span<const OptionSpec> own, SignalOptions& o,
                   const std::function<std::optional<Refusal>(const ParsedOption&)>& takeOwn);

// Every option of a command that takes the signal options: its own, then those.
std::vector<OptionSpec> signalCommandSpecs(std::span<const OptionSpec> own);

// Whether a signal command's words ask for its help (see wantsHelp).
bool signalCommandWantsHelp(std::span<const std::string_view> args, std::span<const OptionSpec> own);

// The command line's own refusals (an option for another signal), then the
// job's one check, printing its warnings ("Warning: ...") on err. A refusal,
// or nothing with the plan set.
// The options that depend on the signal are settled into the job here.
std::optional<Refusal> checkSignal(SignalOptions& o, std::ostream& err, session::JobPlan& plan);

// The signal options' lines of a help text.
std::string signalOptionsHelp();

} // namespace corvane::cli
