#include "signal/MiniWaveGen.h"
#include "support/Process.h"
#include "support/TestSinks.h"
#include "wavio/FileWriteThread.h"
#include "wavio/WavFormat.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

using namespace corvane;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class ExportCommand : public testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() /
              ("corvane-cli-" + std::to_string(::getpid()) + "-" +
               testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        out = (dir / "tone.wav").string();
    }
    void TearDown() override { fs::remove_all(dir); }

    ProcessResult exportWith(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"export", "-o", out});
        return runProcess(CORVANE_EXE, args);
    }

    std::vector<std::uint8_t> written() const
    {
        std::ifstream in(out, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    fs::path dir;
    std::string out;
};

TEST_F(ExportCommand, RefusedParametersWriteNothing)
{
    struct Case {
        const char* name;
        std::vector<std::string> args;
        int exitCode;
        std::string message;
    };
    const std::string lengthMessage = "The data length should be   1.0 to 1000.0 seconds";
    const std::string invalid = "Only a valid value can be accepted.";
    const Case cases[] = {
        {"FreqBelowOne", {"--freq", "0.99"}, 2, "Signal Freq. should be 1.0Hz or more."},
        {"FreqAtHalfFs", {"--freq", "22050", "--fs", "44100"}, 2,
         "Signal Freq. should be less than the half of the sampling frequency."},
        {"RateOutOfRange", {"--fs", "7999"}, 2, "--fs takes a whole number of Hz from 8000 to 384000"},
        {"TooShort", {"--seconds", "0.99"}, 2, lengthMessage},
        {"TooLong", {"--seconds", "1000.01", "--fs", "8000"}, 2, lengthMessage},
        {"SamplesJustUnderOneSecond", {"--samples", "44099"}, 2, lengthMessage},
        {"SecondsBeyondInt", {"--seconds", "1e300"}, 2, lengthMessage},
        {"RefLevelZero", {"--ref-level", "0"}, 2, "Reference Level must be greater than zero."},
        {"RefLevelNegative", {"--ref-level", "-0.1", "--format", "s16"}, 2,
         "Reference Level must be greater than zero."},
        {"FreqNotANumber", {"--freq", "abc"}, 2, invalid},
        {"LevelNaN", {"--level", "nan"}, 2, invalid},
        {"LevelOverflowsAmplitude", {"--level", "7000"}, 2, invalid},
        {"SamplesNotWhole", {"--samples", "10.5"}, 2, invalid},
        {"SamplesBeyondInt", {"--samples", "99999999999"}, 2, invalid},
        {"UnknownShape", {"--shape", "triangle"}, 2, "usage: corvane export"},
        {"UnknownFormat", {"--format", "s12"}, 2, "usage: corvane export"},
        {"ShapeCodeOutOfRange", {"--shape", "6"}, 2, "unknown shape"},
        {"ThreeChannels", {"--channels", "3"}, 2, "--channels takes 1 or 2"},
        {"UnknownOption", {"--colour", "red"}, 2, "unknown option"},
        {"MissingValue", {"--freq"}, 2, "needs a value"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ProcessResult r = exportWith(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
        EXPECT_FALSE(fs::exists(out));
    }
}

TEST_F(ExportCommand, MissingOutputIsAUsageError)
{
    const ProcessResult r = runProcess(CORVANE_EXE, {"export", "--freq", "1000"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("-o FILE"), std::string::npos) << r.err;
}

TEST_F(ExportCommand, WarningsDoNotStopTheExport)
{
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::vector<std::string> warnings;
    };
    const std::string low = "Warning: -60dB or less is too small for 16-bit PCM.";
    const std::string clip = "Warning: More than +20dB will make clipped signal in PCM formats.";
    const std::string eightBit = "Warning: Signal level is too small for 8-bit format. The data "
                                 "sttored will have zero or nearly zero.";
    const Case cases[] = {
        {"MinusSixty", {"--level", "-60"}, {low}},
        {"JustAboveMinusSixty", {"--level", "-59.9"}, {}},
        {"Twenty", {"--level", "20"}, {}},
        {"AboveTwenty", {"--level", "20.1"}, {clip}},
        {"EightBitAtMinusFifteen", {"--level", "-15", "--format", "u8"}, {}},
        {"EightBitBelowMinusFifteen", {"--level", "-15.1", "--format", "u8"}, {eightBit}},
        {"EightBitVeryLow", {"--level", "-61", "--format", "0"}, {low, eightBit}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--seconds", "1", "--fs", "8000", "--quiet"});
        const ProcessResult r = exportWith(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        std::string expectedErr;
        for (const auto& w : c.warnings)
            expectedErr += w + "\n";
        EXPECT_EQ(r.err, expectedErr);
        EXPECT_TRUE(fs::exists(out));
        fs::remove(out);
    }
}

TEST_F(ExportCommand, BoundaryValuesAreAccepted)
{
    const std::vector<std::vector<std::string>> accepted = {
        {"--freq", "22049.9", "--fs", "44100", "--seconds", "1"},
        {"--freq", "1", "--seconds", "1"},
        {"--samples", "44100"},
        {"--samples", "8000000", "--fs", "8000", "--format", "u8", "--channels", "1"},
        {"--seconds", "1000", "--fs", "8000", "--format", "u8", "--channels", "1"},
        {"--format", "f32", "--ref-level", "1e-9", "--seconds", "1"},
    };
    for (const auto& args : accepted) {
        SCOPED_TRACE(testing::PrintToString(args));
        const ProcessResult r = exportWith(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(r.out.find("Wrote " + out), std::string::npos) << r.out;
        fs::remove(out);
    }
}

TEST_F(ExportCommand, DefaultsGiveTenSeconds16BitStereo)
{
    const ProcessResult r = exportWith({});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto bytes = written();
    ASSERT_EQ(bytes.size(), 44u + 441000u * 4u);
    // +6 dB, 400 Hz at 44100 Hz, worked out by hand from 1.99526 * sin(n * 0.0569916)
    // * 3276.7 + 0.5, truncated; both channels alike.
    const std::vector<std::int16_t> expected = {0, 372, 744, 1112, 1478};
    for (size_t i = 0; i < expected.size(); ++i) {
        for (size_t ch = 0; ch < 2; ++ch) {
            const size_t at = 44 + 4 * i + 2 * ch;
            const auto v = static_cast<std::int16_t>(bytes[at] | (bytes[at + 1] << 8));
            EXPECT_EQ(v, expected[i]) << "frame " << i << " channel " << ch;
        }
    }
}

// What the command writes is byte for byte what the writer produces for the
// same parameters through the save path: generator amplitude, reference level
// for the float formats, full-scale factor by format.
TEST_F(ExportCommand, FilesMatchTheCoreWriterExactly)
{
    struct Case {
        const char* shape;
        int shapeCode;
        const char* format;
        int formatCode;
        int channels;
        int fs;
        double levelDb;
        double freq;
    };
    const Case cases[] = {
        {"sine", 0, "u8", 0, 1, 8000, 19.0, 440.0},   {"step+", 1, "s16", 1, 2, 11025, -6.0, 1000.0},
        {"step-", 2, "s24", 2, 1, 22050, 0.0, 3000.5}, {"square", 3, "s32", 3, 2, 44100, 26.0, 50.0},
        {"pulse+", 4, "f32", 4, 1, 48000, 6.0, 997.0}, {"pulse-", 5, "f64", 5, 2, 8000, -20.0, 3999.0},
        {"0", 0, "5", 5, 1, 44100, 30.0, 20000.0},     {"3", 3, "2", 2, 2, 48000, 25.0, 1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.shape) + " " + c.format);
        const ProcessResult r =
            exportWith({"--shape", c.shape, "--format", c.format, "--channels", std::to_string(c.channels),
                        "--fs", std::to_string(c.fs), "--level", std::to_string(c.levelDb), "--freq",
                        std::to_string(c.freq), "--samples", std::to_string(c.fs + 77), "--ref-level",
                        "0.25", "--quiet"});
        ASSERT_EQ(r.exitCode, 0) << r.err;

        MemorySink sink;
        signal::MiniWaveGen gen;
        double amplitude = std::pow(10.0, std::stod(std::to_string(c.levelDb)) * 0.05);
        if (c.formatCode > 3)
            amplitude *= 0.25;
        gen.setSignal(c.shapeCode, c.channels, std::stod(std::to_string(c.freq)), c.fs, amplitude);
        wavio::FileWriteThread thread(sink, gen, c.fs + 77, c.fs, c.channels);
        thread.setDataFormat(4, static_cast<char>(c.formatCode), wavio::fullScale(c.formatCode));
        thread.start();
        while (!thread.waitDone(1000ms)) {
        }
        ASSERT_EQ(thread.storeResult.load(), 0);
        EXPECT_TRUE(written() == sink.bytes);
        fs::remove(out);
    }
}

TEST_F(ExportCommand, FailuresAreReportedAndLeaveNothing)
{
    const ProcessResult noFolder =
        runProcess(CORVANE_EXE, {"export", "-o", (dir / "missing" / "x.wav").string()});
    EXPECT_EQ(noFolder.exitCode, 3);
    EXPECT_NE(noFolder.err.find("cannot create '" + (dir / "missing" / "x.wav").string() +
                                "': No such file or directory"),
              std::string::npos)
        << noFolder.err;

    const ProcessResult fullDisk = runProcess(CORVANE_EXE, {"export", "-o", "/dev/full", "--quiet"});
    EXPECT_EQ(fullDisk.exitCode, 3);
    EXPECT_EQ(fullDisk.err, "#1112: Error in TProgBarForm::execStore: File write error\n");
    EXPECT_TRUE(fullDisk.out.empty());
    // A device is never removed, only regular files the command wrote.
    EXPECT_TRUE(fs::exists("/dev/full"));
}

TEST_F(ExportCommand, InterruptRemovesTheFile)
{
    for (const int sig : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(sig);
        const int pid = startProcess(CORVANE_EXE, {"export", "-o", out, "--fs", "48000", "--seconds",
                                                   "1000", "--format", "f64", "--quiet"});
        ASSERT_GT(pid, 0);
        // Interrupt once the header and some samples are on disk.
        const auto sizeNow = [&] {
            std::error_code ec;
            const auto size = fs::file_size(out, ec);
            return ec ? 0 : size;
        };
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (std::chrono::steady_clock::now() < deadline && sizeNow() < 1000000)
            std::this_thread::sleep_for(1ms);
        ASSERT_GE(sizeNow(), 1000000u);
        ::kill(pid, sig);
        EXPECT_EQ(waitProcess(pid), 130);
        EXPECT_FALSE(fs::exists(out));
    }
}

TEST(CommandLine, UsageAndUnknownCommands)
{
    // Without arguments the program opens its window; "help" lists the commands.
    const ProcessResult bare = runProcess(CORVANE_EXE, {"help"});
    EXPECT_EQ(bare.exitCode, 0);
    EXPECT_NE(bare.out.find("corvane export"), std::string::npos);
    EXPECT_NE(bare.out.find("corvane plot"), std::string::npos);

    const ProcessResult help = runProcess(CORVANE_EXE, {"export", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--ref-level"), std::string::npos);

    const ProcessResult unknown = runProcess(CORVANE_EXE, {"frobnicate"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_NE(unknown.err.find("unknown command 'frobnicate'"), std::string::npos);
}

} // namespace
