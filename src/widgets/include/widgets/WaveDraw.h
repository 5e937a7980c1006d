#pragma once

#include "plot/PlotCanvas.h"
#include "widgets/ImageSurface.h"

#include <QWidget>

#include <functional>

namespace corvane::widgets {

// The window's plot control: a widget that owns a PlotCanvas drawing at once
// into a backing image the size of the widget, and shows that image when it
// paints. Its position in its parent is its position in the window, which
// places the label controls.
//
// A paint first calls the host's paint handler, where the display layer
// rebuilds the plot, and then shows the picture. Drawing during the handler
// does not ask for another paint, so an idle window costs nothing; drawing at
// any other time asks for one.
//
// Window thread only. The labels handed to the canvas belong to the window.
class WaveDraw : public QWidget {
public:
    explicit WaveDraw(QWidget* parent = nullptr);

    // The plot state and its drawing operations; lives as long as the widget.
    plot::PlotCanvas& canvas() { return plotCanvas; }
    const plot::PlotCanvas& canvas() const { return plotCanvas; }

    // Called at the start of every paint, before the picture is shown.
    void setPaintHandler(std::function<void()> handler) { paintHandler = std::move(handler); }
    // Called when the widget's size has changed, before the next paint; the
    // picture is black until something draws on it at the new size.
    void setResizeHandler(std::function<void()> handler) { resizeHandler = std::move(handler); }
    // Device pixels per logical pixel of the picture; 0 follows the screen.
    void setPixelRatio(double ratio) { backing.setPixelRatio(ratio); }

    // The picture as the next paint shows it; the image export uses it too.
    const QImage& picture() { return backing.image(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Declared before the canvas, which reads its bounds when it is built.
    ImageSurface backing;
    plot::PlotCanvas plotCanvas;
    std::function<void()> paintHandler;
    std::function<void()> resizeHandler;
    bool painting = false;
};

} // namespace corvane::widgets
