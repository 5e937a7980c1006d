// corvane measure without a sound card: ALSA's file device captures the
// bytes of a prepared recording (the sweep as export writes it, passed
// through a known system and delayed, with a reference channel delayed by
// another), and playback goes to a file, so what was played is checked too.
#include "cli/AnalysisCommands.h"
#include "cli/ExitCode.h"
#include "cli/ExportCommand.h"
#include "support/Files.h"
#include "support/Process.h"
#include "support/SoundFiles.h"

#include <alsa/asoundlib.h>
#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace corvane;
namespace fs = std::filesystem;

constexpr int kRate = 48000;
constexpr std::int64_t kPre = 24000; // the default 0.5 s
constexpr std::int64_t kTail = 48000; // the default 1.0 s

// The capture devices: one reads a prepared file, one the same file but
// takes exactly two channels, one a FIFO the test feeds slowly, one a FIFO
// with a clock of its own (an overrun); and two that refuse, as playback's
// tests have them: one converts only at 48 kHz, one takes linear formats only.
class MeasureDevices : public ::testing::Environment {
public:
    void SetUp() override
    {
        dir = freshTestFolder("corvane-measure");
        const fs::path conf = dir / "devices.conf";
        std::ofstream(conf) << "pcm.corvane_capture { type file slave.pcm \"null\" file \"/dev/null\" infile \""
                            << (dir / "capture.raw").string() << "\" format \"raw\" }\n"
                            << "pcm.corvane_slow { type file slave.pcm \"null\" file \"/dev/null\" infile \""
                            << (dir / "slow.fifo").string() << "\" format \"raw\" }\n"
                            << "pcm.corvane_two_inputs { type file slave.pcm \"corvane_pairs\" file \"/dev/null\" "
                               "infile \""
                            << (dir / "capture.raw").string() << "\" format \"raw\" }\n"
                            << "pcm_type.corvane_late { lib \"" CORVANE_LATE_PLUGIN "\" }\n"
                            << "pcm.corvane_late { type corvane_late infile \"" << (dir / "late.fifo").string()
                            << "\" }\n"
                            << R"(
pcm.corvane_pairs {
    type multi
    slaves.a { pcm "null" channels 2 }
    bindings.0 { slave a channel 0 }
    bindings.1 { slave a channel 1 }
}
pcm.corvane_mono_out {
    type multi
    slaves.a { pcm "null" channels 1 }
    bindings.0 { slave a channel 0 }
}
pcm.corvane_linear_only { type rate slave { pcm "null" rate 48000 } }
pcm.corvane_only_48k { type plug slave { pcm "null" rate 48000 } }
)";
        const std::string path = std::string(snd_config_topdir()) + "/alsa.conf:" + conf.string();
        ::setenv("ALSA_CONFIG_PATH", path.c_str(), 1);
        ::unsetenv("CORVANE_AUDIO_DEVICE");
        // The FIFO's feeder writes on after the reader has gone.
        std::signal(SIGPIPE, SIG_IGN);
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
    static fs::path dir;
};
fs::path MeasureDevices::dir;
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new MeasureDevices);

struct Outcome {
    int code = -1;
    std::string err;
};

// One input channel of a prepared recording: the sweep, times gain,
// arriving delay frames after each repeat's sweep starts, plus noise.
struct Path {
    std::int64_t delay = 0;
    double gain = 1.0;
    double noiseRms = 0.0;
    // Frames more for each repeat, as a device whose latency wanders.
    std::vector<std::int64_t> drift = {};
};

class MeasureCommand : public testing::Test {
protected:
    void SetUp() override
    {
        dir = freshTestFolder("corvane-measure");
        fs::remove(MeasureDevices::dir / "capture.raw");
        fs::remove(MeasureDevices::dir / "played.raw");
    }
    void TearDown() override { fs::remove_all(dir); }

    fs::path file(const std::string& name) const { return dir / name; }

    static std::string playedDevice()
    {
        return "file:'" + (MeasureDevices::dir / "played.raw").string() + "',raw";
    }

