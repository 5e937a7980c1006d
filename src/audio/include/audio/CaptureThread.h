#pragma once

#include "core/Handover.h"

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace corvane::audio {

class SoundInput;

// Records a known number of frames from an open SoundInput in the background,
// into a buffer made before the thread starts: the loop allocates nothing and
// waits on the device in slices of 10 ms, so a stop request is seen within a
// period. Frames the device had to throw away (an overrun) end the capture:
// a recording with a hole in it measures nothing.
//
// Contract: construct, start once, then poll captureDone (or waitDone). The
// input must outlive this object; until captureDone only the worker touches
// it. The destructor asks a running worker to stop and joins it.
class CaptureThread {
public:
    // The worker gives up with core::kTimedOut when the device delivers no frame for this long.
    static constexpr std::chrono::milliseconds kStallLimit{2000};

    explicit CaptureThread(SoundInput& input);
    ~CaptureThread();
    CaptureThread(const CaptureThread&) = delete;
    CaptureThread& operator=(const CaptureThread&) = delete;

    // Starts recording frameCount frames. startDevice: the thread starts the
    // stream itself; otherwise a linked playback starts it. unlinkOnceRunning:
    // the worker unlinks the input from that playback right after its first
    // frames came (see SoundInput::unlink), being the one thread that may
    // touch the device by then.
    // 0; core::kAlreadyRunning when started before or when another thread
    // records from the input; core::kDeviceOpenError when the input is not
    // open; core::kNoResources when the buffer or the thread cannot be had.
    int start(std::int64_t frameCount, bool startDevice, bool unlinkOnceRunning = false);

    bool waitDone(std::chrono::milliseconds timeout) { return handover.waitFinished(timeout); }
    void requestStop() { handover.requestStop(); }

    std::int64_t framesCaptured() const { return captured.value(); }
    // Final once captureDone: about how many frames an overrun lost (0 when
    // none was lost): those the device made, by its rate and the time since it
    // started, that the capture does not hold. And the result: 0 (all frames, or stopped when asked),
    // core::kDeviceStopped for an overrun, a suspend or a failed read
    // (framesLost tells an overrun), or core::kTimedOut.
    std::int64_t framesLost() const { return lost.value(); }
    int captureResult() const { return handover.result(); }
    bool captureDone() const { return handover.finished(); }
    // Why start failed, or the device's words for a failed result (read it
    // only after captureDone).
    const std::string& reason() const { return failure; }

    // Once captureDone: the frames captured, interleaved as the device gave them.
    std::span<const std::uint8_t> bytes() const;

private:
    void run();
    int fail(int code, const char* what, int alsaError);

    SoundInput& input; // owned by the caller
    std::int64_t frameTarget = 0;
    bool unlinkWhenRunning = false;
    bool started = false;
    std::string failure;
    std::vector<std::uint8_t> data; // sized in start, so the loop never allocates

    core::Handover handover;
    core::SharedCount captured;
    core::SharedCount lost; // set before captureDone
    std::thread worker;
};

} // namespace corvane::audio
