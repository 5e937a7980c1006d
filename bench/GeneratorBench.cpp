#include "core/CodeSets.h"
#include "signal/MiniWaveGen.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

using namespace corvane;

namespace {

constexpr int kBlock = 16384;
constexpr double kFs = 48000.0;
constexpr double kFreq = 400.0; // 120 samples a period, so the landmarks below fall on whole samples
constexpr double kAmp = 2.0;

// Samples whose value is known without running the generator: 0 is the start
// of a period, 8 the first sample past pi/8, 10 well inside the high half,
// 30 the sine's crest and 90 its trough.
struct Landmark {
    int index;
    double value;
};

std::vector<Landmark> landmarks(int shape)
{
    switch (shape) {
    case signal::MiniWaveGen::Sine: return {{0, 0.0}, {30, kAmp}, {60, 0.0}, {90, -kAmp}};
    case signal::MiniWaveGen::StepUp: return {{0, 0.0}, {7, 0.0}, {8, kAmp}, {10, kAmp}, {80, 0.0}};
    case signal::MiniWaveGen::StepDown: return {{0, 0.0}, {7, 0.0}, {8, -kAmp}, {10, -kAmp}, {80, 0.0}};
    case signal::MiniWaveGen::Square: return {{0, -kAmp}, {7, -kAmp}, {8, kAmp}, {10, kAmp}, {80, -kAmp}};
    case signal::MiniWaveGen::PulseUp: return {{0, 0.0}, {7, 0.0}, {8, kAmp}, {9, 0.0}, {128, kAmp}};
    case signal::MiniWaveGen::PulseDown: return {{0, 0.0}, {7, 0.0}, {8, -kAmp}, {9, 0.0}, {128, -kAmp}};
    default: return {};
    }
}

// Empty when the first block matches the landmarks, else what went wrong.
std::string checkFirstBlock(int shape)
{
    auto gen = std::make_unique<signal::MiniWaveGen>();
    gen->setSignal(shape, 1, kFreq, kFs, kAmp);
    std::vector<double> out(kBlock);
    if (gen->execStore(out.data(), kBlock) != 0)
        return "execStore failed";
    for (const auto& [index, value] : landmarks(shape)) {
        const double got = out[static_cast<std::size_t>(index)];
        if (std::fabs(got - value) > 1e-9)
            return "sample " + std::to_string(index) + " is " + std::to_string(got) + ", expected " +
                   std::to_string(value);
    }
    return {};
}

void BM_Generate(benchmark::State& state)
{
    const int shape = static_cast<int>(state.range(0));
    if (const std::string error = checkFirstBlock(shape); !error.empty()) {
        state.SkipWithError(error.c_str());
        return;
    }
    // On the heap: the generator carries its own 128 KiB scratch block.
    auto gen = std::make_unique<signal::MiniWaveGen>();
    gen->setSignal(shape, 1, kFreq, kFs, kAmp);
    std::vector<double> out(kBlock);
    for (auto _ : state) {
        gen->execStore(out.data(), kBlock);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kBlock);
    state.SetLabel(std::string(corvane::core::kWaveShapes[static_cast<std::size_t>(shape)].cliName));
}

} // namespace

BENCHMARK(BM_Generate)->DenseRange(0, static_cast<int>(corvane::core::kWaveShapes.size()) - 1)->ArgName("shape");
