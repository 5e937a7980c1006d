#pragma once

#include "session/JobDescription.h"

#include <optional>
#include <vector>

namespace corvane::core {
class Handover;
} // namespace corvane::core
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

// Up to this many frames a display is read at once on the caller's thread
// (a few milliseconds); a longer one is worth a worker and a progress window.
inline constexpr long long kImmediateDisplayFrames = 1LL << 21;

// What computeSignalPicture returns when it was asked to stop.
inline constexpr int kDisplayStopped = 1;

// A signal as the display reads it: one channel of the 16-bit export's
// samples, checked, with its plan.
struct SignalToDisplay {
    session::JobDescription job;
    session::JobPlan plan;
};

// What a signal's display draws, computed apart from the drawing so that a
// long signal can be read on a worker thread.
struct SignalPicture {
    std::vector<double> data; // 16-bit steps: each column's lowest and highest, or the first samples
    double peak = 0.0; // the largest magnitude among them
    double span = 0.0; // seconds the time axis spans
};

// The typed job checked as the command line checks it (every finding in
// box); empty when it is refused.
std::optional<SignalToDisplay> checkSignalToDisplay(const session::JobDescription& typed, OkBox& box);

// How many frames computeSignalPicture reads for it.
long long framesToRead(const SignalToDisplay& signal, bool horiz);

// Reads the signal into picture: the whole length as a minimum/maximum
// envelope, or with horiz the first kDisplayBlockSize samples themselves.
// handover, when given, gets the progress in percent and is asked after
// every block whether to stop. 0, kDisplayStopped, or a negative message
// code. Touches nothing but its arguments, so it may run on a worker thread.
int computeSignalPicture(const SignalToDisplay& signal, bool horiz, SignalPicture& picture,
                         core::Handover* handover = nullptr);

// Draws the picture by the tone's grid and label rules and keeps it in the
// state's display array, with typed as the signal's displayed job; vert
// fits the vertical range to the picture's peak.
void drawSignalPicture(MainFormState& state, const session::JobDescription& typed, const SignalPicture& picture,
                       bool vert, OkBox& box, plot::WaveDisplay& display);

// "Display Wave" for a signal other than the tone (a sweep, noise), all on
// the caller's thread: the check, the reading and the drawing above. True
// when something was drawn.
bool displaySignal(MainFormState& state, const session::JobDescription& job, bool vert, bool horiz, OkBox& box,
                   plot::WaveDisplay& display);

} // namespace corvane::shell
