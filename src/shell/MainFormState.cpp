#include "shell/MainFormState.h"

#include "core/CodeSets.h"

namespace corvane::shell {

void setFormDefaults(MainFormState& state)
{
    state.dataFormat = static_cast<std::int8_t>(core::codeOf(core::SampleFormat::S16));
    state.stereo = true;
    state.inSeconds = true;
    state.fs = 44100;
    state.lengthSec = 10.0;
    state.displayed = false;
    state.vertExpand = false;
    state.horizExpand = false;
    state.refLevel = 0.1;
}

} // namespace corvane::shell
