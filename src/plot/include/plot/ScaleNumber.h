#pragma once

#include <string>
#include <string_view>

namespace corvane::plot {

// Short text for a scale number: `digits` significant digits, an SI prefix
// letter for thousands groups from pico to tera, and a five-digit exponent
// form beyond that (or always, without prefixes). Magnitudes up to
// |zeroLimit| read "0", so arithmetic noise around a zero grid value does not
// show. The text is UTF-8 with the given decimal separator.
//
// 999.7 with 3 digits reads "1000", not "1k": the thousands group comes from
// the value before rounding.
std::string scaleNumberText(double value, int digits, double zeroLimit, bool usePrefix,
                            std::string_view decimalSeparator);

} // namespace corvane::plot
