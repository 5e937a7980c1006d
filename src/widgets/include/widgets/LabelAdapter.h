#pragma once

#include "plot/PlotLabel.h"

class QLabel;

namespace corvane::widgets {

// A window's QLabel seen through the canvas's label interface. QLabel has no
// automatic sizing of its own; here, with it on, every change of text or font
// fits the label to its text, keeping the right edge of a right-aligned label
// and the left edge of any other.
//
// The QLabel belongs to the window and must outlive the adapter.
class LabelAdapter final : public plot::PlotLabel {
public:
    explicit LabelAdapter(QLabel* label);

    void setLeft(int left) override;
    void setTop(int top) override;
    void setWidth(int width) override;
    void setText(std::string_view utf8) override;
    void setAlignment(plot::LabelAlignment alignment) override;
    void setFont(std::string_view face, int sizePt) override;
    void setAutoSize(bool on) override;
    void setVisible(bool visible) override;

private:
    void fit();

    QLabel* label;
    plot::LabelAlignment align = plot::LabelAlignment::Left;
    bool autoSize = true;
};

} // namespace corvane::widgets
