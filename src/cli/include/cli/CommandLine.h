#pragma once

#include "cli/Options.h"

#include <iosfwd>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::cli {

// One subcommand: its name, the one line the overview shows after it, its
// own usage text, the function that runs it on the words after its name, and
// for the manual page and the shell completion its option table and the
// operands it takes besides ("FILE").
struct Subcommand {
    std::string_view name;
    std::string_view summary;
    std::string (*usage)();
    int (*run)(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);
    std::vector<OptionSpec> (*options)() = nullptr;
    std::string_view operands = {};
};

// The subcommands that need no window system (export, read).
std::span<const Subcommand> headlessCommands();

// The headless subcommands and extra, by name.
std::vector<Subcommand> allCommands(std::span<const Subcommand> extra = {});

// The program's version, from the build's project version ("1.10.0").
std::string_view programVersion();

// True when the arguments ask for a headless subcommand rather than the window.
bool wantsCommandLine(int argc, char** argv);

// Runs the subcommand named by args[0] from headlessCommands() and extra (the
// executable adds those that need the windows); returns the exit code. What
// went to out is flushed and checked before a success is returned.

int runCommandLine(std::span<const std::string_view> args, std::ostream& out, std::ostream& err,
                   std::span<const Subcommand> extra = {});

// Flushes out, which carries only the data a command was asked for. Ok when
// every byte went out; BrokenPipe, without a word, when the reader has gone
// (with SIGPIPE ignored, or caught by a guard); else Failed, with one line on
// err. Call it right after a write went wrong, while errno still tells why.
int flushOutput(std::ostream& out, std::ostream& err);

void printUsage(std::ostream& out, std::span<const Subcommand> extra = {});

// The word among the command names (and help, version) nearest to a misspelt
// one, or empty when none is near enough to be meant.
std::string nearestCommand(std::string_view word, std::span<const Subcommand> extra = {});

} // namespace corvane::cli
