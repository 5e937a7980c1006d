#include "wavio/ChunkedWrite.h"

#include "core/ResultCodes.h"

#include "signal/TWaveProvider.h"
#include "wavio/ByteSink.h"
#include "wavio/EncodeKernels.h"
#include "wavio/WavFormat.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <thread>
#include <optional>
#include <vector>

namespace corvane::wavio {
namespace {

// About this many frames per hand-over: large enough that the two threads
// rarely wait for each other, small enough to stay in the second-level cache.
constexpr int kChunkFrames = 65536;

// The share of a chunk's sine samples the helper computes after the phases,
// per format, to start with: the helper's phase loop is serial, the writing
// thread has the writes (heavy for the 64-bit format). Whichever thread had
// to wait for the other then moves the share by a step, so the two keep
// finishing a chunk at about the same time on a busy machine too. Who
// computes which sample changes nothing in the bytes.
constexpr double kHelperShare[] = {0.35, 0.35, 0.35, 0.35, 0.35, 0.75};
constexpr double kShareStep = 0.02;
// A sweep's samples cost the same on either thread, so the two start even.
constexpr double kSweepHelperShare = 0.5;

struct Chunk {
    std::vector<double> first; // phases (sine) or left samples
    std::vector<double> second; // right samples (other providers, stereo)
    std::vector<std::uint8_t> bytes;
    int frames = 0;
    int goodFrames = 0; // frames before the block the provider refused
    int result = 0; // that refusal, or 0
    int encodedFrames = 0; // sine, sweep: frames the helper has already encoded
    std::int64_t firstFrame = 0; // sweep: the chunk's first frame
};

// frames of the sweep from chunk frame at on, computed and encoded (both
// channels alike for stereo).
void sweepPart(const signal::TWaveProvider& sweep, Chunk& c, int at, int frames, const ChunkedWrite& job,
               int blockAlign)
{
    if (frames <= 0)
        return;
    double* samples = c.first.data() + at;
    sweep.fillFrames(c.firstFrame + at, samples, frames);
    encodeDoubleBlock(samples, job.numCh == 2 ? samples : nullptr, frames, job.dataFormat, job.scale,
                      c.bytes.data() + static_cast<std::size_t>(at) * static_cast<std::size_t>(blockAlign));
}

} // namespace

int writeChunked(const ChunkedWrite& job)
{
    const int block = job.blockFrames;
    if (block <= 0 || job.dataLength <= 0)
        return 0;
    const bool stereo = job.numCh == 2;
    const int bytesPerSample = wavio::bytesPerSample(job.dataFormat);
    const int blockAlign = bytesPerSample * job.numCh;
    const int chunkFrames = std::max(1, kChunkFrames / block) * block;
    // Read once: the helper is the only one touching the generator from now on.
    const std::optional<double> sineAmplitude = job.provider.sineAmplitude();
    signal::TWaveProvider* const sine = sineAmplitude ? &job.provider : nullptr;
    const double amplitude = sineAmplitude.value_or(0.0);
    signal::TWaveProvider* const sweep = sine == nullptr && job.provider.framesByNumber() ? &job.provider : nullptr;
    const bool shared = sine != nullptr || sweep != nullptr;
    // One array for both channels when the provider's are identical.
    const bool alike = !shared && stereo && job.provider.identicalChannels();
    double share = sweep != nullptr ? kSweepHelperShare : kHelperShare[static_cast<std::size_t>(job.dataFormat)]; // guarded by m

    Chunk chunks[2];
    for (Chunk& c : chunks) {
        c.first.resize(static_cast<std::size_t>(chunkFrames));
        if (!shared && stereo && !alike)
            c.second.resize(static_cast<std::size_t>(chunkFrames));
        c.bytes.resize(static_cast<std::size_t>(chunkFrames) * static_cast<std::size_t>(blockAlign));
    }

    std::mutex m;
    std::condition_variable changed;
    bool filled[2] = {false, false};
    bool quit = false;
    const auto quitting = [&] {
        std::lock_guard lock(m);
        return quit;
    };

    std::thread helper([&] {
        int asked = 0;
        for (int k = 0; asked < job.dataLength; ++k) {
            Chunk& c = chunks[k % 2];
            double head = 0.0;
            {
                std::unique_lock lock(m);
                if (filled[k % 2] && !quit)
                    share = std::min(share + kShareStep, 0.95);
                changed.wait(lock, [&] { return quit || !filled[k % 2]; });
                if (quit)
                    return;
                head = share;
            }
            c.frames = std::min(chunkFrames, job.dataLength - asked);
            c.result = 0;
            c.goodFrames = c.frames;
            c.encodedFrames = 0;
            if (sweep != nullptr) {
                c.firstFrame = sweep->takeFrames(c.frames);
                c.encodedFrames = static_cast<int>(c.frames * head);
                sweepPart(*sweep, c, 0, c.encodedFrames, job, blockAlign);
            } else if (sine != nullptr) {
                c.result = sine->execStorePhases(c.first.data(), c.frames, job.numCh);
                if (c.result < 0) {
                    c.goodFrames = 0;
                } else {
                    c.encodedFrames = static_cast<int>(c.frames * head);
                    encodeSineBlock(c.first.data(), c.encodedFrames, amplitude, job.dataFormat, job.scale,
                                    job.numCh, c.bytes.data());
                }
            } else {
                for (int at = 0; at < c.frames; at += block) {
                    if (at > 0 && quitting())
                        return;
                    const int n = std::min(block, c.frames - at);
                    double* first = c.first.data() + at;
                    const int r = alike    ? job.provider.execStoreIdentical(first, n)
                                  : stereo ? job.provider.execStore(first, c.second.data() + at, n)
                                           : job.provider.execStore(first, n);
                    if (r < 0) {
                        c.result = r;
                        c.goodFrames = at;
                        break;
                    }
                }
            }
            asked += c.frames;
            {
                std::lock_guard lock(m);
                filled[k % 2] = true;
            }
            changed.notify_all();
            if (c.result < 0)
                return;
        }
    });

    int r = 0;
    int written = 0;
    bool done = false;
    for (int k = 0; !done && written < job.dataLength; ++k) {
        Chunk& c = chunks[k % 2];
        {
            std::unique_lock lock(m);
            if (!filled[k % 2])
                share = std::max(share - kShareStep, 0.0);
            changed.wait(lock, [&] { return filled[k % 2]; });
        }
        if (sine != nullptr && c.result >= 0 && c.encodedFrames < c.frames) {
            const auto at = static_cast<std::size_t>(c.encodedFrames);
            encodeSineBlock(c.first.data() + at, c.frames - c.encodedFrames, amplitude, job.dataFormat, job.scale,
                            job.numCh, c.bytes.data() + at * static_cast<std::size_t>(blockAlign));
        }
        if (sweep != nullptr)
            sweepPart(*sweep, c, c.encodedFrames, c.frames - c.encodedFrames, job, blockAlign);
        for (int at = 0; at < c.frames; at += block) {
            if (job.terminated.raised()) {
                done = true;
                break;
            }
            const int n = std::min(block, c.frames - at);
            std::uint8_t* bytes =
                c.bytes.data() + static_cast<std::size_t>(at) * static_cast<std::size_t>(blockAlign);
            if (at >= c.goodFrames) {
                r = c.result;
            } else if (static_cast<long long>(n) * bytesPerSample > wavio::kMaxBlockBytes) {
                r = core::kBlockTooLarge;
            } else {
                if (!shared) {
                    const double* left = c.first.data() + at;
                    const double* right = alike ? left : stereo ? c.second.data() + at : nullptr;
                    encodeFrames(left, right, n, job.dataFormat, job.scale, nullptr, nullptr, bytes);
                }
                r = job.stream.write(bytes, static_cast<std::size_t>(n) * static_cast<std::size_t>(blockAlign))
                        ? 0
                        : core::kFileWriteError;
            }
            if (r < 0 || job.handover.stopRequested()) {
                done = true;
                break;
            }
            written += n;
            const double percent = written * 100.0 / job.dataLength + 0.5;
            job.handover.setProgress(static_cast<int>(percent));
        }
        {
            std::lock_guard lock(m);
            filled[k % 2] = false;
        }
        changed.notify_all();
    }

    {
        std::lock_guard lock(m);
        quit = true;
    }
    changed.notify_all();
    helper.join();
    return r;
}

} // namespace corvane::wavio
