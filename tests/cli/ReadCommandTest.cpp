#include "support/Files.h"
#include "support/Process.h"
#include "support/WavBytes.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

class ReadCommand : public testing::Test {
protected:
    void SetUp() override { dir = freshTestFolder("corvane-read-cli"); }
    void TearDown() override { fs::remove_all(dir); }

    std::string save(const std::string& name, const std::vector<std::uint8_t>& bytes)
    {
        const std::string path = (dir / name).string();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    fs::path dir;
};

TEST_F(ReadCommand, SummaryOfAPeerWrittenFile)
{
    // Left at half scale, right at a quarter: -6.02 and -12.04 dBFS, peak and RMS alike.
    const std::string path = (dir / "peer.wav").string();
    SF_INFO info{};
    info.samplerate = 22050;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* sf = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(sf, nullptr);
    std::vector<short> frames;
    for (int i = 0; i < 44100; ++i)
        frames.insert(frames.end(), {static_cast<short>(i % 2 ? 16384 : -16384), 8192});
    ASSERT_EQ(sf_writef_short(sf, frames.data(), 44100), 44100);
    sf_close(sf);

    const ProcessResult r = runProcess(CORVANE_EXE, {"read", path, "--block", "1000"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "File:          " + path +
                         "\n"
                         "Channels:      2\n"
                         "Sampling rate: 22050 Hz\n"
                         "Frames:        44100\n"
                         "Duration:      2.000 s\n"
                         "Left:          peak -6.02 dBFS, RMS -6.02 dBFS\n"
                         "Right:         peak -12.04 dBFS, RMS -12.04 dBFS\n");
}

TEST_F(ReadCommand, CsvReadsBackExactly)
{
    const std::vector<std::int16_t> samples = {0, -32768, 32767, 1, -1, 12345, 3};
    const std::string path = save("mono.wav", wav16(1, 8000, samples).bytes);
    const ProcessResult r = runProcess(CORVANE_EXE, {"read", "--csv", path, "--block", "2"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::istringstream lines(r.out);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "index,left");
    for (size_t i = 0; i < samples.size(); ++i) {
        ASSERT_TRUE(std::getline(lines, line));
        const auto comma = line.find(',');
        EXPECT_EQ(line.substr(0, comma), std::to_string(i));
        EXPECT_EQ(std::strtod(line.c_str() + comma + 1, nullptr), samples[i] / 32768.0) << line;
    }
    EXPECT_FALSE(std::getline(lines, line));

    const std::string stereo = save("stereo.wav", wav16(2, 8000, {1, -2, 3, -4}).bytes);
    const ProcessResult s = runProcess(CORVANE_EXE, {"read", stereo, "--csv"});
    EXPECT_EQ(s.out, "index,left,right\n0,3.0517578125e-05,-6.103515625e-05\n"
                     "1,9.1552734375e-05,-0.0001220703125\n");
}

TEST_F(ReadCommand, RefusalsAndErrors)
{
    WavBytes eightBit = wav16(1, 8000, {0, 0});
    eightBit.bytes[34] = 8; // 8 bits per sample
    auto extensible = wav16(1, 8000, {0, 0}).bytes;
    extensible[20] = 0xFE;
    extensible[21] = 0xFF;
    auto shortFile = wav16(1, 8000, {0, 0}).bytes;
    shortFile.resize(30);
    auto cutShort = wav16(1, 8000, std::vector<std::int16_t>(5000, 7)).bytes;
    cutShort.resize(44 + 4000);

    struct Case {
        const char* name;
        std::vector<std::string> args;
        int exitCode;
        std::string message;
    };
    const Case cases[] = {
        {"Extensible",
         {save("ext.wav", extensible)},
         3,
         "#103: File Read Error: The WAVE file being opened is not supported.\n"},
        {"EightBit",
         {save("u8.wav", eightBit.bytes)},
         3,
         "#105: File Read Error: Only 16bit format is supported\n"},
        {"TooShort",
         {save("short.wav", shortFile)},
         3,
         "#1101: Error in WaveFileRead::ReadWaveData: File read error.\n"},
        {"CutShort",
         {save("cut.wav", cutShort), "--csv"},
         3,
         "#1101: Error in WaveFileRead::ReadWaveData: File read error.\n"},
        {"Missing",
         {(dir / "missing.wav").string()},
         3,
         "corvane: cannot open '" + (dir / "missing.wav").string() + "': No such file or directory\n"},
        {"NoFile", {}, 2, "corvane read: no file given\n"},
        {"BlockZero", {"x.wav", "--block", "0"}, 2, "corvane read: --block takes"},
        {"BlockText", {"x.wav", "--block", "many"}, 2, "corvane read: --block takes"},
        {"BlockAboveStereoRing",
         {save("st.wav", wav16(2, 8000, {1, 2}).bytes), "--block", "48001"},
         2,
         "corvane read: --block takes 1 to 48000 frames for this file"},
        {"UnknownOption", {"x.wav", "--fast"}, 2, "corvane read: unknown option '--fast'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args = {"read"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const ProcessResult r = runProcess(CORVANE_EXE, args);
        EXPECT_EQ(r.exitCode, c.exitCode);
        EXPECT_EQ(r.err.substr(0, c.message.size()), c.message) << r.err;
    }
}

} // namespace
