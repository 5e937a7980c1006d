#include "widgets/QtOkBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QString>

namespace corvane::widgets {

namespace {

QString toQString(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

} // namespace

void QtOkBox::show(std::string_view text, std::string_view title)
{
    // The box has no owner, so without a window manager nothing hands the
    // keyboard back to the window that was active: do it here.
    const QPointer<QWidget> active = QApplication::activeWindow();
    const QPointer<QWidget> focus = QApplication::focusWidget();
    QMessageBox box(QMessageBox::NoIcon, toQString(title), toQString(text), QMessageBox::Ok);
    box.exec();
    if (active && active->isVisible()) {
        active->activateWindow();
        if (focus)
            focus->setFocus();
    }
}

} // namespace corvane::widgets
