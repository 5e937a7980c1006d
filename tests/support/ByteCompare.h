#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Where two byte strings part, for a failure message that says more than
// "differ": the first differing offset with both bytes, or the two sizes when
// one is a prefix of the other.
inline std::string firstDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b)
{
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i)
        if (a[i] != b[i])
            return "first difference at byte " + std::to_string(i) + ": " + std::to_string(a[i]) + " and " +
                   std::to_string(b[i]) + " (sizes " + std::to_string(a.size()) + " and " +
                   std::to_string(b.size()) + ")";
    return a.size() == b.size() ? "equal"
                                : "sizes " + std::to_string(a.size()) + " and " + std::to_string(b.size());
}

// EXPECT_TRUE(sameBytes(expected, actual)): a 100-MB mismatch reported as
// one offset instead of two hex dumps.
inline ::testing::AssertionResult sameBytes(const std::vector<std::uint8_t>& expected,
                                            const std::vector<std::uint8_t>& actual)
{
    if (expected == actual)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "expected, actual: " << firstDifference(expected, actual);
}