    static Outcome run(std::vector<std::string> words, cli::ChartEncoder chart = nullptr)
    {
        const std::vector<std::string_view> args(words.begin(), words.end());
        std::ostringstream out;
        std::ostringstream err;
        Outcome r;
        r.code = cli::runMeasure(args, out, err, chart);
        r.err = err.str();
        EXPECT_EQ(out.str(), "");
        return r;
    }

    // measure -o ir.wav of the 2 s f32 sweep, played to a file and captured
    // from the prepared recording, with more options.
    Outcome measure(std::vector<std::string> extra, const std::string& irName = "ir.wav",
                    cli::ChartEncoder chart = nullptr)
    {
        std::vector<std::string> words{
            "-o",           file(irName).string(), "--seconds",      "2", "--format", "f32", "--device",
            playedDevice(), "--capture-device",    "corvane_capture"};
        words.insert(words.end(), extra.begin(), extra.end());
        return run(words, chart);
    }

    // The mono f32 sweep exactly as export writes it, read back.
    std::vector<double> exportedSweep()
    {
        const fs::path path = file("sweep.wav");
        const std::vector<std::string> words{"-o",         path.string(), "--signal",  "sweep",    "--fs",
                                             "48000",      "--level",     "14",        "--format", "f32",
                                             "--channels", "1",           "--seconds", "2",        "--quiet"};
        const std::vector<std::string_view> args(words.begin(), words.end());
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(cli::runExport(args, out, err), cli::Ok) << err.str();
        return readSound(path).channels.at(0);
    }

    // What corvane deconvolve makes of the written recording, with the
    // sweep's options, read back.
    std::vector<double> deconvolvedRecording()
    {
        const std::vector<std::string> words{file("rec.wav").string(),
                                             "-o",
                                             file("dec.wav").string(),
                                             "--signal",
                                             "sweep",
                                             "--fs",
                                             "48000",
                                             "--seconds",
                                             "2",
                                             "--quiet"};
        const std::vector<std::string_view> args(words.begin(), words.end());
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(cli::runDeconvolve(args, out, err), cli::Ok) << err.str();
        return readSound(file("dec.wav")).channels.at(0);
    }

