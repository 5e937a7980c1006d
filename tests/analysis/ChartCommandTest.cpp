// The PNG charts of response and distortion, through the program itself
// (they need the window system's image code, offscreen).

#include "support/Files.h"
#include "support/Process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct PngSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

// Width and height from the IHDR chunk, which a PNG file starts with.
PngSize pngSize(const fs::path& path)
{
    const auto bytes = bytesOf(path);
    const std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (bytes.size() < 24 || !std::equal(signature, signature + 8, bytes.begin()))
        return {};
    const auto be32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(bytes[at]) << 24 | static_cast<std::uint32_t>(bytes[at + 1]) << 16 |
               static_cast<std::uint32_t>(bytes[at + 2]) << 8 | static_cast<std::uint32_t>(bytes[at + 3]);
    };
    return {be32(16), be32(20)};
}

class ChartCommand : public testing::Test {
protected:
    void SetUp() override
    {
        dir = freshTestFolder("corvane-chart");
        // A 1 s sweep as its own recording.
        const fs::path sweep = dir / "sweep.wav";
        const auto r =
            runProcess(CORVANE_EXE, {"export", "-o", sweep.string(), "--signal", "sweep", "--fs", "48000",
                                     "--seconds", "1", "--channels", "1", "--format", "f32", "--quiet"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
    }
    void TearDown() override { fs::remove_all(dir); }

    std::vector<std::string> sweepOptions() const
    {
        return {"--signal", "sweep", "--fs", "48000", "--seconds", "1"};
    }

    fs::path dir;
};

TEST_F(ChartCommand, ResponseAndDistortionDrawTheirChartsAtTheAskedSize)
{
    const fs::path ir = dir / "ir.wav";
    auto words = std::vector<std::string>{"deconvolve", (dir / "sweep.wav").string(), "-o", ir.string(), "-q"};
    for (const auto& w : sweepOptions())
        words.push_back(w);
    ASSERT_EQ(runProcess(CORVANE_EXE, words).exitCode, 0);

    // The picture: the plot area and the margins for the labels around it.
    const fs::path response = dir / "response.png";
    auto r = runProcess(CORVANE_EXE, {"response", ir.string(), "-o", response.string(), "--width", "500",
                                      "--height=200", "--scale", "2", "--smooth", "1/3"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.out.empty());
    EXPECT_TRUE(r.err.empty()) << r.err;
    const PngSize size = pngSize(response);
    EXPECT_EQ(size.width, 2u * (500 + 80));
    EXPECT_EQ(size.height, 2u * (200 + 76));

    const fs::path distortion = dir / "distortion.png";
    words = {"distortion", (dir / "sweep.wav").string(), "-o", distortion.string(), "--harmonics", "3"};
    for (const auto& w : sweepOptions())
        words.push_back(w);
    r = runProcess(CORVANE_EXE, words);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(pngSize(distortion).width, 640u + 80);
    EXPECT_EQ(pngSize(distortion).height, 360u + 76);

    // A refused size writes nothing.
    r = runProcess(CORVANE_EXE, {"response", ir.string(), "-o", (dir / "no.png").string(), "--scale", "5"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_FALSE(fs::exists(dir / "no.png"));
    EXPECT_TRUE(leftovers(dir).empty());
}

TEST_F(ChartCommand, HelpNamesEveryOption)
{
    const std::vector<std::pair<std::string, std::vector<std::string>>> commands{
        {"deconvolve",
         {"--inverse", "--channel", "--pre", "--length", "--format", "--quiet", "--signal", "--from", "--to",
          "--fs", "--seconds", "--samples", "--sync", "--fade-in", "--fade-out"}},
        {"response",
         {"--smooth", "--from", "--to", "--pre", "--window", "--channel", "--width", "--height", "--scale"}},
        {"distortion", {"--harmonics", "--smooth", "--channel", "--width", "--height", "--scale", "--sync"}},
    };
    for (const auto& [command, options] : commands) {
        const auto r = runProcess(CORVANE_EXE, {"help", command});
        ASSERT_EQ(r.exitCode, 0);
        for (const auto& option : options)
            EXPECT_NE(r.out.find(option), std::string::npos) << command << " " << option;
        EXPECT_EQ(runProcess(CORVANE_EXE, {command, "--help"}).out, r.out);
    }
}

} // namespace
