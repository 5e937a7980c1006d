#include "session/SignalChain.h"

#include "session/SignalParams.h"
#include "signal/Dither.h"
#include "signal/Fade.h"
#include "signal/MiniWaveGen.h"
#include "signal/NoiseGen.h"
#include "signal/SweepGen.h"
#include "wavio/ClipCount.h"
#include "wavio/WavFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace corvane::session {

namespace {

// Where the integer format clips: a scaled sample v is clipped when
// v >= top + 0.5 or v < bottom - 0.5. None for the float formats.
struct ClipLimits {
    double top = 0.0;
    double bottom = 0.0;
    bool clips = false;
};

ClipLimits clipLimits(core::SampleFormat format)
{
    ClipLimits c;
    const core::SampleFormatInfo& info = core::infoOf(format);
    if (!info.isFloat) {
        c.top = static_cast<double>(info.highest);
        c.bottom = static_cast<double>(info.lowest);
        c.clips = true;
    }
    return c;
}

// Whether samples no larger than amplitude (a sweep's, give or take the
// sine's last bits) can never reach the format's clipping.
bool neverClips(core::SampleFormat format, double amplitude, double scale)
{
    const ClipLimits c = clipLimits(format);
    return !c.clips || std::fabs(amplitude) * scale * (1.0 + 1e-9) < c.top + 0.5;
}

// The top of the chain: counts the samples the integer format will clip and,
// for a looping sweep, starts the sweep (and its fades) again after each run.
class ChainTop final : public signal::TWaveProvider {
public:
    ChainTop(signal::TWaveProvider& source_, core::SampleFormat format, double scale_, std::int64_t loopFrames_)
        : source(source_), scale(scale_), loopFrames(loopFrames_)
    {
        const ClipLimits c = clipLimits(format);
        top = c.top;
        bottom = c.bottom;
        counting = c.clips;
    }

    using TWaveProvider::execStore;
    int execStore(double* data, int dataSize) override { return fill(data, nullptr, dataSize, Layout::Mono); }
    int execStore(double* left, double* right, int dataSize) override
    {
        return fill(left, right, dataSize, Layout::Stereo);
    }
    int getMaxBlockSize(char dataType, int channelCount) override
    {
        return source.getMaxBlockSize(dataType, channelCount);
    }
    bool identicalChannels() const override { return source.identicalChannels(); }
    int execStoreIdentical(double* data, int dataSize) override
    {
        return fill(data, nullptr, dataSize, Layout::Identical);
    }

    long long clippedSamples() const { return clipped; }

private:
    // Identical: left stands for both channels.
    enum class Layout { Mono, Stereo, Identical };

    int fill(double* left, double* right, int dataSize, Layout layout)
    {
        int done = 0;
        while (done < dataSize) {
            int n = dataSize - done;
            if (loopFrames > 0)
                n = static_cast<int>(std::min<std::int64_t>(n, loopFrames - position));
            const int r = layout == Layout::Identical ? source.execStoreIdentical(left + done, n)
                          : layout == Layout::Stereo  ? source.execStore(left + done, right + done, n)
                                                      : source.execStore(left + done, n);
            if (r < 0)
                return r;
            const long long before = clipped;
            count(left + done, n);
            if (layout == Layout::Identical)
                clipped += clipped - before; // the right channel's are the same
            else if (layout == Layout::Stereo)
                count(right + done, n);
            done += n;
            position += n;
            if (loopFrames > 0 && position == loopFrames) {
                position = 0;
                source.restart(); // a fade restarts what it fades
            }
        }
        return 0;
    }

    void count(const double* x, int n)
    {
        if (counting)
            clipped += wavio::countOutside(x, n, scale, bottom - 0.5, top + 0.5);
    }

    signal::TWaveProvider& source;
    long long clipped = 0;
    double scale;
    double top = 0.0;
    double bottom = 0.0;
    bool counting = false;
    std::int64_t loopFrames;
    std::int64_t position = 0;
};

} // namespace

