#include "widgets/WaveDraw.h"

#include <QLocale>
#include <QPainter>

namespace corvane::widgets {

WaveDraw::WaveDraw(QWidget* parent) : QWidget(parent), backing(this), plotCanvas(backing)
{
    // The picture covers the whole control, so Qt need not clear behind it.
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Scale numbers follow the user's locale, as typed numbers do.
    plotCanvas.setDecimalSeparator(QLocale().decimalPoint().toStdString());
    backing.setChangeNotifier([this] {
        if (!painting)
            update();
    });
}

void WaveDraw::resizeEvent(QResizeEvent*)
{
    // Drawing here lands in the picture the next paint shows.
    painting = true;
    if (resizeHandler)
        resizeHandler();
    painting = false;
    update();
}

void WaveDraw::paintEvent(QPaintEvent*)
{
    painting = true;
    if (paintHandler)
        paintHandler();
    painting = false;
    QPainter p(this);
    p.drawImage(0, 0, backing.image());
}

} // namespace corvane::widgets
