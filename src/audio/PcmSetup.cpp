#include "PcmSetup.h"

#include "AlsaMessages.h"
#include "core/ResultCodes.h"

#include <alsa/asoundlib.h>

#include <memory>

namespace corvane::audio::detail {
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
constexpr const char* kRateHint = "; corvane does not resample, so choose a rate the device takes";

int setUpPcm(snd_pcm_t* handle, const std::string& name, const PcmRequest& request, PcmLayout& layout,
             std::string& reason)
{
    const auto refuse = [&](const std::string& what, int alsaError, const std::string& more) {
        reason = "\"" + name + "\" " + what + ": " + alsaReason(alsaError) + more;
        return core::kFormatRefused;
    };
    int err = 0;
    snd_pcm_hw_params_t* rawHw = nullptr;
    if ((err = snd_pcm_hw_params_malloc(&rawHw)) < 0) {
        reason = alsaReason(err);
        return core::kNoResources;
    }
    const std::unique_ptr<snd_pcm_hw_params_t, HwParamsFree> hw(rawHw);
    const snd_pcm_format_t alsaFmt = alsaFormat(request.format);
    const auto rate = static_cast<unsigned>(request.rateHz);

    if ((err = snd_pcm_hw_params_any(handle, hw.get())) < 0)
        return refuse("offers no set-up", err, {});
    if ((err = snd_pcm_hw_params_set_rate_resample(handle, hw.get(), 0)) < 0)
        return refuse("cannot switch resampling off", err, {});
    if ((err = snd_pcm_hw_params_set_access(handle, hw.get(), SND_PCM_ACCESS_RW_INTERLEAVED)) < 0)
        return refuse("refuses interleaved frames", err, kPlugHint);
    if ((err = snd_pcm_hw_params_set_format(handle, hw.get(), alsaFmt)) < 0)
        return refuse(std::string("refuses the sample format ") + snd_pcm_format_name(alsaFmt), err, kPlugHint);
    auto channels = static_cast<unsigned>(request.channels);
    if (request.atLeastChannels) {
        unsigned least = 0;
        if (snd_pcm_hw_params_get_channels_min(hw.get(), &least) == 0 && least > channels)
            channels = least;
    }
    if ((err = snd_pcm_hw_params_set_channels(handle, hw.get(), channels)) < 0)
        return refuse("refuses " + std::to_string(channels) + " channel(s)", err,
                      channelRange(hw.get()) + kPlugHint);
    if ((err = snd_pcm_hw_params_set_rate(handle, hw.get(), rate, 0)) < 0)
        return refuse("refuses " + std::to_string(request.rateHz) + " Hz", err,
                      rateRange(handle, alsaFmt) + kRateHint);
    auto periodUs = static_cast<unsigned>(request.periodMicroseconds);
    int dir = 0;
    if ((err = snd_pcm_hw_params_set_period_time_near(handle, hw.get(), &periodUs, &dir)) < 0)
        return refuse("refuses periods of about " + std::to_string(request.periodMicroseconds / 1000) + " ms", err,
                      {});
    auto periods = static_cast<unsigned>(request.periodsPerBuffer);
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
        reason = alsaReason(err);
        return core::kNoResources;
    }
    const std::unique_ptr<snd_pcm_sw_params_t, SwParamsFree> sw(rawSw);
    snd_pcm_uframes_t boundary = 0;
    if ((err = snd_pcm_sw_params_current(handle, sw.get())) < 0 ||
        (err = snd_pcm_sw_params_get_boundary(sw.get(), &boundary)) < 0)
        return refuse("refuses the start and wake-up thresholds", err, {});
    const snd_pcm_uframes_t start = request.startWhenFull ? bufferSize : boundary;
    // Wake the thread when a whole period is ready.
    if ((err = snd_pcm_sw_params_set_start_threshold(handle, sw.get(), start)) < 0 ||
        (err = snd_pcm_sw_params_set_avail_min(handle, sw.get(), periodSize)) < 0 ||
        (err = snd_pcm_sw_params(handle, sw.get())) < 0)
        return refuse("refuses the start and wake-up thresholds", err, {});

    layout.channels = static_cast<int>(channels);
    layout.periodFrames = static_cast<int>(periodSize);
    layout.bufferFrames = static_cast<int>(bufferSize);
    return 0;
}

} // namespace

int openPcm(const std::string& name, const PcmRequest& request, snd_pcm_t*& handle, PcmLayout& layout,
            std::string& reason)
{
    captureAlsaMessages();
    clearAlsaMessage();
    snd_pcm_t* opened = nullptr;
    const int err =
        snd_pcm_open(&opened, name.c_str(), request.capture ? SND_PCM_STREAM_CAPTURE : SND_PCM_STREAM_PLAYBACK,
                     SND_PCM_NONBLOCK);
    if (err < 0) {
        reason = "cannot open \"" + name + "\"" + (request.capture ? " for capture" : "") + ": " + alsaReason(err);
        return core::kDeviceOpenError;
    }
    if (const int r = setUpPcm(opened, name, request, layout, reason); r < 0) {
        snd_pcm_close(opened);
        return r;
    }
    handle = opened;
    return 0;
}

} // namespace corvane::audio::detail
