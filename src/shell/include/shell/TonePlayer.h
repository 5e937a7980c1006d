#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace corvane::shell {

struct MainFormState;

// The window's "Play(&P)" without the window: the tone of the last display,
// 16-bit at its sampling rate, played on and on by a thread of its own until
// stopped. The window polls it from a timer; all calls on the window thread.
class TonePlayer {
public:
    TonePlayer();
    ~TonePlayer(); // stops a tone that still plays
    TonePlayer(const TonePlayer&) = delete;
    TonePlayer& operator=(const TonePlayer&) = delete;

    // Opens the device and starts playing. 0, or the result code with
    // reason() in ALSA's words; nothing plays then.
    int start(const MainFormState& state, std::string_view deviceName);
    bool playing() const;
    // While playing: 0, or the code of an error that ended the playing (the
    // player has stopped then, and reason() says why).
    int poll();
    void stop();
    const std::string& reason() const { return lastReason; }

private:
    struct Parts;
    std::unique_ptr<Parts> parts;
    std::string lastReason;
};

// The device the window plays on: CORVANE_AUDIO_DEVICE when it is set and not
// empty, else ALSA's "default".
std::string windowAudioDevice();

} // namespace corvane::shell
