#include "session/PlaySession.h"

#include "audio/PlayFormat.h"
#include "audio/PlaybackThread.h"
#include "audio/SoundOutput.h"
#include "core/ResultCodes.h"
#include "session/SignalChain.h"

#include <algorithm>

namespace corvane::session {

struct PlaySession::Parts {
    Parts(const JobDescription& job, const JobPlan& plan, bool loop) : chain(job, plan, loop) {}
    SignalChain chain;
    audio::SoundOutput output;
    // Declared last: it joins its thread before the chain and the output go.
    std::unique_ptr<audio::PlaybackThread> player;
};

PlaySession::PlaySession() = default;

PlaySession::~PlaySession()
{
    stop();
}

int PlaySession::start(const JobDescription& job, const JobPlan& plan, std::string_view deviceName, bool loop)
{
    stop();
    lastReason.clear();
    lastWritten = lastPlayed = 0;
    lastUnderruns = 0;
    lastClipped = 0;
    const audio::PlayFormatInfo* format = audio::playFormatOf(job.format);
    if (format == nullptr) {
        lastReason = "the devices take " + audio::playFormatNames() + " only";
        return core::kFormatRefused;
    }
    auto p = std::make_unique<Parts>(job, plan, loop);
    if (const int r = p->output.open(deviceName, format->format, job.channels, job.sampleRateHz); r < 0) {
        lastReason = p->output.reason();
        return r;
    }
    p->player = std::make_unique<audio::PlaybackThread>(p->output, p->chain.provider());
    p->player->setDither(p->chain.dither());
    const std::int64_t frames = loop ? audio::PlaybackThread::kLoopForever : plan.frames;
    if (const int r = p->player->start(frames, plan.scale); r < 0) {
        lastReason = p->player->reason();
        return r;
    }
    parts = std::move(p);
    return core::kOk;
}

bool PlaySession::playing() const
{
    return parts != nullptr;
}

int PlaySession::poll()
{
    if (!parts || !parts->player->playDone())
        return core::kOk;
    const int result = parts->player->playResult();
    lastReason = parts->player->reason();
    stop();
    return result;
}

bool PlaySession::waitDone(std::chrono::milliseconds timeout)
{
    return !parts || parts->player->waitDone(timeout);
}

void PlaySession::requestStop()
{
    if (parts)
        parts->player->requestStop();
}

void PlaySession::stop()
{
    if (!parts)
        return;
    // The thread drops what is queued and ends within a period; the output
    // closes after it.
    parts->player->requestStop();
    parts->player->waitDone(audio::PlaybackThread::kStallLimit);
    lastWritten = parts->player->framesWritten();
    lastPlayed = lastWritten - parts->player->framesDropped();
    lastUnderruns = parts->player->underrunCount();
    parts->player.reset();
    lastClipped = parts->chain.clippedSamples();
    parts.reset();
}

std::int64_t PlaySession::framesWritten() const
{
    return parts ? parts->player->framesWritten() : lastWritten;
}

std::int64_t PlaySession::framesPlayed() const
{
    return parts ? parts->player->framesWritten() - parts->player->framesDropped() : lastPlayed;
}

int PlaySession::underruns() const
{
    return parts ? parts->player->underrunCount() : lastUnderruns;
}

long long PlaySession::clippedSamples() const
{
    return parts ? parts->chain.clippedSamples() : lastClipped;
}

} // namespace corvane::session
