#include "signal/MiniWaveGen.h"
#include "support/ByteCompare.h"
#include "support/Files.h"
#include "support/Process.h"
#include "support/TestSinks.h"
#include "wavio/FileWriteThread.h"
#include "wavio/WavFormat.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace corvane;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class ExportCommand : public testing::Test {
protected:
    void SetUp() override
    {
        dir = freshTestFolder("corvane-cli");
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
        {"FreqAtHalfFs",
         {"--freq", "22050", "--fs", "44100"},
         2,
         "Signal Freq. should be less than the half of the sampling frequency."},
        {"RateOutOfRange", {"--fs", "7999"}, 2, "--fs takes a whole number of Hz from 8000 to 384000"},
        {"TooShort", {"--seconds", "0.99"}, 2, lengthMessage},
        {"TooLong", {"--seconds", "1000.01", "--fs", "8000"}, 2, lengthMessage},
        {"SamplesJustUnderOneSecond", {"--samples", "44099"}, 2, lengthMessage},
        {"SecondsBeyondInt", {"--seconds", "1e300"}, 2, lengthMessage},
        {"RefLevelZero", {"--ref-level", "0"}, 2, "Reference Level must be greater than zero."},
        {"RefLevelNegative",
         {"--ref-level", "-0.1", "--format", "s16"},
         2,
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
        // Peaks beyond the float format's range would be stored as infinity;
        // the option named is the one that puts it there.
        {"F32LevelBeyondFltMax",
         {"--format", "f32", "--level", "1000"},
         2,
         "Signal level is too large for the floating-point format. (--level)"},
        {"F32RefLevelBeyondFltMax",
         {"--format", "f32", "--ref-level", "1e39"},
         2,
         "Reference Level is too large for the floating-point format. (--ref-level)"},
        {"F32ProductBeyondFltMaxLevelLarger",
         {"--format", "f32", "--level", "700", "--ref-level", "1e4"},
         2,
         "(--level)"},
        {"F64ProductOverflowsRefLevelLarger",
         {"--format", "f64", "--level", "40", "--ref-level", "1e307"},
         2,
         "Reference Level is too large for the floating-point format. (--ref-level)"},
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
        // 10^38 fits a float (FLT_MAX is 3.4e38), and 10^300 a double.
        {"--format", "f32", "--level", "760", "--ref-level", "1", "--seconds", "1"},
        {"--format", "f64", "--level", "6000", "--ref-level", "1", "--seconds", "1"},
    };
    for (const auto& args : accepted) {
        SCOPED_TRACE(testing::PrintToString(args));
        const ProcessResult r = exportWith(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        // The report goes to stderr: stdout carries only requested data.
        EXPECT_NE(r.err.find("Wrote " + out), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
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
        {"sine", 0, "u8", 0, 1, 8000, 19.0, 440.0},    {"step+", 1, "s16", 1, 2, 11025, -6.0, 1000.0},
        {"step-", 2, "s24", 2, 1, 22050, 0.0, 3000.5}, {"square", 3, "s32", 3, 2, 44100, 26.0, 50.0},
        {"pulse+", 4, "f32", 4, 1, 48000, 6.0, 997.0}, {"pulse-", 5, "f64", 5, 2, 8000, -20.0, 3999.0},
        {"0", 0, "5", 5, 1, 44100, 30.0, 20000.0},     {"3", 3, "2", 2, 2, 48000, 25.0, 1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.shape) + " " + c.format);
        const ProcessResult r = exportWith(
            {"--shape", c.shape, "--format", c.format, "--channels", std::to_string(c.channels), "--fs",
             std::to_string(c.fs), "--level", std::to_string(c.levelDb), "--freq", std::to_string(c.freq),
             "--samples", std::to_string(c.fs + 77), "--ref-level", "0.25", "--quiet"});
        ASSERT_EQ(r.exitCode, 0) << r.err;

        MemorySink sink;
        signal::MiniWaveGen gen;
        double amplitude = std::pow(10.0, std::stod(std::to_string(c.levelDb)) * 0.05);
        if (c.formatCode > 3)
            amplitude *= 0.25;
        gen.setSignal(c.shapeCode, c.channels, std::stod(std::to_string(c.freq)), c.fs, amplitude);
        wavio::FileWriteThread thread(sink, gen, c.fs + 77, c.fs, c.channels);
        thread.setDataFormat(signal::TWaveProvider::Float64, static_cast<char>(c.formatCode),
                             wavio::fullScale(*wavio::formatOfCode(c.formatCode)));
        thread.start();
        ASSERT_TRUE(thread.waitDone(60s));
        ASSERT_EQ(thread.storeResult(), 0);
        EXPECT_TRUE(sameBytes(written(), sink.bytes));
        fs::remove(out);
    }
}

TEST_F(ExportCommand, FailuresAreReportedAndLeaveNothing)
{
    const ProcessResult noFolder = runProcess(CORVANE_EXE, {"export", "-o", (dir / "missing" / "x.wav").string()});
    EXPECT_EQ(noFolder.exitCode, 3);
    EXPECT_NE(noFolder.err.find("cannot create '" + (dir / "missing" / "x.wav").string() +
                                "': No such file or directory"),
              std::string::npos)
        << noFolder.err;

    const ProcessResult fullDisk = runProcess(CORVANE_EXE, {"export", "-o", "/dev/full", "--quiet"});
    EXPECT_EQ(fullDisk.exitCode, 3);
    EXPECT_EQ(fullDisk.err,
              "#1112: Error in TProgBarForm::execStore: File write error (No space left on device)\n");
    EXPECT_TRUE(fullDisk.out.empty());
    // A device is never removed, only regular files the command wrote.
    EXPECT_TRUE(fs::exists("/dev/full"));
}

void writeText(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// The size of the one temporary file in folder, 0 while there is none.
std::uintmax_t temporarySize(const fs::path& folder)
{
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        if (entry.path().filename().string().find(".corvane-") == std::string::npos)
            continue;
        const auto size = fs::file_size(entry.path(), ec);
        return ec ? 0 : size;
    }
    return 0;
}

// An old file reached through a symbolic link: what every failed or
// interrupted writing must leave exactly as it was.
struct OldFileBehindLink {
    explicit OldFileBehindLink(const fs::path& folder) : real(folder / "real.wav"), link(folder / "link.wav")
    {
        writeText(real, "old\n");
        fs::permissions(real, fs::perms(0640));
        fs::create_symlink("real.wav", link);
    }
    void expectUntouched() const
    {
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_EQ(fs::read_symlink(link), "real.wav");
        EXPECT_EQ(textOf(real), "old\n");
        EXPECT_EQ(fs::status(real).permissions() & fs::perms::mask, fs::perms(0640));
    }
    fs::path real;
    fs::path link;
};

TEST_F(ExportCommand, SignalsLeaveTheOldFileThroughALink)
{
    const std::pair<int, int> cases[] = {{SIGINT, 130}, {SIGTERM, 130}, {SIGHUP, 129}, {SIGQUIT, 131}};
    for (const auto& [sig, code] : cases) {
        SCOPED_TRACE(strsignal(sig));
        const OldFileBehindLink old(dir);
        const int pid = startProcess(CORVANE_EXE, {"export", "-o", old.link.string(), "--fs", "48000", "--seconds",
                                                   "1000", "--format", "f64", "--quiet"});
        ASSERT_GT(pid, 0);
        // The signal goes once the temporary file holds a megabyte: the
        // writing is then under way, with 767 more to go.
        const auto deadline = std::chrono::steady_clock::now() + 60s;
        while (std::chrono::steady_clock::now() < deadline && temporarySize(dir) < 1000000)
            std::this_thread::sleep_for(1ms);
        ASSERT_GE(temporarySize(dir), 1000000u);
        ::kill(pid, sig);
        EXPECT_EQ(waitProcess(pid), code);
        old.expectUntouched();
        EXPECT_EQ(leftovers(dir), std::vector<std::string>{});
        fs::remove(old.link);
        fs::remove(old.real);
    }
}

TEST_F(ExportCommand, SignalBeforeTheFileExistsLeavesNothing)
{
    // Wherever the signal lands, from before the handlers to the writing,
    // nothing new may remain and the old file stays.
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        writeText(out, "old\n");
        const int pid = startProcess(CORVANE_EXE, {"export", "-o", out, "--seconds", "1000", "--quiet"});
        ASSERT_GT(pid, 0);
        ::kill(pid, SIGTERM);
        const int code = waitProcess(pid);
        EXPECT_TRUE(code == -1 || code == 130) << code;
        EXPECT_EQ(textOf(out), "old\n");
        EXPECT_EQ(leftovers(dir), std::vector<std::string>{});
    }
}

