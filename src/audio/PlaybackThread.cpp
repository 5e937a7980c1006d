#include "audio/PlaybackThread.h"

#include "AlsaMessages.h"
#include "audio/SoundOutput.h"
#include "core/CodeSets.h"
#include "core/ResultCodes.h"
#include "signal/Dither.h"
#include "signal/TWaveProvider.h"
#include "wavio/EncodeKernels.h"
#include "wavio/WavFormat.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <system_error>

namespace corvane::audio {
namespace {

// A period longer than this is played in pieces; the generator's own block
// limit is the same.
constexpr int kMaxChunkFrames = 16384;
// The slice the worker waits on the device before it looks at the stop flag.
constexpr int kWaitSliceMs = 10;

} // namespace

PlaybackThread::PlaybackThread(SoundOutput& output_, signal::TWaveProvider& provider_)
    : output(output_), provider(provider_)
{
}

PlaybackThread::~PlaybackThread()
{
    handover.requestStop();
    if (worker.joinable())
        worker.join();
}

int PlaybackThread::start(std::int64_t frameCount, double scale_)
{
    if (started)
        return core::kAlreadyRunning;
    if (output.pcm == nullptr) {
        failure = "the sound output is not open";
        return core::kDeviceOpenError;
    }
    if (!output.playing.tryTake()) {
        failure = "another playback is running on this output";
        return core::kAlreadyRunning;
    }
    started = true;
    frameTarget = frameCount < 0 ? kLoopForever : frameCount;
    scale = scale_;

    chunkFrames = std::min(output.period, kMaxChunkFrames);
    const int limit = provider.getMaxBlockSize(signal::TWaveProvider::Float64, output.channels);
    if (limit > 0 && limit < chunkFrames)
        chunkFrames = limit;

    try {
        const auto n = static_cast<std::size_t>(chunkFrames);
        left.assign(n, 0.0);
        right.assign(n, 0.0);
        encoded.assign(n * static_cast<std::size_t>(output.frameBytes()), 0);
        ditherValues.assign(n, 0.0);
        worker = std::thread(&PlaybackThread::run, this);
    } catch (const std::bad_alloc&) {
        failure = "out of memory for the output buffers";
    } catch (const std::system_error& e) {
        failure = std::string("cannot start the playing thread: ") + e.what();
    }
    if (!worker.joinable()) {
        output.playing.release();
        return core::kNoResources;
    }
    return 0;
}

int PlaybackThread::fail(int code, const char* what, int alsaError)
{
    failure = std::string(what) + ": " + detail::alsaReason(alsaError);
    return code;
}

void PlaybackThread::run()
{
    detail::clearAlsaMessage();
    snd_pcm_t* pcm = output.pcm;
    const bool stereo = output.channels == 2;
    const core::SampleFormat wavFormat = playFormatInfo(output.playFormat)->wavFormat();

    int r = 0;
    bool stopped = false;
    std::int64_t remaining = frameTarget;
    while (frameTarget < 0 || remaining > 0) {
        if (handover.stopRequested()) {
            stopped = true;
            break;
        }
        const int n =
            frameTarget < 0 ? chunkFrames : static_cast<int>(std::min<std::int64_t>(chunkFrames, remaining));
        r = stereo ? provider.execStore(left.data(), right.data(), n) : provider.execStore(left.data(), n);
        if (r < 0)
            break; // the provider's code goes up unchanged
        wavio::encodeFrames(left.data(), stereo ? right.data() : nullptr, n, wavFormat, scale, dither,
                            ditherValues.data(), encoded.data());
        r = writeFrames(encoded.data(), n);
        if (r != 0) {
            stopped = r > 0;
            r = std::min(r, 0);
            break;
        }
        remaining -= n;
    }

    if (r < 0 || stopped) {
        // What is still queued will not be heard: say how much that was.
        snd_pcm_sframes_t queued = 0;
        if (snd_pcm_delay(pcm, &queued) == 0 && queued > 0)
            dropped.set(std::min<std::int64_t>(queued, written.value()));
        snd_pcm_drop(pcm);
    } else {
        // A normal end plays out the buffer, a few periods at most; blocking
        // mode lets ALSA do the waiting.
        snd_pcm_nonblock(pcm, 0);
        const int err = snd_pcm_drain(pcm);
        snd_pcm_nonblock(pcm, 1);
        if (err < 0 && err != -EPIPE)
            r = fail(core::kWriteError, "the device did not play out its buffer", err);
    }
    // A device left in any state can be prepared for the next player.
    snd_pcm_prepare(pcm);

    output.playing.release();
    handover.finish(r);
}

int PlaybackThread::writeFrames(const std::uint8_t* bytes, int frameCount)
{
    snd_pcm_t* pcm = output.pcm;
    const auto frameBytes = static_cast<std::size_t>(output.frameBytes());
    int done = 0;
    auto lastProgress = std::chrono::steady_clock::now();
    while (done < frameCount) {
        if (handover.stopRequested())
            return 1;
        snd_pcm_sframes_t w = snd_pcm_writei(pcm, bytes + static_cast<std::size_t>(done) * frameBytes,
                                             static_cast<snd_pcm_uframes_t>(frameCount - done));
        if (w > 0) {
            done += static_cast<int>(w);
            written.add(w);
            lastProgress = std::chrono::steady_clock::now();
            continue;
        }
        if (w == 0 || w == -EAGAIN) {
            // Full: wait for room, a slice at a time.
            if (std::chrono::steady_clock::now() - lastProgress > kStallLimit)
                return fail(core::kTimedOut, "the device took no frames for 2 s", -ETIMEDOUT);
            const int ready = snd_pcm_wait(pcm, kWaitSliceMs);
            if (ready >= 0)
                continue;
            w = ready;
        }
        if (w == -EPIPE) {
            // The device ran dry. The samples stay in order, only late.
            underruns.add(1);
            if (const int err = snd_pcm_recover(pcm, -EPIPE, 1); err < 0)
                return fail(core::kDeviceStopped, "the device could not be restarted after an underrun", err);
            continue;
        }
        if (w == -ESTRPIPE) {
            if (const int err = snd_pcm_recover(pcm, -ESTRPIPE, 1); err < 0)
                return fail(core::kDeviceStopped, "the device could not be resumed after a suspend", err);
            continue;
        }
        return fail(core::kWriteError, "writing to the device failed", static_cast<int>(w));
    }
    return 0;
}

} // namespace corvane::audio
