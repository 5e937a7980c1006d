// deconvolve --channel all runs two channels at a time on two threads.

#include "SweepRecordings.h"

namespace {

// ---------------------------------------------------------------------------
// Channels, the inverse from a file, the sample formats and the length.

TEST_F(SweepAnalysis, EveryChannelTheInverseFileAndTheLength)
{
    constexpr double seconds = 1.0;
    const auto sweep = unitSweep(seconds);
    writeSound(file("stereo.flac"), {placed(sweep, 0, 1000), placed(sweep, 10, 990)},
               SF_FORMAT_FLAC | SF_FORMAT_PCM_24, kRate);
    const Sound both = deconvolve(file("stereo.flac"), seconds, {"--channel", "all"}, false, "both.wav");
    ASSERT_EQ(both.channels.size(), 2u);
    EXPECT_EQ(peakIndex(both.channels[0]), 0u);
    EXPECT_EQ(peakIndex(both.channels[1]), 10u);
    const Sound second = deconvolve(file("stereo.flac"), seconds, {"--channel", "2"}, false, "second.wav");
    ASSERT_EQ(second.channels.size(), 1u);
    EXPECT_EQ(second.channels[0], both.channels[1]);

    // The inverse export writes gives the same bits as the sweep's options.
    const std::string inverse = file("inverse.wav").string();
    auto exportWords =
        join({"-o", file("sweep.wav").string(), "--inverse", inverse, "--quiet"}, sweepOptions(seconds));
    ASSERT_EQ(run(Command::Export, exportWords).code, cli::Ok);
    const Outcome fromFile =
        run(Command::Deconvolve, {file("stereo.flac").string(), "-o", file("from-file.wav").string(),
                                  "--inverse=" + inverse, "--channel=all", "-q"});
    ASSERT_EQ(fromFile.code, cli::Ok) << fromFile.err;
    EXPECT_EQ(readSound(file("from-file.wav")).channels, both.channels);

    // f32 holds the f64 values rounded; --length cuts from the start of the file.
    const Sound f32 = deconvolve(file("stereo.flac"), seconds,
                                 {"--format", "f32", "--pre", "0.01", "--length", "0.5"}, false, "f32.wav");
    ASSERT_EQ(f32.channels.size(), 1u);
    ASSERT_EQ(f32.channels[0].size(), static_cast<std::size_t>(kRate / 2));
    for (std::size_t i = 480; i < f32.channels[0].size(); ++i)
        ASSERT_EQ(f32.channels[0][i], static_cast<double>(static_cast<float>(both.channels[0][i - 480]))) << i;
    EXPECT_EQ(peakIndex(f32.channels[0]), 480u);
}

} // namespace
