#pragma once

#include "widgets/ImageSurface.h"
#include "plot/PlotCanvas.h"

#include <QWidget>

#include <functional>

namespace corvane::widgets {

// Holds the backing picture so that it exists before the canvas base that
// draws on it is built.
struct WaveDrawBacking {
    explicit WaveDrawBacking(const QWidget* control) : backing(control) {}
    ImageSurface backing;
};


// The window's plot control: a widget that is a PlotCanvas drawing at once
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
class WaveDraw : public QWidget, private WaveDrawBacking, public plot::PlotCanvas {
public:
    explicit WaveDraw(QWidget* parent = nullptr);

    // Called at the start of every paint, before the picture is shown.
    void setPaintHandler(std::function<void()> handler) { paintHandler = std::move(handler); }

    // The picture as the next paint shows it; the image export uses it too.
    const QImage& picture() { return backing.image(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::function<void()> paintHandler;
    bool painting = false;
};

} // namespace corvane::widgets
