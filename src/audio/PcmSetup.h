#pragma once

#include "audio/PlayFormat.h"

#include <string>

typedef struct _snd_pcm snd_pcm_t;

// The set-up playback and capture share: interleaved frames of exactly one
// format, channel count and rate, ALSA's resampling off, periods of about
// 20 ms and a buffer of a few of them.
namespace corvane::audio::detail {

struct PcmLayout {
    int channels = 0;
    int periodFrames = 0;
    int bufferFrames = 0;
};

struct PcmRequest {
    bool capture = false;
    PlayFormat format = PlayFormat::S16;
    // Capture takes the device's smallest channel count when it is larger
    // than this (a card that records only in pairs); playback takes exactly
    // this many.
    int channels = 0;
    bool atLeastChannels = false;
    int rateHz = 0;
    // Playback starts by itself once its buffer is full; capture only when
    // started (by the caller, or by the playback it is linked to).
    bool startWhenFull = false;
    int periodMicroseconds = 20000;
    int periodsPerBuffer = 4;
};

// Opens the device non-blocking (a busy device fails at once instead of
// hanging the caller, and the threads wait on it in short slices) and sets
// it up as asked. 0 with handle set, or core::kDeviceOpenError /
// core::kFormatRefused / core::kNoResources with reason saying why in
// ALSA's words; nothing stays open then.
int openPcm(const std::string& name, const PcmRequest& request, snd_pcm_t*& handle, PcmLayout& layout,
            std::string& reason);

} // namespace corvane::audio::detail
