#pragma once

#include "core/CodeSets.h"
#include "session/JobDescription.h"

#include <array>
#include <cstdint>
#include <optional>

namespace corvane::shell {

// What the main window remembers between commands: the parameters of the last
// display, which the save command writes, and the export settings it offers
// again. Kept apart from the widgets so the display command can run on it
// without Qt. Everything is zero until setFormDefaults.
struct MainFormState {
    static constexpr int kDisplayDataSize = 8192;

    std::int8_t dataFormat = 0; // index of the export sample format; 1 is 16-bit
    // The samples of the last display. The display layer keeps a pointer to
    // this array and redraws from it at every repaint, so it lives as long as
    // the window and only the display command writes it.
    std::array<double, kDisplayDataSize> displayData{};
    bool stereo = false;
    bool inSeconds = false; // the export length was given in seconds, not samples
    int fs = 0; // Hz, of the last display and of the export
    int dataLength = 0; // export length in samples
    double lengthSec = 0.0;
    int waveShape = 0; // item index of the waveshape list, -1 for typed text
    int dataSize = 0; // samples used in displayData
    int fsIndex = 0; // item index of the sampling-frequency list
    bool displayed = false; // "Display Wave" has been pressed at least once
    bool vertExpand = false;
    bool horizExpand = false;
    double signalFreq = 0.0; // Hz
    double amplitude = 0.0; // linear, 1.0 is 0 dB
    double timeSpan = 0.0; // seconds: the X axis span, then where the trace ends
    double refLevel = 0.0; // what a 0 dB signal is written as in the float formats
    // Each signal but the tone as its fields described it when it was last
    // displayed, by signal code: what Play plays.
    std::array<std::optional<session::JobDescription>, core::kSignalKinds.size()> displayedSignals;
};

// The values the window starts with.
void setFormDefaults(MainFormState& state);

} // namespace corvane::shell
