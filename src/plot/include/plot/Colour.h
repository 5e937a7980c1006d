#pragma once

#include <cstdint>

namespace corvane::plot {

// A 24-bit RGB colour with red in the low byte, green in the middle byte and
// blue in the high byte: green (0, 255, 0) is 65280.
using Colour = std::uint32_t;

constexpr Colour rgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    return static_cast<Colour>(red) | (static_cast<Colour>(green) << 8) | (static_cast<Colour>(blue) << 16);
}

constexpr std::uint8_t redOf(Colour c)
{
    return static_cast<std::uint8_t>(c & 0xFFu);
}
constexpr std::uint8_t greenOf(Colour c)
{
    return static_cast<std::uint8_t>((c >> 8) & 0xFFu);
}
constexpr std::uint8_t blueOf(Colour c)
{
    return static_cast<std::uint8_t>((c >> 16) & 0xFFu);
}

} // namespace corvane::plot
