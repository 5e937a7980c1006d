#include "cli/InterruptGuard.h"

#include <atomic>

namespace corvane::cli {

namespace {

// Lock-free, so the handler may store it and any thread may read it.
std::atomic<int> caughtSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGXFSZ};

extern "C" void onSignal(int signalNumber)
{
    int none = 0;
    caughtSignal.compare_exchange_strong(none, signalNumber, std::memory_order_relaxed);
}

} // namespace

InterruptGuard::InterruptGuard()
{
    caughtSignal.store(0, std::memory_order_relaxed);
    static_assert(std::size(kSignals) == kCount);
    for (int i = 0; i < kCount; ++i) {
        sigaction(kSignals[i], nullptr, &previous[i]);
        // A signal the caller chose to ignore stays ignored: nohup's SIGHUP,
        // Ctrl+C for a job a script put in the background.
        if (previous[i].sa_handler == SIG_IGN)
            continue;
        struct sigaction action {};
        action.sa_handler = kSignals[i] == SIGXFSZ ? SIG_IGN : onSignal;
        sigemptyset(&action.sa_mask);
        sigaction(kSignals[i], &action, nullptr);
    }
}

InterruptGuard::~InterruptGuard()
{
    for (int i = 0; i < kCount; ++i)
        sigaction(kSignals[i], &previous[i], nullptr);
}

int InterruptGuard::signalNumber() const
{
    return caughtSignal.load(std::memory_order_relaxed);
}

int InterruptGuard::exitCode() const
{
    const int n = signalNumber();
    return n == SIGTERM || n == 0 ? 128 + SIGINT : 128 + n;
}

} // namespace corvane::cli
