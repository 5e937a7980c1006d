#pragma once

#include "core/CodeSets.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <string>

// What the format benchmarks share: names for the report, and reading one
// little-endian sample back out of encoded bytes to check it.
namespace bench {

// The format a benchmark's argument counts (0 to the table's size - 1).
inline corvane::core::SampleFormat formatAt(std::int64_t argument)
{
    return corvane::core::kSampleFormats[static_cast<std::size_t>(argument)].format;
}

// The format's command-line name, for the report.
inline std::string formatName(corvane::core::SampleFormat format)
{
    return std::string(corvane::core::infoOf(format).cliName);
}

// The integer value of one sample of `bytes` bytes (1 to 4), sign-extended
// unless it is the unsigned 8-bit format.
inline std::int64_t readInt(const std::uint8_t* p, int bytes)
{
    std::uint64_t u = 0;
    for (int i = 0; i < bytes; ++i)
        u |= std::uint64_t{p[i]} << (8 * i);
    if (bytes == 1)
        return static_cast<std::int64_t>(u);
    const std::uint64_t sign = std::uint64_t{1} << (8 * bytes - 1);
    return static_cast<std::int64_t>((u ^ sign) - sign);
}

inline double readFloat(const std::uint8_t* p, int bytes)
{
    if (bytes == 4) {
        float f;
        std::memcpy(&f, p, 4);
        return f;
    }
    double d;
    std::memcpy(&d, p, 8);
    return d;
}

} // namespace bench
