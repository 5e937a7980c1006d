#pragma once

#include <iosfwd>
#include <span>
#include <string_view>

namespace cli {

// True when the arguments ask for a headless subcommand rather than the window.
bool wantsCommandLine(int argc, char** argv);

// Runs the subcommand named by args[0]; returns the process exit code.
int runCommandLine(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);

void printUsage(std::ostream& out);

} // namespace cli
