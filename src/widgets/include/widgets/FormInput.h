#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

class QComboBox;
class QString;

namespace corvane::widgets {

// How every window reads what the user typed, so a text means the same
// number in the main window and in the export dialogs.

// A number typed by the user, read with the decimal separator of the
// default locale; empty for text that is not a finite number.
std::optional<double> readLocaleReal(const QString& text);

// A whole number typed by the user; "10.5" is not one.
std::optional<int> readLocaleInteger(const QString& text);

// The item whose text the list shows, or -1 when the typed text matches none.
int selectedIndex(const QComboBox& list);

// The code (item data) of the item whose text the list shows, or -1 when the
// typed text matches none.
int selectedCode(const QComboBox& list);

// One item with its caption and its code as item data.
void addCodeItem(QComboBox& list, std::string_view caption, int code);

// Fills a list from a code-set table: each row's caption, with its code as
// the item data.
template <typename Table>
void fillList(QComboBox& list, const Table& table)
{
    // Each table holds its rows in code order, so a row's index is its code.
    for (std::size_t i = 0; i < table.size(); ++i)
        addCodeItem(list, table[i].caption, static_cast<int>(i));
}

} // namespace corvane::widgets
