#include "core/MessageTable.h"

#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <string>
#include <string_view>

using namespace corvane;

namespace {

TEST(MessageTable, LookupFindsFirstMatchingRowOrUndefined)
{
    struct Case {
        const char* name;
        int code;
        std::string_view expected;
    };
    const Case cases[] = {
        {"CancelFileNotDeleted", -9001,
         "#9001: Error in TMainForm::FileSaveAs1Accept: Could not delete the cancel file."},
        {"RepeatedNumberTakesFirstRow", -12, "#12: Only an interger value is accepted."},
        {"WriterFileError", -1112, "#1112: Error in TProgBarForm::execStore: File write error"},
        {"NoSuchRow", -7, "Undeifned Error"},
        {"PositiveCode", 9001, "Undeifned Error"},
        {"ZeroFindsEndMark", 0, "#0: Zero is the end mark for the message search routine."},
        {"MostNegativeInt", INT_MIN, "Undeifned Error"},
        {"MostPositiveInt", INT_MAX, "Undeifned Error"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(core::errorMessageText(c.code), c.expected);
    }
}

TEST(MessageTable, RowsAreWellFormedAndEndWithTheEndMark)
{
    const auto rows = core::messageTable();
    ASSERT_EQ(rows.size(), 130u);
    for (const auto row : rows) {
        // "#", digits, ": ", then some text.
        const auto colon = row.find(": ");
        ASSERT_NE(colon, std::string_view::npos) << row;
        EXPECT_EQ(row.front(), '#') << row;
        EXPECT_GT(colon, 1u) << row;
        for (size_t i = 1; i < colon; ++i)
            EXPECT_TRUE(row[i] >= '0' && row[i] <= '9') << row;
        EXPECT_GT(row.size(), colon + 2) << row;
    }
    EXPECT_EQ(rows.back(), "#0: Zero is the end mark for the message search routine.");
    // Only the last row carries number 0, or the search would stop early.
    for (size_t i = 0; i + 1 < rows.size(); ++i)
        EXPECT_FALSE(rows[i].starts_with("#0:")) << i;
}

TEST(MessageTable, RepeatedNumbersKeepTheirTableOrder)
{
    const auto rows = core::messageTable();
    std::vector<std::string_view> twelves;
    for (const auto row : rows)
        if (row.starts_with("#12: "))
            twelves.push_back(row);
    ASSERT_EQ(twelves.size(), 2u);
    EXPECT_EQ(twelves[1], "#12: Parameter Error: Only an interger value is accepted.");
}

} // namespace

namespace {

// Every code named in the result-code header must show its own row, not
// "Undeifned Error" (kept as users see it); read from the header itself so a
// newly named code is checked without being listed twice.
TEST(MessageTable, EveryNamedResultCodeHasItsRow)
{
    std::ifstream header(CORVANE_RESULT_CODES_HEADER);
    ASSERT_TRUE(header) << CORVANE_RESULT_CODES_HEADER;
    // "inline constexpr int kName = -1234;", read by hand: std::regex draws
    // false warnings from GCC 12 in the sanitizer builds.
    constexpr std::string_view kDeclaration = "inline constexpr int k";
    int checked = 0;
    for (std::string line; std::getline(header, line);) {
        const std::size_t at = line.find(kDeclaration);
        if (at == std::string::npos)
            continue;
        const std::string_view rest = std::string_view(line).substr(at + kDeclaration.size() - 1);
        const std::size_t equals = rest.find(" = ");
        const std::size_t end = rest.find(';');
        if (equals == std::string_view::npos || end == std::string_view::npos || end < equals)
            continue;
        const int code = std::stoi(std::string(rest.substr(equals + 3, end - equals - 3)));
        ++checked;
        if (code == 0)
            continue;
        SCOPED_TRACE(std::string(rest.substr(0, equals)));
        const std::string_view text = core::errorMessageText(code);
        // Appended piece by piece: GCC 12 warns wrongly about "#" + a temporary.
        std::string row = "#";
        row += std::to_string(-code);
        row += ": ";
        EXPECT_TRUE(text.starts_with(row)) << text;
    }
    EXPECT_GT(checked, 0);
}

} // namespace
