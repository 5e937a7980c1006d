#include "audio/DeviceList.h"

#include "AlsaMessages.h"
#include "core/ResultCodes.h"

#include <alsa/asoundlib.h>

#include <cstdlib>
#include <cstring>

namespace corvane::audio {
namespace {

// ALSA hands out each hint field as a malloc'ed copy (or null).
std::string takeHint(const void* hint, const char* field)
{
    char* value = snd_device_name_get_hint(hint, field);
    std::string text = value != nullptr ? value : "";
    std::free(value);
    return text;
}

} // namespace

int listDevices(std::vector<PcmDevice>& devices, std::string& reason)
{
    devices.clear();
    detail::captureAlsaMessages();
    detail::clearAlsaMessage();
    void** hints = nullptr;
    const int err = snd_device_name_hint(-1, "pcm", &hints);
    if (err < 0) {
        reason = "cannot list the sound devices: " + detail::alsaReason(err);
        return core::kDeviceOpenError;
    }
    for (void** h = hints; *h != nullptr; ++h) {
        // No IOID means the device both plays and records.
        const std::string direction = takeHint(*h, "IOID");
        if (!direction.empty() && direction != "Output")
            continue;
        PcmDevice device{takeHint(*h, "NAME"), takeHint(*h, "DESC")};
        if (!device.name.empty())
            devices.push_back(std::move(device));
    }
    snd_device_name_free_hint(hints);
    return 0;
}

} // namespace corvane::audio
