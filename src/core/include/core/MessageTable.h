#pragma once

#include <span>
#include <string_view>

namespace corvane::core {

// The numbered message catalogue. An operation that fails returns the negated
// number of one of these rows (-9001 for "#9001: ..."); zero or more is success.

// Every row, in table order, "#<number>: <text>". Numbers may repeat; the
// lookup takes the first. The last row, number 0, ends the search.
std::span<const std::string_view> messageTable();

// The text shown for a result code: the whole first row whose number is
// -code, or "Undeifned Error" when the end mark is reached first.
std::string_view errorMessageText(int code);

} // namespace corvane::core
