#pragma once

#include "cli/ExitCode.h"
#include "cli/Options.h"

#include <iosfwd>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::cli {

// `corvane export`: writes the tone that the window's save command would write
// for the same parameters. args are the words after "export". Messages, the
// progress line and the one-line report of a written file go to err; out
// carries nothing (with "-o -" the WAV goes straight to the process's
// standard output descriptor).
int runExport(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);

std::string exportUsage();
// Every option export takes, its own first.
std::vector<OptionSpec> exportOptions();

// The waveshape names and codes as the help texts list them.
std::string shapeNamesHelp();

} // namespace corvane::cli
