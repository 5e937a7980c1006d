#pragma once

#include <initializer_list>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::cli {

// What a shell may offer for an option's value.
enum class ValueKind { Text, File, Device };

// One option a subcommand takes: its name ("--freq"), an optional short
// alias ("-o"), and whether it takes a value; then what the help, the manual
// page and the shell completion say of it, all read from this one row: the
// value's placeholder ("HZ"), its default as text (empty when there is none),
// one sentence on its meaning and range, and for a value from a code set the
// names it takes (", "-separated, as the core's name lists give them).
struct OptionSpec {
    std::string_view name;
    std::string_view alias;
    bool takesValue = true;
    std::string_view valueName = {};
    std::string_view defaultText = {};
    std::string_view help = {};
    ValueKind kind = ValueKind::Text;
    std::string (*choices)() = nullptr;
};

// The rows of several tables in order: a command's own, then those it shares.
std::vector<OptionSpec> joinedSpecs(std::initializer_list<std::span<const OptionSpec>> tables);

// The names a code-set option takes, split from its choices() list.
std::vector<std::string> choicesOf(const OptionSpec& option);

// A refused command line: what to print, and whether the usage text follows
// (a word the command does not take) or not (a value the checks refuse).
struct Refusal {
    std::string message;
    bool showUsage = false;
};

// Prints a refusal as every subcommand does: a word the command does not take
// gets the command's name before it and the usage text after it.
// Returns UsageError.
int printRefusal(std::ostream& err, const Refusal& refusal, std::string_view command, const std::string& usage);

struct ParsedOption {
    std::string_view name; // always the long name
    std::string_view value; // empty for a flag
};

struct ParsedArgs {
    std::vector<ParsedOption> options; // in the order given
    std::vector<std::string_view> operands;
};

// True when -h or --help stands among the words as an option (not as the
// value of one): help wins over anything else.
bool wantsHelp(std::span<const std::string_view> args, std::span<const OptionSpec> specs);

// Reads a subcommand's words the same way for every subcommand: a value
// follows its option as the next word or after '=' (--fs=48000); a flag takes
// none; a lone "-" or any word not starting with '-' is an operand. Returns
// the refusal text ("unknown option '--x'", "option '--fs' needs a value"),
// or nothing when every word was understood.
std::optional<std::string> parseArgs(std::span<const std::string_view> args, std::span<const OptionSpec> specs,
                                     ParsedArgs& parsed);

} // namespace corvane::cli
