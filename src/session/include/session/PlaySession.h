#pragma once

#include "session/JobDescription.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace corvane::session {

// A checked job played on a sound device by a thread of its own: the same
// chain and encoder as the file, never converted. The owner polls it (a
// window's timer) or waits on it (a command); all calls on the owner's
// thread.
class PlaySession {
public:
    PlaySession();
    ~PlaySession(); // stops what still plays
    PlaySession(const PlaySession&) = delete;
    PlaySession& operator=(const PlaySession&) = delete;

    // Opens the device for exactly the job's rate, channels and format and
    // starts playing: the job's length, or with loop on and on (a tone stays
    // continuous, noise runs on with its stream, a sweep starts again). 0, or
    // the result code with reason() in the device's words; nothing plays
    // then. A format the devices do not take is core::kFormatRefused.
    int start(const JobDescription& job, const JobPlan& plan, std::string_view deviceName, bool loop);
    bool playing() const;
    // While playing: 0, or the code of an error that ended the playing; once
    // the playing has ended (an error, or the whole job played) the session
    // is idle again and result() says how it ended.
    int poll();
    // Blocks until the playing ends or the timeout; true when it has ended
    // (then poll to collect the result).
    bool waitDone(std::chrono::milliseconds timeout);
    // Drops what is queued and stops within about one period.
    void stop();
    // Asks the thread to stop without waiting for it; poll or waitDone then.
    void requestStop();

    const std::string& reason() const { return lastReason; }
    // While playing, and after: frames handed to the device, of them dropped
    // at a stop, underruns recovered, samples clipped at full scale.
    std::int64_t framesWritten() const;
    std::int64_t framesPlayed() const;
    int underruns() const;
    long long clippedSamples() const;

private:
    struct Parts;
    std::unique_ptr<Parts> parts;
    std::string lastReason;
    std::int64_t lastWritten = 0;
    std::int64_t lastPlayed = 0;
    int lastUnderruns = 0;
    long long lastClipped = 0;
};

} // namespace corvane::session
