#pragma once

#include "plot/DrawSurface.h"

#include <QImage>
#include <QPainter>
#include <QPolygon>

#include <functional>

class QWidget;

namespace corvane::widgets {

// Draws on a QImage the size of the plot: aliased, with a cosmetic pen one
// pixel wide, so each line lands on exactly the pixels the canvas computed.
//
// The bounds either follow a widget's geometry (the widget's position in its
// parent is the position in the window) or are set by hand. The image follows
// the bounds' size; after a resize it starts black and waits for a repaint.
//
// Coordinates are logical pixels. The image holds ratio times as many pixels
// each way (the widget's device pixel ratio, or one set by hand), so lines
// and text are drawn at the screen's resolution instead of being enlarged
// afterwards; at ratio 1 every pixel is where the canvas computed it.
//
// Joined move/line calls are gathered into one polyline and drawn when the
// pen changes, another shape comes or the image is read: a trace of thousands
// of segments costs one polyline instead of thousands of single lines.
//
// Window thread only (fonts need the GUI application).
class ImageSurface final : public plot::DrawSurface {
public:
    // With a control, the bounds are its geometry, read at every call; it
    // must outlive the surface.
    explicit ImageSurface(const QWidget* control = nullptr);
    ~ImageSurface() override;
    ImageSurface(const ImageSurface&) = delete;
    ImageSurface& operator=(const ImageSurface&) = delete;

    void setBounds(plot::CanvasBounds bounds) { fixedBounds = bounds; }
    // Device pixels per logical pixel; 0 (the default) follows the widget,
    // or 1 without one. Takes effect at the next drawing, on a new image.
    void setPixelRatio(double ratio) { fixedRatio = ratio; }
    double pixelRatio() const;
    // The picture with everything drawn so far; ends the painter, so call it
    // only between drawing operations.
    const QImage& image();
    // Called on the first drawing after the picture was last read, so the
    // widget knows it has something new to show.
    void setChangeNotifier(std::function<void()> notify) { changed = std::move(notify); }

    plot::CanvasBounds bounds() const override;
    void setPenColour(plot::Colour colour) override;
    void setPenStyle(plot::PenStyle style) override;
    void setFillColour(plot::Colour colour) override;
    void setFillStyle(plot::FillStyle style) override;
    void moveTo(int x, int y) override;
    void lineTo(int x, int y) override;
    void rectangle(int x1, int y1, int x2, int y2) override;
    void ellipse(int x1, int y1, int x2, int y2) override;
    void setFont(std::string_view face, int sizePt, plot::Colour colour) override;
    void text(int x, int y, std::string_view utf8) override;

private:
    // Starts the painter on an image of the current size; false when the
    // control has no area to draw on.
    bool ready();
    void flushPolyline();
    void fillBox(const QRect& box, plot::Colour colour);
    void drawn();
    QPen pen() const;
    QBrush brush() const;

    const QWidget* control;
    plot::CanvasBounds fixedBounds;
    double fixedRatio = 0.0;
    double strokeShift = 0.0; // logical pixels the painter is moved by
    QImage picture;
    QPainter painter;
    QPolygon polyline;
    QPoint current;
    bool dirty = false;
    std::function<void()> changed;

    plot::Colour penColour = 0;
    plot::PenStyle penStyle = plot::PenStyle::Solid;
    plot::Colour fillColour = 0xFFFFFF;
    plot::FillStyle fillStyle = plot::FillStyle::Solid;
    QString fontFace;
    int fontSizePt = 9;
    plot::Colour fontColour = 0;
};

} // namespace corvane::widgets
