#include "core/NumberText.h"

#include <gtest/gtest.h>

using namespace corvane;

namespace {

TEST(NumberText, Reals)
{
    struct Case {
        const char* text;
        std::optional<double> expected;
    };
    const Case cases[] = {
        {"400", 400.0}, {"6.0", 6.0}, {"-60", -60.0}, {"+6", 6.0}, {"1e3", 1000.0}, {"0.1", 0.1},
        {"", {}},       {"abc", {}},  {"12abc", {}},  {"nan", {}}, {"inf", {}},     {"-inf", {}},
        {"1e999", {}},  {"+", {}},    {"+-1", {}},    {" 1", {}},  {"1,5", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(corvane::core::parseReal(c.text), c.expected);
    }
}

TEST(NumberText, Integers)
{
    struct Case {
        const char* text;
        std::optional<int> expected;
    };
    const Case cases[] = {
        {"44100", 44100},           {"-5", -5},         {"+7", 7},   {"10.5", {}},
        {"2147483647", 2147483647}, {"2147483648", {}}, {"1e3", {}}, {"", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(corvane::core::parseInteger(c.text), c.expected);
    }
}

} // namespace
