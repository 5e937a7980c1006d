#include "widgets/QtOkBox.h"

#include <QMessageBox>
#include <QString>

namespace corvane::widgets {

namespace {

QString toQString(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

} // namespace

void QtOkBox::show(std::string_view text, std::string_view title)
{
    QMessageBox box(QMessageBox::NoIcon, toQString(title), toQString(text), QMessageBox::Ok);
    box.exec();
}

} // namespace corvane::widgets
