#pragma once

#include "plot/Colour.h"

#include <string_view>

namespace corvane::plot {

// Where the plot control stands in its window and how big it is. Left and top
// are window coordinates (they place the label controls beside the plot);
// drawing coordinates are relative to the control's own top-left corner.
struct CanvasBounds {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

enum class PenStyle { Solid, Dashed, Dotted };
enum class FillStyle { Solid, Clear };

// What the plot canvas draws on: the widget's backing image in the program, a
// recorder in the tests. Everything outside 0..width-1, 0..height-1 is
// clipped away by the surface, so callers may pass points off the control.
// Pen and fill settings stay in force until changed; lines are one pixel wide.
class DrawSurface {
public:
    virtual ~DrawSurface() = default;

    // Read afresh by every canvas operation, so a resize takes effect at once.
    virtual CanvasBounds bounds() const = 0;

    virtual void setPenColour(Colour colour) = 0;
    virtual void setPenStyle(PenStyle style) = 0;
    virtual void setFillColour(Colour colour) = 0;
    virtual void setFillStyle(FillStyle style) = 0;

    // A line from the current point to (x, y), both end pixels included;
    // (x, y) becomes the current point.
    virtual void moveTo(int x, int y) = 0;
    virtual void lineTo(int x, int y) = 0;

    // Both shapes cover the box from (x1, y1) up to but not including
    // (x2, y2), so a rectangle from (0, 0) to (width, height) covers exactly
    // the control. The outline is in the pen; the inside is filled unless the
    // fill style is clear.
    virtual void rectangle(int x1, int y1, int x2, int y2) = 0;
    virtual void ellipse(int x1, int y1, int x2, int y2) = 0;

    // Font of later text; the colour is the text's own, not the pen's.
    virtual void setFont(std::string_view face, int sizePt, Colour colour) = 0;
    // UTF-8 text with the top-left corner of its cell at (x, y); the cell is
    // filled with the fill colour first unless the fill style is clear.
    virtual void text(int x, int y, std::string_view utf8) = 0;

protected:
    DrawSurface() = default;
    DrawSurface(const DrawSurface&) = default;
    DrawSurface& operator=(const DrawSurface&) = default;
};

} // namespace corvane::plot
