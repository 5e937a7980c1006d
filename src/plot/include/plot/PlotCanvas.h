#pragma once

#include "plot/Colour.h"
#include "plot/DrawSurface.h"

#include <array>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::plot {

class PlotLabel;

// The state and drawing of one plot: one X axis (linear or logarithmic), six Y
// scales called channels, the record of the grid lines drawn last, the label
// controls beside the plot, an area selection and two reference lines.
//
// Every operation draws at once on the surface; nothing is kept to redraw
// from. Whoever owns the canvas replays its operations after initScreen when
// the picture has to be rebuilt, and each operation gives the same picture
// and state from the same arguments. The canvas's size and position are read
// from the surface at every call.
//
// Operations that can fail return 0 or a negated catalogue number. Values
// that cannot be placed (a channel or axis without a scale, a value at or
// below zero on a logarithmic axis, a position beyond 32 bits) are skipped:
// the point, segment or marker is not drawn.
//
// Window thread only. The surface and every label handed over must outlive
// the canvas; the canvas never frees them.
class PlotCanvas {
public:
    static constexpr int kChannelCount = 6;
    static constexpr int kXLabelSlots = 17;
    static constexpr int kYLabelSlots = 11;
    static constexpr int kTraceBufferSize = 50000;
    static constexpr std::string_view kFontFace = "Franklin Gothic Medium";
    static constexpr int kTextSizePt = 9;
    static constexpr int kTitleSizePt = 10;
    static constexpr Colour kRefLine1Colour = rgb(255, 0, 0);
    static constexpr Colour kRefLine2Colour = rgb(0, 255, 0);

    // Scales. A ySpan of 0 marks a channel without a scale.
    struct AxisScales {
        std::array<double, kChannelCount> yBottom{};
        std::array<double, kChannelCount> ySpan{};
        double xStart = 0.0;
        double xSpan = 0.0;
        double xEnd = 0.0;
        double xLogRatio = 0.0;
        bool xIsLog = false;
    };

    // The grid lines drawn by the last setXScale / setYScale: what the
    // display layer reads to decide which values get labels. One Y record
    // serves all channels.
    struct GridRecord {
        double firstXGrid = 0.0;
        double lastXGrid = 0.0;
        int xGridCount = 0;
        double firstYGrid = 0.0;
        double lastYGrid = 0.0;
        int yGridCount = 0;
    };

    // Label slots as handed over; not owned.
    struct LabelSlots {
        std::array<PlotLabel*, kXLabelSlots> xLabels{};
        std::array<PlotLabel*, kYLabelSlots> ylLabels{};
        std::array<PlotLabel*, kYLabelSlots> yrLabels{};
        PlotLabel* xTitleLabel = nullptr;
        PlotLabel* ylTitleLabel = nullptr;
        PlotLabel* yrTitleLabel = nullptr;
    };

    // Selection corners (press, release), their values and the pointer
    // state of the reference lines. Reference line 1 drags share the corner
    // fields. The minima are fixed at construction.
    struct SelectionState {
        int selX1 = 0;
        int selY1 = 0;
        int selX2 = 0;
        int selY2 = 0;
        double selXValue1 = 0.0;
        double selXValue2 = 0.0;
        double selYValue1 = 0.0;
        double selYValue2 = 0.0;
        bool selShown = false;
        int minSelWidth = 0;
        int minSelHeight = 0;
        int rl2PressX = 0;
        int rl2PressY = 0;
        int rl2ReleaseX = 0;
        int rl2ReleaseY = 0;
        int refLine1X = 0;
        int refLine2X = 0;
    };

    // originX, originY and the selection minima come from the surface's
    // bounds now and never change afterwards. The grid trace goes to standard
    // output when CORVANE_GRID_TRACE is "1"; the decimal separator is that of
    // the process's numeric locale at this moment.
    explicit PlotCanvas(DrawSurface& surface);
    PlotCanvas(const PlotCanvas&) = delete;
    PlotCanvas& operator=(const PlotCanvas&) = delete;
    ~PlotCanvas();

