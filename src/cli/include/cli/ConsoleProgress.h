#pragma once

#include <iosfwd>
#include <string>

namespace corvane::cli {

// The progress window's bar as one line on a terminal: "\rWriting NAME: 42%",
// redrawn only when the figure changes and ended with a newline. Silent when
// not enabled (quiet, or stderr is not a terminal).
class ConsoleProgress {
public:
    ConsoleProgress(std::ostream& stream, std::string label, bool enabled);
    ~ConsoleProgress();
    ConsoleProgress(const ConsoleProgress&) = delete;
    ConsoleProgress& operator=(const ConsoleProgress&) = delete;

    void show(int percent);

private:
    std::ostream& stream;
    std::string label;
    bool enabled;
    int shown = -1;
};

} // namespace corvane::cli