struct SignalChain::Parts {
    std::unique_ptr<signal::TWaveProvider> generator;
    std::unique_ptr<signal::Fade> fade;
    std::unique_ptr<ChainTop> top; // null when nothing is counted or restarted
    signal::TWaveProvider* source = nullptr; // the generator or its fades
    std::unique_ptr<signal::Dither> dither;
    signal::NoiseGen* noise = nullptr; // the generator, when it is noise
};

SignalChain::SignalChain(const JobSpec& o, const JobPlan& plan, bool forLoop, bool mayRewrite)
    : parts(std::make_unique<Parts>())
{
    using core::SignalKind;
    switch (o.kind) {
    case SignalKind::Tone: {
        auto gen = std::make_unique<signal::MiniWaveGen>();
        gen->setSignal(generatorShape(o), o.channels, o.freqHz, o.sampleRateHz, plan.amplitude);
        parts->generator = std::move(gen);
        break;
    }
    case SignalKind::Sweep: {
        auto gen = std::make_unique<signal::SweepGen>();
        gen->setSweep(sweepParams(o, plan.frames, plan.amplitude), o.channels);
        parts->generator = std::move(gen);
        break;
    }
    case SignalKind::White:
    case SignalKind::Pink: {
        auto gen = std::make_unique<signal::NoiseGen>();
        gen->setNoise(noiseParams(o, plan, mayRewrite), o.channels);
        parts->noise = gen.get();
        parts->generator = std::move(gen);
        break;
    }
    }
    signal::TWaveProvider* source = parts->generator.get();
    const bool sweepLoop = forLoop && o.kind == SignalKind::Sweep;
    const std::int64_t fadeIn = signal::fadeFrameCount(o.fadeInSeconds, o.sampleRateHz);
    // A signal that runs on has no last frame to fade out to, except a sweep
    // that starts again.
    const std::int64_t fadeOut = forLoop && !sweepLoop ? 0 : signal::fadeFrameCount(o.fadeOutSeconds, o.sampleRateHz);
    if (fadeIn > 0 || fadeOut > 0) {
        const std::int64_t frames =
            forLoop && !sweepLoop ? std::numeric_limits<std::int64_t>::max() : plan.frames;
        parts->fade = std::make_unique<signal::Fade>(*source, o.channels, frames, fadeIn, fadeOut);
        source = parts->fade.get();
    }
    // A plain tone goes to the writer as the generator itself, whose sine
    // phases the writer takes for its fast exact path; so does a sweep
    // without fades that cannot clip, whose frames depend on their number. The other signals get their clipped
    // samples counted on the way.
    parts->source = source;
    const bool plainSweep = o.kind == SignalKind::Sweep && !sweepLoop && source == parts->generator.get() &&
                            neverClips(o.format, plan.amplitude, plan.scale);
    if ((o.kind != SignalKind::Tone && !plainSweep) || sweepLoop)
        parts->top =
            std::make_unique<ChainTop>(*source, o.format, plan.scale, sweepLoop ? plan.frames : 0);
    if (o.dither)
        parts->dither = std::make_unique<signal::Dither>(o.seed);
}

SignalChain::~SignalChain() = default;

signal::TWaveProvider& SignalChain::provider()
{
    return parts->top ? *parts->top : *parts->source;
}

signal::Dither* SignalChain::dither()
{
    return parts->dither.get();
}

long long SignalChain::clippedSamples() const
{
    return parts->top ? parts->top->clippedSamples() : 0;
}

bool SignalChain::levelHeld() const
{
    return parts->noise == nullptr || parts->noise->levelHeld();
}

void SignalChain::measureLevel()
{
    if (parts->noise != nullptr)
        parts->noise->measureLevel();
}

std::unique_ptr<signal::TWaveProvider> makeInverseFilter(const JobSpec& job, const JobPlan& plan)
{
    auto inverse = std::make_unique<signal::SweepInverseGen>();
    // The inverse belongs to the unit sweep.
    inverse->setSweep(sweepParams(job, plan.frames, 1.0));
    return inverse;
}

} // namespace corvane::session
