#pragma once

#include "cli/Options.h"

#include <iosfwd>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::cli {

// `corvane read FILE [--csv] [--block N]`: a summary of a 16-bit WAV file, or
// every frame as CSV. args are the words after "read".
int runRead(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);

std::string readUsage();
std::vector<OptionSpec> readOptions();

} // namespace corvane::cli
