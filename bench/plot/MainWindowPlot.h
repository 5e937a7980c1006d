#pragma once

#include "plot/PlotCanvas.h"
#include "plot/PlotLabel.h"
#include "plot/WaveDisplay.h"
#include "widgets/ImageSurface.h"

#include <array>
#include <cstddef>
#include <string_view>

namespace corvane::bench {

// Label controls that take everything and show nothing: a repaint never
// touches labels, so their cost is not part of what is timed.
class SilentLabel final : public plot::PlotLabel {
public:
    void setLeft(int) override {}
    void setTop(int) override {}
    void setWidth(int) override {}
    void setText(std::string_view) override {}
    void setAlignment(plot::LabelAlignment) override {}
    void setFont(std::string_view, int) override {}
    void setAutoSize(bool) override {}
    void setVisible(bool) override {}
};

// The main window's plot at its place, drawn on an image without a screen,
// with the window's label slots.
struct MainWindowPlot {
    MainWindowPlot()
    {
        surface.setBounds({40, 48, 361, 201});
        canvas.setGridTrace(nullptr);
        std::array<plot::PlotLabel*, plot::PlotCanvas::kXLabelSlots> x{};
        std::array<plot::PlotLabel*, plot::PlotCanvas::kYLabelSlots> yl{};
        for (std::size_t i = 0; i < 11; ++i)
            x[i] = &labels[i];
        for (std::size_t i = 0; i < 9; ++i)
            yl[i] = &labels[11 + i];
        canvas.copyXScaleLabels(x);
        canvas.copyYLScaleLabels(yl);
        canvas.copyTitleLabels(&labels[20], &labels[21], &labels[22]);
    }
    MainWindowPlot(const MainWindowPlot&) = delete;
    MainWindowPlot& operator=(const MainWindowPlot&) = delete;

    widgets::ImageSurface surface;
    plot::PlotCanvas canvas{surface};
    std::array<SilentLabel, 23> labels;
    plot::WaveDisplay display{canvas, 11, 9, 9};
};

} // namespace corvane::bench
