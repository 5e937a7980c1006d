#include "BenchFormats.h"
#include "signal/MiniWaveGen.h"
#include "wavio/WavFormat.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

using namespace corvane;

namespace {

constexpr int kFrames = 16384;
constexpr double kAmp = 2.0; // +6 dB, the export default

// Encoded values of the sine's crest (frame 30) and trough (frame 90) at +6 dB.
// The trough shows the rounding: trunc(x + 0.5) moves a negative value towards
// zero, so -6553.4 becomes -6552, not -6553.
struct Expected {
    double crest;
    double trough;
    double zero;
};

constexpr Expected kExpected[] = {
    {153, 104, 128}, // u8: 25.4 + 128, -24 + 128
    {6553, -6552, 0}, // s16
    {1677721, -1677720, 0}, // s24
    {429496729, -429496728, 0}, // s32
    {2.0, -2.0, 0.0}, // f32
    {2.0, -2.0, 0.0}, // f64
};

struct Input {
    std::vector<double> left, right;
};

// 16384 frames of a 400 Hz sine at 48 kHz, both channels the same.
Input makeInput()
{
    Input in{std::vector<double>(kFrames), std::vector<double>(kFrames)};
    auto gen = std::make_unique<signal::MiniWaveGen>();
    gen->setSignal(signal::MiniWaveGen::Sine, 2, 400.0, 48000.0, kAmp);
    gen->execStore(in.left.data(), in.right.data(), kFrames);
    return in;
}

std::string checkEncoding(core::SampleFormat format, const std::vector<std::uint8_t>& out)
{
    const int b = wavio::bytesPerSample(format);
    const Expected& e = kExpected[core::codeOf(format)];
    const auto sample = [&](int frame, int channel) {
        const std::uint8_t* p = out.data() + (2 * frame + channel) * b;
        return format >= wavio::F32 ? bench::readFloat(p, b) : static_cast<double>(bench::readInt(p, b));
    };
    const double tolerance = format == wavio::F32 ? 1e-6 : 1e-12;
    const struct {
        int frame;
        double value;
    } points[] = {{0, e.zero}, {30, e.crest}, {90, e.trough}};
    for (const auto& pt : points) {
        for (int ch = 0; ch < 2; ++ch) {
            const double got = sample(pt.frame, ch);
            if (std::fabs(got - pt.value) > tolerance)
                return "frame " + std::to_string(pt.frame) + " channel " + std::to_string(ch) + " is " +
                       std::to_string(got) + ", expected " + std::to_string(pt.value);
        }
    }
    return {};
}

void BM_Encode(benchmark::State& state)
{
    const core::SampleFormat format = bench::formatAt(state.range(0));
    const Input in = makeInput();
    const double scale = wavio::fullScale(format);
    const auto bytes = static_cast<std::size_t>(2 * kFrames * wavio::bytesPerSample(format));
    std::vector<std::uint8_t> out(bytes);

    wavio::encodeBlock(in.left.data(), in.right.data(), kFrames, format, scale, out.data());
    if (const std::string error = checkEncoding(format, out); !error.empty()) {
        state.SkipWithError(error.c_str());
        return;
    }

    for (auto _ : state) {
        wavio::encodeBlock(in.left.data(), in.right.data(), kFrames, format, scale, out.data());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
    state.SetItemsProcessed(state.iterations() * kFrames * 2);
    state.SetLabel(bench::formatName(format));
}

} // namespace

BENCHMARK(BM_Encode)->DenseRange(0, static_cast<int>(corvane::core::kSampleFormats.size()) - 1)->ArgName("format");
