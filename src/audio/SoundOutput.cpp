#include "audio/SoundOutput.h"

#include "AlsaMessages.h"
#include "core/ResultCodes.h"

#include <alsa/asoundlib.h>

#include <cassert>
#include <memory>

namespace corvane::audio {
namespace {

snd_pcm_format_t alsaFormat(PlayFormat format)
{
    switch (format) {
    case PlayFormat::S16: return SND_PCM_FORMAT_S16_LE;
    case PlayFormat::S32: return SND_PCM_FORMAT_S32_LE;
    case PlayFormat::F32: return SND_PCM_FORMAT_FLOAT_LE;
    }
    return SND_PCM_FORMAT_UNKNOWN;
}

struct HwParamsFree {
    void operator()(snd_pcm_hw_params_t* p) const { snd_pcm_hw_params_free(p); }
};
struct SwParamsFree {
    void operator()(snd_pcm_sw_params_t* p) const { snd_pcm_sw_params_free(p); }
};

// What the device would take, for the refusal message: "8000 to 48000 Hz".
std::string rateRange(snd_pcm_t* pcm, snd_pcm_format_t format)
{
    snd_pcm_hw_params_t* raw = nullptr;
    if (snd_pcm_hw_params_malloc(&raw) < 0)
        return {};
    const std::unique_ptr<snd_pcm_hw_params_t, HwParamsFree> hw(raw);
    unsigned lo = 0;
    unsigned hi = 0;
    int loDir = 0;
    int hiDir = 0;
    if (snd_pcm_hw_params_any(pcm, hw.get()) < 0 || snd_pcm_hw_params_set_rate_resample(pcm, hw.get(), 0) < 0 ||
        snd_pcm_hw_params_set_format(pcm, hw.get(), format) < 0 ||
        snd_pcm_hw_params_get_rate_min(hw.get(), &lo, &loDir) < 0 ||
        snd_pcm_hw_params_get_rate_max(hw.get(), &hi, &hiDir) < 0)
        return {};
    // ALSA gives open bounds as the whole number beyond them.
    if (loDir > 0)
        ++lo;
    if (hiDir < 0 && hi > 0)
        --hi;
    return "; it takes " + std::to_string(lo) + " to " + std::to_string(hi) + " Hz";
}

std::string channelRange(const snd_pcm_hw_params_t* hw)
{
    unsigned lo = 0;
    unsigned hi = 0;
    if (snd_pcm_hw_params_get_channels_min(hw, &lo) < 0 || snd_pcm_hw_params_get_channels_max(hw, &hi) < 0)
        return {};
    return "; it takes " + std::to_string(lo) + " to " + std::to_string(hi) + " channels";
}

// plug devices convert the format and the channel count without being asked
// to resample, so they are the way out of those two refusals; a rate has to
// be one the device takes.
constexpr const char* kPlugHint = "; a plughw: device converts the format and the channel count";
constexpr const char* kRateHint = "; playback does not resample, so choose a rate the device takes";

} // namespace

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

