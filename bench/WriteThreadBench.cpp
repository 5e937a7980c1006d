#include "BenchFormats.h"
#include "signal/MiniWaveGen.h"
#include "signal/TWaveProvider.h"
#include "wavio/ByteSink.h"
#include "wavio/FileWriteThread.h"
#include "wavio/WavFormat.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace corvane;

namespace {

constexpr int kFs = 48000;
constexpr int kFrames = 10 * kFs; // ten seconds of stereo per file
constexpr double kAmp = 2.0;

// Counts what it is given and keeps the first bytes, so the header and the
// first frames can be checked; the rest goes nowhere, leaving the disk out.
class CountingSink final : public wavio::ByteSink {
public:
    bool write(const void* data, std::size_t byteCount) override
    {
        const auto* p = static_cast<const std::uint8_t*>(data);
        const std::size_t keep = head.size() < kKeep ? std::min(byteCount, kKeep - head.size()) : 0;
        head.insert(head.end(), p, p + keep);
        total += byteCount;
        ++writes;
        return true;
    }

    static constexpr std::size_t kKeep = 256;
    std::vector<std::uint8_t> head;
    std::size_t total = 0;
    std::size_t writes = 0;
};

std::uint32_t get32(const std::vector<std::uint8_t>& v, std::size_t at)
{
    return static_cast<std::uint32_t>(v[at] | v[at + 1] << 8 | v[at + 2] << 16) |
           static_cast<std::uint32_t>(v[at + 3]) << 24;
}

// Writes one file the way the export command does; the thread's result.
int writeFile(CountingSink& sink, signal::MiniWaveGen& gen, core::SampleFormat format)
{
    const double amplitude = format >= wavio::F32 ? kAmp * 0.1 : kAmp;
    gen.setSignal(signal::MiniWaveGen::Sine, 2, 400.0, kFs, amplitude);
    wavio::FileWriteThread thread(sink, gen, kFrames, kFs, 2);
    thread.setDataFormat(core::SampleType::Float64, format, wavio::fullScale(format));
    thread.start();
    while (!thread.waitDone(std::chrono::milliseconds(1000))) {
    }
    return thread.storeResult();
}

std::string checkFile(core::SampleFormat format)
{
    CountingSink sink;
    auto gen = std::make_unique<signal::MiniWaveGen>();
    if (const int r = writeFile(sink, *gen, format); r != 0)
        return "the writer returned " + std::to_string(r);
    const int b = wavio::bytesPerSample(format);
    const auto header = static_cast<std::size_t>(wavio::headerByteCount(format));
    const std::size_t data = std::size_t{kFrames} * 2 * static_cast<std::size_t>(b);
    const auto& h = sink.head;
    if (sink.total != header + data)
        return "wrote " + std::to_string(sink.total) + " bytes, expected " + std::to_string(header + data);
    if (std::memcmp(h.data(), "RIFF", 4) != 0 || std::memcmp(h.data() + 8, "WAVE", 4) != 0 ||
        std::memcmp(h.data() + header - 8, "data", 4) != 0)
        return "the header's chunk names are wrong";
    if (get32(h, 4) != header + data - 8 || get32(h, header - 4) != data)
        return "the header's sizes are wrong";
    const unsigned tag = h[20] | static_cast<unsigned>(h[21]) << 8;
    if (tag != (format <= wavio::S16 ? 1u : 0xFFFEu) || get32(h, 24) != kFs)
        return "the header's format tag or rate is wrong";
    // The first frame is the sine's zero crossing: silence in both channels.
    const std::uint8_t silence = format == wavio::U8 ? 0x80 : 0x00;
    for (std::size_t i = header; i < header + 2 * static_cast<std::size_t>(b); ++i)
        if (h[i] != silence)
            return "the first frame is not silence";
    return {};
}

void BM_WriteThread(benchmark::State& state)
{
    const core::SampleFormat format = bench::formatAt(state.range(0));
    if (const std::string error = checkFile(format); !error.empty()) {
        state.SkipWithError(error.c_str());
        return;
    }
    auto gen = std::make_unique<signal::MiniWaveGen>();
    std::size_t bytes = 0;
    std::size_t writes = 0;
    for (auto _ : state) {
        CountingSink sink;
        if (writeFile(sink, *gen, format) != 0) {
            state.SkipWithError("the writer failed");
            return;
        }
        bytes += sink.total;
        writes = sink.writes;
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
    state.SetItemsProcessed(state.iterations() * kFrames);
    state.counters["writes"] = static_cast<double>(writes);
    state.SetLabel(bench::formatName(format));
}

} // namespace

// The work happens on the writer's own thread, so only wall time means anything.
BENCHMARK(BM_WriteThread)
    ->DenseRange(0, static_cast<int>(corvane::core::kSampleFormats.size()) - 1)
    ->ArgName("format")
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