    // Writes the capture file: per channel the sweep along its path, repeats
    // times, each after the silence and followed by the tail, in the capture
    // format ("f32", "s16" or "s32"). The noise of every channel and repeat is
    // drawn afresh from seed.
    static void prepare(const std::vector<double>& sweep, const std::vector<Path>& paths, int repeats,
                        unsigned seed = 1, const std::string& format = "f32")
    {
        const auto period = kPre + static_cast<std::int64_t>(sweep.size()) + kTail;
        const auto frames = static_cast<std::size_t>(period * repeats);
        std::mt19937_64 random(seed);
        std::vector<std::vector<double>> channels;
        for (const Path& p : paths) {
            std::vector<double> x(frames, 0.0);
            std::normal_distribution<double> noise(0.0, p.noiseRms);
            for (int k = 0; k < repeats; ++k)
                for (std::size_t n = 0; n < sweep.size(); ++n) {
                    const std::int64_t drift =
                        static_cast<std::size_t>(k) < p.drift.size() ? p.drift[static_cast<std::size_t>(k)] : 0;
                    const auto at = static_cast<std::size_t>(k * period + kPre + p.delay + drift) + n;
                    if (at < frames)
                        x[at] += p.gain * sweep[n];
                }
            if (p.noiseRms > 0.0)
                for (double& v : x)
                    v += noise(random);
            channels.push_back(std::move(x));
        }
        std::string bytes;
        const auto put = [&bytes](const auto value) {
            bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
        };
        for (std::size_t i = 0; i < frames; ++i)
            for (const auto& c : channels) {
                if (format == "s16")
                    put(static_cast<std::int16_t>(std::clamp(std::lround(c[i] * 32768.0), -32768L, 32767L)));
                else if (format == "s32")
                    put(static_cast<std::int32_t>(
                        std::clamp(std::llround(c[i] * 2147483648.0), -2147483648LL, 2147483647LL)));
                else
                    put(static_cast<float>(c[i]));
            }
        std::ofstream(MeasureDevices::dir / "capture.raw", std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    void expectNothingWritten() const
    {
        EXPECT_FALSE(fs::exists(file("ir.wav")));
        EXPECT_FALSE(fs::exists(file("rec.wav")));
        EXPECT_TRUE(leftovers(dir).empty());
    }

    fs::path dir;
};

TEST_F(MeasureCommand, TheReferenceLeavesTheDeviceUnderTestsOwnDelayTheSameInTenRuns)
{
    const std::vector<double> sweep = exportedSweep();
    prepare(sweep, {{1480, 0.5}, {1000, 1.0}}, 1);
    for (int run = 0; run < 10; ++run) {
        const Outcome r = measure({"--reference-channel", "2"});
        ASSERT_EQ(r.code, cli::Ok) << r.err;
        EXPECT_NE(r.err.find("the loop back takes 1000 frames (20.833 ms)"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("System delay: 480 frames (10.000 ms)"), std::string::npos) << r.err;
        const Sound ir = readSound(file("ir.wav"));
        ASSERT_EQ(ir.channels.size(), 1U);
        EXPECT_EQ(ir.rate, kRate);
        EXPECT_EQ(ir.channels[0].size(), sweep.size() + kTail);
        EXPECT_EQ(peakIndex(ir.channels[0]), 480U) << "run " << run;
    }
}

// What was played is export's stereo sweep with the same silence around it,
// on the output channel(s) asked for.
TEST_F(MeasureCommand, PlaysWhatExportWritesOnTheOutputChannelsAsked)
{
    prepare(exportedSweep(), {{1480, 0.5}}, 1);
    for (const auto& [channel, route] : {std::pair{"all", "both"}, {"1", "left"}, {"2", "right"}}) {
        SCOPED_TRACE(channel);
        const Outcome r = measure({"--output-channel", channel, "--quiet"});
        ASSERT_EQ(r.code, cli::Ok) << r.err;
        const std::vector<std::string> words{"-o",           file("played.wav").string(),
                                             "--signal",     "sweep",
                                             "--fs",         "48000",
                                             "--level",      "14",
                                             "--format",     "f32",
                                             "--seconds",    "2",
                                             "--pad-before", "0.5",
                                             "--pad-after",  "1",
                                             "--route",      route,
                                             "--quiet"};
        const std::vector<std::string_view> args(words.begin(), words.end());
        std::ostringstream out;
        std::ostringstream err;
        ASSERT_EQ(cli::runExport(args, out, err), cli::Ok) << err.str();
        const std::vector<std::uint8_t> exported = bytesOf(file("played.wav"));
        const std::vector<std::uint8_t> played = bytesOf(MeasureDevices::dir / "played.raw");
        constexpr std::size_t kFloatHeader = 80;
        ASSERT_EQ(played.size() + kFloatHeader, exported.size());
        EXPECT_TRUE(std::equal(played.begin(), played.end(), exported.begin() + kFloatHeader));
    }
}

TEST_F(MeasureCommand, AQuietReferenceGivesTheSameDelay)
{
    const std::vector<double> sweep = exportedSweep();
    const double peak = std::fabs(sweep[peakIndex(sweep)]);
    for (const double dbfs : {0.0, -40.0}) {
        SCOPED_TRACE(dbfs);
        prepare(sweep, {{1480, 0.5}, {1000, std::pow(10.0, dbfs / 20.0) / peak}}, 1);
        const Outcome r = measure({"--reference-channel", "2"});
        ASSERT_EQ(r.code, cli::Ok) << r.err;
        EXPECT_NE(r.err.find("the loop back takes 1000 frames"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("System delay: 480 frames"), std::string::npos) << r.err;
        EXPECT_EQ(peakIndex(readSound(file("ir.wav")).channels.at(0)), 480U);
    }
}

TEST_F(MeasureCommand, ASilentReferenceIsRefusedAndNothingWritten)
{
    const std::vector<double> sweep = exportedSweep();
    const double peak = std::fabs(sweep[peakIndex(sweep)]);
    prepare(sweep, {{1480, 0.5}, {1000, std::pow(10.0, -70.0 / 20.0) / peak}}, 1);
    const Outcome r = measure({"--reference-channel", "2", "--recording", file("rec.wav").string()});
    EXPECT_EQ(r.code, cli::Failed);
    EXPECT_NE(r.err.find("the reference channel 2 peaks at -70 dBFS, below -60 dBFS"), std::string::npos) << r.err;
    expectNothingWritten();
}

TEST_F(MeasureCommand, ACaptureOfSamplesThatAreNotNumbersIsRefused)
{
    prepare(exportedSweep(), {{1480, 0.5}}, 1);
    {
        std::fstream capture(MeasureDevices::dir / "capture.raw", std::ios::binary | std::ios::in | std::ios::out);
        const float values[] = {NAN, INFINITY};
        capture.seekp(4 * 30000);
        capture.write(reinterpret_cast<const char*>(values), sizeof values);
    }
    const Outcome r = measure({"--recording", file("rec.wav").string()});
    EXPECT_EQ(r.code, cli::Failed);
    EXPECT_NE(r.err.find("the capture holds 2 samples that are not finite numbers"), std::string::npos) << r.err;
    expectNothingWritten();
}

TEST_F(MeasureCommand, WithoutAReferenceTheImpulseResponseIsTheDeconvolvedRecordingFromTheSweepsStart)
{
    const std::vector<double> sweep = exportedSweep();
    // Each capture format: the recording must hold what was analysed, exactly.
    for (const std::string format : {"s16", "s32"}) {
        SCOPED_TRACE(format);
        prepare(sweep, {{1480, 0.5}}, 1, 1, format);
        const Outcome r = measure({"--format", format, "--recording", file("rec.wav").string(), "--quiet"});
        ASSERT_EQ(r.code, cli::Ok) << r.err;
        const std::vector<double> ir = readSound(file("ir.wav")).channels.at(0);
        const std::vector<double> whole = deconvolvedRecording();
        ASSERT_EQ(whole.size(), ir.size() + kPre);
        EXPECT_TRUE(std::equal(ir.begin(), ir.end(), whole.begin() + kPre));
    }

    prepare(sweep, {{1480, 0.5}}, 1);
    const Outcome r =
        measure({"--recording", file("rec.wav").string(), "--response", file("response.csv").string(),
                 "--distortion", file("distortion.csv").string(), "--smooth", "1/3"});
    ASSERT_EQ(r.code, cli::Ok) << r.err;
    EXPECT_NE(r.err.find("Impulse response peak at 1480 frames (30.833 ms)"), std::string::npos) << r.err;

    const std::vector<double> ir = readSound(file("ir.wav")).channels.at(0);
    const std::vector<double> whole = deconvolvedRecording();
    ASSERT_EQ(whole.size(), ir.size() + kPre);
    const double peak = std::fabs(ir[peakIndex(ir)]);
    double worst = 0.0;
    for (std::size_t j = 0; j < ir.size(); ++j)
        worst = std::max(worst, std::fabs(ir[j] - whole[j + kPre]));
    RecordProperty("largest_difference_over_peak", std::to_string(worst / peak));
    EXPECT_LE(worst, 1e-9 * peak);
    // The recording holds the capture as it came.
    const Sound rec = readSound(file("rec.wav"));
    ASSERT_EQ(rec.channels.size(), 1U);
    ASSERT_EQ(rec.channels.at(0).size(), static_cast<std::size_t>(kPre + kTail) + sweep.size());

    // The response is the response command's of the impulse response; the
    // distortion the distortion command's of the recording from lag 0 on.
    const auto command = [](auto runCommand, const std::vector<std::string>& commandWords) {
        const std::vector<std::string_view> commandArgs(commandWords.begin(), commandWords.end());
        std::ostringstream commandOut;
        std::ostringstream commandErr;
        EXPECT_EQ(runCommand(commandArgs, commandOut, commandErr, nullptr), cli::Ok) << commandErr.str();
    };
    command(cli::runResponse,
            {file("ir.wav").string(), "-o", file("response-of-ir.csv").string(), "--smooth", "1/3"});
    EXPECT_EQ(textOf(file("response.csv")), textOf(file("response-of-ir.csv")));
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* cut = sf_open(file("from-lag-0.wav").c_str(), SFM_WRITE, &info);
    ASSERT_NE(cut, nullptr);
    const std::vector<double>& x = rec.channels[0];
    EXPECT_EQ(sf_writef_double(cut, x.data() + kPre, static_cast<sf_count_t>(x.size()) - kPre),
              static_cast<sf_count_t>(x.size()) - kPre);
    sf_close(cut);
    command(cli::runDistortion, {file("from-lag-0.wav").string(), "-o", file("distortion-of-cut.csv").string(),
                                 "--signal", "sweep", "--fs", "48000", "--seconds", "2", "--smooth", "1/3"});
    EXPECT_EQ(textOf(file("distortion.csv")), textOf(file("distortion-of-cut.csv")));
}

TEST(MeasureHelp, NamesEveryOptionOfTheTable)
{
    const ProcessResult r = runProcess(CORVANE_EXE, {"help", "measure"});
    ASSERT_EQ(r.exitCode, 0);
    for (const cli::OptionSpec& option : cli::measureOptions())
        EXPECT_NE(r.out.find(std::string(option.name)), std::string::npos) << option.name;
    EXPECT_NE(r.out.find("at 48000 Hz, --level 14: a peak 6 dB below"), std::string::npos) << r.out;
    EXPECT_EQ(runProcess(CORVANE_EXE, {"measure", "--help"}).out, r.out);
}

TEST_F(MeasureCommand, FourRepeatsLowerTheNoiseFloorBySixDecibels)
{
    const std::vector<double> sweep = exportedSweep();
    // The noise alone: each noisy impulse response less the clean one.
    const auto noiseRms = [&](int repeats, unsigned seed) {
        const std::string k = std::to_string(repeats);
        prepare(sweep, {{1480, 0.5}, {1000, 1.0}}, repeats);
        Outcome r = measure({"--reference-channel", "2", "--repeat", k, "--quiet"}, "clean.wav");
        EXPECT_EQ(r.code, cli::Ok) << r.err;
        prepare(sweep, {{1480, 0.5, 0.01}, {1000, 1.0}}, repeats, seed);
        r = measure({"--reference-channel", "2", "--repeat", k, "--quiet"}, "noisy.wav");
        EXPECT_EQ(r.code, cli::Ok) << r.err;
        const std::vector<double> clean = readSound(file("clean.wav")).channels.at(0);
        const std::vector<double> noisy = readSound(file("noisy.wav")).channels.at(0);
        EXPECT_EQ(peakIndex(noisy), 480U);
        // The lags whose reach (the inverse filter's length) stays inside
        // their repeat's stretch of the recording.
        const std::int64_t lags = kTail - 1000;
        double sum = 0.0;
        for (std::int64_t j = 0; j < lags; ++j) {
            const double d = noisy[static_cast<std::size_t>(j)] - clean[static_cast<std::size_t>(j)];
            sum += d * d;
        }
        return std::sqrt(sum / static_cast<double>(lags));
    };
    const double one = noiseRms(1, 11);
    const double four = noiseRms(4, 12);
    const double gainDb = 20.0 * std::log10(one / four);
    RecordProperty("noise_floor_gain_db", std::to_string(gainDb));
    EXPECT_NEAR(gainDb, 6.0, 0.5);
}

// A device that records no fewer than two channels gives the recording both,
// though one was asked for.
TEST_F(MeasureCommand, ACardThatRecordsInPairsRecordsBothChannels)
{
    const std::vector<double> sweep = exportedSweep();
    prepare(sweep, {{1480, 0.5}, {1000, 1.0}}, 1);
    const Outcome r =
        measure({"--capture-device", "corvane_two_inputs", "--recording", file("rec.wav").string(), "--quiet"});
    ASSERT_EQ(r.code, cli::Ok) << r.err;
    EXPECT_EQ(readSound(file("rec.wav")).channels.size(), 2U);
    EXPECT_EQ(peakIndex(readSound(file("ir.wav")).channels.at(0)), 1480U);
}

TEST_F(MeasureCommand, WithoutAReferenceRepeatsAreAlignedByTheFirstPeak)
{
    const std::vector<double> sweep = exportedSweep();
    prepare(sweep, {{1480, 0.5}}, 1);
    ASSERT_EQ(measure({"--quiet"}, "one.wav").code, cli::Ok);
    prepare(sweep, {{1480, 0.5, 0.0, {0, 10, -7}}}, 3);
    const Outcome r = measure({"--repeat", "3"}, "three.wav");
    ASSERT_EQ(r.code, cli::Ok) << r.err;
    EXPECT_NE(r.err.find("Impulse response peak at 1480 frames"), std::string::npos) << r.err;
    // Aligned, the three are the one run's response; a repeat a few frames
    // off would blur the peak.
    const std::vector<double> one = readSound(file("one.wav")).channels.at(0);
    const std::vector<double> three = readSound(file("three.wav")).channels.at(0);
    const double peak = std::fabs(one[peakIndex(one)]);
    double worst = 0.0;
    for (std::size_t j = 0; j < static_cast<std::size_t>(kTail) - 2000; ++j)
        worst = std::max(worst, std::fabs(three[j] - one[j]));
    EXPECT_LE(worst, 1e-9 * peak);
}

struct Refused {
    std::vector<std::string> words;
    int code;
    std::string says;
};

class Refusals : public MeasureCommand, public testing::WithParamInterface<Refused> {};

TEST_P(Refusals, SayWhyAndWriteNothing)
{
    const std::vector<double> sweep = exportedSweep();
    prepare(sweep, {{1480, 0.5}, {1000, 1.0}}, 1);
    std::vector<std::string> words = GetParam().words;
    words.insert(words.end(), {"--recording", file("rec.wav").string()});
    const Outcome r = measure(words);
    EXPECT_EQ(r.code, GetParam().code) << r.err;
    EXPECT_NE(r.err.find(GetParam().says), std::string::npos) << r.err;
    expectNothingWritten();
}

INSTANTIATE_TEST_SUITE_P(
    Table, Refusals,
    testing::Values(
        Refused{{"--output-channel", "3"}, cli::UsageError, "--output-channel takes 1, 2 or all"},
        Refused{{"--repeat", "0"}, cli::UsageError, "--repeat takes 1 to 100"},
        Refused{{"--pre", "-1"}, cli::UsageError, "--pre takes 0 or more seconds"},
        Refused{{"--tail", "nan"}, cli::UsageError, "--tail"},
        Refused{{"--reference-channel", "1"}, cli::UsageError, "cannot be the input channel"},
        Refused{{"--format", "s24"}, cli::UsageError, "--format takes s16, s32, f32"},
        Refused{{"--signal", "white"}, cli::UsageError, "exponential sweep (--signal sweep), not white"},
        Refused{{"--capture-device", "corvane_only_48k", "--fs", "44100"}, cli::Failed, "does not resample"},
        Refused{{"--capture-device", "corvane_linear_only"}, cli::Failed, "FLOAT_LE"},
        Refused{{"--capture-device", "corvane_two_inputs", "--input-channel", "3"},
                cli::Failed,
                "it takes 2 to 2 channels"},
        Refused{{"--device", "corvane_mono_out"}, cli::Failed, "it takes 1 to 1 channels"},
        Refused{{"--device", "corvane_no_such_device"}, cli::Failed, "corvane_no_such_device"}));

// Refused before anything is played: the outputs, the distortion asked for.
TEST_F(MeasureCommand, RefusalsBeforeTheRunPlayNothing)
{
    prepare(exportedSweep(), {{1480, 0.5}}, 1);
    const std::string ir = file("ir.wav").string();
    std::ofstream(file("old.wav")) << "old";
    fs::create_hard_link(file("old.wav"), file("link.wav"));
    fs::create_directory_symlink(dir, file("here"));
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"--recording", ir}, "-o '" + ir + "' and --recording '" + ir + "' name the same file"},
        {{"--recording", (dir / "." / "sub" / ".." / "ir.wav").string()}, "name the same file"},
        {{"--recording", (file("here") / "ir.wav").string()}, "name the same file"},
        {{"--recording", file("old.wav").string(), "--response", file("link.wav").string()},
         "--recording '" + file("old.wav").string() + "' and --response"},
        {{"--response", "-", "--distortion", "/dev/stdout"}, "--response '-' and --distortion '/dev/stdout'"},
        {{"--from", "12000", "--distortion", file("d.csv").string()},
         "--distortion: the sweep's second harmonic lies wholly above"},
        {{"--from", "1000", "--to", "4000", "--distortion", file("d.csv").string()},
         "--distortion: the sweep is too short to hold harmonic 5's response before the linear one"},
    };
    for (const auto& [words, says] : cases) {
        SCOPED_TRACE(says);
        const Outcome r = measure(words);
        EXPECT_EQ(r.code, cli::UsageError);
        EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(MeasureDevices::dir / "played.raw"));
        expectNothingWritten();
        EXPECT_EQ(textOf(file("old.wav")), "old");
    }
}