    detail::captureAlsaMessages();
    detail::clearAlsaMessage();
    const std::string name(deviceName);
    snd_pcm_t* handle = nullptr;
    // Non-blocking: a busy device fails at once instead of hanging the
    // caller, and the playing thread waits on the device in short slices.
    int err = snd_pcm_open(&handle, name.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (err < 0) {
        lastReason = "cannot open \"" + name + "\": " + detail::alsaReason(err);
        return core::kDeviceOpenError;
    }
    const auto refuse = [&](const std::string& what, int alsaError, const std::string& more) {
        lastReason = "\"" + name + "\" " + what + ": " + detail::alsaReason(alsaError) + more;
        snd_pcm_close(handle);
        return core::kFormatRefused;
    };

    snd_pcm_hw_params_t* rawHw = nullptr;
    if ((err = snd_pcm_hw_params_malloc(&rawHw)) < 0) {
        lastReason = detail::alsaReason(err);
        snd_pcm_close(handle);
        return core::kNoResources;
    }
    const std::unique_ptr<snd_pcm_hw_params_t, HwParamsFree> hw(rawHw);
    const snd_pcm_format_t alsaFmt = alsaFormat(format_);
    const auto rate = static_cast<unsigned>(sampleRateHz);

    if ((err = snd_pcm_hw_params_any(handle, hw.get())) < 0)
        return refuse("offers no playback set-up", err, {});
    if ((err = snd_pcm_hw_params_set_rate_resample(handle, hw.get(), 0)) < 0)
        return refuse("cannot switch resampling off", err, {});
    if ((err = snd_pcm_hw_params_set_access(handle, hw.get(), SND_PCM_ACCESS_RW_INTERLEAVED)) < 0)
        return refuse("refuses interleaved frames", err, kPlugHint);
    if ((err = snd_pcm_hw_params_set_format(handle, hw.get(), alsaFmt)) < 0)
        return refuse(std::string("refuses the sample format ") + snd_pcm_format_name(alsaFmt), err, kPlugHint);
    if ((err = snd_pcm_hw_params_set_channels(handle, hw.get(), static_cast<unsigned>(channelCount))) < 0)
        return refuse("refuses " + std::to_string(channelCount) + " channel(s)", err,
                      channelRange(hw.get()) + kPlugHint);
    if ((err = snd_pcm_hw_params_set_rate(handle, hw.get(), rate, 0)) < 0)
        return refuse("refuses " + std::to_string(sampleRateHz) + " Hz", err,
                      rateRange(handle, alsaFmt) + kRateHint);
    unsigned periodUs = kPeriodMicroseconds;
    int dir = 0;
    if ((err = snd_pcm_hw_params_set_period_time_near(handle, hw.get(), &periodUs, &dir)) < 0)
        return refuse("refuses periods of about 20 ms", err, {});
    unsigned periods = kPeriodsPerBuffer;
    dir = 0;
    if ((err = snd_pcm_hw_params_set_periods_near(handle, hw.get(), &periods, &dir)) < 0)
        return refuse("refuses a buffer of a few periods", err, {});
    if ((err = snd_pcm_hw_params(handle, hw.get())) < 0)
        return refuse("refuses this set-up", err, {});

    snd_pcm_uframes_t periodSize = 0;
    snd_pcm_uframes_t bufferSize = 0;
    dir = 0;
    snd_pcm_hw_params_get_period_size(hw.get(), &periodSize, &dir);
    snd_pcm_hw_params_get_buffer_size(hw.get(), &bufferSize);
    // Anything far beyond a second is a device we cannot reason about.
    constexpr snd_pcm_uframes_t kMaxFrames = 1u << 24;
    if (periodSize == 0 || bufferSize < periodSize || bufferSize > kMaxFrames)
        return refuse("chose a period of " + std::to_string(periodSize) + " and a buffer of " +
                          std::to_string(bufferSize) + " frames",
                      -EINVAL, {});

    snd_pcm_sw_params_t* rawSw = nullptr;
    if ((err = snd_pcm_sw_params_malloc(&rawSw)) < 0) {
        lastReason = detail::alsaReason(err);
        snd_pcm_close(handle);
        return core::kNoResources;
    }
    const std::unique_ptr<snd_pcm_sw_params_t, SwParamsFree> sw(rawSw);
    // Start once the buffer is full, so the first periods do not underrun;
    // wake the writer when a whole period is free.
    if ((err = snd_pcm_sw_params_current(handle, sw.get())) < 0 ||
        (err = snd_pcm_sw_params_set_start_threshold(handle, sw.get(), bufferSize)) < 0 ||
        (err = snd_pcm_sw_params_set_avail_min(handle, sw.get(), periodSize)) < 0 ||
        (err = snd_pcm_sw_params(handle, sw.get())) < 0)
        return refuse("refuses the start and wake-up thresholds", err, {});

    pcm = handle;
    playFormat = format_;
    channels = channelCount;
    rateHz = sampleRateHz;
    period = static_cast<int>(periodSize);
    buffer = static_cast<int>(bufferSize);
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
