// The playing and the capturing threads allocate nothing while they run: an
// allocation can wait on a lock another thread holds, long enough for the
// device to run dry or over. Every operator new of this program is counted
// while a test watches; the main thread only sleeps meanwhile.
#include "audio/CaptureThread.h"
#include "audio/PlaybackThread.h"
#include "audio/SoundInput.h"
#include "audio/SoundOutput.h"
#include "signal/MiniWaveGen.h"
#include "support/Files.h"
#include "wavio/WavFormat.h"

#include <alsa/asoundlib.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <thread>

namespace {

std::atomic<bool> watching{false};
std::atomic<long> allocations{0};

void* counted(std::size_t n)
{
    if (watching.load(std::memory_order_relaxed))
        allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(n != 0 ? n : 1))
        return p;
    throw std::bad_alloc();
}

} // namespace

// GCC 12 takes the free() below for one of memory from new, not seeing that
// these operators are the program's own and take it from malloc.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t n)
{
    return counted(n);
}
void* operator new[](std::size_t n)
{
    return counted(n);
}
// The nothrow forms too, so every pair of new and delete is this file's.
void* operator new(std::size_t n, const std::nothrow_t&) noexcept
{
    if (watching.load(std::memory_order_relaxed))
        allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(n != 0 ? n : 1);
}
void* operator new[](std::size_t n, const std::nothrow_t& tag) noexcept
{
    return operator new(n, tag);
}
void operator delete(void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace {

using namespace std::chrono_literals;
using namespace corvane;
using namespace corvane::audio;
namespace fs = std::filesystem;

// Counts what is allocated from the moment framesDone passes `from` until it
// passes `to`, sleeping in between.
template <typename Progress>
long allocationsBetween(Progress framesDone, std::int64_t from, std::int64_t to)
{
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (framesDone() < from && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    allocations.store(0);
    watching.store(true);
    while (framesDone() < to && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    watching.store(false);
    EXPECT_GE(framesDone(), to) << "the thread did not get that far";
    return allocations.load();
}

TEST(NoAllocation, TheCountSeesAnAllocation)
{
    const auto framesDone = [n = std::int64_t{0}]() mutable {
        // Called, not a new-expression, which the compiler may leave out;
        // on the first call while watching.
        if (n == 2)
            ::operator delete(::operator new(16));
        return n++;
    };
    EXPECT_EQ(allocationsBetween(framesDone, 1, 3), 1);
}

TEST(NoAllocation, ThePlayingThreadOnceStarted)
{
    SoundOutput output;
    ASSERT_EQ(output.open("null", PlayFormat::S16, 2, 48000), 0) << output.reason();
    signal::MiniWaveGen gen;
    gen.setSignal(signal::MiniWaveGen::Sine, 2, 1000.0, 48000, 1.0);
    PlaybackThread player(output, gen);
    ASSERT_EQ(player.start(PlaybackThread::kLoopForever, wavio::fullScale(core::SampleFormat::S16)), 0);
    EXPECT_EQ(allocationsBetween([&] { return player.framesWritten(); }, 48000, 10 * 48000), 0);
    player.requestStop();
    EXPECT_TRUE(player.waitDone(5s));
}

// A device with a clock (LateCapturePlugin.cpp): period after period of 20 ms
// come at its pace, as from a sound card.
TEST(NoAllocation, TheCapturingThreadOnceStarted)
{
    const fs::path dir = freshTestFolder("corvane-audio-alloc");
    const fs::path silence = dir / "silence.raw";
    std::ofstream(silence, std::ios::binary) << std::string(48000 * 4, '\0');
    const fs::path conf = dir / "devices.conf";
    std::ofstream(conf) << "pcm_type.corvane_late { lib \"" CORVANE_LATE_PLUGIN "\" }\n"
                        << "pcm.corvane_clocked { type corvane_late infile \"" << silence.string() << "\" }\n";
    const std::string path = std::string(snd_config_topdir()) + "/alsa.conf:" + conf.string();
    ::setenv("ALSA_CONFIG_PATH", path.c_str(), 1);

    SoundInput input;
    ASSERT_EQ(input.open("corvane_clocked", PlayFormat::S16, 2, 48000), 0) << input.reason();
    EXPECT_EQ(input.periodFrames(), 960);
    EXPECT_EQ(input.bufferFrames(), 4 * 960);
    CaptureThread capture(input);
    ASSERT_EQ(capture.start(24000, true), 0) << capture.reason();
    EXPECT_EQ(allocationsBetween([&] { return capture.framesCaptured(); }, 2 * 960, 15 * 960), 0);
    EXPECT_TRUE(capture.waitDone(10s));
    EXPECT_EQ(capture.captureResult(), 0) << capture.reason();
    EXPECT_EQ(capture.framesCaptured(), 24000);
    EXPECT_EQ(capture.framesLost(), 0);
    fs::remove_all(dir);
}

} // namespace
