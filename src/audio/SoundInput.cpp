#include "audio/SoundInput.h"

#include "AlsaMessages.h"
#include "PcmSetup.h"
#include "audio/SoundOutput.h"
#include "core/ResultCodes.h"

#include <alsa/asoundlib.h>

#include <cassert>

namespace corvane::audio {

SoundInput::~SoundInput()
{
    // The capture thread must be finished first: it works on this device.
    assert(!capturing.taken());
    if (pcm != nullptr) {
        if (isLinked)
            snd_pcm_unlink(pcm);
        snd_pcm_close(pcm);
    }
}

int SoundInput::frameBytes() const
{
    const PlayFormatInfo* info = playFormatInfo(captureFormat);
    return info != nullptr ? info->bytes() * channels : 0;
}

int SoundInput::open(std::string_view deviceName, PlayFormat format, int channelCount, int sampleRateHz)
{
    if (pcm != nullptr) {
        lastReason = "the sound input is already open";
        return core::kAlreadyRunning;
    }
    if (playFormatInfo(format) == nullptr) {
        lastReason = "unknown sample format";
        return core::kFormatOutOfRange;
    }
    if (channelCount < 1 || channelCount > kMaxChannels) {
        lastReason = "capture takes 1 to " + std::to_string(kMaxChannels) + " channels, not " +
                     std::to_string(channelCount);
        return core::kChannelsOutOfRange;
    }
    if (sampleRateHz < 1 || sampleRateHz > SoundOutput::kMaxRateHz) {
        lastReason = "capture takes 1 to " + std::to_string(SoundOutput::kMaxRateHz) + " Hz, not " +
                     std::to_string(sampleRateHz);
        return core::kRateOutOfRange;
    }

    detail::PcmRequest request;
    request.capture = true;
    request.format = format;
    request.channels = channelCount;
    request.atLeastChannels = true;
    request.rateHz = sampleRateHz;
    request.periodMicroseconds = kPeriodMicroseconds;
    request.periodsPerBuffer = kPeriodsPerBuffer;
    detail::PcmLayout layout;
    snd_pcm_t* handle = nullptr;
    if (const int r = detail::openPcm(std::string(deviceName), request, handle, layout, lastReason); r < 0)
        return r;
    pcm = handle;
    captureFormat = format;
    channels = layout.channels;
    rateHz = sampleRateHz;
    period = layout.periodFrames;
    buffer = layout.bufferFrames;
    isLinked = false;
    lastReason.clear();
    return 0;
}

bool SoundInput::linkTo(SoundOutput& output)
{
    if (pcm == nullptr || output.pcm == nullptr || isLinked)
        return isLinked;
    isLinked = snd_pcm_link(output.pcm, pcm) == 0;
    return isLinked;
}

void SoundInput::unlink()
{
    if (pcm != nullptr && isLinked)
        snd_pcm_unlink(pcm);
    isLinked = false;
}

int SoundInput::close()
{
    if (capturing.taken()) {
        lastReason = "the sound input is still capturing";
        return core::kAlreadyRunning;
    }
    if (pcm != nullptr) {
        unlink();
        snd_pcm_close(pcm);
        pcm = nullptr;
    }
    return 0;
}

} // namespace corvane::audio
