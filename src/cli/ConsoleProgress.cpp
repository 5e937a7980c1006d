#include "cli/ConsoleProgress.h"

#include <ostream>
#include <utility>

namespace corvane::cli {

ConsoleProgress::ConsoleProgress(std::ostream& stream_, std::string label_, bool enabled_)
    : stream(stream_), label(std::move(label_)), enabled(enabled_)
{
}

ConsoleProgress::~ConsoleProgress()
{
    if (enabled && shown >= 0)
        stream << '\n';
}

void ConsoleProgress::show(int percent)
{
    if (!enabled || percent == shown)
        return;
    stream << '\r' << label << ": " << percent << '%' << std::flush;
    shown = percent;
}

} // namespace corvane::cli
