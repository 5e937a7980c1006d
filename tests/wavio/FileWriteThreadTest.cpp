#include "wavio/FileWriteThread.h"

#include "core/CodeSets.h"
#include "signal/Dither.h"
#include "signal/Fade.h"
#include "signal/MiniWaveGen.h"
#include "signal/NoiseGen.h"
#include "signal/SweepGen.h"
#include "support/ByteCompare.h"
#include "support/Files.h"
#include "support/TestSinks.h"
#include "support/Wait.h"
#include "wavio/ByteSink.h"
#include "wavio/WavFormat.h"
#include "wavio/WriteProgress.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace corvane;

namespace {

using namespace std::chrono_literals;

// Runs the worker to the end; the tests only look at state after storeDone.
// Every file here takes well under a second; a worker still busy after a
// minute is a hang, reported as a failure.
int runToEnd(wavio::FileWriteThread& thread)
{
    thread.start();
    const bool done = thread.waitDone(60s);
    EXPECT_TRUE(done) << "the writing thread did not finish";
    return done ? thread.storeResult() : 1;
}

TEST(FileWriteThread, ZeroLengthWritesTheHeaderOnly)
{
    MemorySink sink;
    signal::MiniWaveGen gen;
    gen.setSignal(0, 2, 400, 44100, 1.0);
    wavio::FileWriteThread thread(sink, gen, 0, 44100, 2);
    thread.setDataFormat(core::SampleType::Float64, wavio::S16, wavio::fullScale(wavio::S16));
    EXPECT_EQ(runToEnd(thread), 0);
    EXPECT_TRUE(thread.storeDone());
    EXPECT_EQ(sink.writeSizes, std::vector<std::size_t>{44});
    EXPECT_EQ(thread.progress(), 0);
}

TEST(FileWriteThread, TenSeconds16BitStereoInBlocks)
{
    MemorySink sink;
    signal::MiniWaveGen gen;
    gen.setSignal(0, 2, 400, 44100, 1.0);
    wavio::FileWriteThread thread(sink, gen, 441000, 44100, 2);
    // The progress the owner would see as each write starts.
    std::vector<int> progressSeen;
    sink.beforeWrite = [&](int) { progressSeen.push_back(thread.progress()); };
    thread.setDataFormat(core::SampleType::Float64, wavio::S16, wavio::fullScale(wavio::S16));
    ASSERT_EQ(runToEnd(thread), 0);

    // The header in one write, then one write per block: 43 full blocks of
    // 10240 frames and a last one of 680.
    ASSERT_EQ(sink.writeSizes.size(), 1u + 44u);
    EXPECT_EQ(sink.writeSizes.front(), 44u);
    for (size_t i = 1; i < 44; ++i)
        ASSERT_EQ(sink.writeSizes[i], 10240u * 4u) << i;
    EXPECT_EQ(sink.writeSizes.back(), 680u * 4u);
    EXPECT_EQ(sink.bytes.size(), 44u + 1764000u);

    ASSERT_EQ(progressSeen.size(), 45u);
    EXPECT_EQ(progressSeen[1], 0);
    EXPECT_EQ(progressSeen[2], 2); // 10240 of 441000 frames
    EXPECT_TRUE(std::is_sorted(progressSeen.begin(), progressSeen.end()));
    EXPECT_EQ(thread.progress(), 100);
}

TEST(FileWriteThread, BlockLengthsFollowTheFormat)
{
    struct Case {
        int format;
        int mono;
        int stereo;
    };
    const Case cases[] = {{0, 16384, 16384}, {1, 16384, 10240}, {2, 16384, 6826},
                          {3, 16384, 5120},  {4, 16384, 5120},  {5, 10240, 2560}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        MemorySink sink;
        signal::MiniWaveGen gen;
        wavio::FileWriteThread mono(sink, gen, 10, 8000, 1);
        mono.setDataFormat(4, static_cast<char>(c.format), 1.0);
        EXPECT_EQ(mono.blockFrames(), c.mono);
        wavio::FileWriteThread stereo(sink, gen, 10, 8000, 2);
        stereo.setDataFormat(4, static_cast<char>(c.format), 1.0);
        EXPECT_EQ(stereo.blockFrames(), c.stereo);
    }
}

TEST(FileWriteThread, StopRequestEndsAfterTheCurrentBlock)
{
    MemorySink sink;
    signal::MiniWaveGen gen;
    gen.setSignal(0, 2, 400, 44100, 1.0);
    wavio::FileWriteThread thread(sink, gen, 441000, 44100, 2);
    // Raised while the third block is being written (write 4, after the header).
    sink.beforeWrite = [&](int write) {
        if (write == 4)
            thread.stopRequest();
    };
    thread.setDataFormat(core::SampleType::Float64, wavio::S16, wavio::fullScale(wavio::S16));
    EXPECT_EQ(runToEnd(thread), 0);
    // The third block was completed and kept; no fourth was written.
    EXPECT_EQ(sink.writeCount, 4);
    EXPECT_EQ(sink.bytes.size(), 44u + 3u * 10240u * 4u);
    EXPECT_EQ(thread.progress(), 5); // after block two: 20480 / 441000
}

// Hands another provider's blocks on unchanged; the writer does not know
// the wrapped sweep, so it asks for the blocks one by one.
class PassThrough final : public signal::TWaveProvider {
public:
    explicit PassThrough(signal::TWaveProvider& source_) : source(source_) {}
    using TWaveProvider::execStore;
    int execStore(double* data, int dataSize) override { return source.execStore(data, dataSize); }
    int execStore(double* left, double* right, int dataSize) override
    {
        return source.execStore(left, right, dataSize);
    }
    int getMaxBlockSize(char dataType, int channels) override
    {
        return source.getMaxBlockSize(dataType, channels);
    }

private:
    signal::TWaveProvider& source;
};

// A plain sweep has its chunks computed in parts on both threads; the file
// must be the one its blocks give when asked for in order, in every format,
// mono and stereo, over a length that ends inside a chunk.
TEST(FileWriteThread, PlainSweepWritesWhatItsBlocksGive)
{
    constexpr int kFrames = 200003;
    signal::SweepParams p;
    p.frameCount = kFrames;
    p.sampleRateHz = 48000.0;
    p.startHz = 20.0;
    p.stopHz = 20000.0;
    for (const core::SampleFormatInfo& info : core::kSampleFormats) {
        const core::SampleFormat format = info.format;
        for (int channels : {1, 2}) {
            SCOPED_TRACE(testing::Message() << "format " << info.cliName << ", channels " << channels);
            const double scale = wavio::fullScale(format);
            p.amplitude = info.isFloat ? 2.0 : 0.9; // float formats take values past 1
            const auto write = [&](bool wrapped) {
                signal::SweepGen gen;
                gen.setSweep(p, channels);
                PassThrough pass(gen);
                MemorySink sink;
                signal::TWaveProvider& provider = wrapped ? static_cast<signal::TWaveProvider&>(pass) : gen;
                wavio::FileWriteThread thread(sink, provider, kFrames, 48000, channels);
                thread.setDataFormat(core::SampleType::Float64, format, scale);
                EXPECT_EQ(runToEnd(thread), 0);
                EXPECT_EQ(thread.progress(), 100);
                return sink;
            };
            const MemorySink plain = write(false);
            const MemorySink blockwise = write(true);
            EXPECT_EQ(plain.writeSizes, blockwise.writeSizes);
            EXPECT_TRUE(sameBytes(plain.bytes, blockwise.bytes));
        }
    }
}

TEST(FileWriteThread, MonoProviderOnStereoFileLeavesTheHeaderOnly)
{
    MemorySink sink;
    signal::MiniWaveGen gen;
    gen.setSignal(0, 1, 400, 44100, 1.0);
    wavio::FileWriteThread thread(sink, gen, 1000, 44100, 2);
    thread.setDataFormat(core::SampleType::Float64, wavio::S16, 1.0);
    EXPECT_EQ(runToEnd(thread), -1113);
    EXPECT_EQ(sink.bytes.size(), 44u);
}

TEST(FileWriteThread, FullDiskDuringBlockFive)
{
    MemorySink sink;
    sink.failAtWrite = 6; // header, four blocks, then the fifth block
    sink.keepOnFailure = 1000;
    signal::MiniWaveGen gen;
    gen.setSignal(0, 2, 400, 44100, 1.0);
    wavio::FileWriteThread thread(sink, gen, 441000, 44100, 2);
    thread.setDataFormat(core::SampleType::Float64, wavio::S16, 1.0);
    EXPECT_EQ(runToEnd(thread), -1112);
    EXPECT_EQ(sink.bytes.size(), 44u + 4u * 40960u + 1000u);
    EXPECT_EQ(sink.writeCount, 6);
    EXPECT_EQ(thread.progress(), 9); // 40960 of 441000 frames
}

TEST(FileWriteThread, DeviceWithNoSpaceFailsTheHeader)
{
    wavio::FileSink full;
    ASSERT_EQ(full.create("/dev/full"), 0);
    signal::MiniWaveGen gen;
    gen.setSignal(0, 2, 400, 44100, 1.0);
    wavio::FileWriteThread thread(full, gen, 441000, 44100, 2);
    thread.setDataFormat(core::SampleType::Float64, wavio::F64, 1.0);
    EXPECT_EQ(runToEnd(thread), -1112);
    EXPECT_EQ(thread.progress(), 0);
}

TEST(FileWriteThread, RefusesWhatTheHeaderCannotHold)
{
    struct Case {
        const char* name;
        int format;
        int dataLength;
    };
    const Case cases[] = {{"UnknownFormat", 6, 100},
                          {"NegativeLength", core::codeOf(wavio::S16), -5},
                          {"SizeBeyond32Bits", core::codeOf(wavio::F64), 2147483647}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemorySink sink;
        signal::MiniWaveGen gen;
        gen.setSignal(0, 2, 400, 48000, 1.0);
        wavio::FileWriteThread thread(sink, gen, c.dataLength, 48000, 2);
        thread.setDataFormat(4, static_cast<char>(c.format), 1.0);
        EXPECT_EQ(runToEnd(thread), -1111);
        EXPECT_TRUE(sink.bytes.empty());
    }
}

TEST(FileWriteThread, OversizedBlockIsRefused)
{
    MemorySink sink;
    signal::MiniWaveGen gen;
    gen.setSignal(0, 1, 400, 48000, 1.0);
    wavio::FileWriteThread thread(sink, gen, 100000, 48000, 1);
    thread.setDataFormat(core::SampleType::Float64, wavio::F64, 1.0);
    EXPECT_EQ(thread.execStore(10240, false), 0); // 81920 bytes exactly
    EXPECT_EQ(thread.execStore(10241, false), -1111);
    EXPECT_EQ(sink.bytes.size(), 81920u);
}

// Delivers a fixed pattern of integers, as a provider of 24-bit samples would.
class IntProvider : public signal::TWaveProvider {
public:
    IntProvider() { numCh = 1; }
    using signal::TWaveProvider::execStore;
    int execStore(int* data, int dataSize) override
    {
        for (int i = 0; i < dataSize; ++i)
            data[i] = (i % 2 == 0) ? 9000000 : -5;
        return 0;
    }
};

TEST(FileWriteThread, IntegerProviderIsClippedToTheFormat)
{
    MemorySink sink;
    IntProvider provider;
    wavio::FileWriteThread thread(sink, provider, 4, 8000, 1);
    thread.setDataFormat(core::SampleType::Int32, wavio::S24, 1.0);
    ASSERT_EQ(runToEnd(thread), 0);
    const std::vector<std::uint8_t> samples(sink.bytes.begin() + 68, sink.bytes.end());
    EXPECT_EQ(samples,
              (std::vector<std::uint8_t>{0xFF, 0xFF, 0x7F, 0xFB, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0xFB, 0xFF, 0xFF}));
}

// The owner drops the thread mid-file. The sink holds the worker inside its
// third write until the test has seen it there, so the destructor always
// meets a running worker, whatever the machine's pace; no timer is involved.
TEST(FileWriteThread, DestroyingARunningThreadStopsAndJoinsIt)
{
    MemorySink sink;
    std::atomic<bool> inThirdWrite{false};
    std::atomic<bool> released{false};
    std::atomic<bool> destroyed{false};
    std::atomic<int> writesAfterDestruction{0};
    sink.beforeWrite = [&](int write) {
        if (destroyed.load())
            ++writesAfterDestruction;
        if (write == 3) {
            inThirdWrite.store(true);
            waitUntil([&] { return released.load(); }, 10s);
        }
    };
    signal::MiniWaveGen gen;
    gen.setSignal(0, 1, 400, 48000, 1.0);
    {
        wavio::FileWriteThread thread(sink, gen, 48000000, 48000, 1);
        thread.setDataFormat(core::SampleType::Float64, wavio::S16, 1.0);
        thread.start();
        ASSERT_TRUE(waitUntil([&] { return inThirdWrite.load(); }, 10s));
        EXPECT_FALSE(thread.storeDone());
        // Released just before the destructor: the 96 MB still to come take
        // the worker far longer than the destructor needs to raise its flag.
        released.store(true);
    }
    destroyed.store(true);
    // Joined: nothing touched the sink after the destructor returned, and the
    // worker stopped far from the end of the file.
    EXPECT_EQ(writesAfterDestruction.load(), 0);
    EXPECT_GE(sink.writeCount, 3);
    EXPECT_LT(sink.bytes.size(), 96000000u);
}

// Passes a provider's stereo fills on, hiding that its channels are
// identical, so a writer must take and compare both.
class SeparateChannels final : public signal::TWaveProvider {
public:
    explicit SeparateChannels(signal::TWaveProvider& source_) : source(source_) {}
    using TWaveProvider::execStore;
    int execStore(double* left, double* right, int n) override { return source.execStore(left, right, n); }
    int getMaxBlockSize(char type, int channels) override { return source.getMaxBlockSize(type, channels); }

private:
    signal::TWaveProvider& source;
};

// A provider that says its channels are identical fills one array for both;
// the file is the one its separate channels give, for every format, with and
// without dither and fades (the writing thread's chunked and block paths).
TEST(FileWriteThread, IdenticalChannelsGiveTheBytesOfSeparateOnes)
{
    constexpr int kFrames = 150000;
    for (const core::SampleFormat format : {wavio::U8, wavio::S16, wavio::S24, wavio::F32, wavio::F64}) {
        for (const bool dithered : {false, true}) {
            for (const bool faded : {false, true}) {
                if (dithered && core::isFloatFormat(format))
                    continue;
                SCOPED_TRACE(testing::Message()
                             << "format " << core::infoOf(format).cliName << (dithered ? " dithered" : "") << (faded ? " faded" : ""));
                std::vector<std::uint8_t> files[2];
                for (const bool alike : {true, false}) {
                    signal::NoiseGen noise;
                    noise.setNoise({signal::NoiseColour::Pink, kFrames, 48000.0, 0.5, 7}, 2);
                    signal::Fade fade(noise, 2, kFrames, faded ? 4000 : 0, faded ? 3000 : 0);
                    signal::TWaveProvider& top = faded ? static_cast<signal::TWaveProvider&>(fade) : noise;
                    ASSERT_TRUE(top.identicalChannels());
                    SeparateChannels separate(top);
                    signal::Dither dither(7);
                    MemorySink sink;
                    wavio::FileWriteThread thread(sink, alike ? top : separate, kFrames, 48000, 2);
                    thread.setDataFormat(core::SampleType::Float64, format, wavio::fullScale(format));
                    if (dithered)
                        thread.setDither(&dither);
                    ASSERT_EQ(runToEnd(thread), 0);
                    files[alike ? 0 : 1] = std::move(sink.bytes);
                }
                EXPECT_TRUE(sameBytes(files[0], files[1]));
                if (format == wavio::F64 && !faded) {
                    // Stored as they are: both channels carry the mono noise.
                    signal::NoiseGen mono;
                    mono.setNoise({signal::NoiseColour::Pink, kFrames, 48000.0, 0.5, 7}, 1);
                    std::vector<double> expected(kFrames);
                    ASSERT_EQ(mono.execStore(expected.data(), kFrames), 0);
                    const auto header = static_cast<std::size_t>(wavio::headerByteCount(format));
                    ASSERT_EQ(files[0].size(), header + 16u * kFrames);
                    std::size_t differ = 0;
                    for (std::size_t i = 0; i < expected.size(); ++i) {
                        double frame[2];
                        std::memcpy(frame, files[0].data() + header + 16 * i, sizeof frame);
                        differ += frame[0] == expected[i] && frame[1] == expected[i] ? 0u : 1u;
                    }
                    EXPECT_EQ(differ, 0u);
                }
            }
        }
    }
}

// The keep check runs once the whole file is written and decides whether
// it replaces the target: a no leaves the old file and no temporary file.
TEST(WriteProgress, KeepCheckDecidesWhetherTheFileReplacesTheTarget)
{
    const std::filesystem::path dir = freshTestFolder("corvane-keep");
    for (const bool keep : {false, true}) {
        SCOPED_TRACE(keep ? "kept" : "thrown away");
        const std::filesystem::path target = dir / "out.wav";
        {
            std::ofstream old(target, std::ios::binary | std::ios::trunc);
            old << "old";
        }
        signal::MiniWaveGen gen;
        gen.setSignal(0, 1, 400, 8000, 1.0);
        wavio::WriteProgress writing;
        ASSERT_EQ(writing.create(target.string()), 0);
        ASSERT_EQ(writing.setParams(&gen, 8000, 8000, 1, core::SampleType::Float64, wavio::S16, 1.0), 0);
        int asked = 0;
        writing.setKeepCheck([&] {
            ++asked;
            return keep;
        });
        writing.firstPaint();
        const bool ended = waitUntil(
            [&] {
                writing.waitForThread(10ms);
                return writing.poll(false);
            },
            60s);
        ASSERT_TRUE(ended);
        EXPECT_EQ(asked, 1);
        EXPECT_EQ(writing.rejected, !keep);
        EXPECT_EQ(writing.storeResult, 0);
        EXPECT_EQ(std::filesystem::file_size(target), keep ? 44u + 16000u : 3u);
        EXPECT_TRUE(leftovers(dir).empty());
    }
    std::filesystem::remove_all(dir);
}

} // namespace
