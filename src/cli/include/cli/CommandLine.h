#pragma once

#include <iosfwd>
#include <span>
#include <string>
#include <string_view>

namespace corvane::cli {

// One subcommand: its name, the line the overview shows, its own usage text
// and the function that runs it on the words after its name.
struct Subcommand {
    std::string_view name;
    std::string_view summary;
    std::string (*usage)();
    int (*run)(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);
};

// The subcommands that need no window system (export, read).
std::span<const Subcommand> headlessCommands();

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

} // namespace corvane::cli
