#include "cli/SignalOptions.h"

#include "core/Level.h"
#include "core/NumberText.h"
#include "core/ParameterTexts.h"
#include "signal/Dither.h"
#include "signal/Fade.h"
#include "signal/MiniWaveGen.h"
#include "signal/NoiseGen.h"
#include "signal/SweepGen.h"
#include "wavio/ClipCount.h"
#include "wavio/ExportSettings.h"
#include "wavio/WavFormat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <ostream>
#include <vector>

namespace corvane::cli {

namespace {

// The help names the rates as numbers.
static_assert(kMinCommandRateHz == 8000 && kMaxCommandRateHz == 384000);

const OptionSpec kSignalOptions[] = {
    {"--signal", "", true, "SIGNAL", "tone",
     "The signal: tone (the window's signal, byte for byte), an exponential sine sweep, or white or pink "
     "Gaussian noise.",
     ValueKind::Text, core::signalKindNames},
    {"--freq", "", true, "HZ", "400", "The tone's frequency in Hz, at least 1 and below half the sampling rate."},
    {"--level", "", true, "DB", "6.0",
     "The level in dB: 0 dB is amplitude 1.0 and +20 dB the integer formats' full scale; noise has the RMS of a "
     "sine of that level. Above +20 dB or at -60 dB and below a warning is printed."},
    {"--fs", "", true, "HZ", "44100", "The sampling rate: any whole number of Hz from 8000 to 384000."},
    {"--shape", "", true, "SHAPE", "sine", "The tone's waveshape, by name or as its number 0 to 5.",
     ValueKind::Text, core::waveShapeNames},
    {"--seconds", "", true, "S", "10", "The length in seconds, 1 to 1000."},
    {"--samples", "", true, "N", "", "The length in frames instead of seconds, 1 to 1000 seconds' worth."},
    {"--format", "", true, "FMT", "s16", "The sample encoding, by name or as its number 0 to 5.", ValueKind::Text,
     core::sampleFormatNames},
    {"--channels", "", true, "1|2", "2", "Mono or stereo; both channels carry the same signal."},
    {"--ref-level", "", true, "R", "0.1", "The value a 0 dB signal takes in the float formats; above 0."},
    {"--from", "", true, "F1", "20", "The sweep's start frequency in Hz."},
    {"--to", "", true, "F2", "20000", "The sweep's stop frequency in Hz, above the start and below fs/2."},
    {"--sync", "", false, "", "off",
     "Rounds the sweep's rate so that each harmonic's impulse response lies a whole number of its periods "
     "before the linear one."},
    {"--seed", "", true, "N", "1",
     "The noise and dither stream, 0 to 18446744073709551615; the same options and seed give the same bytes."},
    {"--fade-in", "", true, "S", "0",
     "A raised-cosine fade at the start, in seconds; the fades together may not be longer than the signal."},
    {"--fade-out", "", true, "S", "0", "A raised-cosine fade at the end, in seconds."},
    {"--dither", "", true, "none|tpdf", "none",
     "tpdf adds triangular dither of +-1 LSB before rounding (integer formats only).", ValueKind::Text,
     [] { return std::string("none, tpdf"); }},
};

Refusal usage(std::string message)
{
    return {std::move(message), true};
}

Refusal invalidValue(std::string_view option, std::string_view text)
{
    return {"Parameter Error: " + std::string(core::kInvalidValueText) + " (" + std::string(option) + " '" +
                std::string(text) + "')",
            false};
}

signal::SweepParams sweepParamsOf(const SignalOptions& o, std::int64_t frames, double amplitude)
{
    signal::SweepParams p;
    p.frameCount = frames;
    p.sampleRateHz = o.fs;
    p.startHz = o.fromHz;
    p.stopHz = o.toHz;
    p.amplitude = amplitude;
    p.synchronised = o.sync;
    return p;
}

Refusal parameterError(std::string_view text)
{
    return {"Parameter Error: " + std::string(text), false};
}

std::optional<std::uint64_t> parseSeed(std::string_view text)
{
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

void remember(std::string& list, std::string_view name)
{
    if (list.empty())
        list = std::string(name);
}

} // namespace

std::span<const OptionSpec> signalOptionSpecs()
{
    return kSignalOptions;
}

std::optional<Refusal> takeSignalOption(const ParsedOption& option, SignalOptions& o, bool& taken)
{
    const std::string_view name = option.name;
    const std::string_view value = option.value;
    taken = std::any_of(std::begin(kSignalOptions), std::end(kSignalOptions),
                        [&](const OptionSpec& entry) { return entry.name == name; });
    if (!taken)
        return std::nullopt;

    if (name == "--signal") {
        const auto kind = core::signalKindOfName(value);
        if (!kind)
            return usage("unknown signal '" + std::string(value) + "' (" + core::signalKindNames() + ")");
        o.kind = *kind;
    } else if (name == "--shape") {
        const auto code = core::waveShapeOfName(value);
        if (!code)
            return usage("unknown shape '" + std::string(value) + "'");
        o.shape = *code;
        remember(o.toneOnly, name);
    } else if (name == "--format") {
        const auto code = core::sampleFormatOfName(value);
        if (!code)
            return usage("unknown format '" + std::string(value) + "'");
        o.format = *code;
    } else if (name == "--channels") {
        const auto n = core::parseInteger(value);
        if (!n || (*n != 1 && *n != 2))
            return usage("--channels takes 1 or 2, not '" + std::string(value) + "'");
        o.channels = *n;
    } else if (name == "--samples") {
        const auto n = core::parseInteger(value);
        if (!n)
            return invalidValue(name, value);
        o.samples = *n;
        o.seconds.reset();
    } else if (name == "--fs") {
        const auto v = core::parseReal(value);
        if (!v)
            return invalidValue(name, value);
        if (!(*v >= kMinCommandRateHz && *v <= kMaxCommandRateHz) || *v != std::trunc(*v))
            return usage("--fs takes a whole number of Hz from " + std::to_string(kMinCommandRateHz) + " to " +
                         std::to_string(kMaxCommandRateHz) + ", not '" + std::string(value) + "'");
        o.fs = static_cast<int>(*v);
    } else if (name == "--sync") {
        o.sync = true;
        remember(o.sweepOnly, name);
    } else if (name == "--seed") {
        const auto seed = parseSeed(value);
        if (!seed)
            return usage("--seed takes a whole number from 0 to 18446744073709551615, not '" + std::string(value) +
                         "'");
        o.seed = *seed;
        o.seedGiven = true;
    } else if (name == "--dither") {
        if (value != "none" && value != "tpdf")
            return usage("--dither takes none or tpdf, not '" + std::string(value) + "'");
        o.dither = value == "tpdf";
    } else {
        const auto v = core::parseReal(value);
        if (!v)
            return invalidValue(name, value);
        if (name == "--freq") {
            o.freq = *v;
            remember(o.toneOnly, name);
        } else if (name == "--level") {
            o.level = *v;
        } else if (name == "--seconds") {
            o.seconds = *v;
            o.samples.reset();
        } else if (name == "--ref-level") {
            o.refLevel = *v;
        } else if (name == "--from") {
            o.fromHz = *v;
            remember(o.sweepOnly, name);
        } else if (name == "--to") {
            o.toHz = *v;
            remember(o.sweepOnly, name);
        } else if (name == "--fade-in") {
            o.fadeInSeconds = *v;
        } else { // --fade-out
            o.fadeOutSeconds = *v;
        }
    }
    return std::nullopt;
}

std::vector<OptionSpec> signalCommandSpecs(std::span<const OptionSpec> own)
{
    std::vector<OptionSpec> specs(own.begin(), own.end());
    specs.insert(specs.end(), std::begin(kSignalOptions), std::end(kSignalOptions));
    return specs;
}

bool signalCommandWantsHelp(std::span<const std::string_view> args, std::span<const OptionSpec> own)
{
    return wantsHelp(args, signalCommandSpecs(own));
}

std::optional<Refusal>
parseSignalCommand(std::span<const std::string_view> args, std::span<const OptionSpec> own, SignalOptions& o,
                   const std::function<std::optional<Refusal>(const ParsedOption&)>& takeOwn)
{
    ParsedArgs parsed;
    if (auto refusal = parseArgs(args, signalCommandSpecs(own), parsed))
        return usage(std::move(*refusal));
    if (!parsed.operands.empty())
        return usage("unknown option '" + std::string(parsed.operands.front()) + "'");
    for (const ParsedOption& option : parsed.options) {
        bool taken = false;
        if (auto refusal = takeSignalOption(option, o, taken))
            return refusal;
        if (!taken)
            if (auto refusal = takeOwn(option))
                return refusal;
    }
    return std::nullopt;
}

std::optional<Refusal> checkSignal(const SignalOptions& o, std::ostream& err, SignalPlan& plan)
{
    using core::SignalKind;
    const bool tone = o.kind == SignalKind::Tone;
    const bool sweep = o.kind == SignalKind::Sweep;
    const bool noise = o.kind == SignalKind::White || o.kind == SignalKind::Pink;
    const std::string signalName(core::kSignalKinds[static_cast<std::size_t>(o.kind)].cliName);
    if (!tone && !o.toneOnly.empty())
        return usage(o.toneOnly + " is for --signal tone, not " + signalName);
    if (!sweep && !o.sweepOnly.empty())
        return usage(o.sweepOnly + " is for --signal sweep, not " + signalName);
    if (o.seedGiven && !noise && !o.dither)
        return usage("--seed is for noise and dither");

    if (tone) {
        if (o.freq < 1.0)
            return parameterError(core::kFreqTooLowText);
        if (!(o.freq < o.fs * 0.5))
            return parameterError(core::kFreqTooHighText);
    }

    // A level so high that its amplitude overflows cannot be written.
    const double levelAmplitude = core::amplitudeOfLevel(o.level).value_or(HUGE_VAL);
    if (!std::isfinite(levelAmplitude))
        return parameterError(std::string(core::kInvalidValueText) + " (--level)");

    if (o.level <= -60.0)
        err << "Warning: " << core::kLevelTooLowText << '\n';
    if (o.level > 20.0)
        err << "Warning: " << core::kLevelClipsText << '\n';

    int dataLength = 0;
    if (o.samples) {
        dataLength = *o.samples;
    } else {
        // Out of int range means far outside the length limits anyway.
        dataLength =
            wavio::framesForSeconds(o.fs, o.seconds.value_or(10.0)).value_or(std::numeric_limits<int>::min());
    }
    if (!wavio::lengthAllowed(dataLength, o.fs, wavio::kMinSeconds, wavio::kMaxSeconds))
        return parameterError(wavio::lengthMessage(wavio::kMinSeconds, wavio::kMaxSeconds));
    if (wavio::warnQuietEightBit(o.format, o.level))
        err << "Warning: " << core::kLevelTooLowFor8Bit << '\n';
    if (!(o.refLevel > 0.0))
        return parameterError(core::kRefLevelNotPositive);
    // Samples beyond the float format's range would be written as infinity.
    if (const auto cause = wavio::floatRangeCause(levelAmplitude, o.format, o.refLevel);
        cause != wavio::FloatRangeCause::None)
        return parameterError(std::string(wavio::floatRangeMessage(cause)) +
                              (cause == wavio::FloatRangeCause::Level ? " (--level)" : " (--ref-level)"));
    const double amplitude = wavio::exportAmplitude(levelAmplitude, o.format, o.refLevel);

    if (sweep) {
        if (const std::string why = signal::checkSweepParams(sweepParamsOf(o, dataLength, 1.0)); !why.empty())
            return parameterError(why);
    }
    if (noise) {
        signal::NoiseParams p{o.kind == SignalKind::Pink ? signal::NoiseColour::Pink : signal::NoiseColour::White,
                              dataLength, static_cast<double>(o.fs), amplitude, o.seed};
        if (const std::string why = signal::checkNoiseParams(p); !why.empty())
            return parameterError(why);
    }
    if (const std::string why = signal::checkFades(o.fadeInSeconds, o.fadeOutSeconds, o.fs, dataLength);
        !why.empty())
        return parameterError(why);
    if (o.dither && core::isFloatFormat(o.format))
        return parameterError(
            "--dither tpdf is for the integer formats; the float formats store the signal as it is.");

    plan.dataLength = dataLength;
    plan.amplitude = amplitude;
    plan.scale = wavio::fullScale(o.format);
    return std::nullopt;
}

namespace {

// Where the integer format clips: a scaled sample v is clipped when
// v >= top + 0.5 or v < bottom - 0.5. None for the float formats.
struct ClipLimits {
    double top = 0.0;
    double bottom = 0.0;
    bool clips = false;
};

ClipLimits clipLimits(int format)
{
    ClipLimits c;
    if (!core::isFloatFormat(format)) {
        const int bits = 8 * wavio::bytesPerSample(format);
        c.top = std::ldexp(1.0, bits - 1) - 1.0;
        // The 32-bit format stops at -2147483647 so it stays symmetric.
        c.bottom = bits == 32 ? -c.top : -c.top - 1.0;
        c.clips = true;
    }
    return c;
}

// Whether samples no larger than amplitude (a sweep's, give or take the
// sine's last bits) can never reach the format's clipping.
bool neverClips(int format, double amplitude, double scale)
{
    const ClipLimits c = clipLimits(format);
    return !c.clips || std::fabs(amplitude) * scale * (1.0 + 1e-9) < c.top + 0.5;
}

// The top of the chain: counts the samples the integer format will clip and,
// for a looping sweep, starts the sweep (and its fades) again after each run.
class ChainTop final : public signal::TWaveProvider {
public:
    ChainTop(signal::TWaveProvider& source_, int format, double scale_, std::int64_t loopFrames_,
             std::vector<signal::TWaveProvider*> restartables_)
        : source(source_), scale(scale_), loopFrames(loopFrames_), restartables(std::move(restartables_))
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

