#include "plot/WaveDisplay.h"
#include "core/ResultCodes.h"

#include "plot/PlotCanvas.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <optional>

namespace corvane::plot {

using namespace core; // the result codes, used throughout

namespace {

constexpr Colour kGrey = rgb(128, 128, 128);
constexpr Colour kLeftPoleColour = rgb(255, 255, 0);
constexpr Colour kLeftZeroColour = rgb(166, 202, 240);
constexpr Colour kRightPoleColour = rgb(255, 0, 0);
constexpr Colour kRightZeroColour = rgb(0, 128, 0);

// Every label list fits here: the canvas draws at most 32 grid lines on an
// axis (fewer than 17 pass the X check) and a logarithmic axis spans at most
// four decades. Counting goes on past it, so an over-long list still fails.
constexpr int kLabelBuffer = 64;

// A double cut toward zero into an int, saturated; NaN gives 0. Only used on
// values that are small by construction, but never trusted to be.
int truncSaturated(double v)
{
    if (std::isnan(v))
        return 0;
    const double t = std::trunc(v);
    if (t <= -2147483648.0)
        return -2147483647 - 1;
    if (t >= 2147483647.0)
        return 2147483647;
    return static_cast<int>(t);
}

// floor(log10(v)) written as trunc(log10(v) + 100) - 100, which it equals for
// every v above 1e-100. Nothing for values without a logarithm.
std::optional<int> decadeOf(double v)
{
    const double l = std::log10(v);
    if (!std::isfinite(l))
        return std::nullopt;
    // |l| is below 400 for any finite positive double, so this fits an int.
    return static_cast<int>(std::trunc(l + 100.0)) - 100;
}

// A canvas result as the display passes it on: its refusals, else success.
int okOr(int canvasResult)
{
    return canvasResult < 0 ? canvasResult : kOk;
}

int clampCount(int n)
{
    return std::clamp(n, 0, poleZeroSet::kCapacity);
}

} // namespace

// The grid the canvas drew and the axis it was drawn on, as the label choice
// needs them.
struct WaveDisplay::LabelRange {
    double firstGrid;
    double lastGrid;
    int gridCount;
    double lo;
    double hi;
    double interval;
};

WaveDisplay::WaveDisplay(PlotCanvas& plotCanvas, int maxXLabelCount, int maxYLLabelCount, int maxYRLabelCount)
    : canvas(&plotCanvas), maxX(maxXLabelCount), maxYL(maxYLLabelCount), maxYR(maxYRLabelCount)
{
}

WaveDisplay::~WaveDisplay() = default;

const dispCommandHistory& WaveDisplay::historyEntry(int index) const
{
    assert(index >= 0 && index < kHistorySize);
    return history[static_cast<std::size_t>(std::clamp(index, 0, kHistorySize - 1))];
}

dispCommandHistory* WaveDisplay::nextEntry()
{
    if (replaying || count >= kHistorySize)
        return nullptr;
    dispCommandHistory* e = &history[static_cast<std::size_t>(count++)];
    // Only the grid-and-scale operations set it again.
    e->labelled = false;
    return e;
}

// ---------------------------------------------------------------------------
// Plot set-up and grid-and-scale operations

void WaveDisplay::initScreen(Colour backColourArg, Colour gridColourArg, Colour selColourArg)
{
    back = backColourArg;
    grid = gridColourArg;
    sel = selColourArg;
    canvas->initScreen(back, sel);
    // A canvas too close to its window's edge cannot place labels; the plot
    // itself still works, so the layer goes on without them.
    canvas->initScalingLabels();
    // Entries are overwritten as new commands come; their texts are kept
    // until then.
    count = 0;
}

double WaveDisplay::calcGridInterval(int divisions, double lower, double upper) const
{
    const double step = (upper - lower) / divisions;
    const auto e = decadeOf(step);
    if (!e)
        return 0.0;
    const double p = std::pow(10.0, *e);
    const double r = step / p;
    if (r <= 1.0)
        return p;
    if (r <= 2.0)
        return 2.0 * p;
    if (r <= 5.0)
        return 5.0 * p;
    if (r <= 10.0)
        return 10.0 * p;
    return 0.0;
}

int WaveDisplay::chooseLabels(int labelMode, const LabelRange& range, int limit, double* out, int capacity) const
{
    const double span = range.hi - range.lo;
    const double d = range.interval;
    bool lowExtra = false;
    bool highExtra = false;
    double start = range.firstGrid;
    double step = d;
    int firstIndex = 0; // which grid line the first label sits on
    int indexStep = 1;

    if (range.gridCount <= 0) {
        // No grid line to label; the ends are as far from one as can be.
        lowExtra = highExtra = labelMode == 0 || labelMode == 2;
    } else if (labelMode == 0) {
        // An end far from its nearest grid line gets a label of its own.
        const double lowGap = range.firstGrid - range.lo;
        const double highGap = range.hi - range.lastGrid;
        lowExtra = lowGap > 0.1 * span && lowGap > 0.5 * d;
        highExtra = highGap > 0.1 * span && highGap > 0.5 * d;
        if (range.gridCount + int{lowExtra} + int{highExtra} > limit) {
            // Too many for the axis: label every other grid line, choosing
            // the half by the parity of the first grid value's leading digit.
            bool startOnSecond = false;
            if (range.firstGrid != 0.0) {
                const double f = range.firstGrid;
                const int k = truncSaturated(std::log10(std::fabs(f)));
                const int a = truncSaturated(f / std::pow(10.0, k) + 0.5);
                // Integer halves, cut toward zero as C++ does: equal for
                // positive even a, and for zero and negative odd a.
                startOnSecond = (static_cast<long long>(a) + 1) / 2 == a / 2;
            }
            if (startOnSecond) {
                start = range.firstGrid + d;
                firstIndex = 1;
                highExtra = false;
            } else {
                lowExtra = false;
            }
            step = 2.0 * d;
            indexStep = 2;
        }
    } else if (labelMode == 2) {
        lowExtra = highExtra = true;
    }

    int n = 0;
    const auto put = [&](double v) {
        if (n < capacity)
            out[n] = v;
        ++n;
    };
    if (lowExtra)
        put(range.lo);
    // Repeated addition can fall a hair short of hi where the canvas's own
    // k * interval reached it and drew no line, so the walk also stops after
    // the grid lines the canvas drew.
    double v = start;
    for (int index = firstIndex; index < range.gridCount && v < range.hi; index += indexStep) {
        put(v);
        v += step;
    }
    if (highExtra)
        put(range.hi);
    return n;
}

// ---------------------------------------------------------------------------
// Carrying out a command: every operation builds its entry and runs it, and
// repaint and relayout run the recorded entries, through the one apply.

namespace {

// The fields each kind reads; a record copies only these, so the rest keep
// what an earlier command left in them.
enum Field : unsigned {
    kIPar1 = 1u << 0,
    kIPar2 = 1u << 1,
    kData = 1u << 2,
    kDPar1 = 1u << 3,
    kDPar2 = 1u << 4,
    kDPar3 = 1u << 5,
    kDPar4 = 1u << 6,
    kColour = 1u << 7,
    kText = 1u << 8,
};

unsigned fieldsOf(const dispCommandHistory& c)
{
    // A grid-and-scale entry also holds its unit and, on a linear axis, its
    // label mode.
    const unsigned labelled = !c.labelled ? 0u : c.kind == CommandKind::XScaleLog ? kText : kText | kIPar2;
    switch (c.kind) {
    case CommandKind::XScale: return kDPar1 | kDPar2 | kDPar3 | labelled;
    case CommandKind::XScaleLog: return kDPar1 | kDPar2 | labelled;
    case CommandKind::YScaleNoGrid: return kDPar1 | kDPar2 | kIPar1;
    case CommandKind::YScaleGridChannel0: return kDPar1 | kDPar2 | kDPar3;
    case CommandKind::YScaleGrid: return kDPar1 | kDPar2 | kDPar3 | kIPar1 | labelled;
    case CommandKind::Draw: return kData | kIPar1 | kColour | kIPar2;
    case CommandKind::DrawGainOffset: return kData | kDPar1 | kDPar2 | kIPar1 | kColour | kIPar2;
    case CommandKind::DrawGainOffsetRange:
        return kData | kDPar1 | kDPar2 | kDPar3 | kDPar4 | kIPar1 | kColour | kIPar2;
    case CommandKind::DbDraw: return kData | kDPar1 | kIPar1 | kColour;
    case CommandKind::DbDrawRange: return kData | kDPar1 | kDPar2 | kDPar3 | kIPar1 | kColour;
    case CommandKind::DbDrawRangeChannel: return kData | kDPar1 | kDPar2 | kDPar3 | kIPar1 | kColour | kIPar2;
    case CommandKind::Text: return kIPar1 | kIPar2 | kColour | kText;
    case CommandKind::PoleZero:
    case CommandKind::Empty: break;
    }
    return 0;
}

} // namespace

dispCommandHistory* WaveDisplay::record(const dispCommandHistory& c)
{
    dispCommandHistory* e = nextEntry();
    if (e == nullptr)
        return nullptr;
    const unsigned used = fieldsOf(c);
    e->kind = c.kind;
    if ((used & kIPar1) != 0)
        e->iPar1 = c.iPar1;
    if ((used & kIPar2) != 0)
        e->iPar2 = c.iPar2;
    if ((used & kData) != 0)
        e->dataPtr = c.dataPtr;
    if ((used & kDPar1) != 0)
        e->dPar1 = c.dPar1;
    if ((used & kDPar2) != 0)
        e->dPar2 = c.dPar2;
    if ((used & kDPar3) != 0)
        e->dPar3 = c.dPar3;
    if ((used & kDPar4) != 0)
        e->dPar4 = c.dPar4;
    if ((used & kColour) != 0)
        e->color = c.color;
    if ((used & kText) != 0)
        e->text.assign(c.text);
    e->labelled = c.labelled;
    return e;
}

int WaveDisplay::run(const dispCommandHistory& c)
{
    const int result = apply(c, true).value_or(kOk);
    if (result == kOk)
        record(c);
    return result;
}

std::optional<int> WaveDisplay::apply(const dispCommandHistory& c, bool withLabels)
{
    if (withLabels && c.labelled) {
        switch (c.kind) {
        case CommandKind::XScale: return xGridAndScale(c.text, c.iPar2, c.dPar1, c.dPar2, c.dPar3);
        case CommandKind::XScaleLog: return xGridAndScaleLog(c.text, c.dPar1, c.dPar2);
        case CommandKind::YScaleGrid: return yGridAndScale(c.text, c.iPar2, c.dPar1, c.dPar2, c.dPar3, c.iPar1);
        default: return std::nullopt; // only those three are ever labelled
        }
    }
    switch (c.kind) {
    case CommandKind::XScale:
        // A reversed range is the canvas's to refuse.
        if (c.dPar2 - c.dPar1 == 0.0)
            return kXScaleSpanZero;
        return okOr(canvas->setXScale(c.dPar1, c.dPar2 - c.dPar1, c.dPar3, grid));
    case CommandKind::XScaleLog:
        if (!(c.dPar1 > 0.0))
            return kLogLeftNotPositive;
        if (!(c.dPar2 / c.dPar1 > 0.0))
            return kLogRatioNotPositive;
        return okOr(canvas->setXScale(c.dPar1, c.dPar2 / c.dPar1, grid));
    case CommandKind::YScaleNoGrid:
        if (c.dPar1 - c.dPar2 == 0.0)
            return kYScaleSpanZero;
        return okOr(canvas->setYScale(c.dPar2, c.dPar1 - c.dPar2, c.iPar1));
    case CommandKind::YScaleGridChannel0:
        if (c.dPar1 - c.dPar2 == 0.0)
            return kYScaleSpanZero;
        return okOr(canvas->setYScale(c.dPar2, c.dPar1 - c.dPar2, c.dPar3, grid));
    case CommandKind::YScaleGrid:
        if (c.dPar1 - c.dPar2 == 0.0)
            return kYScaleSpanZero;
        return okOr(canvas->setYScale(c.dPar2, c.dPar1 - c.dPar2, c.dPar3, grid, c.iPar1));
    case CommandKind::Draw: return okOr(canvas->draw(c.dataPtr, c.iPar1, c.color, c.iPar2));
    case CommandKind::DrawGainOffset:
        return okOr(canvas->draw(c.dataPtr, c.dPar1, c.dPar2, c.iPar1, c.color, c.iPar2));
    case CommandKind::DrawGainOffsetRange:
        return okOr(canvas->draw(c.dataPtr, c.dPar1, c.dPar2, c.dPar3, c.dPar4, c.iPar1, c.color, c.iPar2));
    case CommandKind::DbDraw: return okOr(canvas->dBdraw(c.dataPtr, c.dPar1, c.iPar1, c.color));
    case CommandKind::DbDrawRange:
        return okOr(canvas->dBdraw(c.dataPtr, c.dPar1, c.dPar2, c.dPar3, c.iPar1, c.color));
    case CommandKind::DbDrawRangeChannel:
        return okOr(canvas->dBdraw(c.dataPtr, c.dPar1, c.dPar2, c.dPar3, c.iPar1, c.color, c.iPar2));
    case CommandKind::PoleZero: return drawPoleZero(leftPoleZero, rightPoleZero);
    case CommandKind::Text:
        // A text has no result: in a replay the one kept from before stands.
        canvas->TextOnCanvas(c.iPar1, c.iPar2, c.text, c.color);
        return std::nullopt;
    case CommandKind::Empty: break;
    }
    return std::nullopt;
}

// ---------------------------------------------------------------------------
// Grid-and-scale operations

int WaveDisplay::setXGridAndScale(std::string_view unit, int labelMode, double xMin, double xMax, double interval)
{
    return run({.kind = CommandKind::XScale,
                .iPar2 = labelMode,
                .dPar1 = xMin,
                .dPar2 = xMax,
                .dPar3 = interval,
                .text = std::string(unit),
                .labelled = true});
}

int WaveDisplay::setXGridAndScaleLog(std::string_view unit, double xMin, double xMax)
{
    return run({.kind = CommandKind::XScaleLog,
                .dPar1 = xMin,
                .dPar2 = xMax,
                .text = std::string(unit),
                .labelled = true});
}

int WaveDisplay::setYGridAndScale(std::string_view unit, int labelMode, double yTop, double yBottom,
                                  double interval, int channel)
{
    return run({.kind = CommandKind::YScaleGrid,
                .iPar1 = channel,
                .iPar2 = labelMode,
                .dPar1 = yTop,
                .dPar2 = yBottom,
                .dPar3 = interval,
                .text = std::string(unit),
                .labelled = true});
}

int WaveDisplay::xGridAndScale(std::string_view unit, int labelMode, double xMin, double xMax, double interval)
{
    const double span = xMax - xMin;
    if (!(span > 0.0))
        return kXMaxNotAboveXMin;
    if (interval == 0.0)
        return kXIntervalZero;
    const double ratio = span / interval;
    if (!(ratio > 2.0) || !(ratio < 16.0))
        return kXRatioOutOfRange;

    if (const int r = canvas->setXScale(xMin, span, interval, grid); r < 0)
        return r;

    std::array<double, kLabelBuffer> labels{};
    const PlotCanvas::GridRecord& drawn = canvas->gridRecord();
    const LabelRange range{drawn.firstXGrid, drawn.lastXGrid, drawn.xGridCount, xMin, xMax, interval};
    const int n = chooseLabels(labelMode, range, maxX, labels.data(), kLabelBuffer);
    if (n > maxX || n > kLabelBuffer)
        return kTooManyXLabels;
    if (const int r = canvas->putScaleX(labels.data(), n, 0.1 * interval, xLabelDigits); r < 0)
        return r;
    canvas->putUnitX(unit);

    return kOk;
}

int WaveDisplay::xGridAndScaleLog(std::string_view unit, double xMin, double xMax)
{
    // The same refusal as setXScaleLog's: a logarithmic axis cannot start at
    // or below zero.
    if (!(xMin > 0.0))
        return kLogLeftNotPositive;
    if (const int r = canvas->setXScale(xMin, xMax / xMin, grid); r < 0)
        return r;

    // The canvas accepted a ratio of 20 to 10000, so xMin and xMax are finite
    // and positive and every value below has a decade.
    std::array<double, kLabelBuffer> labels{};
    int n = 0;
    const int e0 = decadeOf(xMin).value_or(0);
    const double p0 = std::pow(10.0, e0);
    const double r0 = xMin / p0;
    const double m0 = r0 >= 5.0 ? 5.0 : r0 >= 2.0 ? 2.0 : 1.0;
    double v = m0 * p0;
    // The largest 1-2-5 value not above xMin lies left of the axis unless it
    // is xMin itself.
    bool skipFirst = v != xMin;
    // Each pass at least doubles v, so this ends within a few dozen passes.
    while (v <= xMax) {
        if (!skipFirst) {
            if (n < kLabelBuffer)
                labels[static_cast<std::size_t>(n)] = v;
            ++n;
        }
        skipFirst = false;
        const double p = std::pow(10.0, decadeOf(v).value_or(0));
        v *= v / p == 2.0 ? 2.5 : 2.0;
    }
    if (n > maxX || n > kLabelBuffer)
        return kTooManyLogXLabels;
    // A zero limit of 1e-30 lets every label show its own value.
    if (const int r = canvas->putScaleX(labels.data(), n, 1e-30, xLabelDigits); r < 0)
        return r;
    canvas->putUnitX(unit);

    return kOk;
}

int WaveDisplay::yGridAndScale(std::string_view unit, int labelMode, double yTop, double yBottom, double interval,
                               int channel)
{
    const double span = yTop - yBottom;
    if (span == 0.0)
        return kYSpanZero;
    if (interval == 0.0)
        return kYIntervalZero;
    // Unlike X, both bounds are allowed; a reversed range with a negative
    // interval gets through here and is left to the canvas.
    const double ratio = span / interval;
    if (ratio < 2.0 || ratio > 10.0)
        return kYRatioOutOfRange;

    if (const int r = canvas->setYScale(yBottom, span, interval, grid, channel); r < 0)
        return r;

    const int limit = channel == 0 ? maxYL : maxYR;
    std::array<double, kLabelBuffer> labels{};
    const PlotCanvas::GridRecord& drawn = canvas->gridRecord();
    const LabelRange range{drawn.firstYGrid, drawn.lastYGrid, drawn.yGridCount, yBottom, yTop, interval};
    const int n = chooseLabels(labelMode, range, limit, labels.data(), kLabelBuffer);
    if (n > limit || n > kLabelBuffer)
        return kTooManyYLabels;
    if (channel == 0) {
        if (const int r = canvas->putScaleYL(labels.data(), n, 0.1 * interval, yLLabelDigits, channel); r < 0)
            return r;
        canvas->putUnitYL(unit);
    } else {
        if (const int r = canvas->putScaleYR(labels.data(), n, 0.1 * interval, yRLabelDigits, channel); r < 0)
            return r;
        canvas->putUnitYR(unit);
    }

    return kOk;
}

// ---------------------------------------------------------------------------
// Plain scales

int WaveDisplay::setXScale(double xMin, double xMax, double interval)
{
    return run({.kind = CommandKind::XScale, .dPar1 = xMin, .dPar2 = xMax, .dPar3 = interval});
}

int WaveDisplay::setXScaleLog(double left, double right)
{
    return run({.kind = CommandKind::XScaleLog, .dPar1 = left, .dPar2 = right});
}

int WaveDisplay::setYScale(double yTop, double yBottom, int channel)
{
    return run({.kind = CommandKind::YScaleNoGrid, .iPar1 = channel, .dPar1 = yTop, .dPar2 = yBottom});
}

int WaveDisplay::setYScale(double yTop, double yBottom, double interval)
{
    return run({.kind = CommandKind::YScaleGridChannel0, .dPar1 = yTop, .dPar2 = yBottom, .dPar3 = interval});
}

int WaveDisplay::setYScale(double yTop, double yBottom, double interval, int channel)
{
    return run(
        {.kind = CommandKind::YScaleGrid, .iPar1 = channel, .dPar1 = yTop, .dPar2 = yBottom, .dPar3 = interval});
}

// ---------------------------------------------------------------------------
// Traces and text

int WaveDisplay::draw(const double* data, int n, Colour colour, int channel)
{
    return run({.kind = CommandKind::Draw, .iPar1 = n, .iPar2 = channel, .dataPtr = data, .color = colour});
}

int WaveDisplay::draw(const double* data, double gain, double offset, int n, Colour colour, int channel)
{
    return run({.kind = CommandKind::DrawGainOffset,
                .iPar1 = n,
                .iPar2 = channel,
                .dataPtr = data,
                .dPar1 = gain,
                .dPar2 = offset,
                .color = colour});
}

int WaveDisplay::draw(const double* data, double gain, double offset, double xStart, double xEnd, int n,
                      Colour colour, int channel)
{
    return run({.kind = CommandKind::DrawGainOffsetRange,
                .iPar1 = n,
                .iPar2 = channel,
                .dataPtr = data,
                .dPar1 = gain,
                .dPar2 = offset,
                .dPar3 = xStart,
                .dPar4 = xEnd,
                .color = colour});
}

int WaveDisplay::dBdraw(const double* data, double ref, int n, Colour colour)
{
    return run({.kind = CommandKind::DbDraw, .iPar1 = n, .dataPtr = data, .dPar1 = ref, .color = colour});
}

int WaveDisplay::dBdraw(const double* data, double ref, double xStart, double xEnd, int n, Colour colour)
{
    return run({.kind = CommandKind::DbDrawRange,
                .iPar1 = n,
                .dataPtr = data,
                .dPar1 = ref,
                .dPar2 = xStart,
                .dPar3 = xEnd,
                .color = colour});
}

int WaveDisplay::dBdraw(const double* data, double ref, double xStart, double xEnd, int n, Colour colour,
                        int channel)
{
    return run({.kind = CommandKind::DbDrawRangeChannel,
                .iPar1 = n,
                .iPar2 = channel,
                .dataPtr = data,
                .dPar1 = ref,
                .dPar2 = xStart,
                .dPar3 = xEnd,
                .color = colour});
}

void WaveDisplay::TextOnCanvas(int x, int y, std::string_view text, Colour colour)
{
    run({.kind = CommandKind::Text, .iPar1 = x, .iPar2 = y, .color = colour, .text = std::string(text)});
}

// ---------------------------------------------------------------------------
// Pole-zero display

int WaveDisplay::poleZeroDisplay(const poleZeroSet& leftSet, const poleZeroSet& rightSet)
{
    drawPoleZero(leftSet, rightSet);
    // The held sets change only with a recorded command; a replay draws them
    // as they are.
    if (record({.kind = CommandKind::PoleZero}) != nullptr) {
        leftPoleZero = leftSet;
        rightPoleZero = rightSet;
    }
    return kOk;
}

int WaveDisplay::drawPoleZero(const poleZeroSet& leftSet, const poleZeroSet& rightSet)
{
    // Fixed layout: the left plane's imaginary axis runs -2.5..2.5 on the
    // left scale, the right plane's -1.25..1.25 on the right one, and one X
    // axis from -4.5 to 4.5 carries both planes' real parts.
    canvas->setYScale(-2.5, 5.0, 1.0, kGrey);
    static constexpr std::array<double, 5> leftY = {-2.0, -1.0, 0.0, 1.0, 2.0};
    canvas->putScaleYL(leftY.data(), static_cast<int>(leftY.size()), 0.1, kLabelDigits, 0);

    canvas->setYScale(-1.25, 2.5, 1);
    static constexpr std::array<double, 3> rightY = {-1.0, 0.0, 1.0};
    canvas->putScaleYR(rightY.data(), static_cast<int>(rightY.size()), 0.1, kLabelDigits, 1);

    canvas->setXScale(-4.5, 9.0, 1.0, kGrey);
    // The left plane's real parts -2..1 sit at -4..-1, the right plane's
    // -1..1 at 0..4.
    static constexpr std::array<double, 7> xAt = {-4.0, -3.0, -2.0, -1.0, 0.0, 2.0, 4.0};
    static const std::array<std::string, 7> xText = {"-2.0", "-1.0", "0", "1.0", "-1.0", "0", "1.0"};
    canvas->putScaleX(xAt.data(), xText.data(), static_cast<int>(xAt.size()));

    for (int i = 0; i < clampCount(leftSet.poleCount); ++i) {
        const auto& p = leftSet.poles[static_cast<std::size_t>(i)];
        canvas->drawPole(p.real() - 2.0, p.imag(), kLeftPoleColour, 0);
    }
    for (int i = 0; i < clampCount(leftSet.zeroCount); ++i) {
        const auto& z = leftSet.zeros[static_cast<std::size_t>(i)];
        canvas->drawZero(z.real() - 2.0, z.imag(), kLeftZeroColour, 0);
    }

    canvas->drawZCircle(0.0, 1.0, 4.0, -1.0, kGrey, 1);

    for (int i = 0; i < clampCount(rightSet.poleCount); ++i) {
        const auto& p = rightSet.poles[static_cast<std::size_t>(i)];
        canvas->drawPole(2.0 * p.real() + 2.0, p.imag(), kRightPoleColour, 1);
    }
    for (int i = 0; i < clampCount(rightSet.zeroCount); ++i) {
        const auto& z = rightSet.zeros[static_cast<std::size_t>(i)];
        canvas->drawZero(2.0 * z.real() + 2.0, z.imag(), kRightZeroColour, 1);
    }

    return kOk;
}

// ---------------------------------------------------------------------------
// Repaint

int WaveDisplay::repaint()
{
    return replay(false);
}

int WaveDisplay::relayout()
{
    return replay(true);
}

int WaveDisplay::replay(bool withLabels)
{
    canvas->initScreen(back, sel);
    // Labels are window controls and survive a repaint where they are; a new
    // size moves them, so they are laid out again and placed by the replay.
    if (withLabels)
        canvas->initScalingLabels();
    replaying = true;
    int result = kOk;
    for (int i = 0; i < count; ++i) {
        if (const std::optional<int> r = apply(history[static_cast<std::size_t>(i)], withLabels))
            result = *r;
    }
    canvas->drawMagSelectedArea();
    canvas->drawReferenceLines(refLine1, refLine2);
    replaying = false;
    return result;
}

} // namespace corvane::plot