TEST_F(ExportCommand, FailuresKeepTheOldFile)
{
    struct Case {
        const char* name;
        std::vector<std::string> args;
        long long fileSizeLimit;
        int exitCode;
        std::string message;
    };
    const Case cases[] = {
        // A disk that fills up in the middle of the file.
        {"DiskFullMidway",
         {"--seconds", "10"},
         1000000,
         3,
         "#1112: Error in TProgBarForm::execStore: File write error (File too large)\n"},
        {"DiskFullAtTheHeader",
         {"--seconds", "1"},
         0,
         3,
         "#1112: Error in TProgBarForm::execStore: File write error (File too large)\n"},
        {"RefusedLength", {"--seconds", "0.5"}, -1, 2, "Parameter Error: The data length should be"},
        {"RefusedFloatRange", {"--format", "f32", "--level", "1000"}, -1, 2, "(--level)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const OldFileBehindLink old(dir);
        std::vector<std::string> args = {"export", "-o", old.link.string(), "--quiet"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        ChildSetup setup;
        setup.fileSizeLimit = c.fileSizeLimit;
        const ChildResult r = runChild(CORVANE_EXE, args, setup);
        EXPECT_EQ(r.exitCode, c.exitCode);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty());
        old.expectUntouched();
        EXPECT_EQ(leftovers(dir), std::vector<std::string>{});
        fs::remove(old.link);
        fs::remove(old.real);
    }
}

TEST_F(ExportCommand, ReplacingKeepsTheLinkAndThePermissions)
{
    const OldFileBehindLink old(dir);
    const ProcessResult r =
        runProcess(CORVANE_EXE, {"export", "-o", old.link.string(), "--seconds", "1", "--quiet"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(fs::is_symlink(old.link));
    EXPECT_EQ(fs::file_size(old.real), 44u + 44100u * 4u);
    EXPECT_EQ(fs::status(old.real).permissions() & fs::perms::mask, fs::perms(0640));
    EXPECT_EQ(leftovers(dir), std::vector<std::string>{});
}

TEST_F(ExportCommand, LinksAreFollowedToTheFileTheyName)
{
    // A chain of two relative links into another folder, and a link to a
    // file that does not exist yet: the file at the end is written, each
    // link stays, and no temporary file is left in either folder.
    const fs::path other = dir / "other";
    fs::create_directories(other);
    fs::create_symlink("other/middle.wav", dir / "chain.wav");
    fs::create_symlink("end.wav", other / "middle.wav");
    writeText(other / "end.wav", "old\n");
    fs::create_symlink("not-yet.wav", dir / "dangling.wav");
    for (const char* name : {"chain.wav", "dangling.wav"}) {
        SCOPED_TRACE(name);
        const ProcessResult r =
            runProcess(CORVANE_EXE, {"export", "-o", (dir / name).string(), "--seconds", "1", "--quiet"});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(fs::is_symlink(dir / name));
    }
    EXPECT_TRUE(fs::is_symlink(other / "middle.wav"));
    EXPECT_EQ(fs::file_size(other / "end.wav"), 44u + 44100u * 4u);
    EXPECT_EQ(fs::file_size(dir / "not-yet.wav"), 44u + 44100u * 4u);
    EXPECT_EQ(leftovers(dir), std::vector<std::string>{});
    EXPECT_EQ(leftovers(other), std::vector<std::string>{});
}

TEST_F(ExportCommand, ConcurrentExportsEachFinishWhole)
{
    // What each export writes alone.
    const std::vector<std::string> f32Mono = {"--format", "f32", "--channels", "1", "--seconds", "20", "--quiet"};
    const std::vector<std::string> s16Stereo = {"--format", "s16", "--seconds", "30", "--quiet"};
    ASSERT_EQ(exportWith(f32Mono).exitCode, 0);
    const std::string aloneF32 = textOf(out);
    ASSERT_EQ(exportWith(s16Stereo).exitCode, 0);
    const std::string aloneS16 = textOf(out);
    fs::remove(out);

    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        std::vector<std::string> a = {"export", "-o", out};
        a.insert(a.end(), f32Mono.begin(), f32Mono.end());
        std::vector<std::string> b = {"export", "-o", out};
        b.insert(b.end(), s16Stereo.begin(), s16Stereo.end());
        const int first = startProcess(CORVANE_EXE, a);
        const int second = startProcess(CORVANE_EXE, b);
        EXPECT_EQ(waitProcess(first), 0);
        EXPECT_EQ(waitProcess(second), 0);
        // The last rename wins; either way the file is one whole export.
        const std::string now = textOf(out);
        EXPECT_TRUE(now == aloneF32 || now == aloneS16) << now.size();
        EXPECT_EQ(leftovers(dir), std::vector<std::string>{});
    }
}

TEST_F(ExportCommand, StandardOutputTargetsCarryTheWavAndNothingElse)
{
    const std::vector<std::string> tone = {"--seconds", "1", "--fs", "8000", "--format", "s24"};
    ASSERT_EQ(exportWith(tone).exitCode, 0);
    const std::string wav = textOf(out);
    ASSERT_EQ(wav.size(), 68u + 8000u * 2u * 3u);
    fs::remove(out);

    for (const char* target : {"-", "/dev/stdout"}) {
        SCOPED_TRACE(target);
        std::vector<std::string> args = {"export", "-o", target};
        args.insert(args.end(), tone.begin(), tone.end());
        // Without --quiet: the report must not land among the samples.
        const ProcessResult r = runProcess(CORVANE_EXE, args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(r.out == wav) << r.out.size();
        EXPECT_NE(r.err.find("Wrote "), std::string::npos) << r.err;
        EXPECT_EQ(leftovers(dir), std::vector<std::string>{});
    }
    {
        SCOPED_TRACE("/dev/null");
        std::vector<std::string> args = {"export", "-o", "/dev/null", "--quiet"};
        args.insert(args.end(), tone.begin(), tone.end());
        EXPECT_EQ(runProcess(CORVANE_EXE, args).exitCode, 0);
        EXPECT_TRUE(fs::is_character_file("/dev/null"));
    }
    {
        SCOPED_TRACE("FIFO");
        const fs::path fifo = dir / "fifo";
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        std::string received;
        std::thread reader([&] { received = textOf(fifo); });
        std::vector<std::string> args = {"export", "-o", fifo.string(), "--quiet"};
        args.insert(args.end(), tone.begin(), tone.end());
        const ProcessResult r = runProcess(CORVANE_EXE, args);
        reader.join();
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(received == wav) << received.size();
        EXPECT_TRUE(fs::is_fifo(fifo));
        EXPECT_EQ(leftovers(dir), std::vector<std::string>{});
    }
}

TEST_F(ExportCommand, WriteErrorsEndWithExitThree)
{
    // A WAV to read back as CSV.
    ASSERT_EQ(exportWith({"--seconds", "1", "--fs", "8000", "--quiet"}).exitCode, 0);
    const std::string png = (dir / "plot.png").string();
    writeText(png, "old picture\n");
    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::string stdoutPath;
        long long fileSizeLimit;
        std::string message;
    };
    const Case cases[] = {
        {"ExportToStdout",
         {"export", "-o", "-", "--quiet"},
         "/dev/full",
         -1,
         "#1112: Error in TProgBarForm::execStore: File write error (No space left on device)\n"},
        {"ReadCsv",
         {"read", out, "--csv"},
         "/dev/full",
         -1,
         "corvane: cannot write the output: No space left on device\n"},
        {"ReadSummary",
         {"read", out},
         "/dev/full",
         -1,
         "corvane: cannot write the output: No space left on device\n"},
        {"PlotToDevice",
         {"plot", "-o", "/dev/full"},
         "",
         -1,
         "corvane plot: cannot write '/dev/full': No space left on device\n"},
        {"PlotLabels",
         {"plot", "-o", (dir / "labels.png").string(), "--labels"},
         "/dev/full",
         -1,
         "corvane: cannot write the output: No space left on device\n"},
        {"PlotOnAFullDisk",
         {"plot", "-o", png},
         "",
         100,
         "corvane plot: cannot write '" + png + "': File too large\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ChildSetup setup;
        setup.stdoutPath = c.stdoutPath;
        setup.fileSizeLimit = c.fileSizeLimit;
        const ChildResult r = runChild(CORVANE_EXE, c.args, setup);
        EXPECT_EQ(r.exitCode, 3);
        EXPECT_EQ(r.err, c.message);
        if (c.args.front() == "plot" && c.stdoutPath.empty()) {
            EXPECT_EQ(textOf(png), "old picture\n");
        }
        EXPECT_EQ(leftovers(dir), std::vector<std::string>{});
    }
}

TEST_F(ExportCommand, ClosedPipeEndsQuietlyAndNeverAsSuccess)
{
    ASSERT_EQ(exportWith({"--seconds", "1", "--fs", "8000", "--quiet"}).exitCode, 0);
    const std::vector<std::vector<std::string>> commands = {
        {"export", "-o", "-", "--seconds", "1", "--quiet"},
        {"export", "-o", "-", "--seconds", "1"},
        {"read", out, "--csv"},
    };
    for (const auto& args : commands) {
        SCOPED_TRACE(testing::PrintToString(args));
        int ends[2];
        ASSERT_EQ(::pipe(ends), 0);
        ::close(ends[0]); // the reader is gone before the first byte
        ChildSetup setup;
        setup.stdoutFd = ends[1];
        const ChildResult r = runChild(CORVANE_EXE, args, setup);
        ::close(ends[1]);
        EXPECT_TRUE(r.exitCode == 141 || r.termSignal == SIGPIPE) << r.exitCode << " " << r.termSignal;
        EXPECT_EQ(r.err, "");
    }
}

TEST(CommandLine, UsageAndUnknownCommands)
{
    // Without arguments the program opens its window; "help" lists the commands.
    const ProcessResult bare = runProcess(CORVANE_EXE, {"help"});
    EXPECT_EQ(bare.exitCode, 0);
    EXPECT_NE(bare.out.find("\n  export "), std::string::npos);
    EXPECT_NE(bare.out.find("\n  plot "), std::string::npos);

    const ProcessResult help = runProcess(CORVANE_EXE, {"export", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--ref-level"), std::string::npos);

    const ProcessResult unknown = runProcess(CORVANE_EXE, {"frobnicate"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_NE(unknown.err.find("unknown command 'frobnicate'"), std::string::npos);
    EXPECT_EQ(unknown.err.find("did you mean"), std::string::npos);
}

TEST(CommandLine, VersionHelpAndSuggestions)
{
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string out; // the start of stdout
        std::string err; // a part of stderr
    };
    const Case cases[] = {
        {{"--version"}, 0, "corvane " CORVANE_VERSION "\n", ""},
        {{"version"}, 0, "corvane " CORVANE_VERSION "\n", ""},
        {{"--help"}, 0, "usage: corvane", ""},
        {{"help", "read"}, 0, "usage: corvane read", ""},
        {{"help", "frobnicate"}, 2, "", "no help for the unknown command 'frobnicate'"},
        {{"help", "exprot"}, 2, "", "did you mean 'export'?"},
        {{"exprot"}, 2, "", "unknown command 'exprot'; did you mean 'export'?"},
        {{"--export"}, 2, "", "did you mean 'export'?"},
        {{"reed"}, 2, "", "did you mean 'read'?"},
        {{"verison"}, 2, "", "did you mean 'version'?"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front() + (c.args.size() > 1 ? " " + c.args[1] : std::string()));
        const ProcessResult r = runProcess(CORVANE_EXE, c.args);
        EXPECT_EQ(r.exitCode, c.exitCode);
        EXPECT_EQ(r.out.substr(0, c.out.size()), c.out);
        if (c.out.empty()) {
            EXPECT_EQ(r.out, "");
        }
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    }
}

} // namespace
