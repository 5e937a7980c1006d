#include "plot/PlotCanvas.h"

#include "CanvasPixels.h"
#include "core/ResultCodes.h"

#include <clocale>
#include <cstdlib>
#include <iostream>

namespace corvane::plot {

using namespace core; // the result codes, used throughout
using namespace pixels;

PlotCanvas::PlotCanvas(DrawSurface& drawSurface) : surface(&drawSurface)
{
    const CanvasBounds b = surface->bounds();
    origin.x = b.left;
    origin.y = b.top;
    // A selection smaller than a fiftieth of the control, or 10 pixels, is
    // taken for a click that wobbled.
    sel.minSelWidth = b.width / 50 < 10 ? 10 : b.width / 50;
    sel.minSelHeight = b.height / 50 < 10 ? 10 : b.height / 50;

    const char* trace = std::getenv("CORVANE_GRID_TRACE");
    if (trace != nullptr && std::string_view(trace) == "1")
        gridTrace = &std::cout;
    if (const std::lconv* lc = std::localeconv();
        lc != nullptr && lc->decimal_point != nullptr && *lc->decimal_point)
        decimalSeparator = lc->decimal_point;
}

PlotCanvas::~PlotCanvas() = default;

// ---------------------------------------------------------------------------
// Canvas and coordinate mapping

void PlotCanvas::initScreen(Colour back, Colour selected)
{
    const CanvasBounds b = surface->bounds();
    surface->setPenColour(back);
    surface->setFillColour(back);
    surface->rectangle(0, 0, b.width, b.height);
    backgroundColour = back;
    selectionColour = selected;
}

std::optional<double> PlotCanvas::xFraction(double x) const
{
    // Any logarithm base gives the same quotient.
    const double f =
        axes.xIsLog ? std::log(x / axes.xStart) / std::log(axes.xLogRatio) : (x - axes.xStart) / axes.xSpan;
    if (!std::isfinite(f))
        return std::nullopt;
    return f;
}

std::optional<double> PlotCanvas::yFraction(double y, int channel) const
{
    if (!validChannel(channel))
        return std::nullopt;
    const double f = (y - axes.yBottom[slot(channel)]) / axes.ySpan[slot(channel)];
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
    return addFit(*column, origin.x);
}

std::optional<int> PlotCanvas::yPosition(double y, int channel, int height) const
{
    const auto f = yFraction(y, channel);
    if (!f)
        return std::nullopt;
    const auto row = truncPixel((1.0 - *f) * height + 0.5);
    if (!row)
        return std::nullopt;
    return addFit(*row, origin.y);
}

int PlotCanvas::getXpos(double x) const
{
    const auto f = xFraction(x);
    if (!f)
        return saturate(std::nan(""));
    return saturate(std::trunc(*f * surface->bounds().width + 0.5) + origin.x);
}

int PlotCanvas::getYpos(double y, int channel) const
{
    const auto f = yFraction(y, channel);
    if (!f)
        return saturate(std::nan(""));
    return saturate(std::trunc((1.0 - *f) * surface->bounds().height + 0.5) + origin.y);
}

int PlotCanvas::getYpos(double y) const
{
    return getYpos(y, 0);
}

void PlotCanvas::copyXScaleLabels(const std::array<PlotLabel*, kXLabelSlots>& labels)
{
    labelSet.xLabels = labels;
}
void PlotCanvas::copyYLScaleLabels(const std::array<PlotLabel*, kYLabelSlots>& labels)
{
    labelSet.ylLabels = labels;
}
void PlotCanvas::copyYRScaleLabels(const std::array<PlotLabel*, kYLabelSlots>& labels)
{
    labelSet.yrLabels = labels;
}

void PlotCanvas::copyTitleLabels(PlotLabel* x, PlotLabel* yl, PlotLabel* yr)
{
    labelSet.xTitleLabel = x;
    labelSet.ylTitleLabel = yl;
    labelSet.yrTitleLabel = yr;
}

void PlotCanvas::TextOnCanvas(int x, int y, std::string_view utf8, Colour colour)
{
    surface->setFont(kFontFace, kTextSizePt, colour);
    surface->text(x, y, utf8);
}

} // namespace corvane::plot
