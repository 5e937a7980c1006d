#include "session/SignalChain.h"

#include "core/ResultCodes.h"
#include "session/SignalParams.h"
#include "signal/BurstGen.h"
#include "signal/Dither.h"
#include "signal/Fade.h"
#include "signal/LinSweepGen.h"
#include "signal/MiniWaveGen.h"
#include "signal/MlsGen.h"
#include "signal/NoiseGen.h"
#include "signal/Padding.h"
#include "signal/SweepGen.h"
#include "signal/ToneSum.h"
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

// Which channels of a stereo signal carry it: one of them, the other at
// digital silence, or both with the right one inverted. Inverted, the right
// channel's integer codes are the exact negatives of the left's (see
// rightValue), so the two sum to zero in every format.
class ChannelRouting final : public signal::TWaveProvider {
public:
    ChannelRouting(signal::TWaveProvider& source_, core::ChannelRoute route_, core::SampleFormat format,
                   double scale_)
        : source(source_), route(route_), scale(scale_)
    {
        const ClipLimits c = clipLimits(format);
        top = c.top;
        bottom = c.bottom;
        integer = c.clips;
        numCh = 2;
    }

    bool restart() override { return source.restart(); }
    int getMaxBlockSize(char dataType, int channelCount) override
    {
        return source.getMaxBlockSize(dataType, channelCount);
    }

    using TWaveProvider::execStore;
    int execStore(double* left, double* right, int dataSize) override
    {
        if (dataSize <= 0)
            return 0;
        const int r = source.identicalChannels() ? source.execStoreIdentical(left, dataSize)
                                                 : source.execStore(left, right, dataSize);
        if (r < 0)
            return r;
        for (int i = 0; i < dataSize; ++i) {
            switch (route) {
            case core::ChannelRoute::Both: right[i] = left[i]; break;
            case core::ChannelRoute::Left: right[i] = 0.0; break;
            case core::ChannelRoute::Right:
                right[i] = left[i];
                left[i] = 0.0;
                break;
            case core::ChannelRoute::Inverted: right[i] = rightValue(left[i]); break;
            }
        }
        return 0;
    }
    int execStore(double*, int) override { return core::kChannelCountIncorrect; }

private:
    // A value the encoder turns into the negative of the code it gives x.
    // The float formats store x times the scale, so -x is exact. The integer
    // encoder stores trunc(x s + 0.5) clipped to the format (the rule of
    // wavio's encoder, repeated here with the same extended precision): for
    // the code k wanted, k / s encodes to k when k >= 0 and (k - 1) / s when
    // k < 0, each half a step from a rounding edge. A code whose negative is
    // out of range (u8's 0, s16's -32768) clips to the nearest.
    double rightValue(double x) const
    {
        if (!integer)
            return -x;
        if (std::isnan(x))
            return x;
        long double code = std::trunc(static_cast<long double>(x) * static_cast<long double>(scale) + 0.5L);
        code = std::clamp(code, static_cast<long double>(bottom), static_cast<long double>(top));
        const double wanted = std::clamp(-static_cast<double>(code), bottom, top);
        return (wanted >= 0.0 ? wanted : wanted - 1.0) / scale;
    }

    signal::TWaveProvider& source;
    core::ChannelRoute route;
    double scale;
    double top = 0.0;
    double bottom = 0.0;
    bool integer = false;
};

} // namespace

struct SignalChain::Parts {
    std::unique_ptr<signal::TWaveProvider> generator;
    std::unique_ptr<signal::Fade> fade;
    std::unique_ptr<signal::Padding> padding;
    std::unique_ptr<ChannelRouting> routing;
    std::unique_ptr<ChainTop> top; // null when nothing is counted or restarted
    signal::TWaveProvider* source = nullptr; // the generator or its fades
    std::unique_ptr<signal::Dither> dither;
    signal::NoiseGen* noise = nullptr; // the generator, when it is noise
};

