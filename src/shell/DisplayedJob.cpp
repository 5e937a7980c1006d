#include "shell/DisplayedJob.h"

#include "audio/SoundOutput.h"
#include "shell/MainFormState.h"

#include <cmath>
#include <cstddef>
#include <cstdlib>

namespace corvane::shell {

session::JobDescription displayedJob(const MainFormState& state, core::SampleFormat format)
{
    session::JobDescription job;
    job.kind = core::SignalKind::Tone;
    job.freqHz = state.signalFreq;
    // Typed text that matches no waveshape plays and saves as the silence
    // the display showed.
    const auto shape = core::rowOf(core::kWaveShapes, state.waveShape);
    job.shape = shape ? std::optional(shape->shape) : std::nullopt;
    job.amplitude = state.amplitude;
    // For the level's warnings; the samples take the amplitude itself.
    job.levelDb = 20.0 * std::log10(state.amplitude);
    job.sampleRateHz = state.fs;
    job.seconds = state.lengthSec;
    job.format = format;
    job.channels = state.stereo ? 2 : 1;
    job.refLevel = state.refLevel;
    return job;
}

std::optional<session::JobDescription> displayedJob(const MainFormState& state,
                                                    const session::JobDescription& typed)
{
    const auto& shown = state.displayedSignals[static_cast<std::size_t>(typed.kind)];
    if (!shown)
        return std::nullopt;
    session::JobDescription job = *shown;
    job.format = typed.format;
    job.channels = typed.channels;
    job.refLevel = typed.refLevel;
    job.dither = typed.dither;
    return job;
}

std::string windowAudioDevice()
{
    const char* named = std::getenv("CORVANE_AUDIO_DEVICE");
    return named != nullptr && *named != '\0' ? std::string(named)
                                              : std::string(audio::SoundOutput::kDefaultDevice);
}

} // namespace corvane::shell