// The longest sweeps at the highest rate, a hundred times: their samples
// alone outgrow any machine's memory, and that is found before playing.
TEST_F(MeasureCommand, ARecordingLargerThanTheMemoryIsRefusedBeforePlaying)
{
    // 100 runs of 999.5 s at 384 kHz, s16 and decoded to doubles.
    const double needed = 100 * 999.5 * 384000 * (2 + 8);
    if (static_cast<double>(::sysconf(_SC_PHYS_PAGES)) * static_cast<double>(::sysconf(_SC_PAGE_SIZE)) >= needed)
        GTEST_SKIP() << "this machine holds even that";
    const Outcome r = run({"-o", file("ir.wav").string(), "--repeat", "100", "--seconds", "998", "--fs", "384000",
                           "--format", "s16", "--device", playedDevice(), "--capture-device", "corvane_capture",
                           "--recording", file("rec.wav").string()});
    EXPECT_EQ(r.code, cli::UsageError);
    EXPECT_NE(r.err.find("the recording and its samples would need about 383.8 GB of memory"), std::string::npos)
        << r.err;
    EXPECT_FALSE(fs::exists(MeasureDevices::dir / "played.raw"));
    expectNothingWritten();
}

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define CORVANE_TEST_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define CORVANE_TEST_SANITIZED 1
#endif

