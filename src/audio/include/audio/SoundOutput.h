#pragma once

#include "audio/PlayFormat.h"
#include "core/Handover.h"

#include <string>
#include <string_view>

// ALSA's handle type, so this header does not pull in the whole of ALSA.
typedef struct _snd_pcm snd_pcm_t;

namespace corvane::audio {

// One ALSA playback device, set up for exactly the stream that will be sent
// to it: interleaved frames of one format, channel count and rate, with
// ALSA's resampling switched off. A setting the device does not take is an
// error, never a conversion.
//
// Contract: used from one thread, except that while a PlaybackThread plays
// on it only that thread touches the device. Close it (or destroy it) only
// after the playback thread has finished.
class SoundOutput {
public:
    static constexpr std::string_view kDefaultDevice = "default";
    // Periods of about 20 ms, four of them in the buffer: short enough for a
    // quick stop and a short drain, long enough to ride out a busy desktop.
    static constexpr int kPeriodMicroseconds = 20000;
    static constexpr int kPeriodsPerBuffer = 4;
    static constexpr int kMaxRateHz = 1000000;

    SoundOutput() = default;
    ~SoundOutput();
    SoundOutput(const SoundOutput&) = delete;
    SoundOutput& operator=(const SoundOutput&) = delete;

    // Opens deviceName (any ALSA PCM name: "default", "hw:1,0", "plughw:1",
    // "null", "file:'PATH',raw") for playback and sets it up. 0 on success;
    // core::kRateOutOfRange (sampleRateHz not 1 to kMaxRateHz), core::kChannelsOutOfRange (not
    // 1 or 2), core::kFormatOutOfRange, core::kAlreadyRunning (already open),
    // core::kDeviceOpenError or core::kFormatRefused. On failure nothing stays open and
    // reason() says why in ALSA's words.
    int open(std::string_view deviceName, PlayFormat format, int channelCount, int sampleRateHz);
    // Closes the device, dropping anything queued. core::kAlreadyRunning (and
    // nothing closed) while a playback thread still plays on it, else 0.
    int close();

    bool isOpen() const { return pcm != nullptr; }
    // The last failure of open or close, for printing after the catalogue row.
    const std::string& reason() const { return lastReason; }

    // The set-up of the open device.
    PlayFormat format() const { return playFormat; }
    int channelCount() const { return channels; }
    int sampleRateHz() const { return rateHz; }
    int periodFrames() const { return period; }
    int bufferFrames() const { return buffer; }
    int frameBytes() const;

private:
    friend class PlaybackThread;
    friend class SoundInput; // links its stream to ours

    snd_pcm_t* pcm = nullptr;
    PlayFormat playFormat = PlayFormat::S16;
    int channels = 0;
    int rateHz = 0;
    int period = 0;
    int buffer = 0;
    std::string lastReason;
    // Raised by PlaybackThread::start, lowered by its worker when it is done
    // with the device: one player at a time.
    core::BusyFlag playing;
};

} // namespace corvane::audio
