// Playback must send the very bytes the export writes. ALSA's file device
// records what would be played, so these compare it with the data chunk of
// an export made in memory; the null device stands in for a sound card.
#include "audio/SoundOutput.h"
#include "audio/DeviceList.h"
#include "audio/PlaybackThread.h"
#include "core/MessageTable.h"
#include "core/ResultCodes.h"
#include "signal/MiniWaveGen.h"
#include "support/ByteCompare.h"
#include "support/TestSinks.h"
#include "support/Wait.h"
#include "wavio/FileWriteThread.h"
#include "wavio/WavFormat.h"

#include <alsa/asoundlib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using namespace corvane;
using namespace corvane::audio;
using corvane::signal::MiniWaveGen;
using corvane::wavio::FileWriteThread;
namespace fs = std::filesystem;

// Two devices that refuse, defined over the null device: one resamples but
// takes linear formats only, so it refuses floats; one converts formats but
// only runs at 48 kHz, so with resampling off it refuses other rates.
constexpr const char* kTestDevices = R"(
pcm.corvane_linear_only { type rate slave { pcm "null" rate 48000 } }
pcm.corvane_only_48k { type plug slave { pcm "null" rate 48000 } }
)";

// ALSA reads the configuration files named in ALSA_CONFIG_PATH on every
// open, so adding ours beside the system's before the first test is enough.
class AlsaTestDevices : public ::testing::Environment {
public:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("corvane-audio-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        const fs::path conf = dir / "devices.conf";
        std::ofstream(conf) << kTestDevices;
        const std::string path = std::string(snd_config_topdir()) + "/alsa.conf:" + conf.string();
        ::setenv("ALSA_CONFIG_PATH", path.c_str(), 1);
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
    static fs::path dir;
};
fs::path AlsaTestDevices::dir;
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new AlsaTestDevices);

std::string fileDevice(const fs::path& path)
{
    return "file:'" + path.string() + "',raw";
}

std::vector<std::uint8_t> readAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Signal {
    int shape;
    int channels;
    int sampleRateHz;
    double freqHz;
    double amplitude; // as the generator gets it: times the reference level for f32
    PlayFormat format;
};

core::SampleFormat wavFormatOf(PlayFormat format)
{
    return playFormatInfo(format)->wavFormat();
}

// The data chunk `corvane export` writes: the writing thread into memory,
// from a fresh generator, with the export's own scale. The tests here check an
// equality between two paths (playing and writing), not the sample values:
// those are checked by hand and against libsndfile in the writer's tests.
std::vector<std::uint8_t> exportedData(const Signal& s, int frames)
{
    MiniWaveGen gen;
    gen.setSignal(s.shape, s.channels, s.freqHz, s.sampleRateHz, s.amplitude);
    MemorySink sink;
    FileWriteThread writer(sink, gen, frames, s.sampleRateHz, s.channels);
    const core::SampleFormat format = wavFormatOf(s.format);
    writer.setDataFormat(signal::TWaveProvider::Float64, static_cast<char>(format), wavio::fullScale(format));
    writer.start();
    EXPECT_TRUE(writer.waitDone(30s));
    EXPECT_EQ(writer.storeResult(), 0);
    const auto header = static_cast<std::ptrdiff_t>(wavio::headerByteCount(format));
    return {sink.bytes.begin() + header, sink.bytes.end()};
}

class SoundOutputTest : public ::testing::Test {
protected:
    fs::path rawPath(const std::string& name) const
    {
        return AlsaTestDevices::dir /
               (std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" + name +
                ".raw");
    }
};

struct PlayCase {
    const char* name;
    Signal signal;
    int frames;
};

