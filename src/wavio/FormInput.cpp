#include "wavio/FormInput.h"

#include <QComboBox>
#include <QLocale>
#include <QString>

#include <cmath>

namespace corvane {
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

} // namespace corvane
