#include "wavio/ReplaceFile.h"

#include "support/Files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

using corvane::wavio::ReplaceFile;
namespace fs = std::filesystem;

class ReplaceFilePrepare : public testing::Test {
protected:
    void SetUp() override
    {
        dir = freshTestFolder("corvane-replace");
        for (const char* name : {"a.txt", "b.txt"})
            std::ofstream(dir / name) << "old";
    }
    void TearDown() override { fs::remove_all(dir); }

    // Opens a and b and writes "new" into both.
    void writeBoth()
    {
        for (int i = 0; i < 2; ++i) {
            ASSERT_EQ(files[i].open((dir / (i == 0 ? "a.txt" : "b.txt")).string()), 0);
            ASSERT_TRUE(files[i].write("new", 3));
        }
    }

    fs::path dir;
    ReplaceFile files[2];
};

// Prepared files leave their targets alone until each is committed, and a
// prepared file can still be discarded: what writing several files all or
// none needs.
TEST_F(ReplaceFilePrepare, LeavesTheTargetUntilCommitted)
{
    writeBoth();
    for (ReplaceFile& f : files) {
        EXPECT_EQ(f.prepare(), 0);
        EXPECT_TRUE(f.isPrepared());
        EXPECT_FALSE(f.isOpen());
        EXPECT_FALSE(f.write("x", 1));
    }
    EXPECT_EQ(textOf(dir / "a.txt"), "old");
    EXPECT_EQ(textOf(dir / "b.txt"), "old");
    EXPECT_EQ(leftovers(dir).size(), 2U);
    EXPECT_EQ(files[0].commit(), 0);
    EXPECT_EQ(files[1].discard(), 0);
    EXPECT_EQ(textOf(dir / "a.txt"), "new");
    EXPECT_EQ(textOf(dir / "b.txt"), "old");
    EXPECT_TRUE(leftovers(dir).empty());
}

// A temporary file that vanished before the rename fails the commit and
// leaves the target as it was.
TEST_F(ReplaceFilePrepare, AFailedRenameLeavesTheTarget)
{
    writeBoth();
    ASSERT_EQ(files[0].prepare(), 0);
    fs::remove(files[0].temporaryPath());
    EXPECT_NE(files[0].commit(), 0);
    EXPECT_EQ(textOf(dir / "a.txt"), "old");
    EXPECT_EQ(files[1].commit(), 0);
    EXPECT_EQ(textOf(dir / "b.txt"), "new");
    EXPECT_TRUE(leftovers(dir).empty());
}

} // namespace
