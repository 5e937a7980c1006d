#pragma once

#include "core/CodeSets.h"
#include "session/JobDescription.h"

#include <optional>
#include <string>

namespace corvane::shell {

struct MainFormState;

// The job the window saves and plays: the tone of the last display (its
// frequency, waveshape, amplitude and rate), with the export settings the
// save command keeps (length, channels, reference level), in format.
session::JobDescription displayedJob(const MainFormState& state, core::SampleFormat format);

// A signal other than the tone as it was last displayed, in the typed job's
// format, channels and reference level, so the two compare by the signal
// alone; empty when that signal has not been displayed.
std::optional<session::JobDescription> displayedJob(const MainFormState& state,
                                                    const session::JobDescription& typed);

// The device the window plays on: CORVANE_AUDIO_DEVICE when it is set and not
// empty, else ALSA's "default".
std::string windowAudioDevice();

} // namespace corvane::shell
