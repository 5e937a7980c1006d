#pragma once

#include "plot/PlotLabel.h"

#include <string>
#include <string_view>

// A label that keeps what it was told. It starts with values no operation
// writes, so a test can tell an untouched property from a written one.
class RecordingLabel final : public corvane::plot::PlotLabel {
public:
    void setLeft(int v) override
    {
        left = v;
        ++changes;
    }
    void setTop(int v) override
    {
        top = v;
        ++changes;
    }
    void setWidth(int v) override
    {
        width = v;
        ++changes;
    }
    void setText(std::string_view v) override
    {
        text = v;
        ++changes;
    }
    void setAlignment(corvane::plot::LabelAlignment v) override
    {
        alignment = v;
        ++changes;
    }
    void setFont(std::string_view f, int size) override
    {
        face = f;
        sizePt = size;
        ++changes;
    }
    void setAutoSize(bool v) override
    {
        autoSize = v;
        ++changes;
    }
    void setVisible(bool v) override
    {
        visible = v;
        ++changes;
    }

    int left = -999;
    int top = -999;
    int width = -999;
    std::string text = "untouched";
    corvane::plot::LabelAlignment alignment = corvane::plot::LabelAlignment::Left;
    std::string face;
    int sizePt = 0;
    bool autoSize = true; // the toolkit's default
    bool visible = true;
    int changes = 0;
};
