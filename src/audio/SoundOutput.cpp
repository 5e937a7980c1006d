#include "audio/SoundOutput.h"

#include "AlsaMessages.h"
#include "PcmSetup.h"
#include "core/ResultCodes.h"

#include <alsa/asoundlib.h>

#include <cassert>

namespace corvane::audio {

SoundOutput::~SoundOutput()
{
    // The playback thread must be finished first: it works on this device.
    assert(!playing.taken());
    if (pcm != nullptr)
        snd_pcm_close(pcm);
}

int SoundOutput::frameBytes() const
{
    const PlayFormatInfo* info = playFormatInfo(playFormat);
    return info != nullptr ? info->bytes() * channels : 0;
}

int SoundOutput::open(std::string_view deviceName, PlayFormat format_, int channelCount, int sampleRateHz)
{
    if (pcm != nullptr) {
        lastReason = "the sound output is already open";
        return core::kAlreadyRunning;
    }
    const PlayFormatInfo* info = playFormatInfo(format_);
    if (info == nullptr) {
        lastReason = "unknown sample format";
        return core::kFormatOutOfRange;
    }
    if (channelCount != 1 && channelCount != 2) {
        lastReason = "playback takes 1 or 2 channels, not " + std::to_string(channelCount);
        return core::kChannelsOutOfRange;
    }
    if (sampleRateHz < 1 || sampleRateHz > kMaxRateHz) {
        lastReason =
            "playback takes 1 to " + std::to_string(kMaxRateHz) + " Hz, not " + std::to_string(sampleRateHz);
        return core::kRateOutOfRange;
    }

    detail::PcmRequest request;
    request.format = format_;
    request.channels = channelCount;
    request.rateHz = sampleRateHz;
    // Start once the buffer is full, so the first periods do not underrun.
    request.startWhenFull = true;
    request.periodMicroseconds = kPeriodMicroseconds;
    request.periodsPerBuffer = kPeriodsPerBuffer;
    detail::PcmLayout layout;
    snd_pcm_t* handle = nullptr;
    if (const int r = detail::openPcm(std::string(deviceName), request, handle, layout, lastReason); r < 0)
        return r;

    pcm = handle;
    playFormat = format_;
    channels = channelCount;
    rateHz = sampleRateHz;
    period = layout.periodFrames;
    buffer = layout.bufferFrames;
    lastReason.clear();
    return 0;
}

int SoundOutput::close()
{
    if (playing.taken()) {
        lastReason = "the sound output is still playing";
        return core::kAlreadyRunning;
    }
    if (pcm != nullptr) {
        snd_pcm_close(pcm);
        pcm = nullptr;
    }
    return 0;
}

} // namespace corvane::audio