// Every tone shape, each play format mono and stereo; lengths that end in
// the middle of a period, and levels that clip the integer formats.
const PlayCase kPlayCases[] = {
    {"SineMonoS16", {MiniWaveGen::Sine, 1, 44100, 1000.0, 1.0, PlayFormat::S16}, 12347},
    {"SineStereoS16FullScale", {MiniWaveGen::Sine, 2, 48000, 997.0, 10.0, PlayFormat::S16}, 30000},
    {"StepDownStereoS16", {MiniWaveGen::StepDown, 2, 11025, 300.0, 2.0, PlayFormat::S16}, 4410},
    {"StepUpStereoS32", {MiniWaveGen::StepUp, 2, 8000, 500.0, 1.0, PlayFormat::S32}, 5001},
    {"SquareMonoS32Clipped", {MiniWaveGen::Square, 1, 22050, 440.0, 20.0, PlayFormat::S32}, 7000},
    {"SineMonoS32", {MiniWaveGen::Sine, 1, 48000, 1234.5, 0.5, PlayFormat::S32}, 9600},
    {"PulseUpStereoF32", {MiniWaveGen::PulseUp, 2, 48000, 1000.0, 0.1, PlayFormat::F32}, 9999},
    {"PulseDownMonoF32", {MiniWaveGen::PulseDown, 1, 11025, 300.0, 0.1, PlayFormat::F32}, 3000},
    {"SineStereoF32Loud", {MiniWaveGen::Sine, 2, 44100, 441.0, 3.0, PlayFormat::F32}, 44100},
    {"ZeroFrames", {MiniWaveGen::Sine, 2, 48000, 1000.0, 1.0, PlayFormat::S16}, 0},
};

TEST_F(SoundOutputTest, PlaysTheExportedDataChunk)
{
    for (const auto& c : kPlayCases) {
        SCOPED_TRACE(c.name);
        const Signal& s = c.signal;
        const fs::path path = rawPath(c.name);
        {
            SoundOutput output;
            ASSERT_EQ(output.open(fileDevice(path), s.format, s.channels, s.sampleRateHz), 0) << output.reason();
            EXPECT_EQ(output.sampleRateHz(), s.sampleRateHz);
            EXPECT_EQ(output.channelCount(), s.channels);
            EXPECT_GE(output.bufferFrames(), 2 * output.periodFrames());

            MiniWaveGen gen;
            gen.setSignal(s.shape, s.channels, s.freqHz, s.sampleRateHz, s.amplitude);
            PlaybackThread player(output, gen);
            ASSERT_EQ(player.start(c.frames, wavio::fullScale(wavFormatOf(s.format))), 0);
            ASSERT_TRUE(player.waitDone(30s));
            EXPECT_EQ(player.playResult(), 0) << player.reason();
            EXPECT_EQ(player.framesWritten(), c.frames);
            EXPECT_EQ(player.framesDropped(), 0);
        }
        EXPECT_TRUE(sameBytes(exportedData(s, c.frames), readAll(path)));
    }
}

