#pragma once

#include "session/JobDescription.h"

namespace corvane::plot {
class WaveDisplay;
} // namespace corvane::plot

namespace corvane::shell {

class OkBox;
struct MainFormState;

// The columns of a whole-length display: each holds the lowest and the
// highest sample of its stretch, so every pixel column of the plot shows
// the range of the samples it covers.
inline constexpr int kEnvelopeColumns = 4096;

// "Display Wave" for a signal other than the tone (a sweep, noise): the job
// is checked as the command line checks it (every finding in box), then
// drawn by the tone's grid and label rules. The whole length is shown as a
// minimum/maximum envelope; vert fits the vertical range to the signal's
// peak, horiz shows the first kDisplayBlockSize samples themselves. The
// samples drawn are kept in the state's display array, quantised to 16-bit
// steps as the tone's are. True when something was drawn.
bool displaySignal(MainFormState& state, const session::JobDescription& job, bool vert, bool horiz, OkBox& box,
                   plot::WaveDisplay& display);

} // namespace corvane::shell
