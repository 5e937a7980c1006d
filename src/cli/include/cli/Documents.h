#pragma once

#include "cli/CommandLine.h"

#include <iosfwd>
#include <span>
#include <string>
#include <string_view>

namespace corvane::cli {

// The manual page corvane(1) in roff, from the commands' option tables: each
// command, each option with its values, default and range, then the exit
// codes, environment, files and examples.
void writeManPage(std::ostream& out, std::span<const Subcommand> commands);

// A bash completion script for the commands, their options, the names of
// code-set values, the devices play lists and file names where a file goes.
void writeBashCompletion(std::ostream& out, std::span<const Subcommand> commands);

// Text as roff prints it literally: hyphens as \-, backslashes as \e, and a
// line that would start with a control character guarded.
std::string roffEscape(std::string_view text);

} // namespace corvane::cli
