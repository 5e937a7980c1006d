#include "shell/LicenseText.h"

#include "support/Files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

using namespace corvane;

namespace {

std::vector<std::string> split(std::string_view bytes)
{
    shell::LicenseText text;
    shell::LicenseLineReader reader(text);
    for (const char c : bytes)
        reader.put(c);
    reader.finish();
    return {text.licenseLines.begin(), text.licenseLines.begin() + text.numLines};
}

TEST(LicenseText, LineEnds)
{
    struct Case {
        const char* name;
        std::string_view bytes;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"CrLf", "a\r\nb\r\n", {"a", "b"}},
        {"LfLfGivesEmptyLine", "a\n\nb", {"a", "", "b"}},
        {"CrCrGivesEmptyLine", "a\r\rb", {"a", "", "b"}},
        {"LfCrIsOnePair", "a\n\rb", {"a", "b"}},
        {"NoFinalLineEnd", "a\nb", {"a", "b"}},
        {"LeadingLineEnd", "\nx", {"", "x"}},
        {"LeadingCrLf", "\r\nx", {"", "x"}},
        // After the CR LF pair the next CR pairs with that LF: no empty line.
        {"CrLfCrLf", "a\r\n\r\nb", {"a", "b"}},
        {"Empty", "", {}},
        {"OnlyText", "abc", {"abc"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(split(c.bytes), c.lines);
    }
}

TEST(LicenseText, LongLinesAreBrokenAndTheStoreStopsAt500Lines)
{
    const std::string longLine(2500, 'x');
    const auto lines = split(longLine + "\nend");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].size(), 999u);
    EXPECT_EQ(lines[1].size(), 999u);
    EXPECT_EQ(lines[2].size(), 502u);
    EXPECT_EQ(lines[3], "end");
    // Exactly 999 characters is still one line.
    EXPECT_EQ(split(std::string(999, 'y') + "\n").size(), 1u);

    std::string many;
    for (int i = 0; i < 600; ++i)
        many += "line " + std::to_string(i) + "\n";
    const auto kept = split(many + "tail");
    ASSERT_EQ(kept.size(), 500u);
    EXPECT_EQ(kept.front(), "line 0");
    EXPECT_EQ(kept.back(), "line 499");
}

TEST(LicenseText, FileReadAndMissingFile)
{
    const auto dir = freshTestFolder("corvane-license");
    const auto path = (dir / "license.txt").string();
    {
        std::ofstream f(path, std::ios::binary);
        f << "first\r\nsecond\nthird";
    }
    shell::LicenseText text;
    shell::readLicenseFile(text, path.c_str());
    EXPECT_FALSE(text.readError);
    ASSERT_EQ(text.numLines, 3);
    EXPECT_EQ(text.licenseLines[2], "third");

    shell::LicenseText missing;
    shell::readLicenseFile(missing, (dir / "absent.txt").string().c_str());
    EXPECT_TRUE(missing.readError);
    EXPECT_EQ(missing.numLines, 0);
    std::filesystem::remove_all(dir);
}

TEST(LicenseText, WorkingFolderThenBesideTheProgramThenTheInstalledCopyright)
{
    namespace fs = std::filesystem;
    const auto root = fs::temp_directory_path() / ("corvane-license-lookup-" + std::to_string(::getpid()));
    const fs::path work = root / "work";
    const fs::path bin = root / "prefix" / "bin";
    const fs::path installed = root / "prefix" / "share" / "doc" / "corvane" / "copyright";
    const fs::path previous = fs::current_path();
    struct Case {
        const char* name;
        bool inWork, besideProgram, inShare;
        const char* expected; // nullptr: none found
    };
    const Case cases[] = {
        {"AllThree", true, true, true, "work"},
        {"BesideAndShare", false, true, true, "beside"},
        {"OnlyInstalled", false, false, true, "share"},
        {"None", false, false, false, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(root);
        fs::create_directories(work);
        fs::create_directories(bin);
        fs::create_directories(installed.parent_path());
        if (c.inWork)
            std::ofstream(work / "license.txt") << "work\n";
        if (c.besideProgram)
            std::ofstream(bin / "license.txt") << "beside\n";
        if (c.inShare)
            std::ofstream(installed) << "share\n";
        fs::current_path(work);
        shell::LicenseText text;
        shell::readFirstLicenseFile(text, shell::licenseFileCandidates(bin.string()));
        fs::current_path(previous);
        EXPECT_EQ(text.readError, c.expected == nullptr);
        if (c.expected != nullptr) {
            ASSERT_EQ(text.numLines, 1);
            EXPECT_EQ(text.licenseLines[0], c.expected);
        }
    }
    fs::remove_all(root);
}

} // namespace