    long long clipped = 0;

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
                for (auto* part : restartables)
                    restart(*part);
            }
        }
        return 0;
    }

    static void restart(signal::TWaveProvider& part)
    {
        if (auto* sweep = dynamic_cast<signal::SweepGen*>(&part))
            sweep->restart();
        else if (auto* fade = dynamic_cast<signal::Fade*>(&part))
            fade->restart();
    }

    void count(const double* x, int n)
    {
        if (counting)
            clipped += wavio::countOutside(x, n, scale, bottom - 0.5, top + 0.5);
    }

    signal::TWaveProvider& source;
    double scale;
    double top = 0.0;
    double bottom = 0.0;
    bool counting = false;
    std::int64_t loopFrames;
    std::int64_t position = 0;
    std::vector<signal::TWaveProvider*> restartables;
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

SignalChain::SignalChain(const SignalOptions& o, const SignalPlan& plan, bool forLoop, bool mayRewrite)
    : parts(std::make_unique<Parts>())
{
    using core::SignalKind;
    switch (o.kind) {
    case SignalKind::Tone: {
        auto gen = std::make_unique<signal::MiniWaveGen>();
        gen->setSignal(o.shape, o.channels, o.freq, o.fs, plan.amplitude);
        parts->generator = std::move(gen);
        break;
    }
    case SignalKind::Sweep: {
        auto gen = std::make_unique<signal::SweepGen>();
        gen->setSweep(sweepParamsOf(o, plan.dataLength, plan.amplitude), o.channels);
        parts->generator = std::move(gen);
        break;
    }
    case SignalKind::White:
    case SignalKind::Pink: {
        auto gen = std::make_unique<signal::NoiseGen>();
        gen->setNoise({o.kind == SignalKind::Pink ? signal::NoiseColour::Pink : signal::NoiseColour::White,
                       plan.dataLength, static_cast<double>(o.fs), plan.amplitude, o.seed, mayRewrite},
                      o.channels);
        parts->noise = gen.get();
        parts->generator = std::move(gen);
        break;
    }
    }
    signal::TWaveProvider* source = parts->generator.get();
    const bool sweepLoop = forLoop && o.kind == SignalKind::Sweep;
    const std::int64_t fadeIn = signal::fadeFrameCount(o.fadeInSeconds, o.fs);
    // A signal that runs on has no last frame to fade out to, except a sweep
    // that starts again.
    const std::int64_t fadeOut = forLoop && !sweepLoop ? 0 : signal::fadeFrameCount(o.fadeOutSeconds, o.fs);
    if (fadeIn > 0 || fadeOut > 0) {
        const std::int64_t frames =
            forLoop && !sweepLoop ? std::numeric_limits<std::int64_t>::max() : plan.dataLength;
        parts->fade = std::make_unique<signal::Fade>(*source, o.channels, frames, fadeIn, fadeOut);
        source = parts->fade.get();
    }
    std::vector<signal::TWaveProvider*> restartables;
    if (sweepLoop) {
        restartables.push_back(parts->generator.get());
        if (parts->fade)
            restartables.push_back(parts->fade.get());
    }
    // A plain tone goes to the writer as the generator itself, which the
    // writer recognises and takes its fast exact path for; so does a sweep
    // without fades that cannot clip. The other signals get their clipped
    // samples counted on the way.
    parts->source = source;
    const bool plainSweep = o.kind == SignalKind::Sweep && !sweepLoop && source == parts->generator.get() &&
                            neverClips(o.format, plan.amplitude, plan.scale);
    if ((o.kind != SignalKind::Tone && !plainSweep) || sweepLoop)
        parts->top = std::make_unique<ChainTop>(*source, o.format, plan.scale, sweepLoop ? plan.dataLength : 0,
                                                std::move(restartables));
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
    return parts->top ? parts->top->clipped : 0;
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

std::unique_ptr<signal::TWaveProvider> makeInverseFilter(const SignalOptions& o, const SignalPlan& plan)
{
    auto inverse = std::make_unique<signal::SweepInverseGen>();
    // The inverse belongs to the unit sweep.
    inverse->setSweep(sweepParamsOf(o, plan.dataLength, 1.0));
    return inverse;
}

std::string signalOptionsHelp()
{
    return "  SIGNAL: " + core::signalKindNames() +
           " (default tone)\n"
           "  --level DB: 0 dB is amplitude 1.0, +20 dB integer full scale; noise has the RMS of a sine of that "
           "level\n"
           "  --fs HZ: any whole number from " +
           std::to_string(kMinCommandRateHz) + " to " + std::to_string(kMaxCommandRateHz) +
           "\n"
           "  tone:  --freq HZ (default 400), --shape SHAPE\n"
           "  sweep: exponential sine sweep --from F1 (default 20) --to F2 (default 20000, below fs/2);\n"
           "         --sync rounds its rate so harmonics fall at whole-number delays\n"
           "  white, pink: Gaussian noise, flat or falling 3 dB per octave; --seed N (default 1)\n"
           "  --fade-in S, --fade-out S: raised-cosine fades at the ends (seconds, default 0)\n"
           "  --dither tpdf: triangular dither of +-1 LSB before rounding (integer formats; default none)\n";
}

} // namespace corvane::cli
