#pragma once

#include <chrono>
#include <thread>

// Polls until done() holds or the timeout passes; true when it held. A test
// that waits for another thread or process always has a deadline, so a hang
// fails the test instead of stalling the suite.
template <typename Done>
bool waitUntil(Done&& done, std::chrono::milliseconds timeout,
               std::chrono::milliseconds poll = std::chrono::milliseconds(1))
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return done();
        std::this_thread::sleep_for(poll);
    }
    return true;
}
