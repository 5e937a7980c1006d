#include "widgets/LabelAdapter.h"

#include <QFont>
#include <QLabel>

#include <algorithm>

namespace corvane::widgets {

namespace {

QString toQString(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

} // namespace

LabelAdapter::LabelAdapter(QLabel* qlabel) : label(qlabel)
{
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void LabelAdapter::setLeft(int left)
{
    label->move(left, label->y());
}

void LabelAdapter::setTop(int top)
{
    label->move(label->x(), top);
}

void LabelAdapter::setWidth(int width)
{
    label->resize(std::max(width, 0), label->height());
}

void LabelAdapter::setText(std::string_view utf8)
{
    label->setText(toQString(utf8));
    fit();
}

void LabelAdapter::setAlignment(plot::LabelAlignment alignment)
{
    align = alignment;
    const Qt::Alignment horizontal = alignment == plot::LabelAlignment::Right    ? Qt::AlignRight
                                     : alignment == plot::LabelAlignment::Centre ? Qt::AlignHCenter
                                                                                 : Qt::AlignLeft;
    label->setAlignment(horizontal | Qt::AlignVCenter);
}

void LabelAdapter::setFont(std::string_view face, int sizePt)
{
    QFont font(toQString(face));
    font.setPointSize(std::max(sizePt, 1));
    label->setFont(font);
    fit();
}

void LabelAdapter::setAutoSize(bool on)
{
    autoSize = on;
    fit();
}

void LabelAdapter::setVisible(bool visible)
{
    label->setVisible(visible);
}

void LabelAdapter::fit()
{
    if (!autoSize)
        return;
    const QSize hint = label->sizeHint();
    const QRect g = label->geometry();
    // A right-aligned number column stays flush with the plot whatever its width.
    const int left = align == plot::LabelAlignment::Right ? g.x() + g.width() - hint.width() : g.x();
    label->setGeometry(left, g.y(), hint.width(), hint.height());
}

} // namespace corvane::widgets
