#include "core/ResultCodes.h"
#include "plot/PlotCanvas.h"

#include "plot/PlotLabel.h"
#include "plot/ScaleNumber.h"

#include <climits>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <iostream>

namespace corvane::plot {

using namespace core;   // the result codes, used throughout

namespace {


constexpr double kIntMin = static_cast<double>(INT_MIN);
constexpr double kIntMax = static_cast<double>(INT_MAX);

// A grid counter must stay a 32-bit int for every multiple the walk visits,
// including the one past the far end; the margin covers rounding of k * interval.
constexpr double kGridCounterLimit = 2147483647.0 - 64.0;

// A whole-valued double as an int, or nothing when it does not fit (or is not
// a number): such a position is skipped rather than converted.
std::optional<int> fitInt(double whole)
{
    if (whole >= kIntMin && whole <= kIntMax)
        return static_cast<int>(whole);
    return std::nullopt;
}

// trunc(v): the rule of the value-to-pixel maps that add 0.5 first.
std::optional<int> truncPixel(double v) { return fitInt(std::trunc(v)); }

// The trace rule: halves go to the even pixel (the default rounding mode).
std::optional<int> nearestEvenPixel(double v) { return fitInt(std::nearbyint(v)); }

int saturate(double whole)
{
    if (std::isnan(whole))
        return INT_MIN;
    if (whole <= kIntMin)
        return INT_MIN;
    if (whole >= kIntMax)
        return INT_MAX;
    return static_cast<int>(whole);
}

std::optional<int> addFit(long long a, long long b)
{
    const long long sum = a + b;
    if (sum < INT_MIN || sum > INT_MAX)
        return std::nullopt;
    return static_cast<int>(sum);
}

bool validChannel(int channel) { return channel >= 0 && channel < PlotCanvas::kChannelCount; }

std::size_t slot(int channel) { return static_cast<std::size_t>(channel); }

bool gridCounterFits(double quotient) { return quotient >= -kGridCounterLimit && quotient <= kGridCounterLimit; }

} // namespace

PlotCanvas::PlotCanvas(DrawSurface& drawSurface)
    : surface(&drawSurface)
{
    const CanvasBounds b = surface->bounds();
    originX = b.left;
    originY = b.top;
    // A selection smaller than a fiftieth of the control, or 10 pixels, is
    // taken for a click that wobbled.
    minSelWidth = b.width / 50 < 10 ? 10 : b.width / 50;
    minSelHeight = b.height / 50 < 10 ? 10 : b.height / 50;

    const char* trace = std::getenv("CORVANE_GRID_TRACE");
    if (trace != nullptr && std::string_view(trace) == "1")
        gridTrace = &std::cout;
    if (const std::lconv* lc = std::localeconv(); lc != nullptr && lc->decimal_point != nullptr && *lc->decimal_point)
        decimalSeparator = lc->decimal_point;
}

PlotCanvas::~PlotCanvas() = default;

// ---------------------------------------------------------------------------
// Canvas and coordinate mapping

void PlotCanvas::initScreen(Colour back, Colour sel)
{
    const CanvasBounds b = surface->bounds();
    surface->setPenColour(back);
    surface->setFillColour(back);
    surface->rectangle(0, 0, b.width, b.height);
    backColour = back;
    selColour = sel;
}

std::optional<double> PlotCanvas::xFraction(double x) const
{
    // Any logarithm base gives the same quotient.
    const double f = xIsLog ? std::log(x / xStart) / std::log(xLogRatio) : (x - xStart) / xSpan;
    if (!std::isfinite(f))
        return std::nullopt;
    return f;
}

std::optional<double> PlotCanvas::yFraction(double y, int channel) const
{
    if (!validChannel(channel))
        return std::nullopt;
    const double f = (y - yBottom[slot(channel)]) / ySpan[slot(channel)];
    if (!std::isfinite(f))
        return std::nullopt;
    return f;
}

std::optional<int> PlotCanvas::xPosition(double x, int width) const
{
    const auto f = xFraction(x);
    if (!f)
        return std::nullopt;
    const auto column = truncPixel(*f * width + 0.5);
    if (!column)
        return std::nullopt;
    return addFit(*column, originX);
}

std::optional<int> PlotCanvas::yPosition(double y, int channel, int height) const
{
    const auto f = yFraction(y, channel);
    if (!f)
        return std::nullopt;
    const auto row = truncPixel((1.0 - *f) * height + 0.5);
    if (!row)
        return std::nullopt;
    return addFit(*row, originY);
}

int PlotCanvas::getXpos(double x) const
{
    const auto f = xFraction(x);
    if (!f)
        return saturate(std::nan(""));
    return saturate(std::trunc(*f * surface->bounds().width + 0.5) + originX);
}

int PlotCanvas::getYpos(double y, int channel) const
{
    const auto f = yFraction(y, channel);
    if (!f)
        return saturate(std::nan(""));
    return saturate(std::trunc((1.0 - *f) * surface->bounds().height + 0.5) + originY);
}

int PlotCanvas::getYpos(double y) const { return getYpos(y, 0); }

void PlotCanvas::copyXScaleLabels(const std::array<PlotLabel*, kXLabelSlots>& labels) { xLabels = labels; }
void PlotCanvas::copyYLScaleLabels(const std::array<PlotLabel*, kYLabelSlots>& labels) { ylLabels = labels; }
void PlotCanvas::copyYRScaleLabels(const std::array<PlotLabel*, kYLabelSlots>& labels) { yrLabels = labels; }

void PlotCanvas::copyTitleLabels(PlotLabel* x, PlotLabel* yl, PlotLabel* yr)
{
    xTitleLabel = x;
    ylTitleLabel = yl;
    yrTitleLabel = yr;
}

void PlotCanvas::TextOnCanvas(int x, int y, std::string_view utf8, Colour colour)
{
    surface->setFont(kFontFace, kTextSizePt, colour);
    surface->text(x, y, utf8);
}

// ---------------------------------------------------------------------------
// Axis scales and grid lines

void PlotCanvas::verticalLine(int x, int height)
{
    surface->moveTo(x, 0);
    surface->lineTo(x, height);
}

int PlotCanvas::setXScale(double start, double span, double gridInterval, Colour gridColour)
{
    if (!(span > 0.0))
        return kXSpanNotPositive;
    // An interval of 0 gives an infinite quotient and lands here too.
    if (span / gridInterval > 32.0)
        return kXSpanTooManyGrids;
    const double end = start + span;
    if (gridInterval > 0.0 && !(gridCounterFits(start / gridInterval) && gridCounterFits(end / gridInterval)))
        return kXSpanTooManyGrids;

    xStart = start;
    xSpan = span;
    xEnd = end;
    xGridCount = 0;
    if (!(gridInterval > 0.0))
        return kGridIntervalNotPositive;

    const CanvasBounds b = surface->bounds();
    surface->setPenColour(gridColour);
    bool first = true;
    for (long long k = static_cast<long long>(std::trunc(start / gridInterval));
         static_cast<double>(k) * gridInterval < xEnd; ++k) {
        const double v = static_cast<double>(k) * gridInterval;
        // Neither end of the axis gets a line: the plot's border is there.
        if (!(v > start))
            continue;
        // 0 < (v - start) / span < 1, so the column always fits.
        const int x = static_cast<int>(std::trunc((v - start) / span * b.width + 0.5));
        verticalLine(x, b.height);
        ++xGridCount;
        if (first)
            firstXGrid = v;
        first = false;
        lastXGrid = v;
    }

    xIsLog = false;
    if (gridTrace != nullptr)
        *gridTrace << "firstXGrid=" << firstXGrid << "  lastXGrid=" << lastXGrid;
    return kOk;
}

int PlotCanvas::setXScale(double start, double ratio, Colour gridColour)
{
    if (!(ratio >= 20.0 && ratio <= 10000.0))
        return kLogRatioOutOfRange;
    // An end beyond the doubles would make the decade walk endless.
    if (start > 0.0 && !std::isfinite(start * ratio))
        return kLogStartIncorrect;

    xStart = start;
    xEnd = start * ratio;
    xLogRatio = ratio;
    if (!(start > 0.0))
        return kLogStartIncorrect;

    xGridCount = 0;
    const CanvasBounds b = surface->bounds();
    const double startLog = std::log10(start);
    const double pixelsPerDecade = b.width / std::log10(ratio);
    const double endLog = std::log10(start * ratio);
    static constexpr std::array<double, 5> multipliers = {1.0, 2.0, 3.0, 5.0, 7.0};

    surface->setPenColour(gridColour);
    bool first = true;
    // floor(startLog) for every start above 1e-100; startLog lies within about
    // +-330, so the truncation fits an int. The ratio bounds the walk to about
    // five decades.
    bool walked = false;
    for (int k = static_cast<int>(std::trunc(startLog + 100.0)) - 100; !walked; ++k) {
        for (const double m : multipliers) {
            const double g = k + std::log10(m);
            if (g >= endLog) {
                walked = true;
                break;
            }
            const double v = std::pow(10.0, k) * m;
            if (!(v > start))
                continue;
            const auto x = truncPixel((g - startLog) * pixelsPerDecade + 0.5);
            // A line in column 0 would sit on the border, like the start itself.
            if (!x || *x == 0)
                continue;
            verticalLine(*x, b.height);
            ++xGridCount;
            if (first)
                firstXGrid = v;
            first = false;
            lastXGrid = v;
        }
    }
    xIsLog = true;
    if (gridTrace != nullptr)
        *gridTrace << "firstXGrid=" << firstXGrid << "  lastXGrid=" << lastXGrid;
    return kOk;
}

int PlotCanvas::setYScale(double bottom, double span, double gridInterval, Colour gridColour, int channel)
{
    if (!(span > 0.0) || !(gridInterval >= 0.0) || !validChannel(channel))
        return kYSpanOrIntervalIncorrect;
    const double top = bottom + span;
    if (gridInterval > 0.0 && !(gridCounterFits(bottom / gridInterval) && gridCounterFits(top / gridInterval)))
        return kYSpanOrIntervalIncorrect;

    yBottom[slot(channel)] = bottom;
    ySpan[slot(channel)] = span;
    yGridCount = 0;

    if (gridInterval > 0.0) {
        if (span / gridInterval > 20.0)
            return kYSpanTooManyGrids;
        const CanvasBounds b = surface->bounds();
        surface->setPenColour(gridColour);
        bool first = true;
        for (long long k = static_cast<long long>(std::trunc(bottom / gridInterval));
             static_cast<double>(k) * gridInterval < top; ++k) {
            const double v = static_cast<double>(k) * gridInterval;
            if (!(v > bottom))
                continue;
            // 0 < (v - bottom) / span < 1, so the row always fits.
            const int y = static_cast<int>(std::trunc(b.height - (v - bottom) / span * b.height));
            if (gridTrace != nullptr)
                *gridTrace << "n = " << k << "  intPos=" << y;
            surface->moveTo(0, y);
            surface->lineTo(b.width, y);
            ++yGridCount;
            if (first)
                firstYGrid = v;
            first = false;
            lastYGrid = v;
        }
    }
    // The trace's field names are kept as its readers see them, misspelling included.
    if (gridTrace != nullptr)
        *gridTrace << "fisrtYGrid=" << firstYGrid << "  lastYGrid=" << lastYGrid;
    return kOk;
}

int PlotCanvas::setYScale(double bottom, double span, double gridInterval, Colour gridColour)
{
    return setYScale(bottom, span, gridInterval, gridColour, 0);
}

int PlotCanvas::setYScale(double bottom, double span, int channel)
{
    return setYScale(bottom, span, 0.0, 0, channel);
}

// ---------------------------------------------------------------------------
// Traces

double* PlotCanvas::traceBuffer()
{
    if (traceValues.empty())
        traceValues.resize(kTraceBufferSize);
    return traceValues.data();
}

int PlotCanvas::checkTraceScales(int channel) const
{
    if (xIsLog ? !(xLogRatio > 1.0) : !(xSpan > 0.0))
        return kScalesNotSet;
    // A span of 0 is the mark of a channel no setYScale has set.
    if (!validChannel(channel) || !(ySpan[slot(channel)] > 0.0))
        return kScalesNotSet;
    return kOk;
}

void PlotCanvas::drawTraceValues(const double* values, double xFirst, double xLast, int dataSize, Colour colour,
                                 int channel)
{
    surface->setPenColour(colour);
    if (dataSize < 2)
        return;
    const CanvasBounds b = surface->bounds();
    const double step = (xLast - xFirst) / (dataSize - 1);

    const auto column = [&](double x) -> std::optional<int> {
        const auto f = xFraction(x);
        return f ? nearestEvenPixel(*f * b.width) : std::nullopt;
    };
    const auto row = [&](double v) -> std::optional<int> {
        const auto f = yFraction(v, channel);
        return f ? nearestEvenPixel((1.0 - *f) * b.height) : std::nullopt;
    };

    // Sample i+1's pixel is the far end of segment i and the near end of
    // segment i+1, computed from the same expression, so it is worked out once.
    std::optional<int> cb;
    std::optional<int> rb;
    bool haveB = false;
    for (int i = 0; i + 1 < dataSize; ++i) {
        const double xa = xFirst + step * i;
        const double xb = xFirst + step * (i + 1);
        if (xb < xStart || xa > xEnd) {
            haveB = false;
            continue;
        }
        std::optional<int> ca;
        std::optional<int> ra;
        if (haveB) {
            ca = cb;
            ra = rb;
        } else {
            ca = column(xa);
            ra = row(values[i]);
        }
        cb = column(xb);
        rb = row(values[i + 1]);
        haveB = true;
        if (!ca || !ra || !cb || !rb)
            continue;
        // Only the right and bottom edges are tested; whatever lies left of
        // or above the control is clipped by the surface.
        if ((*ca <= b.width && *ra <= b.height) || (*cb <= b.width && *rb <= b.height)) {
            surface->moveTo(*ca, *ra);
            surface->lineTo(*cb, *rb);
        }
    }
}

int PlotCanvas::draw(const double* data, double gain, double offset, double xFirst, double xLast, int dataSize,
                     Colour colour, int channel)
{
    if (dataSize > kTraceBufferSize)
        return kDrawTooManySamples;
    if (const int scales = checkTraceScales(channel); scales != kOk)
        return scales;
    double* v = traceBuffer();
    for (int i = 0; i < dataSize; ++i)
        v[i] = gain * data[i] + offset;
    drawTraceValues(v, xFirst, xLast, dataSize, colour, channel);
    return kOk;
}

int PlotCanvas::draw(const double* data, int dataSize, Colour colour, int channel)
{
    return draw(data, 1.0, 0.0, xStart, xEnd, dataSize, colour, channel);
}

int PlotCanvas::draw(const double* data, double gain, double offset, int dataSize, Colour colour, int channel)
{
    return draw(data, gain, offset, xStart, xEnd, dataSize, colour, channel);
}

int PlotCanvas::dBdraw(const double* data, double reference, double xFirst, double xLast, int dataSize,
                       Colour colour, int channel)
{
    if (dataSize > kTraceBufferSize)
        return kDbDrawTooManySamples;
    if (const int scales = checkTraceScales(channel); scales != kOk)
        return scales;
    double* v = traceBuffer();
    for (int i = 0; i < dataSize; ++i) {
        // The floor is tested on the sample, not the quotient. A reference
        // at or below zero makes the logarithm NaN, and those points are
        // skipped when the segments are placed.
        v[i] = data[i] > 1e-50 ? 20.0 * std::log10(data[i] / reference) : -1000.0;
    }
    drawTraceValues(v, xFirst, xLast, dataSize, colour, channel);
    return kOk;
}

int PlotCanvas::dBdraw(const double* data, double reference, int dataSize, Colour colour)
{
    return dBdraw(data, reference, xStart, xEnd, dataSize, colour, 0);
}

int PlotCanvas::dBdraw(const double* data, double reference, double xFirst, double xLast, int dataSize,
                       Colour colour)
{
    return dBdraw(data, reference, xFirst, xLast, dataSize, colour, 0);
}

// ---------------------------------------------------------------------------
// Scale labels and number text

int PlotCanvas::initScalingLabels()
{
    const CanvasBounds b = surface->bounds();
    // The left labels need room for a few digits and the titles a line above.
    if (b.left < 24)
        return kLeftMarginTooSmall;
    if (b.top < 12)
        return kUpperMarginTooSmall;

    for (PlotLabel* label : xLabels) {
        if (label == nullptr)
            break;
        initXLabel(label);
    }
    for (PlotLabel* label : ylLabels) {
        if (label == nullptr)
            break;
        initYLLabel(label);
    }
    for (PlotLabel* label : yrLabels) {
        if (label == nullptr)
            break;
        initYRLabel(label);
    }
    if (xTitleLabel != nullptr) {
        xTitleLabel->setLeft(b.left + b.width / 2 - 80);
        xTitleLabel->setTop(b.top + b.height + 24);
        xTitleLabel->setAlignment(LabelAlignment::Centre);
        xTitleLabel->setFont(kFontFace, kTitleSizePt);
        xTitleLabel->setWidth(161);
        xTitleLabel->setVisible(false);
    }
    if (ylTitleLabel != nullptr) {
        ylTitleLabel->setLeft(b.left - 40 < 4 ? 4 : b.left - 40);
        ylTitleLabel->setTop(b.top - 20);
        ylTitleLabel->setAlignment(LabelAlignment::Left);
        ylTitleLabel->setFont(kFontFace, kTitleSizePt);
        ylTitleLabel->setWidth(81);
        ylTitleLabel->setVisible(false);
    }
    if (yrTitleLabel != nullptr) {
        yrTitleLabel->setLeft(b.left + b.width - 40);
        yrTitleLabel->setTop(b.top - 20);
        yrTitleLabel->setAlignment(LabelAlignment::Right);
        yrTitleLabel->setFont(kFontFace, kTitleSizePt);
        yrTitleLabel->setWidth(81);
        yrTitleLabel->setVisible(false);
    }
    return kOk;
}

int PlotCanvas::initXLabel(PlotLabel* label)
{
    if (label == nullptr)
        return -1;
    const CanvasBounds b = surface->bounds();
    label->setTop(b.top + b.height + 8);
    label->setWidth(51);
    label->setAlignment(LabelAlignment::Centre);
    label->setFont(kFontFace, kTextSizePt);
    // A fixed width keeps each number centred under its grid line.
    label->setAutoSize(false);
    label->setVisible(false);
    return kOk;
}

int PlotCanvas::initYLLabel(PlotLabel* label)
{
    if (label == nullptr)
        return -1;
    const CanvasBounds b = surface->bounds();
    label->setLeft(4);
    // Right edge 4 pixels left of the plot.
    label->setWidth(b.left - 8);
    label->setAlignment(LabelAlignment::Right);
    label->setFont(kFontFace, kTextSizePt);
    label->setVisible(false);
    return kOk;
}

int PlotCanvas::initYRLabel(PlotLabel* label)
{
    if (label == nullptr)
        return -1;
    const CanvasBounds b = surface->bounds();
    label->setLeft(b.left + b.width + 4);
    label->setWidth(41);
    label->setAlignment(LabelAlignment::Left);
    label->setFont(kFontFace, kTextSizePt);
    label->setVisible(false);
    return kOk;
}

int PlotCanvas::placeX(PlotLabel* label, double value, std::string_view text)
{
    const CanvasBounds b = surface->bounds();
    label->setText(text);
    const auto column = xPosition(value, b.width);
    // 17 pixels left of the column roughly centres the 51-pixel label on it.
    const auto left = column ? addFit(static_cast<long long>(b.left) - 17, *column) : std::nullopt;
    if (!left) {
        label->setVisible(false);
        return kOk;
    }
    label->setLeft(*left);
    label->setVisible(true);
    return kOk;
}

int PlotCanvas::placeY(PlotLabel* label, double value, std::string_view text, int channel)
{
    const CanvasBounds b = surface->bounds();
    label->setText(text);
    const auto r = yPosition(value, channel, b.height);
    // 6 pixels up puts the middle of a 9-point line on the row.
    const auto top = r ? addFit(static_cast<long long>(b.top) - 6, *r) : std::nullopt;
    if (!top) {
        label->setVisible(false);
        return kOk;
    }
    label->setTop(*top);
    label->setVisible(true);
    return kOk;
}

int PlotCanvas::putNumberX(PlotLabel* label, double value, double zeroLimit, int digits)
{
    if (label == nullptr)
        return kNullXLabel;
    return placeX(label, value, truncDigit(value, digits, zeroLimit, true));
}

int PlotCanvas::putNumberX(PlotLabel* label, double value, std::string_view text)
{
    if (label == nullptr)
        return kNullXLabel;
    return placeX(label, value, text);
}

int PlotCanvas::putNumberY(PlotLabel* label, double value, double zeroLimit, int digits, int channel)
{
    if (label == nullptr)
        return kNullYLabel;
    return placeY(label, value, truncDigit(value, digits, zeroLimit, true), channel);
}

int PlotCanvas::putNumberY(PlotLabel* label, double value, std::string_view text, int channel)
{
    if (label == nullptr)
        return kNullYLabel;
    return placeY(label, value, text, channel);
}

int PlotCanvas::putScaleX(const double* values, int count, double zeroLimit, int digits)
{
    if (count > kXLabelSlots)
        return kTooManyScaleLabels;
    for (int i = 0; i < count; ++i) {
        if (putNumberX(xLabels[slot(i)], values[i], zeroLimit, digits) != kOk)
            return kNullXLabel;
    }
    return kOk;
}

int PlotCanvas::putScaleX(const double* values, const std::string* texts, int count)
{
    if (count > kXLabelSlots)
        return kTooManyScaleLabels;
    for (int i = 0; i < count; ++i) {
        if (putNumberX(xLabels[slot(i)], values[i], texts[i]) != kOk)
            return kNullXLabel;
    }
    return kOk;
}

int PlotCanvas::putScaleY(const std::array<PlotLabel*, kYLabelSlots>& slots, const double* values,
                          const std::string* texts, int count, double zeroLimit, int digits, int channel)
{
    if (count > kYLabelSlots)
        return kTooManyScaleLabels;
    for (int i = 0; i < count; ++i) {
        PlotLabel* label = slots[slot(i)];
        const int result = texts != nullptr ? putNumberY(label, values[i], texts[i], channel)
                                            : putNumberY(label, values[i], zeroLimit, digits, channel);
        if (result != kOk)
            return kNullYLabel;
    }
    return kOk;
}

int PlotCanvas::putScaleYL(const double* values, int count, double zeroLimit, int digits, int channel)
{
    return putScaleY(ylLabels, values, nullptr, count, zeroLimit, digits, channel);
}

int PlotCanvas::putScaleYL(const double* values, const std::string* texts, int count, int channel)
{
    return putScaleY(ylLabels, values, texts, count, 0.0, 0, channel);
}

int PlotCanvas::putScaleYR(const double* values, int count, double zeroLimit, int digits, int channel)
{
    return putScaleY(yrLabels, values, nullptr, count, zeroLimit, digits, channel);
}

int PlotCanvas::putScaleYR(const double* values, const std::string* texts, int count, int channel)
{
    return putScaleY(yrLabels, values, texts, count, 0.0, 0, channel);
}

namespace {

template <std::size_t N>
void hideAll(const std::array<PlotLabel*, N>& labels)
{
    // Unlike the layout chains, hiding goes on past an empty slot.
    for (PlotLabel* label : labels)
        if (label != nullptr)
            label->setVisible(false);
}

void showTitle(PlotLabel* title, std::string_view text)
{
    if (title == nullptr)
        return;
    title->setText(text);
    title->setVisible(true);
}

void hideTitle(PlotLabel* title)
{
    if (title != nullptr)
        title->setVisible(false);
}

} // namespace

void PlotCanvas::removeScaleX() { hideAll(xLabels); }
void PlotCanvas::removeScaleYL() { hideAll(ylLabels); }
void PlotCanvas::removeScaleYR() { hideAll(yrLabels); }
void PlotCanvas::putUnitX(std::string_view text) { showTitle(xTitleLabel, text); }
void PlotCanvas::putUnitYL(std::string_view text) { showTitle(ylTitleLabel, text); }
void PlotCanvas::putUnitYR(std::string_view text) { showTitle(yrTitleLabel, text); }
void PlotCanvas::removeUnitX() { hideTitle(xTitleLabel); }
void PlotCanvas::removeUnitYL() { hideTitle(ylTitleLabel); }
void PlotCanvas::removeUnitYR() { hideTitle(yrTitleLabel); }

std::string PlotCanvas::truncDigit(double value, int digits, double zeroLimit, bool usePrefix) const
{
    return plot::scaleNumberText(value, digits, zeroLimit, usePrefix, decimalSeparator);
}

// ---------------------------------------------------------------------------
// Markers, area selection and reference lines

std::optional<int> PlotCanvas::linearColumn(double x, int width) const
{
    const double f = (x - xStart) / xSpan;
    if (!std::isfinite(f))
        return std::nullopt;
    return truncPixel(f * width + 0.5);
}

std::optional<PlotCanvas::Pixel> PlotCanvas::markerPixel(double x, double y, int channel,
                                                         const CanvasBounds& b) const
{
    const auto px = linearColumn(x, b.width);
    const auto f = yFraction(y, channel);
    if (!px || !f)
        return std::nullopt;
    const auto py = truncPixel((1.0 - *f) * b.height + 0.5);
    // The cross and the circle reach 3 pixels either side.
    if (!py || *px < INT_MIN + 3 || *px > INT_MAX - 3 || *py < INT_MIN + 3 || *py > INT_MAX - 3)
        return std::nullopt;
    return Pixel{*px, *py};
}

void PlotCanvas::drawPole(double x, double y, Colour colour, int channel)
{
    const auto p = markerPixel(x, y, channel, surface->bounds());
    if (!p)
        return;
    surface->setPenColour(colour);
    surface->moveTo(p->x - 3, p->y - 3);
    surface->lineTo(p->x + 3, p->y + 3);
    surface->moveTo(p->x - 3, p->y + 3);
    surface->lineTo(p->x + 3, p->y - 3);
}

void PlotCanvas::drawZero(double x, double y, Colour colour, int channel)
{
    const auto p = markerPixel(x, y, channel, surface->bounds());
    if (!p)
        return;
    surface->setPenColour(colour);
    surface->setFillStyle(FillStyle::Clear);
    surface->ellipse(p->x - 3, p->y - 3, p->x + 3, p->y + 3);
    surface->setFillStyle(FillStyle::Solid);
}

void PlotCanvas::drawZCircle(double x1, double y1, double x2, double y2, Colour colour, int channel)
{
    const CanvasBounds b = surface->bounds();
    if (!validChannel(channel))
        return;
    const double bottom = yBottom[slot(channel)];
    const double span = ySpan[slot(channel)];
    const auto rowOf = [&](double y) -> std::optional<int> {
        const double f = (span - (y - bottom)) / span;
        return std::isfinite(f) ? truncPixel(f * b.height + 0.5) : std::nullopt;
    };
    const auto px1 = linearColumn(x1, b.width);
    const auto px2 = linearColumn(x2, b.width);
    const auto py1 = rowOf(y1);
    const auto py2 = rowOf(y2);
    if (!px1 || !px2 || !py1 || !py2)
        return;
    surface->setPenColour(colour);
    surface->setPenStyle(PenStyle::Dashed);
    surface->setFillStyle(FillStyle::Clear);
    surface->ellipse(*px1, *py1, *px2, *py2);
    surface->setPenStyle(PenStyle::Solid);
    surface->setFillStyle(FillStyle::Solid);
}

void PlotCanvas::drawSelectedArea(int x1, int y1, int x2, int y2, Colour colour)
{
    surface->setPenColour(colour);
    surface->setPenStyle(PenStyle::Dotted);
    surface->setFillStyle(FillStyle::Clear);
    surface->rectangle(x1, y1, x2, y2);
    surface->setPenStyle(PenStyle::Solid);
    surface->setFillStyle(FillStyle::Solid);
}

void PlotCanvas::eraseSelection()
{
    // Drawing the dotted outline again in the background colour removes it.
    if (selShown)
        drawSelectedArea(selX1, selY1, selX2, selY2, backColour);
}

void PlotCanvas::mouseDown(int x, int y)
{
    eraseSelection();
    selX1 = x;
    selY1 = y;
}

int PlotCanvas::mouseUp(int x, int y)
{
    selX2 = x;
    selY2 = y;
    const CanvasBounds b = surface->bounds();
    const double w = b.width;
    const double h = b.height;
    if (xIsLog) {
        selXValue1 = std::pow(xLogRatio, selX1 / w) * xStart;
        selXValue2 = std::pow(xLogRatio, selX2 / w) * xStart;
    } else {
        selXValue1 = selX1 * xSpan / w + xStart;
        selXValue2 = selX2 * xSpan / w + xStart;
    }
    // The release row is the lower edge of a drag down the plot, so it gives
    // the smaller value.
    selYValue1 = (h - selY2) * ySpan[0] / h + yBottom[0];
    selYValue2 = (h - selY1) * ySpan[0] / h + yBottom[0];

    const long long width = static_cast<long long>(selX2) - selX1;
    const long long height = static_cast<long long>(selY2) - selY1;
    if (width <= 0 || height <= 0)
        return kSelectionIncorrect;
    if (width <= minSelWidth || height <= minSelHeight)
        return kSelectionTooSmall;
    drawSelectedArea(selX1, selY1, selX2, selY2, selColour);
    selShown = true;
    return kOk;
}

void PlotCanvas::drawMagSelectedArea()
{
    if (selShown)
        drawSelectedArea(selX1, selY1, selX2, selY2, selColour);
}

void PlotCanvas::mouseRL1Down(int x, int y) { mouseDown(x, y); }

void PlotCanvas::mouseRL2Down(int x, int y)
{
    eraseSelection();
    rl2PressX = x;
    rl2PressY = y;
}

namespace {

// A press within 4 pixels of a line grabs it: the caller moves the line to
// the release column. Otherwise -1 or -2 say on which side the pointer let go.
int referenceLineRelease(int pressX, int lineX, int releaseX)
{
    const long long distance = static_cast<long long>(pressX) - lineX;
    if (distance > -5 && distance < 5)
        return releaseX;
    return releaseX < lineX ? -1 : -2;
}

} // namespace

int PlotCanvas::mouseRL1Up(int x, int y)
{
    selX2 = x;
    selY2 = y;
    return referenceLineRelease(selX1, refLine1X, x);
}

int PlotCanvas::mouseRL2Up(int x, int y)
{
    rl2ReleaseX = x;
    rl2ReleaseY = y;
    return referenceLineRelease(rl2PressX, refLine2X, x);
}

void PlotCanvas::drawReferenceLines(double x1, double x2)
{
    if (!refLinesOn)
        return;
    const CanvasBounds b = surface->bounds();
    // A position that does not fit keeps the line where it was.
    if (const auto c1 = linearColumn(x1, b.width))
        refLine1X = *c1;
    if (const auto c2 = linearColumn(x2, b.width))
        refLine2X = *c2;
    surface->setPenColour(kRefLine2Colour);
    verticalLine(refLine2X, b.height);
    surface->setPenColour(kRefLine1Colour);
    verticalLine(refLine1X, b.height);
}

void PlotCanvas::deleteRefLines()
{
    if (!refLinesOn)
        return;
    const CanvasBounds b = surface->bounds();
    surface->setPenColour(backColour);
    verticalLine(refLine2X, b.height);
    verticalLine(refLine1X, b.height);
}

} // namespace corvane::plot
