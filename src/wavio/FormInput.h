#pragma once

#include <optional>

class QComboBox;
class QString;

// How every window reads what the user typed, so a text means the same
// number in the main window and in the export dialogs.
namespace corvane {

// A number typed by the user, read with the decimal separator of the
// default locale; empty for text that is not a finite number.
std::optional<double> readLocaleReal(const QString& text);

// A whole number typed by the user; "10.5" is not one.
std::optional<int> readLocaleInteger(const QString& text);

// The item whose text the list shows, or -1 when the typed text matches none.
int selectedIndex(const QComboBox& list);

} // namespace corvane
