#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

// What an owner and its worker thread share, each value with one writer, so
// no lock guards the values themselves. The memory orders live here and
// nowhere in the callers.
namespace corvane::core {

// A flag one thread raises and another looks at; it never falls again.
class StopFlag {
public:
    void raise() { raisedFlag.store(true, std::memory_order_release); }
    bool raised() const { return raisedFlag.load(std::memory_order_acquire); }

private:
    std::atomic<bool> raisedFlag{false};
};

// A count the worker moves and the owner reads while it runs (frames played,
// underruns): a snapshot, ordered with nothing else.
class SharedCount {
public:
    void add(std::int64_t n) { count.fetch_add(n, std::memory_order_relaxed); }
    void set(std::int64_t n) { count.store(n, std::memory_order_relaxed); }
    std::int64_t value() const { return count.load(std::memory_order_relaxed); }

private:
    std::atomic<std::int64_t> count{0};
};

// A resource at most one worker may use at a time (a sound output).
class BusyFlag {
public:
    // True when the caller now holds it, false when someone else does.
    bool tryTake() { return !busy.exchange(true, std::memory_order_acq_rel); }
    void release() { busy.store(false, std::memory_order_release); }
    bool taken() const { return busy.load(std::memory_order_acquire); }

private:
    std::atomic<bool> busy{false};
};

// The hand-over between a worker and its owner: the owner asks it to stop,
// the worker reports progress and, as its last act, its result. The result
// is published before the finished flag, so an owner that has seen
// finished() reads the final result.
class Handover {
public:
    // Owner.
    void requestStop() { stop.raise(); }
    bool finished() const { return done.load(std::memory_order_acquire); }
    // Meaningful once finished() is true.
    int result() const { return outcome.load(std::memory_order_relaxed); }
    int progress() const { return position.load(std::memory_order_acquire); }
    // Blocks until finished or the timeout; true when finished. For owners
    // without a timer of their own.
    bool waitFinished(std::chrono::milliseconds timeout)
    {
        std::unique_lock lock(doneMutex);
        return doneSignal.wait_for(lock, timeout, [this] { return finished(); });
    }

    // Worker.
    bool stopRequested() const { return stop.raised(); }
    void setProgress(int value) { position.store(value, std::memory_order_release); }
    // The last thing the worker does with this object.
    void finish(int result)
    {
        outcome.store(result, std::memory_order_relaxed);
        {
            // The lock only orders the flag against waitFinished's check.
            std::lock_guard lock(doneMutex);
            done.store(true, std::memory_order_release);
        }
        doneSignal.notify_all();
    }

private:
    StopFlag stop;
    std::atomic<bool> done{false};
    std::atomic<int> outcome{0};
    std::atomic<int> position{0};
    std::mutex doneMutex;
    std::condition_variable doneSignal;
};

} // namespace corvane::core
