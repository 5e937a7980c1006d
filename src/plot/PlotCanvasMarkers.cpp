#include "plot/PlotCanvas.h"

#include "CanvasPixels.h"
#include "core/ResultCodes.h"

namespace corvane::plot {

using namespace core; // the result codes, used throughout
using namespace pixels;

// ---------------------------------------------------------------------------
// Markers, area selection and reference lines

std::optional<int> PlotCanvas::linearColumn(double x, int width) const
{
    const double f = (x - axes.xStart) / axes.xSpan;
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
    const double bottom = axes.yBottom[slot(channel)];
    const double span = axes.ySpan[slot(channel)];
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
    if (sel.selShown)
        drawSelectedArea(sel.selX1, sel.selY1, sel.selX2, sel.selY2, backgroundColour);
}

void PlotCanvas::mouseDown(int x, int y)
{
    eraseSelection();
    sel.selX1 = x;
    sel.selY1 = y;
}

int PlotCanvas::mouseUp(int x, int y)
{
    sel.selX2 = x;
    sel.selY2 = y;
    const CanvasBounds b = surface->bounds();
    const double w = b.width;
    const double h = b.height;
    if (axes.xIsLog) {
        sel.selXValue1 = std::pow(axes.xLogRatio, sel.selX1 / w) * axes.xStart;
        sel.selXValue2 = std::pow(axes.xLogRatio, sel.selX2 / w) * axes.xStart;
    } else {
        sel.selXValue1 = sel.selX1 * axes.xSpan / w + axes.xStart;
        sel.selXValue2 = sel.selX2 * axes.xSpan / w + axes.xStart;
    }
    // The release row is the lower edge of a drag down the plot, so it gives
    // the smaller value.
    sel.selYValue1 = (h - sel.selY2) * axes.ySpan[0] / h + axes.yBottom[0];
    sel.selYValue2 = (h - sel.selY1) * axes.ySpan[0] / h + axes.yBottom[0];

    const long long width = static_cast<long long>(sel.selX2) - sel.selX1;
    const long long height = static_cast<long long>(sel.selY2) - sel.selY1;
    if (width <= 0 || height <= 0)
        return kSelectionIncorrect;
    if (width <= sel.minSelWidth || height <= sel.minSelHeight)
        return kSelectionTooSmall;
    drawSelectedArea(sel.selX1, sel.selY1, sel.selX2, sel.selY2, selectionColour);
    sel.selShown = true;
    return kOk;
}

void PlotCanvas::drawMagSelectedArea()
{
    if (sel.selShown)
        drawSelectedArea(sel.selX1, sel.selY1, sel.selX2, sel.selY2, selectionColour);
}

void PlotCanvas::mouseRL1Down(int x, int y)
{
    mouseDown(x, y);
}

void PlotCanvas::mouseRL2Down(int x, int y)
{
    eraseSelection();
    sel.rl2PressX = x;
    sel.rl2PressY = y;
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
    sel.selX2 = x;
    sel.selY2 = y;
    return referenceLineRelease(sel.selX1, sel.refLine1X, x);
}

int PlotCanvas::mouseRL2Up(int x, int y)
{
    sel.rl2ReleaseX = x;
    sel.rl2ReleaseY = y;
    return referenceLineRelease(sel.rl2PressX, sel.refLine2X, x);
}

void PlotCanvas::drawReferenceLines(double x1, double x2)
{
    if (!refLinesEnabled)
        return;
    const CanvasBounds b = surface->bounds();
    // A position that does not fit keeps the line where it was.
    if (const auto c1 = linearColumn(x1, b.width))
        sel.refLine1X = *c1;
    if (const auto c2 = linearColumn(x2, b.width))
        sel.refLine2X = *c2;
    surface->setPenColour(kRefLine2Colour);
    verticalLine(sel.refLine2X, b.height);
    surface->setPenColour(kRefLine1Colour);
    verticalLine(sel.refLine1X, b.height);
}

void PlotCanvas::deleteRefLines()
{
    if (!refLinesEnabled)
        return;
    const CanvasBounds b = surface->bounds();
    surface->setPenColour(backgroundColour);
    verticalLine(sel.refLine2X, b.height);
    verticalLine(sel.refLine1X, b.height);
}

} // namespace corvane::plot
