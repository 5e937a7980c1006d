#pragma once

#include <string>
#include <vector>

namespace corvane::audio {

// One playback PCM as ALSA names and describes it. The description may run
// over several lines, as ALSA writes it.
struct PcmDevice {
    std::string name;
    std::string description;
};

// The PCMs ALSA reports that can play (capture-only ones are left out), in
// ALSA's order. 0, or core::kDeviceOpenError with ALSA's words in reason.
int listDevices(std::vector<PcmDevice>& devices, std::string& reason);

} // namespace corvane::audio
