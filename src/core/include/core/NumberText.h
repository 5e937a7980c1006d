#pragma once

#include <optional>
#include <string_view>

namespace corvane::core {

// A real number written with '.', finite only: "nan" and "inf" are refused
// like any other text that is not a number. One leading '+' is allowed.
std::optional<double> parseReal(std::string_view text);

// A whole number that fits a 32-bit int; "10.5" is refused.
std::optional<int> parseInteger(std::string_view text);

} // namespace corvane::core
