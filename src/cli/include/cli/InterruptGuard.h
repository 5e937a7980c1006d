#pragma once

namespace corvane::cli {

// While it lives, Ctrl+C (SIGINT), SIGTERM, SIGHUP and SIGQUIT no longer end
// the process at once: they are noted, and the command's loop turns them
// into a confirmed cancel so it can clean up. One at a time per process.
class InterruptGuard {
public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    bool interrupted() const;
    // The signal that arrived, 0 if none.
    int signalNumber() const;
    // The exit code for it: 130 for Ctrl+C and SIGTERM, else 128 + the signal number.
    int exitCode() const;
};

} // namespace corvane::cli
