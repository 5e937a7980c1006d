#pragma once

#include "plot/Colour.h"

#include <array>
#include <complex>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvane::plot {

class PlotCanvas;

// Poles and zeros of one filter, as a caller hands them to poleZeroDisplay.
// Only the first poleCount poles and zeroCount zeros are used; a count outside
// 0..16 is taken as the nearest end of that range.
struct poleZeroSet {
    static constexpr int kCapacity = 16;
    int poleCount = 0;
    std::array<std::complex<double>, kCapacity> poles{};
    int zeroCount = 0;
    std::array<std::complex<double>, kCapacity> zeros{};
};

// Which display command a history entry holds. The numbers are part of the
// record: the history is read back by them.
enum class CommandKind : std::int32_t {
    Empty = -1, // never used since construction
    XScale = 0, // dPar1 xMin, dPar2 xMax, dPar3 interval
    XScaleLog = 1, // dPar1 left, dPar2 right
    YScaleNoGrid = 2, // dPar1 yTop, dPar2 yBottom, iPar1 channel
    YScaleGridChannel0 = 3, // dPar1 yTop, dPar2 yBottom, dPar3 interval
    YScaleGrid = 4, // dPar1 yTop, dPar2 yBottom, dPar3 interval, iPar1 channel
    Draw = 5, // dataPtr, iPar1 n, color, iPar2 channel
    DrawGainOffset = 6, // + dPar1 gain, dPar2 offset
    DrawGainOffsetRange = 7, // + dPar3 xStart, dPar4 xEnd
    DbDraw = 8, // dataPtr, dPar1 ref, iPar1 n, color
    DbDrawRange = 9, // + dPar2 xStart, dPar3 xEnd
    DbDrawRangeChannel = 10, // + iPar2 channel
    PoleZero = 11, // the sets held by the display
    Text = 12, // iPar1 x, iPar2 y, color, text
};

// One recorded display command. Fields a kind does not use keep whatever an
// earlier command left in them.
struct dispCommandHistory {
    CommandKind kind = CommandKind::Empty;
    int iPar1 = 0;
    int iPar2 = 0;
    // The caller's sample array, not copied and not owned: a repaint draws
    // what it holds then, so it must stay in place while the plot is shown.
    const double* dataPtr = nullptr;
    double dPar1 = 0.0;
    double dPar2 = 0.0;
    double dPar3 = 0.0;
    double dPar4 = 0.0;
    Colour color = 0;
    std::string text{}; // owned copy of a text command's text, or a labelled axis's unit
    // Recorded by a grid-and-scale operation rather than a plain scale: the
    // unit is in text and the label mode in iPar2 (linear axes). Only
    // relayout reads it; repaint redraws such an entry as its plain scale.
    bool labelled = false;
};

// The layer between a window and its plot canvas. It turns value ranges into
// canvas scales, picks the grid values that get numeric labels, and records
// every command it carries out so that repaint() can rebuild the plot: the
// canvas keeps no picture of its own.
//
// Operations that can fail return 0 or a negated catalogue number; a code
// from the canvas is passed up unchanged. A command is recorded only when its
// canvas call succeeded, the display is not replaying and fewer than
// kHistorySize commands are held; a full history is not an error, the
// command is drawn but a repaint will not bring it back.
//
// Window thread only. The canvas must outlive the display, and every sample
// array given to a trace operation must stay valid until the next initScreen
// (or the display's end), because repaint reads it again.
class WaveDisplay {
public:
    static constexpr int kHistorySize = 128;
    static constexpr int kLabelDigits = 3;

    // The label maxima are the most values labelled on the X, left Y and
    // right Y axes; more than the canvas has slots for (17 X, 11 Y) makes the
    // canvas refuse the labels. The history starts empty and all colours 0.
    WaveDisplay(PlotCanvas& canvas, int maxXLabels, int maxYLLabels, int maxYRLabels);
    WaveDisplay(const WaveDisplay&) = delete;
    WaveDisplay& operator=(const WaveDisplay&) = delete;
    ~WaveDisplay();

    // --- Plot set-up and grid-and-scale operations --------------------------
    // Starts a new plot: keeps the three colours, clears the canvas to
    // backColour, lays out and hides the scale labels and empties the
    // history. gridColour is used by every later scale operation.
    void initScreen(Colour backColour, Colour gridColour, Colour selColour);
    // A grid interval of 1, 2, 5 or 10 times a power of ten that splits
    // lower..upper into at most `divisions` parts (0 when none fits, for
    // instance for an empty or reversed range).
    double calcGridInterval(int divisions, double lower, double upper) const;
    // Linear X axis from xMin to xMax with grid lines at the multiples of
    // interval, labels on chosen grid values and the unit as X title.
    // labelMode 0 chooses labels automatically (every other grid line when
    // they would be too many, the ends when far from a grid line), 2 labels
    // every grid line and both ends, anything else every grid line only.
    // -1021 xMax not above xMin, -1022 interval 0, -1023 span / interval not
    // strictly between 2 and 16, -1032 more labels than maxXLabels.
    int setXGridAndScale(std::string_view unit, int labelMode, double xMin, double xMax, double interval);
    // Logarithmic X axis from xMin to xMax, labelled at 1, 2, 5 times the
    // powers of ten. -1037 xMin not above 0 (checked before the canvas is
    // touched), -1033 more labels than maxXLabels.
    int setXGridAndScaleLog(std::string_view unit, double xMin, double xMax);
    // Y axis of a channel from yBottom to yTop; channel 0 is labelled on the
    // left, every other channel on the right. -1026 yTop equals yBottom,
    // -1027 interval 0, -1028 span / interval below 2 or above 10, -1034 more
    // labels than that side's maximum.
    int setYGridAndScale(std::string_view unit, int labelMode, double yTop, double yBottom, double interval,
                         int channel);

