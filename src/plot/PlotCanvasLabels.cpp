#include "plot/PlotCanvas.h"

#include "CanvasPixels.h"
#include "core/ResultCodes.h"
#include "plot/PlotLabel.h"
#include "plot/ScaleNumber.h"

namespace corvane::plot {

using namespace core; // the result codes, used throughout
using namespace pixels;

// ---------------------------------------------------------------------------
// Scale labels and number text

int PlotCanvas::initScalingLabels()
{
    const CanvasBounds b = surface->bounds();
    // The left labels need room for a few digits and the titles a line above.
    if (b.left < 24)
        return kLeftMarginTooSmall;
    if (b.top < 12)
        return kUpperMarginTooSmall;

    for (PlotLabel* label : labelSet.xLabels) {
        if (label == nullptr)
            break;
        initXLabel(label);
    }
    for (PlotLabel* label : labelSet.ylLabels) {
        if (label == nullptr)
            break;
        initYLLabel(label);
    }
    for (PlotLabel* label : labelSet.yrLabels) {
        if (label == nullptr)
            break;
        initYRLabel(label);
    }
    if (labelSet.xTitleLabel != nullptr) {
        labelSet.xTitleLabel->setLeft(b.left + b.width / 2 - 80);
        labelSet.xTitleLabel->setTop(b.top + b.height + 24);
        labelSet.xTitleLabel->setAlignment(LabelAlignment::Centre);
        labelSet.xTitleLabel->setFont(kFontFace, kTitleSizePt);
        labelSet.xTitleLabel->setWidth(161);
        labelSet.xTitleLabel->setVisible(false);
    }
    if (labelSet.ylTitleLabel != nullptr) {
        labelSet.ylTitleLabel->setLeft(b.left - 40 < 4 ? 4 : b.left - 40);
        labelSet.ylTitleLabel->setTop(b.top - 20);
        labelSet.ylTitleLabel->setAlignment(LabelAlignment::Left);
        labelSet.ylTitleLabel->setFont(kFontFace, kTitleSizePt);
        labelSet.ylTitleLabel->setWidth(81);
        labelSet.ylTitleLabel->setVisible(false);
    }
    if (labelSet.yrTitleLabel != nullptr) {
        labelSet.yrTitleLabel->setLeft(b.left + b.width - 40);
        labelSet.yrTitleLabel->setTop(b.top - 20);
        labelSet.yrTitleLabel->setAlignment(LabelAlignment::Right);
        labelSet.yrTitleLabel->setFont(kFontFace, kTitleSizePt);
        labelSet.yrTitleLabel->setWidth(81);
        labelSet.yrTitleLabel->setVisible(false);
    }
    return kOk;
}

int PlotCanvas::initXLabel(PlotLabel* label)
{
    if (label == nullptr)
        return -1;
    const CanvasBounds b = surface->bounds();
    label->setTop(b.top + b.height + 8);
    label->setWidth(51);
    label->setAlignment(LabelAlignment::Centre);
    label->setFont(kFontFace, kTextSizePt);
    // A fixed width keeps each number centred under its grid line.
    label->setAutoSize(false);
    label->setVisible(false);
    return kOk;
}

int PlotCanvas::initYLLabel(PlotLabel* label)
{
    if (label == nullptr)
        return -1;
    const CanvasBounds b = surface->bounds();
    label->setLeft(4);
    // Right edge 4 pixels left of the plot.
    label->setWidth(b.left - 8);
    label->setAlignment(LabelAlignment::Right);
    label->setFont(kFontFace, kTextSizePt);
    label->setVisible(false);
    return kOk;
}

int PlotCanvas::initYRLabel(PlotLabel* label)
{
    if (label == nullptr)
        return -1;
    const CanvasBounds b = surface->bounds();
    label->setLeft(b.left + b.width + 4);
    label->setWidth(41);
    label->setAlignment(LabelAlignment::Left);
    label->setFont(kFontFace, kTextSizePt);
    label->setVisible(false);
    return kOk;
}

int PlotCanvas::placeX(PlotLabel* label, double value, std::string_view text)
{
    const CanvasBounds b = surface->bounds();
    label->setText(text);
    const auto column = xPosition(value, b.width);
    // 17 pixels left of the column roughly centres the 51-pixel label on it.
    const auto left = column ? addFit(static_cast<long long>(b.left) - 17, *column) : std::nullopt;
    if (!left) {
        label->setVisible(false);
        return kOk;
    }
    label->setLeft(*left);
    label->setVisible(true);
    return kOk;
}

int PlotCanvas::placeY(PlotLabel* label, double value, std::string_view text, int channel)
{
    const CanvasBounds b = surface->bounds();
    label->setText(text);
    const auto r = yPosition(value, channel, b.height);
    // 6 pixels up puts the middle of a 9-point line on the row.
    const auto top = r ? addFit(static_cast<long long>(b.top) - 6, *r) : std::nullopt;
    if (!top) {
        label->setVisible(false);
        return kOk;
    }
    label->setTop(*top);
    label->setVisible(true);
    return kOk;
}

int PlotCanvas::putNumberX(PlotLabel* label, double value, double zeroLimit, int digits)
{
    if (label == nullptr)
        return kNullXLabel;
    return placeX(label, value, truncDigit(value, digits, zeroLimit, true));
}

int PlotCanvas::putNumberX(PlotLabel* label, double value, std::string_view text)
{
    if (label == nullptr)
        return kNullXLabel;
    return placeX(label, value, text);
}

int PlotCanvas::putNumberY(PlotLabel* label, double value, double zeroLimit, int digits, int channel)
{
    if (label == nullptr)
        return kNullYLabel;
    return placeY(label, value, truncDigit(value, digits, zeroLimit, true), channel);
}

int PlotCanvas::putNumberY(PlotLabel* label, double value, std::string_view text, int channel)
{
    if (label == nullptr)
        return kNullYLabel;
    return placeY(label, value, text, channel);
}

int PlotCanvas::putScaleX(const double* values, int count, double zeroLimit, int digits)
{
    if (count > kXLabelSlots)
        return kTooManyScaleLabels;
    for (int i = 0; i < count; ++i) {
        if (putNumberX(labelSet.xLabels[slot(i)], values[i], zeroLimit, digits) != kOk)
            return kNullXLabel;
    }
    return kOk;
}

int PlotCanvas::putScaleX(const double* values, const std::string* texts, int count)
{
    if (count > kXLabelSlots)
        return kTooManyScaleLabels;
    for (int i = 0; i < count; ++i) {
        if (putNumberX(labelSet.xLabels[slot(i)], values[i], texts[i]) != kOk)
            return kNullXLabel;
    }
    return kOk;
}

int PlotCanvas::putScaleY(const std::array<PlotLabel*, kYLabelSlots>& side, const double* values,
                          const std::string* texts, int count, double zeroLimit, int digits, int channel)
{
    if (count > kYLabelSlots)
        return kTooManyScaleLabels;
    for (int i = 0; i < count; ++i) {
        PlotLabel* label = side[slot(i)];
        const int result = texts != nullptr ? putNumberY(label, values[i], texts[i], channel)
                                            : putNumberY(label, values[i], zeroLimit, digits, channel);
        if (result != kOk)
            return kNullYLabel;
    }
    return kOk;
}

int PlotCanvas::putScaleYL(const double* values, int count, double zeroLimit, int digits, int channel)
{
    return putScaleY(labelSet.ylLabels, values, nullptr, count, zeroLimit, digits, channel);
}

int PlotCanvas::putScaleYL(const double* values, const std::string* texts, int count, int channel)
{
    return putScaleY(labelSet.ylLabels, values, texts, count, 0.0, 0, channel);
}

int PlotCanvas::putScaleYR(const double* values, int count, double zeroLimit, int digits, int channel)
{
    return putScaleY(labelSet.yrLabels, values, nullptr, count, zeroLimit, digits, channel);
}

int PlotCanvas::putScaleYR(const double* values, const std::string* texts, int count, int channel)
{
    return putScaleY(labelSet.yrLabels, values, texts, count, 0.0, 0, channel);
}

namespace {

template <std::size_t N>
void hideAll(const std::array<PlotLabel*, N>& labels)
{
    // Unlike the layout chains, hiding goes on past an empty slot.
    for (PlotLabel* label : labels)
        if (label != nullptr)
            label->setVisible(false);
}

void showTitle(PlotLabel* title, std::string_view text)
{
    if (title == nullptr)
        return;
    title->setText(text);
    title->setVisible(true);
}

void hideTitle(PlotLabel* title)
{
    if (title != nullptr)
        title->setVisible(false);
}

} // namespace

void PlotCanvas::removeScaleX()
{
    hideAll(labelSet.xLabels);
}
void PlotCanvas::removeScaleYL()
{
    hideAll(labelSet.ylLabels);
}
void PlotCanvas::removeScaleYR()
{
    hideAll(labelSet.yrLabels);
}
void PlotCanvas::putUnitX(std::string_view text)
{
    showTitle(labelSet.xTitleLabel, text);
}
void PlotCanvas::putUnitYL(std::string_view text)
{
    showTitle(labelSet.ylTitleLabel, text);
}
void PlotCanvas::putUnitYR(std::string_view text)
{
    showTitle(labelSet.yrTitleLabel, text);
}
void PlotCanvas::removeUnitX()
{
    hideTitle(labelSet.xTitleLabel);
}
void PlotCanvas::removeUnitYL()
{
    hideTitle(labelSet.ylTitleLabel);
}
void PlotCanvas::removeUnitYR()
{
    hideTitle(labelSet.yrTitleLabel);
}

std::string PlotCanvas::truncDigit(double value, int digits, double zeroLimit, bool usePrefix) const
{
    return plot::scaleNumberText(value, digits, zeroLimit, usePrefix, decimalSeparator);
}

} // namespace corvane::plot
