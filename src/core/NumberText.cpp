#include "core/NumberText.h"

#include <charconv>
#include <cmath>

namespace corvane::core {

namespace {

std::string_view dropPlus(std::string_view text)
{
    if (text.size() > 1 && text.front() == '+' && text[1] != '-' && text[1] != '+')
        text.remove_prefix(1);
    return text;
}

} // namespace

std::optional<double> parseReal(std::string_view text)
{
    text = dropPlus(text);
    double value = 0.0;
    const auto [end, ec] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<int> parseInteger(std::string_view text)
{
    text = dropPlus(text);
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace corvane::core
