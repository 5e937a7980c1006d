#pragma once

#include "core/CodeSets.h"
#include "session/JobDescription.h"

#include <string>

namespace corvane::shell {

struct MainFormState;

// The job the window saves and plays: the tone of the last display (its
// frequency, waveshape, amplitude and rate), with the export settings the
// save command keeps (length, channels, reference level), in format.
session::JobDescription displayedJob(const MainFormState& state, core::SampleFormat format);

// The device the window plays on: CORVANE_AUDIO_DEVICE when it is set and not
// empty, else ALSA's "default".
std::string windowAudioDevice();

} // namespace corvane::shell