// Ten 100 s sweeps in a process whose address space holds their capture (of
// 2 bytes a frame) but not its samples as doubles: the analysis runs out of
// memory, and that is a message, not an abort.
TEST_F(MeasureCommand, MemoryThatRunsOutInTheAnalysisIsAFailureNotACrash)
{
#ifdef CORVANE_TEST_SANITIZED
    GTEST_SKIP() << "the sanitizers reserve more address space than the limit";
#endif
    std::ofstream(MeasureDevices::dir / "capture.raw", std::ios::binary) << std::string(4096, '\0');
    const std::string command = "ulimit -v 600000; exec '" + std::string(CORVANE_EXE) + "' measure -o '" +
                                file("ir.wav").string() + "' --recording '" + file("rec.wav").string() +
                                "' --seconds 100 --repeat 10 --device null --capture-device corvane_capture";
    const ProcessResult r = runProcess("/bin/sh", {"-c", command});
    EXPECT_EQ(r.exitCode, cli::Failed) << r.err;
    EXPECT_NE(r.err.find("corvane measure: not enough memory to analyse the 48720000 frames recorded; nothing "
                         "was written"),
              std::string::npos)
        << r.err;
    expectNothingWritten();
}

// Charts are drawn before any file is written and go with the others.
TEST_F(MeasureCommand, ChartsAreWrittenWithTheOtherFilesAllOrNone)
{
    prepare(exportedSweep(), {{1480, 0.5}}, 1);
    const cli::ChartEncoder fails = [](const cli::FrequencyChart&, const cli::ChartSize&, std::string&,
                                       std::string& why) {
        why = "no room for the picture";
        return false;
    };
    for (const std::string option : {"--response", "--distortion"}) {
        SCOPED_TRACE(option);
        const Outcome r = measure({option, file("chart.png").string(), "--recording", file("rec.wav").string()},
                                  "ir.wav", fails);
        EXPECT_EQ(r.code, cli::Failed);
        EXPECT_NE(r.err.find("cannot draw '" + file("chart.png").string() + "': no room for the picture"),
                  std::string::npos)
            << r.err;
        expectNothingWritten();
        EXPECT_FALSE(fs::exists(file("chart.png")));
    }
    const cli::ChartEncoder draws = [](const cli::FrequencyChart& chart, const cli::ChartSize&, std::string& png,
                                       std::string&) {
        png = "picture of " + std::to_string(chart.traces.size()) + " traces";
        return true;
    };
    const Outcome r = measure(
        {"--response", file("response.png").string(), "--distortion", file("distortion.png").string(), "--quiet"},
        "ir.wav", draws);
    ASSERT_EQ(r.code, cli::Ok) << r.err;
    EXPECT_EQ(textOf(file("response.png")), "picture of 1 traces");
    EXPECT_EQ(textOf(file("distortion.png")), "picture of 4 traces");
    EXPECT_TRUE(fs::exists(file("ir.wav")));
    EXPECT_TRUE(leftovers(dir).empty());
}

