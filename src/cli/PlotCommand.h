#pragma once

#include <iosfwd>
#include <span>
#include <string_view>

namespace cli {

// `corvane plot -o FILE.png ...`: runs the window's display command without a
// screen and writes the plot area as the window would show it. args are the
// words after "plot".
int runPlot(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);

extern const char* const kPlotUsage;

} // namespace cli
