#pragma once

#include "core/Handover.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace corvane::signal {
class Dither;
class TWaveProvider;
} // namespace corvane::signal

namespace corvane::audio {

class SoundOutput;

// Plays a provider's signal on an open SoundOutput in the background: pulls a
// period of samples, encodes it exactly as the file export does and hands it
// to the device. The loop allocates nothing and waits only on the device, in
// slices of 10 ms, so a stop request is seen at once.
//
// Contract: construct, start once, then poll playDone (or waitDone). The
// output and the provider must outlive this object; until playDone only the
// worker touches them. The destructor asks a running worker to stop and
// joins it.
class PlaybackThread {
public:
    // For start (any negative count does the same): play until stopRequest.
    static constexpr std::int64_t kLoopForever = -1;
    // The worker gives up with core::kTimedOut when the device takes no frame for this long.
    static constexpr std::chrono::milliseconds kStallLimit{2000};

    PlaybackThread(SoundOutput& output, signal::TWaveProvider& provider);
    ~PlaybackThread();
    PlaybackThread(const PlaybackThread&) = delete;
    PlaybackThread& operator=(const PlaybackThread&) = delete;

    // Starts playing frameCount frames (then waits until the device has
    // played them) or, with kLoopForever, until stopRequest. The provider runs
    // on from block to block, so a looped tone stays phase-continuous. scale is
    // the export's provider-to-sample factor: wavio::fullScale of the format for
    // the integer formats, and 1.0 for f32 with the amplitude already
    // multiplied by the reference level. The provider must be set up for the
    // output's channel count.
    // 0; core::kAlreadyRunning when started before or when another thread plays on
    // the output; core::kDeviceOpenError when the output is not open; core::kNoResources
    // when the buffers or the thread cannot be had.
    int start(std::int64_t frameCount, double scale);
    // TPDF dither for the integer formats, as the export adds it; before
    // start, and it must outlive the thread.
    void setDither(signal::Dither* source) { dither = source; }

    // Blocks until playDone or the timeout; true when done. For headless
    // callers; a window polls playDone instead.
    bool waitDone(std::chrono::milliseconds timeout) { return handover.waitFinished(timeout); }

    // The owner's: the worker drops what is queued and ends with 0.
    void requestStop() { handover.requestStop(); }
    // The worker's, for polling: frames handed to the device so far, and
    // underruns recovered.
    std::int64_t framesWritten() const { return written.value(); }
    int underrunCount() const { return static_cast<int>(underruns.value()); }
    // Final once playDone: frames that were queued but not played when a
    // stop or an error dropped them (frames played = framesWritten -
    // framesDropped), and the result: 0, a provider's code passed on
    // unchanged, or one of the sound output codes.
    std::int64_t framesDropped() const { return dropped.value(); }
    int playResult() const { return handover.result(); }
    bool playDone() const { return handover.finished(); }

    // Why start failed, or ALSA's words for a failed playResult (read it
    // only after playDone). Empty when the provider's code explains itself.
    const std::string& reason() const { return failure; }

private:
    void run();
    // Hands frameCount encoded frames to the device. 0 when all were taken, 1
    // when a stop request came first, else a negative code.
    int writeFrames(const std::uint8_t* bytes, int frameCount);
    int fail(int code, const char* what, int alsaError);

    SoundOutput& output; // owned by the caller
    signal::TWaveProvider& provider; // owned by the caller
    std::int64_t frameTarget = 0;
    double scale = 1.0;
    int chunkFrames = 0;
    bool started = false;
    std::string failure;

    // Filled in start, so the loop never allocates.
    std::vector<double> left, right;
    std::vector<std::uint8_t> encoded;
    signal::Dither* dither = nullptr; // owned by the caller
    std::vector<double> ditherValues;

    core::Handover handover;
    core::SharedCount written;
    core::SharedCount underruns;
    core::SharedCount dropped; // set before playDone
    std::thread worker;
};

} // namespace corvane::audio
