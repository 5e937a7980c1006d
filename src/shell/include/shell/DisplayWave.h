#pragma once

#include "shell/MainFormState.h"

#include <optional>
#include <string_view>

namespace corvane::plot {
class WaveDisplay;
} // namespace corvane::plot

namespace corvane::shell {

class OkBox;

// The "Display Wave" command without its window: checks the parameters,
// generates one block of the signal, quantises it as 16-bit audio would and
// lays out the plot. The window reads its controls into DisplayInputs and
// hands over its state; `corvane plot` runs the same code.

inline constexpr int kDisplayBlockSize = 4096;
// One 16-bit step per unit: full scale 32767 is amplitude 10.0 (+20 dB).
inline constexpr double kDisplayQuantum = 3276.7;

// The controls as read. A number that did not parse (or is not finite) is
// empty; an index is -1 when the typed text matches no item.
struct DisplayInputs {
    std::optional<double> signalFreq;
    std::optional<double> levelDb;
    int fsIndex = -1;
    int waveShape = -1;
};

// The sampling frequency of an FsSelect item; empty outside 0 to 4.
std::optional<int> sampleRateOfIndex(int fsIndex);

struct VerticalRange {
    double top = 10.0;
    double bottom = -10.0;
};

// The plot's Y range: +-10 (integer full scale) unless vertical expansion is
// on, then fitted to the shape's excursion with a 10 % margin.
VerticalRange verticalRange(int waveShape, double amplitude, bool vert);

// The X span: one period with horizontal expansion, else the largest value
// of 1, 2 or 4 times a power of ten that does not exceed ten periods.
double displayTimeSpan(double signalFreq, bool horiz);

// How many samples one display block takes. Above kDisplayBlockSize the
// count is halved and the generator runs at a multiple of the frequency, so
// the same periods fit in fewer samples; timeScale turns the block's time
// back into real seconds.
struct DisplayBlock {
    int dataSize = 0;
    double genFreq = 0.0;
    double timeScale = 1.0;
};
DisplayBlock limitDisplayBlock(int fs, double timeSpan, double signalFreq);

// A sample as the nearest 16-bit step count, rounded half away from zero and
// not clipped to 16 bits. Counts beyond 32 bits saturate at +-2147483647; a
// value that is not a number gives 0.
double quantiseSample(double x);

// The whole command, as the window's buttons run it; vert and horiz are the
// expand toggles. Stores what it read in state as it goes (a parameter that
// fails a check stays stored, text that is not a number stores nothing),
// shows every check, warning and failed result in box, and draws through
// display, which keeps a pointer to state.displayData.
void displayWave(MainFormState& state, const DisplayInputs& in, bool vert, bool horiz, OkBox& box,
                 plot::WaveDisplay& display);

} // namespace corvane::shell