// Feeds a capture device's FIFO with silence, bytes every 5 ms, until told to
// stop or the reader has gone; from pauseFrom on it pauses for pauseFor.
class Feeder {
public:
    Feeder(const fs::path& fifo, std::size_t bytes, std::chrono::milliseconds pauseFrom = {},
           std::chrono::milliseconds pauseFor = {})
        : worker([this, fifo, bytes, pauseFrom, pauseFor] {
              // Without blocking: a reader that never comes must not hang the test.
              int fd = -1;
              while (fd < 0 && !stop.load()) {
                  fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
                  if (fd < 0)
                      std::this_thread::sleep_for(std::chrono::milliseconds(5));
              }
              if (fd < 0)
                  return;
              const std::vector<char> silence(bytes, 0);
              const auto start = std::chrono::steady_clock::now();
              bool paused = false;
              while (!stop.load()) {
                  if (!paused && pauseFor.count() > 0 && std::chrono::steady_clock::now() - start >= pauseFrom) {
                      paused = true;
                      std::this_thread::sleep_for(pauseFor);
                  }
                  if (::write(fd, silence.data(), silence.size()) < 0 && errno != EAGAIN)
                      break;
                  std::this_thread::sleep_for(std::chrono::milliseconds(5));
              }
              ::close(fd);
          })
    {
    }
    ~Feeder()
    {
        stop.store(true);
        worker.join();
    }
    Feeder(const Feeder&) = delete;
    Feeder& operator=(const Feeder&) = delete;

private:
    std::atomic<bool> stop{false};
    std::thread worker;
};

