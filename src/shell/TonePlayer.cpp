#include "shell/TonePlayer.h"

#include "audio/PlayFormat.h"
#include "audio/PlaybackThread.h"
#include "audio/SoundOutput.h"
#include "core/ResultCodes.h"
#include "shell/MainFormState.h"
#include "signal/MiniWaveGen.h"
#include "wavio/WavFormat.h"

#include <cstdlib>

namespace corvane::shell {

struct TonePlayer::Parts {
    signal::MiniWaveGen generator;
    audio::SoundOutput output;
    std::unique_ptr<audio::PlaybackThread> player;
};

TonePlayer::TonePlayer() = default;

TonePlayer::~TonePlayer()
{
    stop();
}

int TonePlayer::start(const MainFormState& state, std::string_view deviceName)
{
    stop();
    lastReason.clear();
    auto p = std::make_unique<Parts>();
    const int channels = state.stereo ? 2 : 1;
    // The tone the display shows, as the 16-bit export would write it.
    p->generator.setSignal(state.waveShape, channels, state.signalFreq, state.fs, state.amplitude);
    if (const int r = p->output.open(deviceName, audio::PlayFormat::S16, channels, state.fs); r < 0) {
        lastReason = p->output.reason();
        return r;
    }
    p->player = std::make_unique<audio::PlaybackThread>(p->output, p->generator);
    if (const int r = p->player->start(audio::PlaybackThread::kLoopForever, wavio::fullScale(wavio::S16)); r < 0) {
        lastReason = p->player->reason();
        return r;
    }
    parts = std::move(p);
    return core::kOk;
}

bool TonePlayer::playing() const
{
    return parts != nullptr;
}

int TonePlayer::poll()
{
    if (!parts || !parts->player->playDone.load(std::memory_order_acquire))
        return core::kOk;
    const int result = parts->player->playResult.load(std::memory_order_relaxed);
    lastReason = parts->player->reason();
    parts.reset();
    return result;
}

void TonePlayer::stop()
{
    if (!parts)
        return;
    // The thread drops what is queued and ends within a period; the output
    // closes after it.
    parts->player->stopRequest.store(true, std::memory_order_release);
    parts->player.reset();
    parts.reset();
}

std::string windowAudioDevice()
{
    const char* named = std::getenv("CORVANE_AUDIO_DEVICE");
    return named != nullptr && *named != '\0' ? std::string(named)
                                              : std::string(audio::SoundOutput::kDefaultDevice);
}

} // namespace corvane::shell
