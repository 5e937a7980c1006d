#include "cli/InterruptGuard.h"

#include <csignal>
#include <iterator>

namespace corvane::cli {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// Set from the signal handler; the command's loop reads it.
volatile std::sig_atomic_t interruptSignal = 0;
struct sigaction previous[std::size(kSignals)];

extern "C" void onInterrupt(int signalNumber)
{
    interruptSignal = signalNumber;
}

} // namespace

InterruptGuard::InterruptGuard()
{
    interruptSignal = 0;
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &action, &previous[i]);
}

InterruptGuard::~InterruptGuard()
{
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &previous[i], nullptr);
}

bool InterruptGuard::interrupted() const
{
    return interruptSignal != 0;
}

int InterruptGuard::signalNumber() const
{
    return interruptSignal;
}

int InterruptGuard::exitCode() const
{
    // Ctrl+C and SIGTERM have always ended a command with 130; scripts rely on it.
    if (interruptSignal == 0 || interruptSignal == SIGINT || interruptSignal == SIGTERM)
        return 130;
    return 128 + interruptSignal;
}

} // namespace corvane::cli
