#include "widgets/ImageSurface.h"

#include <QFont>
#include <QFontMetrics>
#include <QWidget>

#include <algorithm>
#include <climits>
#include <cmath>
#include <optional>
#include <utility>

namespace corvane::widgets {

namespace {

QColor toQColor(plot::Colour c)
{
    return QColor(plot::redOf(c), plot::greenOf(c), plot::blueOf(c));
}

// 96 dots per inch, as a desktop window, so a 9-point font has the size the
// label controls beside the plot use.
constexpr int kDotsPerMetre = 3780;

// The box from (x1, y1) up to but not including (x2, y2), in either corner
// order, as the QRect of exactly those pixels; an empty box has none.
std::optional<QRect> outlineBox(int x1, int y1, int x2, int y2)
{
    if (x1 > x2)
        std::swap(x1, x2);
    if (y1 > y2)
        std::swap(y1, y2);
    const long long w = static_cast<long long>(x2) - x1;
    const long long h = static_cast<long long>(y2) - y1;
    if (w < 1 || h < 1 || w > INT_MAX || h > INT_MAX)
        return std::nullopt;
    return QRect(x1, y1, static_cast<int>(w), static_cast<int>(h));
}

// Qt's line rasteriser works in fixed point and loses pixels on coordinates
// in the tens of millions, which far-off trace points reach. Lines are cut to
// this box first; inside it the cut moves a line by far less than a pixel.
constexpr double kSafeLimit = 1 << 20;

bool outsideSafeBox(QPoint p)
{
    return p.x() < -kSafeLimit || p.x() > kSafeLimit || p.y() < -kSafeLimit || p.y() > kSafeLimit;
}

// Liang-Barsky: the part of the segment inside the safe box, if any.
std::optional<std::pair<QPoint, QPoint>> cutToSafeBox(QPoint a, QPoint b)
{
    const double x0 = a.x();
    const double y0 = a.y();
    const double dx = static_cast<double>(b.x()) - x0;
    const double dy = static_cast<double>(b.y()) - y0;
    double t0 = 0.0;
    double t1 = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 + kSafeLimit, kSafeLimit - x0, y0 + kSafeLimit, kSafeLimit - y0};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0)
                return std::nullopt;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return std::nullopt;
    }
    // Both ends now lie within +-2^20, so the rounded values fit an int.
    const auto at = [&](double t) {
        return QPoint(static_cast<int>(std::lround(x0 + t * dx)), static_cast<int>(std::lround(y0 + t * dy)));
    };
    return std::make_pair(t0 == 0.0 ? a : at(t0), t1 == 1.0 ? b : at(t1));
}

} // namespace

ImageSurface::ImageSurface(const QWidget* widget) : control(widget)
{
    fontFace = QStringLiteral("Sans");
}

ImageSurface::~ImageSurface()
{
    if (painter.isActive())
        painter.end();
}

plot::CanvasBounds ImageSurface::bounds() const
{
    if (control == nullptr)
        return fixedBounds;
    const QRect g = control->geometry();
    return {g.x(), g.y(), g.width(), g.height()};
}

double ImageSurface::pixelRatio() const
{
    if (fixedRatio > 0.0)
        return fixedRatio;
    return control != nullptr ? control->devicePixelRatioF() : 1.0;
}

bool ImageSurface::ready()
{
    const plot::CanvasBounds b = bounds();
    const double ratio = pixelRatio();
    // Logical sizes are at most a few thousand pixels and ratios small, so
    // the product fits; a size that would not is no picture at all.
    const double w = std::ceil(std::max(b.width, 0) * ratio);
    const double h = std::ceil(std::max(b.height, 0) * ratio);
    const QSize size = w < 1e5 && h < 1e5 ? QSize(static_cast<int>(w), static_cast<int>(h)) : QSize();
    if (picture.size() != size || picture.devicePixelRatio() != ratio) {
        if (painter.isActive())
            painter.end();
        picture = QImage(size, QImage::Format_RGB32);
        picture.setDevicePixelRatio(ratio);
        picture.setDotsPerMeterX(kDotsPerMetre);
        picture.setDotsPerMeterY(kDotsPerMetre);
        picture.fill(Qt::black);
    }
    if (picture.isNull())
        return false;
    if (!painter.isActive()) {
        painter.begin(&picture);
        painter.setRenderHint(QPainter::Antialiasing, false);
        // Above ratio 1 a stroke one logical pixel wide is centred on its
        // coordinate; half a pixel over, it covers exactly the device pixels
        // of logical pixel (x, y), as the one-pixel line does at ratio 1.
        // Fills are shifted back.
        strokeShift = picture.devicePixelRatio() > 1.0 ? 0.5 : 0.0;
        if (strokeShift != 0.0)
            painter.translate(strokeShift, strokeShift);
        painter.setPen(pen());
        painter.setBrush(brush());
    }
    return true;
}

void ImageSurface::drawn()
{
    if (dirty)
        return;
    dirty = true;
    if (changed)
        changed();
}