    // --- Plain scales: grid only, labels and units are left alone ------------
    // -1035 xMax equals xMin.
    int setXScale(double xMin, double xMax, double interval);
    // -1037 left not above 0, -1036 right / left not above 0.
    int setXScaleLog(double left, double right);
    // -1029 yTop equals yBottom, for all three. Without interval: no grid
    // lines; without channel: channel 0.
    int setYScale(double yTop, double yBottom, int channel);
    int setYScale(double yTop, double yBottom, double interval);
    int setYScale(double yTop, double yBottom, double interval, int channel);

    // --- Traces: the canvas's own arguments, passed on unchanged -------------
    // data must hold n values and stay valid as long as the plot is shown.
    int draw(const double* data, int n, Colour colour, int channel);
    int draw(const double* data, double gain, double offset, int n, Colour colour, int channel);
    int draw(const double* data, double gain, double offset, double xStart, double xEnd, int n, Colour colour,
             int channel);
    int dBdraw(const double* data, double ref, int n, Colour colour);
    int dBdraw(const double* data, double ref, double xStart, double xEnd, int n, Colour colour);
    int dBdraw(const double* data, double ref, double xStart, double xEnd, int n, Colour colour, int channel);

    // Text in the plot font at canvas pixel (x, y); the text is copied.
    void TextOnCanvas(int x, int y, std::string_view text, Colour colour);

    // Two planes side by side: leftSet on a plain plane (real part 0 at
    // X -2), rightSet inside the unit circle (real part 0 at X 2, drawn at
    // twice the scale). Draws on what is there; start with initScreen.
    // The sets are copied when the command is recorded. Always 0.
    int poleZeroDisplay(const poleZeroSet& leftSet, const poleZeroSet& rightSet);

    // Clears the canvas and carries out the recorded commands again in their
    // order, then the selection rectangle and the reference lines. Returns
    // the result of the last command carried out, 0 for an empty history.
    int repaint();
    // The same for a canvas whose size has changed: the labels are laid out
    // afresh and every grid-and-scale command is carried out as itself, so
    // grid, labels and traces land where a new plot of this size would put
    // them. Nothing is scaled from the old picture, and the history is
    // neither changed nor added to. Returns as repaint does.
    int relayout();

    // --- Read-only state, for the window and the tests -----------------------
    int historyCount() const { return count; }
    const dispCommandHistory& historyEntry(int index) const;
    const poleZeroSet& heldLeftSet() const { return leftPoleZero; }
    const poleZeroSet& heldRightSet() const { return rightPoleZero; }
    Colour backColour() const { return back; }
    Colour gridColour() const { return grid; }
    Colour selColour() const { return sel; }
    int maxXLabels() const { return maxX; }
    int maxYLLabels() const { return maxYL; }
    int maxYRLabels() const { return maxYR; }
    bool isReplaying() const { return replaying; }

private:
    struct LabelRange;
    int chooseLabels(int labelMode, const LabelRange& range, int limit, double* out, int capacity) const;
    dispCommandHistory* nextEntry();
    // Carries out the command c describes: an operation runs its entry this
    // way, repaint and relayout every recorded one. A labelled grid-and-scale
    // entry lays out its labels only withLabels, else it is its plain scale.
    // Nothing for a command without a result (a text).
    std::optional<int> apply(const dispCommandHistory& c, bool withLabels);
    // apply, then record when it succeeded.
    int run(const dispCommandHistory& c);
    // Into the next history entry, when there is one: the fields c's kind
    // uses. The entry, or null.
    dispCommandHistory* record(const dispCommandHistory& c);
    int xGridAndScale(std::string_view unit, int labelMode, double xMin, double xMax, double interval);
    int xGridAndScaleLog(std::string_view unit, double xMin, double xMax);
    int yGridAndScale(std::string_view unit, int labelMode, double yTop, double yBottom, double interval,
                      int channel);
    int drawPoleZero(const poleZeroSet& leftSet, const poleZeroSet& rightSet);
    int replay(bool withLabels);

    PlotCanvas* canvas; // not owned; outlives the display
    Colour back = 0;
    Colour grid = 0;
    Colour sel = 0;
    int maxX;
    int maxYL;
    int maxYR;
    int xLabelDigits = kLabelDigits;
    int yLLabelDigits = kLabelDigits;
    int yRLabelDigits = kLabelDigits;
    bool replaying = false;
    int count = 0;
    std::array<dispCommandHistory, kHistorySize> history{};
    poleZeroSet leftPoleZero{};
    poleZeroSet rightPoleZero{};
    // Where repaint puts the two reference lines; nothing here moves them.
    double refLine1 = 0.0;
    double refLine2 = 0.0;
};

} // namespace corvane::plot
