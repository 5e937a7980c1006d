#include "BenchFormats.h"
#include "signal/FastSine.h"
#include "signal/MiniWaveGen.h"
#include "wavio/EncodeKernels.h"
#include "wavio/WavFormat.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

using namespace corvane;
using namespace corvane::signal;
using namespace corvane::wavio;

namespace {

namespace sig = corvane::signal;
namespace wv = corvane::wavio;

constexpr int kFrames = 65536; // one hand-over of the writing thread
constexpr double kAmp = 2.0; // +6 dB, the export default

std::vector<double> exportPhases()
{
    MiniWaveGen gen;
    gen.setSignal(MiniWaveGen::Sine, 2, 400.0, 48000.0, kAmp);
    std::vector<double> phase(kFrames);
    gen.execStorePhases(phase.data(), kFrames, 2);
    return phase;
}

// The polynomial sine alone, per instruction set.
void BM_FastSine(benchmark::State& state)
{
    const auto isa = static_cast<sig::Isa>(state.range(0));
    if (!sig::isaSupported(isa)) {
        state.SkipWithError("not supported by this CPU");
        return;
    }
    const std::vector<double> phase = exportPhases();
    std::vector<double> out(kFrames);
    sig::sineBlock(phase.data(), out.data(), kFrames, isa);
    if (std::fabs(out[30] - 1.0) > 1e-15 || std::fabs(out[90] + 1.0) > 1e-15) {
        state.SkipWithError("crest or trough wrong");
        return;
    }
    for (auto _ : state) {
        sig::sineBlock(phase.data(), out.data(), kFrames, isa);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
    state.SetLabel(sig::isaName(isa));
}
BENCHMARK(BM_FastSine)->Arg(0)->Arg(1)->Arg(2);

// Phases to stereo bytes, the export's fast path, per format and instruction
// set; checked once against the reference encoder.
void BM_EncodeSine(benchmark::State& state)
{
    const core::SampleFormat format = bench::formatAt(state.range(0));
    const auto isa = static_cast<sig::Isa>(state.range(1));
    if (!sig::isaSupported(isa)) {
        state.SkipWithError("not supported by this CPU");
        return;
    }
    const double amp = format >= wavio::F32 ? kAmp * 0.1 : kAmp;
    const double scale = wavio::fullScale(format);
    const std::vector<double> phase = exportPhases();
    std::vector<double> y(kFrames);
    for (int i = 0; i < kFrames; ++i)
        y[static_cast<size_t>(i)] = amp * std::sin(phase[static_cast<size_t>(i)]);
    const std::size_t bytes =
        static_cast<std::size_t>(kFrames) * 2 * static_cast<std::size_t>(wavio::bytesPerSample(format));
    std::vector<std::uint8_t> expected(bytes), out(bytes);
    wavio::encodeBlock(y.data(), y.data(), kFrames, format, scale, expected.data());
    wv::encodeSineBlock(phase.data(), kFrames, amp, format, scale, 2, out.data(), isa);
    if (expected != out) {
        state.SkipWithError("bytes differ from the reference encoder");
        return;
    }
    for (auto _ : state) {
        wv::encodeSineBlock(phase.data(), kFrames, amp, format, scale, 2, out.data(), isa);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
    state.SetLabel(bench::formatName(format) + " " + sig::isaName(isa));
}
BENCHMARK(BM_EncodeSine)
    ->ArgsProduct({benchmark::CreateDenseRange(0, static_cast<int>(corvane::core::kSampleFormats.size()) - 1, 1),
                   {0, 1, 2}});

} // namespace