QPen ImageSurface::pen() const
{
    QPen p(toQColor(penColour));
    p.setWidth(1);
    // One device pixel at ratio 1, exactly as computed; at higher ratios a
    // line one logical pixel wide, drawn at the device's resolution.
    p.setCosmetic(picture.devicePixelRatio() <= 1.0);
    p.setStyle(penStyle == plot::PenStyle::Solid    ? Qt::SolidLine
               : penStyle == plot::PenStyle::Dashed ? Qt::DashLine
                                                    : Qt::DotLine);
    return p;
}

QBrush ImageSurface::brush() const
{
    return fillStyle == plot::FillStyle::Solid ? QBrush(toQColor(fillColour)) : QBrush(Qt::NoBrush);
}

void ImageSurface::flushPolyline()
{
    if (polyline.size() >= 2 && ready()) {
        painter.drawPolyline(polyline);
        drawn();
    }
    polyline.clear();
}

const QImage& ImageSurface::image()
{
    flushPolyline();
    // ready() also gives an image of the current size when nothing was drawn.
    ready();
    if (painter.isActive())
        painter.end();
    dirty = false;
    return picture;
}

void ImageSurface::setPenColour(plot::Colour colour)
{
    if (colour == penColour)
        return;
    flushPolyline();
    penColour = colour;
    if (painter.isActive())
        painter.setPen(pen());
}

void ImageSurface::setPenStyle(plot::PenStyle style)
{
    if (style == penStyle)
        return;
    flushPolyline();
    penStyle = style;
    if (painter.isActive())
        painter.setPen(pen());
}

void ImageSurface::setFillColour(plot::Colour colour)
{
    fillColour = colour;
    if (painter.isActive())
        painter.setBrush(brush());
}

void ImageSurface::setFillStyle(plot::FillStyle style)
{
    fillStyle = style;
    if (painter.isActive())
        painter.setBrush(brush());
}

void ImageSurface::moveTo(int x, int y)
{
    // A move to where the last line ended continues the same polyline.
    if (polyline.size() >= 2 && QPoint(x, y) == current)
        return;
    flushPolyline();
    current = QPoint(x, y);
}

void ImageSurface::lineTo(int x, int y)
{
    const QPoint from = current;
    current = QPoint(x, y);
    if (outsideSafeBox(from) || outsideSafeBox(current)) {
        // Drawn on its own: the polyline must not go on from a cut end.
        flushPolyline();
        if (const auto cut = cutToSafeBox(from, current)) {
            polyline << cut->first << cut->second;
            flushPolyline();
        }
        return;
    }
    if (polyline.isEmpty())
        polyline.append(from);
    polyline.append(current);
}

void ImageSurface::fillBox(const QRect& box, plot::Colour colour)
{
    if (strokeShift == 0.0)
        painter.fillRect(box, toQColor(colour));
    else
        painter.fillRect(QRectF(box).translated(-strokeShift, -strokeShift), toQColor(colour));
}

void ImageSurface::rectangle(int x1, int y1, int x2, int y2)
{
    flushPolyline();
    const auto box = outlineBox(x1, y1, x2, y2);
    if (!box || !ready())
        return;
    if (fillStyle == plot::FillStyle::Solid)
        fillBox(*box, fillColour);
    // Traced as one closed polyline: Qt's patterned rectangle outlines leave
    // out whole sides at some sizes.
    const QPoint corners[5] = {box->topLeft(), box->topRight(), box->bottomRight(), box->bottomLeft(),
                               box->topLeft()};
    painter.drawPolyline(corners, 5);
    drawn();
}

void ImageSurface::ellipse(int x1, int y1, int x2, int y2)
{
    flushPolyline();
    const auto box = outlineBox(x1, y1, x2, y2);
    if (!box || !ready())
        return;
    // Qt's aliased outline of a QRect reaches one pixel past its size.
    painter.drawEllipse(QRect(box->topLeft(), box->size() - QSize(1, 1)));
    drawn();
}

void ImageSurface::setFont(std::string_view face, int sizePt, plot::Colour colour)
{
    fontFace = QString::fromUtf8(face.data(), static_cast<qsizetype>(face.size()));
    fontSizePt = sizePt;
    fontColour = colour;
}

void ImageSurface::text(int x, int y, std::string_view utf8)
{
    flushPolyline();
    if (!ready())
        return;
    QFont font(fontFace);
    font.setPointSize(fontSizePt > 0 ? fontSizePt : 1);
    const QString s = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    const QFontMetrics metrics(font, &picture);
    if (fillStyle == plot::FillStyle::Solid)
        fillBox(QRect(x, y, metrics.horizontalAdvance(s), metrics.height()), fillColour);
    painter.setFont(font);
    painter.setPen(toQColor(fontColour));
    if (strokeShift == 0.0)
        painter.drawText(x, y + metrics.ascent(), s);
    else
        painter.drawText(QPointF(x - strokeShift, y + metrics.ascent() - strokeShift), s);
    painter.setPen(pen());
    drawn();
}

} // namespace corvane::widgets
