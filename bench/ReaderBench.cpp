// Reading a 60 s 16-bit stereo file into doubles, 4096 frames a call: our
// reader against libsndfile's sf_readf_double on the same file.
#include "signal/MiniWaveGen.h"
#include "wavio/ByteSink.h"
#include "wavio/FileWriteThread.h"
#include "wavio/WavFormat.h"
#include "wavio/WaveFileRead.h"

#include <benchmark/benchmark.h>
#include <sndfile.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

using namespace corvane;

namespace {

constexpr int kRate = 48000;
constexpr int kFrames = 60 * kRate;
constexpr int kBlock = 4096;

const std::string& testFile()
{
    static const std::string path = [] {
        std::string p = (std::filesystem::temp_directory_path() /
                         ("corvane-read-bench-" + std::to_string(::getpid()) + ".wav"))
                            .string();
        wavio::FileSink file;
        if (file.create(p) != 0)
            std::abort();
        signal::MiniWaveGen gen;
        gen.setSignal(signal::MiniWaveGen::Sine, 2, 997.0, kRate, 3.0);
        wavio::FileWriteThread thread(file, gen, kFrames, kRate, 2);
        thread.setDataFormat(core::SampleType::Float64, wavio::S16, wavio::fullScale(wavio::S16));
        thread.start();
        while (!thread.waitDone(std::chrono::milliseconds(100))) {
        }
        if (thread.storeResult() != 0)
            std::abort();
        std::atexit([] { std::remove(testFile().c_str()); });
        return p;
    }();
    return path;
}

// Reads the whole file; returns the frames read and the sum of the samples,
// which both readers must agree on.
long long readOurs(double& sum)
{
    wavio::WaveFileRead reader(testFile());
    if (reader.ReadWaveHeader() != 0)
        return -1;
    std::vector<double> left(kBlock), right(kBlock);
    long long frames = 0;
    for (int r = 0; r == 0;) {
        r = reader.ReadWaveData(left.data(), right.data(), 32768.0, kBlock, 0, 0);
        if (r < 0)
            return -1;
        for (int i = 0; i < reader.getLastCount(); ++i)
            sum += left[static_cast<size_t>(i)] + right[static_cast<size_t>(i)];
        frames += reader.getLastCount();
    }
    reader.FileClose();
    return frames;
}

long long readSndfile(double& sum)
{
    SF_INFO info{};
    SNDFILE* sf = sf_open(testFile().c_str(), SFM_READ, &info);
    if (sf == nullptr)
        return -1;
    std::vector<double> interleaved(2 * kBlock);
    long long frames = 0;
    for (;;) {
        const sf_count_t n = sf_readf_double(sf, interleaved.data(), kBlock);
        for (sf_count_t i = 0; i < 2 * n; ++i)
            sum += interleaved[static_cast<size_t>(i)];
        frames += n;
        if (n < kBlock)
            break;
    }
    sf_close(sf);
    return frames;
}

void checkBothAgree(benchmark::State& state)
{
    double ours = 0.0, peer = 0.0;
    if (readOurs(ours) != kFrames || readSndfile(peer) != kFrames || ours != peer)
        state.SkipWithError("the readers disagree");
}

void BM_ReadWaveFileRead(benchmark::State& state)
{
    checkBothAgree(state);
    for (auto _ : state) {
        double sum = 0.0;
        benchmark::DoNotOptimize(readOurs(sum));
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
}
BENCHMARK(BM_ReadWaveFileRead)->Unit(benchmark::kMillisecond);

void BM_ReadSndfileDouble(benchmark::State& state)
{
    checkBothAgree(state);
    for (auto _ : state) {
        double sum = 0.0;
        benchmark::DoNotOptimize(readSndfile(sum));
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
}
BENCHMARK(BM_ReadSndfileDouble)->Unit(benchmark::kMillisecond);

} // namespace