fs::path freshFifo(const std::string& name)
{
    const fs::path fifo = MeasureDevices::dir / name;
    fs::remove(fifo);
    EXPECT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    return fifo;
}

// A device with a clock (tests/audio/LateCapturePlugin.cpp) whose data stop
// coming for a second: it overruns, as a card whose reader falls behind.
TEST_F(MeasureCommand, AnOverrunFailsTheMeasurementSayingHowManyFramesWereLost)
{
    const fs::path fifo = freshFifo("late.fifo");
    Outcome r;
    {
        // Twice the device's pace (48000 f32 frames a second) until the pause.
        const Feeder feeder(fifo, 1920, std::chrono::milliseconds(300), std::chrono::milliseconds(1000));
        r = measure({"--capture-device", "corvane_late", "--recording", file("rec.wav").string()});
    }
    EXPECT_EQ(r.code, cli::Failed) << r.err;
    const std::string said = "corvane measure: the capture lost about ";
    const auto at = r.err.find(said);
    ASSERT_NE(at, std::string::npos) << r.err;
    const long lost = std::strtol(r.err.c_str() + at + said.size(), nullptr, 10);
    EXPECT_GT(lost, 0) << r.err;
    RecordProperty("frames_lost", std::to_string(lost));
    EXPECT_NE(r.err.find(" frames (the capture overran"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("nothing was written"), std::string::npos) << r.err;
    expectNothingWritten();
}

TEST_F(MeasureCommand, ASignalStopsTheRunAndNothingIsWritten)
{
    const fs::path fifo = freshFifo("slow.fifo");
    for (const int sig : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(sig);
        const int pid = startProcess(CORVANE_EXE, {"measure", "-o", file("ir.wav").string(), "--recording",
                                                   file("rec.wav").string(), "--format", "f32", "--device",
                                                   playedDevice(), "--capture-device", "corvane_slow"});
        {
            // A period of f32 mono every 20 ms.
            const Feeder feeder(fifo, 960);
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            ::kill(pid, sig);
            EXPECT_EQ(waitProcess(pid), 130);
        }
        expectNothingWritten();
    }
}

} // namespace
