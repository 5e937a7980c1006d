#pragma once

// Pixel arithmetic shared by the canvas's source files: every double that
// becomes a pixel or a counter goes through these, so a value that does not
// fit an int is skipped instead of converted.

#include "plot/PlotCanvas.h"

#include <climits>
#include <cmath>
#include <cstddef>
#include <optional>

namespace corvane::plot::pixels {

inline constexpr double kIntMin = static_cast<double>(INT_MIN);
inline constexpr double kIntMax = static_cast<double>(INT_MAX);

// A grid counter must stay a 32-bit int for every multiple the walk visits,
// including the one past the far end; the margin covers rounding of k * interval.
inline constexpr double kGridCounterLimit = 2147483647.0 - 64.0;

// A whole-valued double as an int, or nothing when it does not fit (or is not
// a number): such a position is skipped rather than converted.
inline std::optional<int> fitInt(double whole)
{
    if (whole >= kIntMin && whole <= kIntMax)
        return static_cast<int>(whole);
    return std::nullopt;
}

// trunc(v): the rule of the value-to-pixel maps that add 0.5 first.
inline std::optional<int> truncPixel(double v)
{
    return fitInt(std::trunc(v));
}

// The trace rule: halves go to the even pixel (the default rounding mode).
inline std::optional<int> nearestEvenPixel(double v)
{
    return fitInt(std::nearbyint(v));
}

inline int saturate(double whole)
{
    if (std::isnan(whole))
        return INT_MIN;
    if (whole <= kIntMin)
        return INT_MIN;
    if (whole >= kIntMax)
        return INT_MAX;
    return static_cast<int>(whole);
}

inline std::optional<int> addFit(long long a, long long b)
{
    const long long sum = a + b;
    if (sum < INT_MIN || sum > INT_MAX)
        return std::nullopt;
    return static_cast<int>(sum);
}

inline bool validChannel(int channel)
{
    return channel >= 0 && channel < PlotCanvas::kChannelCount;
}

inline std::size_t slot(int channel)
{
    return static_cast<std::size_t>(channel);
}

inline bool gridCounterFits(double quotient)
{
    return quotient >= -kGridCounterLimit && quotient <= kGridCounterLimit;
}

} // namespace corvane::plot::pixels
