#include "wavio/WaveFileRead.h"

#include "signal/MiniWaveGen.h"
#include "support/TestSinks.h"
#include "support/WavBytes.h"
#include "wavio/ByteSource.h"
#include "wavio/FileWriteThread.h"
#include "wavio/WavFormat.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <climits>
#include <cmath>
#include <filesystem>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

using namespace corvane;

namespace {

std::unique_ptr<wavio::WaveFileRead> readerOf(const std::vector<std::uint8_t>& bytes)
{
    return std::make_unique<wavio::WaveFileRead>(std::make_unique<wavio::MemorySource>(bytes));
}

std::vector<std::int16_t> ramp(int count, int start = 0)
{
    std::vector<std::int16_t> v(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        v[static_cast<size_t>(i)] = static_cast<std::int16_t>((start + i) % 30000 - 15000);
    return v;
}

// Reads a block and checks it is frames first.. of the expected samples.
struct Block {
    std::vector<double> left, right;
    int result = 0;
};

Block readBlock(wavio::WaveFileRead& r, int dataSize, int ptrOffset = 0, int keepFrames = 0)
{
    Block b;
    // One spare element shows whether anything is written past the block.
    b.left.assign(static_cast<size_t>(std::max(dataSize, 0)) + 1, -99.0);
    b.right.assign(static_cast<size_t>(std::max(dataSize, 0)) + 1, -99.0);
    b.result = r.ReadWaveData(b.left.data(), b.right.data(), 1.0, dataSize, ptrOffset, keepFrames);
    return b;
}

TEST(WaveFileRead, MonoWalkOfThousandSamples)
{
    const auto samples = ramp(1000);
    const auto file = wav16(1, 44100, samples).bytes;
    auto r = readerOf(file);
    ASSERT_EQ(r->ReadWaveHeader(), 0);
    EXPECT_EQ(r->capacity(), 96000);

    for (int call = 0; call < 3; ++call) {
        SCOPED_TRACE(call);
        const Block b = readBlock(*r, 400);
        const int expectedCount = call < 2 ? 400 : 200;
        EXPECT_EQ(b.result, call < 2 ? 0 : 1);
        EXPECT_EQ(r->getLastCount(), expectedCount);
        for (int i = 0; i < expectedCount; ++i) {
            ASSERT_EQ(b.left[static_cast<size_t>(i)], samples[static_cast<size_t>(call * 400 + i)]) << i;
            ASSERT_EQ(b.right[static_cast<size_t>(i)], 0.0);
        }
        // Nothing is written past what was delivered.
        EXPECT_EQ(b.left[static_cast<size_t>(expectedCount)], -99.0);
    }
    // After the end: no frames, 1 again.
    const Block after = readBlock(*r, 400);
    EXPECT_EQ(after.result, 1);
    EXPECT_EQ(r->getLastCount(), 0);
    EXPECT_EQ(r->FileClose(), 0);
}

TEST(WaveFileRead, SteppingBackRereadsEarlierFrames)
{
    const auto samples = ramp(1000);
    const auto file = wav16(1, 44100, samples).bytes;
    auto r = readerOf(file);
    ASSERT_EQ(r->ReadWaveHeader(), 0);
    ASSERT_EQ(readBlock(*r, 400).result, 0);
    const Block b = readBlock(*r, 400, -200);
    ASSERT_EQ(b.result, 0);
    for (int i = 0; i < 400; ++i)
        ASSERT_EQ(b.left[static_cast<size_t>(i)], samples[static_cast<size_t>(200 + i)]) << i;
}

TEST(WaveFileRead, ArgumentErrors)
{
    const auto mono = wav16(1, 8000, ramp(100)).bytes;
    const auto stereo = wav16(2, 8000, ramp(200)).bytes;
    {
        auto r = readerOf(mono);
        EXPECT_EQ(readBlock(*r, 10).result, -1102); // before the header
        ASSERT_EQ(r->ReadWaveHeader(), 0);
        EXPECT_EQ(readBlock(*r, 10, -1).result, -1103);
        EXPECT_EQ(readBlock(*r, 10, 1).result, -1104);
        EXPECT_EQ(readBlock(*r, 96001).result, -1106);
        EXPECT_EQ(readBlock(*r, -1).result, -1106);
        EXPECT_EQ(readBlock(*r, 10, INT_MIN).result, -1103);
        // The refused calls changed nothing: the first block is still frame 0.
        const Block b = readBlock(*r, 10);
        EXPECT_EQ(b.result, 0);
        EXPECT_EQ(b.left[0], -15000.0);
    }
    {
        auto r = readerOf(stereo);
        ASSERT_EQ(r->ReadWaveHeader(), 0);
        EXPECT_EQ(r->capacity(), 48000);
        EXPECT_EQ(readBlock(*r, 48001).result, -1106);
        EXPECT_EQ(readBlock(*r, 48000).result, 1);
    }
}

TEST(WaveFileRead, DivisorAndStereoOrder)
{
    const std::vector<std::int16_t> interleaved = {-32768, 32767, 1, -1, 0, 16384};
    const auto file = wav16(2, 48000, interleaved).bytes;
    auto r = readerOf(file);
    ASSERT_EQ(r->ReadWaveHeader(), 0);
    std::vector<double> left(3), right(3);
    EXPECT_EQ(r->ReadWaveData(left.data(), right.data(), 32768.0, 3, 0, 0), 1);
    EXPECT_EQ(left, (std::vector<double>{-1.0, 1.0 / 32768, 0.0}));
    EXPECT_EQ(right, (std::vector<double>{32767.0 / 32768, -1.0 / 32768, 0.5}));
}

TEST(WaveFileRead, RefusedHeaders)
{
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        int expected;
    };
    const auto base = wav16(1, 8000, ramp(10)).bytes;
    const auto with = [&](size_t at, std::vector<std::uint8_t> patch) {
        auto b = base;
        for (size_t i = 0; i < patch.size(); ++i)
            b.at(at + i) = patch[i];
        return b;
    };
    // Our own writer's 24-bit and 8-bit files.
    const auto written = [](core::SampleFormat format) {
        std::vector<std::uint8_t> h(wavio::kMaxHeaderBytes);
        h.resize(static_cast<size_t>(wavio::buildHeader(h.data(), format, 1, 8000, 4)));
        h.resize(h.size() + 4 * static_cast<size_t>(wavio::bytesPerSample(format)), 0);
        return h;
    };
    const Case cases[] = {
        {"Valid", base, 0},
        {"Short", std::vector<std::uint8_t>(base.begin(), base.begin() + 43), -1101},
        {"Empty", {}, -1101},
        {"NotRiff", with(0, {'R', 'I', 'F', 'X'}), -101},
        {"NotWave", with(8, {'A', 'V', 'I', ' '}), -102},
        {"NoFmt", with(12, {'f', 'm', 't', '_'}), -102},
        {"FmtSize18", with(16, {18}), -103},
        {"FloatTag", with(20, {3}), -103},
        {"Extensible24Bit", written(wavio::S24), -103},
        {"EightBit", written(wavio::U8), -104},
        {"ThreeChannels", with(22, {3}), -104},
        {"NegativeRate", with(24, {0, 0, 0, 0x80}), -104},
        {"ByteRateOff", with(28, {0x01}), -104},
        {"TwentyFourBitsPlain", with(34, {24}), -105},
        {"BlockAlignOff", with(32, {4}), -104},
        {"NoData", with(36, {'L', 'I', 'S', 'T'}), -106},
        {"RiffSmallerThanData", with(4, {36 + 19}), -110},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto r = readerOf(c.bytes);
        EXPECT_EQ(r->ReadWaveHeader(), c.expected);
        if (c.expected != 0) {
            EXPECT_EQ(readBlock(*r, 4).result, -1102);
        }
    }
}

TEST(WaveFileRead, Bytebuf2int)
{
    const unsigned char b[] = {0x01, 0x02, 0xFF, 0xFF, 0x80, 0x00, 0x00, 0x00};
    EXPECT_EQ(wavio::WaveFileRead::bytebuf2int(b, 0, 2, false), 513);
    EXPECT_EQ(wavio::WaveFileRead::bytebuf2int(b, 0, 2, true), 258);
    EXPECT_EQ(wavio::WaveFileRead::bytebuf2int(b, 0, 1, false), 513); // at least two bytes
    EXPECT_EQ(wavio::WaveFileRead::bytebuf2int(b, 2, 2, false), 65535); // no sign extension
    EXPECT_EQ(wavio::WaveFileRead::bytebuf2int(b, 0, 3, false), 0xFF0201);
    EXPECT_EQ(wavio::WaveFileRead::bytebuf2int(b, 0, 5, true), 0x0102FFFF); // at most four
    EXPECT_EQ(wavio::WaveFileRead::bytebuf2int(b, 4, 4, true), INT_MIN);
}

// Data split over several "data" chunks; the RIFF size counts their headers.
std::vector<std::uint8_t> multiChunk(const std::vector<std::vector<std::int16_t>>& chunks)
{
    std::vector<std::int16_t> all;
    for (const auto& c : chunks)
        all.insert(all.end(), c.begin(), c.end());
    WavBytes w = wav16(1, 8000, chunks.front());
    for (size_t i = 1; i < chunks.size(); ++i) {
        w.id("data");
        w.u32(static_cast<std::uint32_t>(chunks[i].size() * 2));
        w.samples(chunks[i]);
    }
    w.patch32(4, static_cast<std::uint32_t>(w.bytes.size() - 8));
    return w.bytes;
}

TEST(WaveFileRead, FurtherDataChunksAreReadThrough)
{
    for (const int blockSize : {7, 400, 5000}) {
        SCOPED_TRACE(blockSize);
        const std::vector<std::vector<std::int16_t>> chunks = {ramp(1001), ramp(3, 2000), ramp(2500, 5000)};
        const auto file = multiChunk(chunks);
        std::vector<std::int16_t> expected;
        for (const auto& c : chunks)
            expected.insert(expected.end(), c.begin(), c.end());

        // Memory stands for the file: a read past its end would fail with -1101.
        auto r = readerOf(file);
        ASSERT_EQ(r->ReadWaveHeader(), 0);
        std::vector<double> got;
        int result = 0;
        // A reader that never reports the end would loop here for ever; each
        // call gives at least one sample, so more calls than samples is a fault.
        for (std::size_t calls = 0; result == 0; ++calls) {
            ASSERT_LE(calls, expected.size()) << "the reader never reported the end";
            const Block b = readBlock(*r, blockSize);
            result = b.result;
            ASSERT_GE(result, 0);
            got.insert(got.end(), b.left.begin(), b.left.begin() + r->getLastCount());
        }
        ASSERT_EQ(got.size(), expected.size());
        for (size_t i = 0; i < got.size(); ++i)
            ASSERT_EQ(got[i], expected[i]) << i;
    }
}

TEST(WaveFileRead, DamagedFilesEndWithACodeNotGarbage)
{
    // A header announcing more samples than the file holds.
    const auto samples = ramp(1000);
    auto truncated = wav16(1, 8000, samples).bytes;
    truncated.resize(44 + 600 * 2 + 1); // and a torn last sample
    {
        auto r = readerOf(truncated);
        ASSERT_EQ(r->ReadWaveHeader(), 0);
        // The refill runs into the end of the file and fails...
        EXPECT_EQ(readBlock(*r, 400).result, -1101);
        EXPECT_EQ(r->getLastCount(), 0);
        // ...but the whole frames it brought are delivered intact...
        const Block b = readBlock(*r, 400);
        ASSERT_EQ(b.result, 0);
        for (size_t i = 0; i < 400; ++i)
            ASSERT_EQ(b.left[i], samples[i]) << i;
        // ...and asking past them fails again, never with made-up frames.
        EXPECT_EQ(readBlock(*r, 400).result, -1101);
        const Block last = readBlock(*r, 200);
        EXPECT_EQ(last.result, 0); // not the announced end
        EXPECT_EQ(last.left[199], samples[599]);
        EXPECT_EQ(readBlock(*r, 10).result, -1101);
        EXPECT_EQ(r->getLastCount(), 0);
    }
    {
        // A second chunk whose header is not "data".
        auto bad = multiChunk({ramp(100), ramp(100)});
        bad[44 + 200] = 'L';
        auto r = readerOf(bad);
        ASSERT_EQ(r->ReadWaveHeader(), 0);
        EXPECT_EQ(readBlock(*r, 50).result, -108);
    }
    {
        // A second chunk of size 0.
        auto empty = multiChunk({ramp(100), ramp(1)});
        empty.resize(empty.size() - 2);
        std::fill(empty.end() - 4, empty.end(), 0);
        auto r = readerOf(empty);
        ASSERT_EQ(r->ReadWaveHeader(), 0);
        EXPECT_EQ(readBlock(*r, 50).result, -108);
    }
}

TEST(WaveFileRead, MissingFile)
{
    wavio::WaveFileRead r("/nonexistent/corvane.wav");
    EXPECT_NE(r.openError(), 0);
    EXPECT_EQ(r.ReadWaveHeader(), -1101);
}

// ---- Peer files: written by libsndfile, read by us and by it. ----

std::string tempPath(const std::string& name)
{
    return (std::filesystem::temp_directory_path() / ("corvane-read-" + std::to_string(::getpid()) + "-" + name))
        .string();
}

std::vector<std::int16_t> writeWithSndfile(const std::string& path, int channels, int frames)
{
    std::vector<std::int16_t> interleaved(static_cast<size_t>(frames * channels));
    unsigned seed = 12345;
    for (auto& s : interleaved) {
        seed = seed * 1103515245u + 12345u;
        s = static_cast<std::int16_t>(seed >> 16);
    }
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* sf = sf_open(path.c_str(), SFM_WRITE, &info);
    EXPECT_NE(sf, nullptr) << sf_strerror(nullptr);
    if (sf == nullptr)
        return {};
    EXPECT_EQ(sf_writef_short(sf, interleaved.data(), frames), frames);
    sf_close(sf);

    // What the peer reads back is the reference.
    SF_INFO back{};
    SNDFILE* in = sf_open(path.c_str(), SFM_READ, &back);
    std::vector<std::int16_t> peer(static_cast<size_t>(frames * channels));
    EXPECT_EQ(sf_readf_short(in, peer.data(), frames), frames);
    sf_close(in);
    return peer;
}

struct OverlapCase {
    int channels;
    int frames;
    int block;
    int hop; // frames moved on per call; block - hop are read again
    int keep; // history the refill must leave in the ring
};

class PeerFileOverlap : public testing::TestWithParam<OverlapCase> {};

TEST_P(PeerFileOverlap, MatchesTheWriterFrameByFrame)
{
    const OverlapCase c = GetParam();
    const std::string path = tempPath(std::to_string(c.channels) + "-" + std::to_string(c.block) + ".wav");
    const auto peer = writeWithSndfile(path, c.channels, c.frames);
    ASSERT_FALSE(peer.empty());

    wavio::WaveFileRead r(path);
    ASSERT_EQ(r.openError(), 0);
    ASSERT_EQ(r.ReadWaveHeader(), 0);
    std::vector<double> left(static_cast<size_t>(c.block)), right(static_cast<size_t>(c.block));
    const auto ch = static_cast<size_t>(c.channels);
    int start = 0; // first frame of the block being read
    for (int call = 0;; ++call) {
        // Each block after the first starts hop frames after the one before.
        const int back = call == 0 ? 0 : -(c.block - c.hop);
        const int result = r.ReadWaveData(left.data(), right.data(), 1.0, c.block, back, c.keep);
        ASSERT_GE(result, 0) << "at frame " << start;
        const int n = r.getLastCount();
        for (int i = 0; i < n; ++i) {
            const size_t frame = static_cast<size_t>(start + i);
            ASSERT_LT(frame, static_cast<size_t>(c.frames));
            ASSERT_EQ(left[static_cast<size_t>(i)], peer[frame * ch]) << "frame " << frame;
            ASSERT_EQ(right[static_cast<size_t>(i)], c.channels == 2 ? peer[frame * ch + 1] : 0)
                << "frame " << frame;
        }
        if (result == 1) {
            EXPECT_EQ(start + n, c.frames);
            break;
        }
        ASSERT_EQ(n, c.block);
        start += c.hop;
    }
    EXPECT_EQ(r.FileClose(), 0);
    std::remove(path.c_str());
}

INSTANTIATE_TEST_SUITE_P(
    LongerThanTheRing, PeerFileOverlap,
    testing::Values(OverlapCase{1, 300001, 4096, 4096, 0}, OverlapCase{1, 300001, 4096, 2048, 0},
                    OverlapCase{1, 300001, 1000, 999, 5000}, OverlapCase{1, 300001, 95000, 50000, 96000},
                    OverlapCase{2, 150001, 4096, 4096, 0}, OverlapCase{2, 150001, 4096, 3000, 4096},
                    OverlapCase{2, 150001, 47000, 1000, 48000}, OverlapCase{2, 100003, 777, 3, 0}),
    [](const testing::TestParamInfo<OverlapCase>& param) {
        const OverlapCase& c = param.param;
        return std::string(c.channels == 2 ? "Stereo" : "Mono") + "Block" + std::to_string(c.block) + "Hop" +
               std::to_string(c.hop) + "Frames" + std::to_string(c.frames) + "Keep" + std::to_string(c.keep);
    });

TEST(WaveFileRead, ReadsOurOwn16BitExport)
{
    const int frames = 30011;
    const std::string path = tempPath("own.wav");
    const double amplitude = std::pow(10.0, 6.0 * 0.05);
    {
        wavio::FileSink file;
        ASSERT_EQ(file.create(path), 0);
        signal::MiniWaveGen gen;
        gen.setSignal(signal::MiniWaveGen::Sine, 2, 997.0, 48000, amplitude);
        wavio::FileWriteThread thread(file, gen, frames, 48000, 2);
        thread.setDataFormat(core::SampleType::Float64, wavio::S16, wavio::fullScale(wavio::S16));
        ASSERT_EQ(thread.execStore(0, true), 0); // nothing, just the set-up
        ASSERT_EQ(thread.writeHeader(frames, 48000, 2), 0);
        for (int done = 0; done < frames; done += 10000)
            ASSERT_EQ(thread.execStore(std::min(10000, frames - done), true), 0);
    }
    signal::MiniWaveGen reference;
    reference.setSignal(signal::MiniWaveGen::Sine, 1, 997.0, 48000, amplitude);
    std::vector<double> x(frames);
    reference.execStore(x.data(), frames);

    wavio::WaveFileRead r(path);
    ASSERT_EQ(r.ReadWaveHeader(), 0);
    std::vector<double> left(frames), right(frames);
    ASSERT_EQ(r.ReadWaveData(left.data(), right.data(), 1.0, frames, 0, 0), 1);
    for (size_t i = 0; i < static_cast<size_t>(frames); ++i) {
        // Worked from the export rule: trunc(x * 3276.7 + 0.5).
        const auto want = static_cast<double>(
            std::trunc(static_cast<long double>(x[i]) * static_cast<long double>(3276.7000000000003) + 0.5L));
        ASSERT_EQ(left[i], want) << i;
        ASSERT_EQ(right[i], want) << i;
    }
    r.FileClose();
    std::remove(path.c_str());
}

} // namespace
