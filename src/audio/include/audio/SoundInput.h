#pragma once

#include "audio/PlayFormat.h"
#include "core/Handover.h"

#include <string>
#include <string_view>

typedef struct _snd_pcm snd_pcm_t;

namespace corvane::audio {

class SoundOutput;

// One ALSA capture device, set up as exactly as a SoundOutput: interleaved
// frames of one format and rate, ALSA's resampling off, periods of about
// 20 ms and four of them in the buffer. The stream does not start by itself:
// the capture thread starts it, or the playback it is linked to does.
//
// Contract: used from one thread, except that while a CaptureThread runs on
// it only that thread touches the device. Close it (or destroy it) only after
// the capture thread has finished.
class SoundInput {
public:
    static constexpr int kPeriodMicroseconds = 20000;
    static constexpr int kPeriodsPerBuffer = 4;
    static constexpr int kMaxChannels = 64;

    SoundInput() = default;
    ~SoundInput();
    SoundInput(const SoundInput&) = delete;
    SoundInput& operator=(const SoundInput&) = delete;

    // Opens deviceName for capture with at least channelCount channels (more
    // when the device records no fewer, as a card that records in pairs).
    // 0 on success; core::kRateOutOfRange, core::kChannelsOutOfRange (not 1 to
    // kMaxChannels), core::kFormatOutOfRange, core::kAlreadyRunning (already
    // open), core::kDeviceOpenError or core::kFormatRefused, with reason() in
    // ALSA's words; nothing stays open on failure.
    int open(std::string_view deviceName, PlayFormat format, int channelCount, int sampleRateHz);
    // Links this stream to output's, so that both start together when the
    // output starts; true when the devices allow it (ALSA's snd_pcm_link),
    // false when they do not (nothing changes then).
    bool linkTo(SoundOutput& output);
    // Undoes linkTo. Once both streams run, they must go their own ways:
    // linked, the output's drain at its end would stop the capture too, and
    // its prepare for the next player would reset it. While a capture thread
    // runs only it may call this (CaptureThread::start's unlinkOnceRunning).
    void unlink();
    // Closes the device. core::kAlreadyRunning (and nothing closed) while a
    // capture thread still runs on it, else 0.
    int close();

    bool isOpen() const { return pcm != nullptr; }
    const std::string& reason() const { return lastReason; }

    PlayFormat format() const { return captureFormat; }
    int channelCount() const { return channels; }
    int sampleRateHz() const { return rateHz; }
    int periodFrames() const { return period; }
    int bufferFrames() const { return buffer; }
    int frameBytes() const;
    // Not while a capture thread that may unlink runs.
    bool linked() const { return isLinked; }

private:
    friend class CaptureThread;

    snd_pcm_t* pcm = nullptr;
    PlayFormat captureFormat = PlayFormat::S16;
    int channels = 0;
    int rateHz = 0;
    int period = 0;
    int buffer = 0;
    bool isLinked = false;
    std::string lastReason;
    // Raised by CaptureThread::start, lowered by its worker when it is done.
    core::BusyFlag capturing;
};

} // namespace corvane::audio
