#include "plot/PlotCanvas.h"

#include "CanvasPixels.h"
#include "core/ResultCodes.h"

#include <array>
#include <ostream>

namespace corvane::plot {

using namespace core; // the result codes, used throughout
using namespace pixels;

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

    axes.xStart = start;
    axes.xSpan = span;
    axes.xEnd = end;
    grid.xGridCount = 0;
    if (!(gridInterval > 0.0))
        return kGridIntervalNotPositive;

    const CanvasBounds b = surface->bounds();
    surface->setPenColour(gridColour);
    bool first = true;
    for (long long k = static_cast<long long>(std::trunc(start / gridInterval));
         static_cast<double>(k) * gridInterval < axes.xEnd; ++k) {
        const double v = static_cast<double>(k) * gridInterval;
        // Neither end of the axis gets a line: the plot's border is there.
        if (!(v > start))
            continue;
        // 0 < (v - start) / span < 1, so the column always fits.
        const int x = static_cast<int>(std::trunc((v - start) / span * b.width + 0.5));
        verticalLine(x, b.height);
        ++grid.xGridCount;
        if (first)
            grid.firstXGrid = v;
        first = false;
        grid.lastXGrid = v;
    }

    axes.xIsLog = false;
    if (gridTrace != nullptr)
        *gridTrace << "firstXGrid=" << grid.firstXGrid << "  lastXGrid=" << grid.lastXGrid;
    return kOk;
}

int PlotCanvas::setXScale(double start, double ratio, Colour gridColour)
{
    if (!(ratio >= 20.0 && ratio <= 10000.0))
        return kLogRatioOutOfRange;
    // An end beyond the doubles would make the decade walk endless.
    if (start > 0.0 && !std::isfinite(start * ratio))
        return kLogStartIncorrect;

    axes.xStart = start;
    axes.xEnd = start * ratio;
    axes.xLogRatio = ratio;
    if (!(start > 0.0))
        return kLogStartIncorrect;

    grid.xGridCount = 0;
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
            ++grid.xGridCount;
            if (first)
                grid.firstXGrid = v;
            first = false;
            grid.lastXGrid = v;
        }
    }
    axes.xIsLog = true;
    if (gridTrace != nullptr)
        *gridTrace << "firstXGrid=" << grid.firstXGrid << "  lastXGrid=" << grid.lastXGrid;
    return kOk;
}

int PlotCanvas::setYScale(double bottom, double span, double gridInterval, Colour gridColour, int channel)
{
    if (!(span > 0.0) || !(gridInterval >= 0.0) || !validChannel(channel))
        return kYSpanOrIntervalIncorrect;
    const double top = bottom + span;
    if (gridInterval > 0.0 && !(gridCounterFits(bottom / gridInterval) && gridCounterFits(top / gridInterval)))
        return kYSpanOrIntervalIncorrect;

    axes.yBottom[slot(channel)] = bottom;
    axes.ySpan[slot(channel)] = span;
    grid.yGridCount = 0;

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
            ++grid.yGridCount;
            if (first)
                grid.firstYGrid = v;
            first = false;
            grid.lastYGrid = v;
        }
    }
    // "fisrtYGrid" is kept as the trace has always been read.
    if (gridTrace != nullptr)
        *gridTrace << "fisrtYGrid=" << grid.firstYGrid << "  lastYGrid=" << grid.lastYGrid;
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

void PlotCanvas::removeYScale(int channel)
{
    // A span of 0 is what every channel starts with: no scale.
    if (validChannel(channel))
        axes.ySpan[slot(channel)] = 0.0;
}

} // namespace corvane::plot
