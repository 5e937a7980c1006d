#include "windows/TMainForm.h"

#include "widgets/WaveDraw.h"

#include <QGuiApplication>
#include <QResizeEvent>
#include <QScreen>
#include <QSettings>

#include <algorithm>

// The main window's size and place: the plot takes the room the window
// gains, the right column moves with it, and the window comes back where it
// was, fitted to the screen.
namespace corvane::windows {

namespace {

constexpr const char* kGeometryKey = "mainWindow/geometry";

} // namespace

void TMainForm::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    layoutControls(event->size());
}

void TMainForm::layoutControls(QSize windowSize)
{
    const int extraWidth = windowSize.width() - kDefaultSize.width();
    // The room a signal's fields take is theirs, not the plot's.
    const int extraHeight = windowSize.height() - kDefaultSize.height() - fieldsExtraHeight;
    const QSize canvas(kDefaultCanvasSize.width() + extraWidth, kDefaultCanvasSize.height() + extraHeight);
    if (canvas.width() < 1 || canvas.height() < 1)
        return;
    for (const auto& [control, left] : rightColumn)
        control->move(left + extraWidth, control->y());
    // The labels follow from the canvas's own resize (WaveCanvasResize).
    WaveCanvas->resize(canvas);
}

void TMainForm::setCanvasSize(QSize canvasSize)
{
    const QSize fields(0, fieldsExtraHeight);
    const QSize window = kDefaultSize + fields + (canvasSize - kDefaultCanvasSize);
    setMinimumSize(window.boundedTo(kDefaultSize + fields));
    resize(window);
    // The platform may report the new size later; the plot needs it now.
    layoutControls(window);
}

QRect TMainForm::fitToScreen(QRect wanted, QRect available, QSize minimum)
{
    const QSize size = wanted.size().boundedTo(available.size()).expandedTo(minimum);
    // A window larger than the screen keeps its top-left corner on it.
    const int left = std::max(available.left(), std::min(wanted.left(), available.right() + 1 - size.width()));
    const int top = std::max(available.top(), std::min(wanted.top(), available.bottom() + 1 - size.height()));
    return {QPoint(left, top), size};
}

void TMainForm::restoreWindowGeometry(QSettings& settings)
{
    geometrySettings = &settings;
    // The signal first: its fields may make the window taller.
    restoreSignalChoice(settings);
    const QVariant saved = settings.value(QString::fromLatin1(kGeometryKey));
    QRect wanted = saved.canConvert<QRect>() ? saved.toRect() : QRect();
    if (!wanted.isValid())
        wanted = QRect(kDefaultPosition, kDefaultSize);
    const QScreen* screen = QGuiApplication::screenAt(wanted.center());
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    if (screen != nullptr)
        wanted = fitToScreen(wanted, screen->availableGeometry(), minimumSize());
    move(wanted.topLeft());
    resize(wanted.size());
}

void TMainForm::saveWindowGeometry(QSettings& settings)
{
    saveSignalChoice(settings);
    settings.setValue(QString::fromLatin1(kGeometryKey), QRect(pos(), size()));
}

} // namespace corvane::windows