    // --- Canvas and coordinate mapping -----------------------------------
    // Paints the whole control in backColour and keeps both colours. Leaves
    // pen and fill colour at backColour; scales, grid record, labels and
    // selection are not touched.
    void initScreen(Colour backColour, Colour selColour);
    // Pixel column or row of a value (rounded half up, plus the origin).
    // A value that cannot be placed gives the nearest int, INT_MIN when it
    // is not a number at all.
    int getXpos(double x) const;
    int getYpos(double y, int channel) const;
    int getYpos(double y) const;
    // Null entries are empty slots. A later call replaces the earlier one.
    void copyXScaleLabels(const std::array<PlotLabel*, kXLabelSlots>& labels);
    void copyYLScaleLabels(const std::array<PlotLabel*, kYLabelSlots>& labels);
    void copyYRScaleLabels(const std::array<PlotLabel*, kYLabelSlots>& labels);
    void copyTitleLabels(PlotLabel* x, PlotLabel* yl, PlotLabel* yr);
    // Text in the plot font at 9 points; the font stays set afterwards.
    void TextOnCanvas(int x, int y, std::string_view utf8, Colour colour);

    // --- Axis scales and grid lines ----------------------------------------
    // Linear X axis from start to start + span, grid at the multiples of
    // gridInterval strictly between the ends.
    int setXScale(double start, double span, double gridInterval, Colour gridColour);
    // Logarithmic X axis from start to start * ratio, grid at 1, 2, 3, 5, 7
    // times the powers of ten strictly between the ends.
    int setXScale(double start, double ratio, Colour gridColour);
    // Y scale of a channel from bottom to bottom + span; gridInterval 0 means
    // no grid. There is one Y grid record for all channels.
    int setYScale(double bottom, double span, double gridInterval, Colour gridColour, int channel);
    int setYScale(double bottom, double span, double gridInterval, Colour gridColour);
    int setYScale(double bottom, double span, int channel);
    // Takes a channel's scale away: traces on it are refused until a
    // setYScale gives it one again. The grid record is left alone.
    void removeYScale(int channel);

    // --- Traces -------------------------------------------------------------
    // Plots gain * data[i] + offset as one polyline, sample 0 at xFirst and
    // the last sample at xLast, on a channel's scale. data must hold dataSize
    // values; at most kTraceBufferSize per call.
    int draw(const double* data, double gain, double offset, double xFirst, double xLast, int dataSize,
             Colour colour, int channel);
    int draw(const double* data, int dataSize, Colour colour, int channel);
    int draw(const double* data, double gain, double offset, int dataSize, Colour colour, int channel);
    // Plots 20 * log10(data[i] / reference); samples at or below 1e-50 plot -1000.
    int dBdraw(const double* data, double reference, double xFirst, double xLast, int dataSize, Colour colour,
               int channel);
    int dBdraw(const double* data, double reference, int dataSize, Colour colour);
    int dBdraw(const double* data, double reference, double xFirst, double xLast, int dataSize, Colour colour);

    // --- Scale labels and number text --------------------------------------
    // Lays out and hides every label; each slot list ends at its first null.
    int initScalingLabels();
    // -1 for a null label.
    int initXLabel(PlotLabel* label);
    int initYLLabel(PlotLabel* label);
    int initYRLabel(PlotLabel* label);
    // Put values[i] (or texts[i] at values[i]) on slot i for i below count.
    // Slots beyond count are left as they are; a count below 1 places nothing.
    int putScaleX(const double* values, int count, double zeroLimit, int digits);
    int putScaleX(const double* values, const std::string* texts, int count);
    int putScaleYL(const double* values, int count, double zeroLimit, int digits, int channel);
    int putScaleYL(const double* values, const std::string* texts, int count, int channel);
    int putScaleYR(const double* values, int count, double zeroLimit, int digits, int channel);
    int putScaleYR(const double* values, const std::string* texts, int count, int channel);
    // Set the text, move the label beside the value's position and show it.
    // A value with no position gets its text but stays hidden.
    int putNumberX(PlotLabel* label, double value, double zeroLimit, int digits);
    int putNumberX(PlotLabel* label, double value, std::string_view text);
    int putNumberY(PlotLabel* label, double value, double zeroLimit, int digits, int channel);
    int putNumberY(PlotLabel* label, double value, std::string_view text, int channel);
    void removeScaleX();
    void removeScaleYL();
    void removeScaleYR();
    void putUnitX(std::string_view text);
    void putUnitYL(std::string_view text);
    void putUnitYR(std::string_view text);
    void removeUnitX();
    void removeUnitYL();
    void removeUnitYR();
    // Label text for a number, with this canvas's decimal separator.
    std::string truncDigit(double value, int digits, double zeroLimit, bool usePrefix) const;

