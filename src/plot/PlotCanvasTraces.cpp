#include "plot/PlotCanvas.h"

#include "CanvasPixels.h"
#include "core/ResultCodes.h"

namespace corvane::plot {

using namespace core; // the result codes, used throughout
using namespace pixels;

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
    if (axes.xIsLog ? !(axes.xLogRatio > 1.0) : !(axes.xSpan > 0.0))
        return kScalesNotSet;
    // A span of 0 is the mark of a channel no setYScale has set.
    if (!validChannel(channel) || !(axes.ySpan[slot(channel)] > 0.0))
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
        if (xb < axes.xStart || xa > axes.xEnd) {
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
    return draw(data, 1.0, 0.0, axes.xStart, axes.xEnd, dataSize, colour, channel);
}

int PlotCanvas::draw(const double* data, double gain, double offset, int dataSize, Colour colour, int channel)
{
    return draw(data, gain, offset, axes.xStart, axes.xEnd, dataSize, colour, channel);
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
    return dBdraw(data, reference, axes.xStart, axes.xEnd, dataSize, colour, 0);
}

int PlotCanvas::dBdraw(const double* data, double reference, double xFirst, double xLast, int dataSize,
                       Colour colour)
{
    return dBdraw(data, reference, xFirst, xLast, dataSize, colour, 0);
}

} // namespace corvane::plot