// Looping runs the generator on without a restart; stopped at any moment,
// what reached the device is the start of one long export, with no seam at
// a period boundary.
TEST_F(SoundOutputTest, LoopStoppedIsAPrefixOfOneLongExport)
{
    const PlayCase cases[] = {
        {"SineStereoS16", {MiniWaveGen::Sine, 2, 48000, 1000.5, 1.0, PlayFormat::S16}, 0},
        {"PulseUpMonoF32", {MiniWaveGen::PulseUp, 1, 44100, 123.0, 0.1, PlayFormat::F32}, 0},
        {"StepUpStereoS32", {MiniWaveGen::StepUp, 2, 8000, 333.0, 1.0, PlayFormat::S32}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Signal& s = c.signal;
        const fs::path path = rawPath(c.name);
        std::int64_t written = 0;
        int periodFrames = 0;
        {
            SoundOutput output;
            ASSERT_EQ(output.open(fileDevice(path), s.format, s.channels, s.sampleRateHz), 0) << output.reason();
            periodFrames = output.periodFrames();
            MiniWaveGen gen;
            gen.setSignal(s.shape, s.channels, s.freqHz, s.sampleRateHz, s.amplitude);
            PlaybackThread player(output, gen);
            ASSERT_EQ(player.start(PlaybackThread::kLoopForever, wavio::fullScale(wavFormatOf(s.format))), 0);
            // Enough periods that a seam would show, whatever the device's pace.
            const std::int64_t enough = 40LL * periodFrames;
            waitUntil([&] { return player.framesWritten() >= enough; }, 5s);
            ASSERT_GE(player.framesWritten(), enough);
            player.requestStop();
            ASSERT_TRUE(player.waitDone(5s));
            EXPECT_EQ(player.playResult(), 0) << player.reason();
            written = player.framesWritten();
            EXPECT_LE(player.framesDropped(), written);
        }
        const auto played = readAll(path);
        const auto frameBytes = static_cast<std::size_t>(playFormatInfo(s.format)->bytes() * s.channels);
        ASSERT_EQ(played.size() % frameBytes, 0u);
        const auto frames = static_cast<int>(played.size() / frameBytes);
        EXPECT_LE(frames, written);
        EXPECT_GE(frames, 30 * periodFrames);
        EXPECT_TRUE(sameBytes(exportedData(s, frames), played));
    }
}

struct OpenCase {
    const char* name;
    const char* device;
    PlayFormat format;
    int channels;
    int sampleRateHz;
    int expected;
    std::vector<const char*> reasonHas;
};

// Each failure names its cause in ALSA's words; a refused setting is an
// error, never a conversion.
TEST_F(SoundOutputTest, OpenFailuresSayWhy)
{
    const OpenCase cases[] = {
        {"UnknownName",
         "corvane-no-such-device",
         PlayFormat::S16,
         2,
         48000,
         core::kDeviceOpenError,
         {"\"corvane-no-such-device\"", "Unknown PCM corvane-no-such-device"}},
        {"AbsentCard", "hw:7,0", PlayFormat::S16, 2, 48000, core::kDeviceOpenError, {"\"hw:7,0\"", "card"}},
        {"FloatRefused",
         "corvane_linear_only",
         PlayFormat::F32,
         2,
         48000,
         core::kFormatRefused,
         {"FLOAT_LE", "plughw:"}},
        {"RateRefused",
         "corvane_only_48k",
         PlayFormat::S16,
         2,
         44100,
         core::kFormatRefused,
         {"44100 Hz", "48000 to 48000 Hz", "does not resample"}},
        {"ThreeChannels", "null", PlayFormat::S16, 3, 48000, core::kChannelsOutOfRange, {"3"}},
        {"NoChannels", "null", PlayFormat::S16, 0, 48000, core::kChannelsOutOfRange, {}},
        {"ZeroRate", "null", PlayFormat::S16, 1, 0, core::kRateOutOfRange, {}},
        {"HugeRate", "null", PlayFormat::S16, 1, 2000000, core::kRateOutOfRange, {}},
        {"UnknownFormat", "null", static_cast<PlayFormat>(7), 1, 48000, core::kFormatOutOfRange, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SoundOutput output;
        EXPECT_EQ(output.open(c.device, c.format, c.channels, c.sampleRateHz), c.expected);
        EXPECT_FALSE(output.isOpen());
        EXPECT_FALSE(output.reason().empty());
        for (const char* part : c.reasonHas)
            EXPECT_NE(output.reason().find(part), std::string::npos) << output.reason();
    }
    // The refusing devices do take what they can: the refusal above was theirs.
    SoundOutput output;
    EXPECT_EQ(output.open("corvane_only_48k", PlayFormat::F32, 1, 48000), 0) << output.reason();
}

TEST_F(SoundOutputTest, OnePlayerAtATime)
{
    SoundOutput output;
    ASSERT_EQ(output.open("null", PlayFormat::S16, 2, 48000), 0) << output.reason();
    EXPECT_EQ(output.open("null", PlayFormat::S16, 2, 48000), core::kAlreadyRunning);

    MiniWaveGen gen;
    gen.setSignal(MiniWaveGen::Sine, 2, 1000.0, 48000, 1.0);
    PlaybackThread first(output, gen);
    ASSERT_EQ(first.start(PlaybackThread::kLoopForever, wavio::fullScale(wavio::S16)), 0);
    EXPECT_EQ(first.start(PlaybackThread::kLoopForever, wavio::fullScale(wavio::S16)), core::kAlreadyRunning);

    MiniWaveGen other;
    other.setSignal(MiniWaveGen::Sine, 2, 500.0, 48000, 1.0);
    PlaybackThread second(output, other);
    EXPECT_EQ(second.start(1000, wavio::fullScale(wavio::S16)), core::kAlreadyRunning);
    EXPECT_EQ(output.close(), core::kAlreadyRunning);
    EXPECT_TRUE(output.isOpen());

    first.requestStop();
    ASSERT_TRUE(first.waitDone(5s));
    EXPECT_EQ(first.playResult(), 0) << first.reason();

    // Once the first is done the device is free for the next player.
    PlaybackThread third(output, other);
    ASSERT_EQ(third.start(4800, wavio::fullScale(wavio::S16)), 0);
    ASSERT_TRUE(third.waitDone(5s));
    EXPECT_EQ(third.playResult(), 0) << third.reason();
    EXPECT_EQ(third.framesWritten(), 4800);
    EXPECT_EQ(output.close(), 0);
    EXPECT_FALSE(output.isOpen());

    // A closed output has nothing to play on.
    PlaybackThread fourth(output, other);
    EXPECT_EQ(fourth.start(10, wavio::fullScale(wavio::S16)), core::kDeviceOpenError);
}

// A generator set up for the wrong channel count fails the first block; its
// code comes up unchanged and nothing reaches the device.
TEST_F(SoundOutputTest, ProviderErrorStopsBeforeAnyFrame)
{
    const fs::path path = rawPath("mismatch");
    {
        SoundOutput output;
        ASSERT_EQ(output.open(fileDevice(path), PlayFormat::S16, 2, 48000), 0) << output.reason();
        MiniWaveGen mono;
        mono.setSignal(MiniWaveGen::Sine, 1, 1000.0, 48000, 1.0);
        PlaybackThread player(output, mono);
        ASSERT_EQ(player.start(48000, wavio::fullScale(wavio::S16)), 0);
        ASSERT_TRUE(player.waitDone(5s));
        EXPECT_EQ(player.playResult(), core::kChannelCountIncorrect);
        EXPECT_EQ(player.framesWritten(), 0);
    }
    EXPECT_TRUE(readAll(path).empty());
}

// Destroying a looping player stops it: the owner never waits forever.
TEST_F(SoundOutputTest, DestructorStopsALoop)
{
    SoundOutput output;
    ASSERT_EQ(output.open("null", PlayFormat::F32, 1, 8000), 0) << output.reason();
    MiniWaveGen gen;
    gen.setSignal(MiniWaveGen::Sine, 1, 100.0, 8000, 0.1);
    {
        PlaybackThread player(output, gen);
        ASSERT_EQ(player.start(PlaybackThread::kLoopForever, 1.0), 0);
        // Destroyed while playing, not before the first period.
        EXPECT_TRUE(waitUntil([&] { return player.framesWritten() > 0; }, 5s));
    }
    EXPECT_EQ(output.close(), 0);
}

TEST(DeviceList, NamesTheNullDevice)
{
    std::vector<PcmDevice> devices;
    std::string reason;
    ASSERT_EQ(listDevices(devices, reason), 0) << reason;
    const auto null =
        std::find_if(devices.begin(), devices.end(), [](const PcmDevice& d) { return d.name == "null"; });
    ASSERT_NE(null, devices.end());
    EXPECT_NE(null->description.find("Discard all samples"), std::string::npos) << null->description;
}

TEST(PlayFormat, NamesAndEncodings)
{
    EXPECT_EQ(findPlayFormat("s16")->wavFormat(), wavio::S16);
    EXPECT_EQ(findPlayFormat("s32")->wavFormat(), wavio::S32);
    EXPECT_EQ(findPlayFormat("f32")->wavFormat(), wavio::F32);
    EXPECT_EQ(findPlayFormat("s24"), nullptr);
    EXPECT_EQ(findPlayFormat("S16"), nullptr);
    for (const auto& info : kPlayFormats)
        EXPECT_EQ(info.bytes(), wavio::bytesPerSample(info.wavFormat())) << info.cliName();
}

TEST(AudioResult, EveryCodeHasItsCatalogueRow)
{
    const int codes[] = {
        core::kDeviceOpenError, core::kFormatRefused,  core::kAlreadyRunning,     core::kNoResources,
        core::kWriteError,      core::kRateOutOfRange, core::kChannelsOutOfRange, core::kFormatOutOfRange,
        core::kDeviceStopped,   core::kTimedOut};
    for (const int code : codes) {
        // Appended piece by piece: GCC 12 warns falsely about "#" + string.
        std::string prefix = "#";
        prefix += std::to_string(-code);
        prefix += ": ";
        EXPECT_EQ(corvane::core::errorMessageText(code).substr(0, prefix.size()), prefix) << code;
    }
}

} // namespace
