#include "widgets/FormInput.h"

#include <QComboBox>
#include <QLocale>
#include <QString>

#include <cmath>

namespace corvane::widgets {

namespace {

QLocale readingLocale()
{
    QLocale locale;
    // "1,000" must not read as a thousand where ',' groups digits.
    locale.setNumberOptions(QLocale::RejectGroupSeparator);
    return locale;
}

} // namespace

std::optional<double> readLocaleReal(const QString& text)
{
    bool ok = false;
    const double value = readingLocale().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<int> readLocaleInteger(const QString& text)
{
    bool ok = false;
    const int value = readingLocale().toInt(text.trimmed(), &ok);
    if (!ok)
        return std::nullopt;
    return value;
}

int selectedIndex(const QComboBox& list)
{
    return list.findText(list.currentText());
}

int selectedCode(const QComboBox& list)
{
    const int index = selectedIndex(list);
    return index < 0 ? -1 : list.itemData(index).toInt();
}

void addCodeItem(QComboBox& list, std::string_view caption, int code)
{
    list.addItem(QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())), code);
}

} // namespace corvane::widgets
