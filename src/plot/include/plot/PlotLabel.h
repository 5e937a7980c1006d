#pragma once

#include <string_view>

namespace corvane::plot {

enum class LabelAlignment { Left, Centre, Right };

// A label control of the window that shows a scale number or an axis title
// beside the plot. Positions are window coordinates. With automatic sizing on,
// a label fits its width to its text, keeping its right edge when it is
// right-aligned and its left edge otherwise.
class PlotLabel {
public:
    virtual ~PlotLabel() = default;

    virtual void setLeft(int left) = 0;
    virtual void setTop(int top) = 0;
    virtual void setWidth(int width) = 0;
    virtual void setText(std::string_view utf8) = 0;
    virtual void setAlignment(LabelAlignment alignment) = 0;
    virtual void setFont(std::string_view face, int sizePt) = 0;
    virtual void setAutoSize(bool on) = 0;
    virtual void setVisible(bool visible) = 0;

protected:
    PlotLabel() = default;
    PlotLabel(const PlotLabel&) = default;
    PlotLabel& operator=(const PlotLabel&) = default;
};

} // namespace corvane::plot