    // --- Markers, area selection and reference lines -----------------------
    // Markers and reference lines use the linear X mapping even on a
    // logarithmic axis.
    void drawPole(double x, double y, Colour colour, int channel);
    void drawZero(double x, double y, Colour colour, int channel);
    void drawZCircle(double x1, double y1, double x2, double y2, Colour colour, int channel);
    // Pointer press and release in canvas pixels. The selection must run
    // rightwards and downwards and be larger than the minima.
    void mouseDown(int x, int y);
    int mouseUp(int x, int y);
    void drawSelectedArea(int x1, int y1, int x2, int y2, Colour colour);
    void drawMagSelectedArea();
    void mouseRL1Down(int x, int y);
    void mouseRL2Down(int x, int y);
    // The release column when the press was within 4 pixels of the line,
    // else -1 (released left of it) or -2. Plain results, not catalogue codes.
    int mouseRL1Up(int x, int y);
    int mouseRL2Up(int x, int y);
    void drawReferenceLines(double x1, double x2);
    void deleteRefLines();

    // --- Settings outside the plot operations ------------------------------
    // Where the grid trace goes; null switches it off. The stream must
    // outlive the canvas or be replaced first.
    void setGridTrace(std::ostream* out) { gridTrace = out; }
    void setDecimalSeparator(std::string separator) { decimalSeparator = std::move(separator); }

    // Nothing in the program switches reference lines on; a host that wants
    // them does.
    void setRefLinesOn(bool on) { refLinesEnabled = on; }

    // --- Read-only state ------------------------------------------------------
    const AxisScales& scales() const { return axes; }
    // setXScale and setYScale leave their record here; read it right after
    // the call, the next scale call replaces it.
    const GridRecord& gridRecord() const { return grid; }
    const LabelSlots& labelSlots() const { return labelSet; }
    const SelectionState& selection() const { return sel; }
    Colour backColour() const { return backgroundColour; }
    Colour selColour() const { return selectionColour; }
    int originX() const { return origin.x; }
    int originY() const { return origin.y; }
    int minSelWidth() const { return sel.minSelWidth; }
    int minSelHeight() const { return sel.minSelHeight; }
    bool refLinesOn() const { return refLinesEnabled; }

private:
    struct Pixel {
        int x;
        int y;
    };

    std::optional<double> xFraction(double x) const;
    std::optional<double> yFraction(double y, int channel) const;
    std::optional<int> xPosition(double x, int width) const;
    std::optional<int> yPosition(double y, int channel, int height) const;
    std::optional<Pixel> markerPixel(double x, double y, int channel, const CanvasBounds& b) const;
    std::optional<int> linearColumn(double x, int width) const;
    int checkTraceScales(int channel) const;
    void drawTraceValues(const double* values, double xFirst, double xLast, int dataSize, Colour colour,
                         int channel);
    double* traceBuffer();
    int placeX(PlotLabel* label, double value, std::string_view text);
    int placeY(PlotLabel* label, double value, std::string_view text, int channel);
    int putScaleY(const std::array<PlotLabel*, kYLabelSlots>& slots, const double* values,
                  const std::string* texts, int count, double zeroLimit, int digits, int channel);
    void eraseSelection();
    void verticalLine(int x, int height);

    AxisScales axes;
    GridRecord grid;
    LabelSlots labelSet; // not "slots": Qt defines that word away
    SelectionState sel;
    Colour backgroundColour = 0;
    Colour selectionColour = 0;
    // Pixel offsets getXpos and getYpos add: the control's place when the
    // canvas was built.
    struct {
        int x = 0;
        int y = 0;
    } origin;
    bool refLinesEnabled = false;

    DrawSurface* surface; // not owned; outlives the canvas
    std::ostream* gridTrace = nullptr;
    std::string decimalSeparator = ".";
    std::vector<double> traceValues; // sized once, on the first trace
};

} // namespace corvane::plot
