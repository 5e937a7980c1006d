#include "support/Process.h"

#include <gtest/gtest.h>

namespace {

TEST(StartWindows, WithoutADisplayPointsToTheCommandLine)
{
    const ProcessResult r = runProcess(
        "/usr/bin/env", {"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "QT_QPA_PLATFORM", CORVANE_EXE});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("no display"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("corvane export"), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());
}

} // namespace
