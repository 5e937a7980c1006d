#include "audio/CaptureThread.h"

#include "AlsaMessages.h"
#include "audio/SoundInput.h"
#include "core/ResultCodes.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <system_error>

namespace corvane::audio {
namespace {

// The slice the worker waits on the device before it looks at the stop flag.
constexpr int kWaitSliceMs = 10;

} // namespace

CaptureThread::CaptureThread(SoundInput& input_) : input(input_) {}

CaptureThread::~CaptureThread()
{
    handover.requestStop();
    if (worker.joinable())
        worker.join();
}

int CaptureThread::start(std::int64_t frameCount, bool startDevice, bool unlinkOnceRunning)
{
    if (started)
        return core::kAlreadyRunning;
    if (input.pcm == nullptr) {
        failure = "the sound input is not open";
        return core::kDeviceOpenError;
    }
    const auto frameBytes = static_cast<std::int64_t>(input.frameBytes());
    if (frameCount < 0 ||
        frameCount > std::numeric_limits<std::int64_t>::max() / std::max<std::int64_t>(frameBytes, 1)) {
        failure = "cannot hold " + std::to_string(frameCount) + " frames";
        return core::kNoResources;
    }
    if (!input.capturing.tryTake()) {
        failure = "another capture is running on this input";
        return core::kAlreadyRunning;
    }
    started = true;
    frameTarget = frameCount;
    unlinkWhenRunning = unlinkOnceRunning;
    try {
        data.assign(static_cast<std::size_t>(frameCount * frameBytes), 0);
    } catch (const std::exception&) {
        failure = "out of memory for " + std::to_string(frameCount) + " captured frames";
        input.capturing.release();
        return core::kNoResources;
    }
    // Started here rather than by the worker, so it runs before the caller
    // starts anything it is to record.
    if (startDevice)
        if (const int err = snd_pcm_start(input.pcm); err < 0) {
            failure = "the capture did not start: " + detail::alsaReason(err);
            input.capturing.release();
            return core::kDeviceStopped;
        }
    try {
        worker = std::thread(&CaptureThread::run, this);
    } catch (const std::system_error& e) {
        failure = std::string("cannot start the capturing thread: ") + e.what();
        snd_pcm_drop(input.pcm);
        input.capturing.release();
        return core::kNoResources;
    }
    return 0;
}

std::span<const std::uint8_t> CaptureThread::bytes() const
{
    if (!handover.finished())
        return {};
    const auto n = static_cast<std::size_t>(captured.value()) * static_cast<std::size_t>(input.frameBytes());
    return {data.data(), std::min(n, data.size())};
}

int CaptureThread::fail(int code, const char* what, int alsaError)
{
    failure = std::string(what) + ": " + detail::alsaReason(alsaError);
    return code;
}

void CaptureThread::run()
{
    detail::clearAlsaMessage();
    snd_pcm_t* pcm = input.pcm;
    const auto frameBytes = static_cast<std::size_t>(input.frameBytes());
    int r = 0;

    std::int64_t done = 0;
    auto lastProgress = std::chrono::steady_clock::now();
    // When the device's clock started, from the first frames it gave: it
    // makes frames at its rate from then on, read or not.
    std::chrono::steady_clock::time_point clockStart{};
    while (r == 0 && done < frameTarget && !handover.stopRequested()) {
        const auto n = static_cast<snd_pcm_uframes_t>(std::min<std::int64_t>(input.period, frameTarget - done));
        snd_pcm_sframes_t got = snd_pcm_readi(pcm, data.data() + static_cast<std::size_t>(done) * frameBytes, n);
        if (got > 0) {
            if (done == 0) {
                clockStart = std::chrono::steady_clock::now() -
                             std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                 std::chrono::duration<double>(static_cast<double>(got) / input.rateHz));
                // Both streams run now; the link has done its work.
                if (unlinkWhenRunning)
                    input.unlink();
            }
            done += got;
            captured.add(got);
            lastProgress = std::chrono::steady_clock::now();
            continue;
        }
        if (got == 0 || got == -EAGAIN) {
            if (std::chrono::steady_clock::now() - lastProgress > kStallLimit) {
                r = fail(core::kTimedOut, "the device delivered no frames for 2 s", -ETIMEDOUT);
                break;
            }
            const int ready = snd_pcm_wait(pcm, kWaitSliceMs);
            if (ready >= 0)
                continue;
            got = ready;
        }
        if (got == -EPIPE || got == -ESTRPIPE) {
            // The device recorded on while nobody read, and the capture ends
            // here: every frame it made that the recording does not hold is
            // lost. Its clock says about how many that is.
            const std::chrono::duration<double> running =
                std::chrono::steady_clock::now() - (done > 0 ? clockStart : lastProgress);
            const auto made = static_cast<std::int64_t>(std::llround(running.count() * input.rateHz));
            lost.set(std::max<std::int64_t>(1, made - done));
            r = fail(core::kDeviceStopped, got == -EPIPE ? "the capture overran" : "the capture was suspended",
                     static_cast<int>(got));
            break;
        }
        r = fail(core::kDeviceStopped, "reading from the device failed", static_cast<int>(got));
    }
    snd_pcm_drop(pcm);
    input.capturing.release();
    handover.finish(r);
}

} // namespace corvane::audio
