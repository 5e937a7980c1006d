#pragma once

#include "cli/Options.h"

#include <iosfwd>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::cli {

// `corvane play`: plays on a sound device exactly the samples `corvane export`
// writes for the same options, or lists the devices. Messages and the
// summary go to err; the device list to out.
int runPlay(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);

std::string playUsage();
// Every option play takes, its own first.
std::vector<OptionSpec> playOptions();

} // namespace corvane::cli
