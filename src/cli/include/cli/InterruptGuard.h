#pragma once

#include <csignal>

namespace corvane::cli {

// While a command writes a file, Ctrl+C, SIGTERM, SIGHUP, SIGQUIT and a
// closed pipe (SIGPIPE) only note the signal: the command sees it, stops the
// writing, removes its temporary file and ends with 128 + the signal's
// number (130 for SIGTERM too, as always). Without this the default actions would end the process at once and
// leave the temporary file behind. SIGXFSZ is ignored meanwhile, so a file
// that outgrows the process's file-size limit fails as a full disk does.
// A signal that was ignored when the guard was set up stays ignored.
// One guard at a time; the previous handlers return when it goes.
class InterruptGuard {
public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    // The first signal that arrived since the guard was set up, or 0.
    int signalNumber() const;
    bool interrupted() const { return signalNumber() != 0; }
    // The exit code for that signal: 130 for Ctrl+C and for SIGTERM, which
    // scripts have long seen end a command that way; 128 + the number else.
    int exitCode() const;

private:
    static constexpr int kCount = 6;
    struct sigaction previous[kCount] {};
};

} // namespace corvane::cli
