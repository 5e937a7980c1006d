#include "plot/ScaleNumber.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string_view>
#include <system_error>

namespace corvane::plot {

namespace {

// Rounding to significant digits works with a power of ten whose exponent
// stays within a signed byte; beyond it the value keeps all its digits, which
// the five-digit output shows the same way for any sensible digit count.
constexpr int kMinRoundingExponent = -128;
constexpr int kMaxRoundingExponent = 127;

std::string withSeparator(std::string_view plain, std::string_view separator)
{
    std::string out;
    out.reserve(plain.size() + separator.size());
    for (const char ch : plain) {
        if (ch == '.')
            out += separator;
        else
            out += ch;
    }
    return out;
}

// At most five significant digits in plain notation, without trailing zeros
// or a trailing separator. The mantissas that reach here lie between 0.1 and
// 1000, where the general form never switches to an exponent.
std::string generalFive(double m, std::string_view separator)
{
    std::array<char, 64> buf{};
    const auto res = std::to_chars(buf.data(), buf.data() + buf.size(), m, std::chars_format::general, 5);
    if (res.ec != std::errc())
        return "?";
    return withSeparator(std::string_view(buf.data(), static_cast<std::size_t>(res.ptr - buf.data())), separator);
}

// d.ddddE+x: five significant digits, trailing zeros kept; the exponent is
// padded with zeros to `digits` places for 0 to 3 digits, not at all for more.
std::string exponentForm(double r, int digits, std::string_view separator)
{
    std::array<char, 64> buf{};
    const auto res = std::to_chars(buf.data(), buf.data() + buf.size(), r, std::chars_format::scientific, 4);
    if (res.ec != std::errc())
        return "?";
    const std::string_view text(buf.data(), static_cast<std::size_t>(res.ptr - buf.data()));
    const std::size_t e = text.find('e');
    if (e == std::string_view::npos || e + 2 > text.size())
        return "?";
    const std::string_view mantissa = text.substr(0, e);
    const char sign = text[e + 1];
    std::string_view expDigits = text.substr(e + 2);
    while (expDigits.size() > 1 && expDigits.front() == '0')
        expDigits.remove_prefix(1);
    const std::size_t width = digits >= 0 && digits <= 3 ? static_cast<std::size_t>(digits) : 0;

    std::string out = withSeparator(mantissa, separator);
    out += 'E';
    out += sign;
    if (expDigits.size() < width)
        out.append(width - expDigits.size(), '0');
    out += expDigits;
    return out;
}

constexpr std::array<const char*, 9> kPrefixes = {"p", "n", "u", "m", "", "k", "M", "G", "T"};

} // namespace

std::string scaleNumberText(double value, int digits, double zeroLimit, bool usePrefix,
                            std::string_view decimalSeparator)
{
    if (std::fabs(value) <= std::fabs(zeroLimit))
        return "0";
    // Neither has a place on a scale; say what they are rather than guess.
    if (std::isnan(value))
        return "NaN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    if (value == 0.0)
        return "0"; // only reachable with a zeroLimit that is not a number

    // floor(log10 |value|) for every magnitude above 1e-100. The sum lies
    // between about -224 and 409, so the truncation fits an int.
    const int e = static_cast<int>(std::trunc(std::log10(std::fabs(value)) + 100.0)) - 100;

    double r = value;
    const long long roundingExponent = static_cast<long long>(e) - digits + 1;
    if (roundingExponent >= kMinRoundingExponent && roundingExponent <= kMaxRoundingExponent) {
        const double q = std::pow(10.0, static_cast<double>(roundingExponent));
        // nearbyint follows the default rounding mode: halves go to the even integer.
        r = std::nearbyint(value / q) * q;
    }

    if (!usePrefix)
        return exponentForm(r, digits, decimalSeparator);

    // Groups of a thousand; exponents -1, 0, 1 and 2 share group 0, so numbers
    // from 0.1 up to 1000 need no prefix.
    const int group = e < 0 ? (e - 1) / 3 : e / 3;
    if (group < -4 || group > 4)
        return exponentForm(r, digits, decimalSeparator);
    const double m = r / std::pow(10.0, 3.0 * group);
    return generalFive(m, decimalSeparator) + kPrefixes[static_cast<std::size_t>(group + 4)];
}

} // namespace corvane::plot
