#pragma once

#include "cli/CommandLine.h"

#include <iosfwd>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::app {

// `corvane plot -o FILE.png ...`: runs the window's display command without a
// screen and writes the plot area as the window would show it. args are the
// words after "plot".
int runPlot(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);

std::string plotUsage();
std::vector<cli::OptionSpec> plotOptions();

// The subcommands that need the windows (plot), for the dispatcher.
std::span<const cli::Subcommand> windowCommands();

} // namespace corvane::app