SignalChain::SignalChain(const JobDescription& o, const JobPlan& plan, bool forLoop, bool mayRewrite)
    : parts(std::make_unique<Parts>())
{
    using core::SignalKind;
    switch (o.kind) {
    case SignalKind::Tone:
        if (toneAsSum(o)) {
            auto gen = std::make_unique<signal::ToneSum>();
            gen->setSum(toneSumParams(o, plan), o.channels);
            parts->generator = std::move(gen);
            break;
        }
        {
            auto gen = std::make_unique<signal::MiniWaveGen>();
            gen->setSignal(generatorShape(o), o.channels, o.freqHz, o.sampleRateHz, plan.amplitude);
            parts->generator = std::move(gen);
        }
        break;
    case SignalKind::Sweep: {
        auto gen = std::make_unique<signal::SweepGen>();
        gen->setSweep(sweepParams(o, plan.signalFrames, plan.amplitude), o.channels);
        parts->generator = std::move(gen);
        break;
    }
    case SignalKind::LinSweep: {
        auto gen = std::make_unique<signal::LinSweepGen>();
        gen->setSweep(linSweepParams(o, plan.signalFrames, plan.amplitude), o.channels);
        parts->generator = std::move(gen);
        break;
    }
    case SignalKind::Multitone:
    case SignalKind::Imd: {
        auto gen = std::make_unique<signal::ToneSum>();
        gen->setSum(toneSumParams(o, plan), o.channels);
        parts->generator = std::move(gen);
        break;
    }
    case SignalKind::Burst: {
        auto gen = std::make_unique<signal::BurstGen>();
        gen->setBurst(burstParams(o, plan.amplitude), o.channels);
        parts->generator = std::move(gen);
        break;
    }
    case SignalKind::Mls: {
        auto gen = std::make_unique<signal::MlsGen>();
        gen->setMls(o.mlsOrder, plan.amplitude, o.channels);
        parts->generator = std::move(gen);
        break;
    }
    case SignalKind::White:
    case SignalKind::Pink: {
        if (o.periodic) {
            auto periodic = std::make_unique<signal::PeriodicNoise>();
            periodic->setNoise(periodicNoiseParams(o, plan), o.channels);
            parts->generator = std::move(periodic);
            break;
        }
        auto gen = std::make_unique<signal::NoiseGen>();
        gen->setNoise(noiseParams(o, plan, mayRewrite), o.channels);
        parts->noise = gen.get();
        parts->generator = std::move(gen);
        break;
    }
    }
    signal::TWaveProvider* source = parts->generator.get();
    // A sweep that loops starts again, its padding with it; the other
    // signals run on.
    const bool sweepLoop = forLoop && (o.kind == SignalKind::Sweep || o.kind == SignalKind::LinSweep);
    const bool runOn = forLoop && !sweepLoop;
    const std::int64_t fadeIn = signal::fadeFrameCount(o.fadeInSeconds, o.sampleRateHz);
    // A signal that runs on has no last frame to fade out to.
    const std::int64_t fadeOut = runOn ? 0 : signal::fadeFrameCount(o.fadeOutSeconds, o.sampleRateHz);
    const std::int64_t signalFrames = runOn ? std::numeric_limits<std::int64_t>::max() : plan.signalFrames;
    if (fadeIn > 0 || fadeOut > 0) {
        parts->fade = std::make_unique<signal::Fade>(*source, o.channels, signalFrames, fadeIn, fadeOut);
        source = parts->fade.get();
    }
    const bool padded = plan.frames != plan.signalFrames;
    if (padded) {
        parts->padding = std::make_unique<signal::Padding>(*source, o.channels, plan.padBefore,
                                                           runOn ? signalFrames - plan.padBefore : signalFrames);
        source = parts->padding.get();
    }
    // A plain tone goes to the writer as the generator itself, whose sine
    // phases the writer takes for its fast exact path; so does a signal of
    // known peak that cannot clip, whose frames depend on their number. The
    // other signals get their clipped samples counted on the way.
    parts->source = source;
    const std::optional<double> peak = peakFactor(o);
    const bool plainTone = o.kind == SignalKind::Tone && !toneAsSum(o);
    const bool uncounted =
        plainTone || (peak && !sweepLoop && neverClips(o.format, *peak * plan.amplitude, plan.scale));
    if (!uncounted || sweepLoop)
        parts->top = std::make_unique<ChainTop>(*source, o.format, plan.scale, sweepLoop ? plan.frames : 0);
    if (o.channels == 2 && o.route != core::ChannelRoute::Both) {
        signal::TWaveProvider& below = parts->top ? *parts->top : *parts->source;
        parts->routing = std::make_unique<ChannelRouting>(below, o.route, o.format, plan.scale);
    }
    if (o.dither)
        parts->dither = std::make_unique<signal::Dither>(o.seed);
}

SignalChain::~SignalChain() = default;

signal::TWaveProvider& SignalChain::provider()
{
    if (parts->routing)
        return *parts->routing;
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

std::unique_ptr<signal::TWaveProvider> makeInverseFilter(const JobDescription& job, const JobPlan& plan)
{
    auto inverse = std::make_unique<signal::SweepInverseGen>();
    // The inverse belongs to the unit sweep.
    inverse->setSweep(sweepParams(job, plan.signalFrames, 1.0));
    return inverse;
}

std::vector<double> inverseFilterValues(const JobDescription& job, const JobPlan& plan)
{
    const auto provider = makeInverseFilter(job, plan);
    std::vector<double> values(static_cast<std::size_t>(plan.signalFrames));
    const int block = provider->getMaxBlockSize(signal::TWaveProvider::Float64, 1);
    const int step = block > 0 ? block : 65536;
    for (int done = 0; done < plan.signalFrames;) {
        const int n = std::min(step, plan.signalFrames - done);
        provider->execStore(values.data() + done, n);
        done += n;
    }
    return values;
}

} // namespace corvane::session
