#include "cli/SignalOptions.h"

#include "core/NumberText.h"
#include "core/ParameterTexts.h"
#include "session/JobCheck.h"

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
     "The signal: tone (the window's signal, byte for byte), sweep (exponential), white or pink Gaussian noise, "
     "multitone, imd (a two-tone pair), linsweep (linear sweep), burst (tone bursts) or mls.",
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
    {"--tones", "", true, "F1,F2,...", "100,1000,10000",
     "multitone: up to 64 frequencies in Hz, each below fs/2; imd: the pair F1,F2 with --ratio."},
    {"--periodic", "", false, "", "off",
     "multitone, white, pink: the signal repeats exactly every period, so the file loops without a step."},
    {"--period", "", true, "N", "",
     "The period: of periodic noise in frames (a power of two from 1024 to 1048576, default 65536), of a periodic "
     "multitone in frames (default the file), of a burst in cycles (default 100)."},
    {"--preset", "", true, "NAME", "",
     "imd: smpte (60 Hz + 7 kHz, 4:1), din (250 Hz + 8 kHz, 4:1) or ccif (19 + 20 kHz, 1:1), default smpte; "
     "burst: cea2010 (6.5 cycles, Hann-windowed).",
     ValueKind::Text, [] { return std::string("smpte, din, ccif, cea2010"); }},
    {"--ratio", "", true, "R", "4", "imd with --tones F1,F2: the first tone's amplitude over the second's."},
    {"--cycles", "", true, "N", "10", "burst: cycles in each burst."},
    {"--window", "", true, "none|hann", "none", "burst: the bursts' envelope.", ValueKind::Text,
     [] { return std::string("none, hann"); }},
    {"--order", "", true, "N", "16", "mls: 2^N - 1 samples per period, N from 4 to 24."},
    {"--pad-before", "", true, "S", "0", "Seconds of digital silence before the signal."},
    {"--pad-after", "", true, "S", "0", "Seconds of digital silence after the signal."},
    {"--route", "", true, "ROUTE", "both",
     "Stereo only: both channels, the left or the right alone (the other silent), or inverted (the right the "
     "exact negative of the left).",
     ValueKind::Text, [] { return std::string("both, left, right, inverted"); }},
    {"--phase", "", true, "DEG", "0", "Stereo tone (sine) or multitone: shifts the right channel by DEG degrees."},
};

// Whether an option belongs to some signals only (a row of the parameter
// table that not every signal uses); --seed has its own rule (dither).
bool signalSpecific(std::string_view option)
{
    if (option == "--seed")
        return false;
    for (const auto& row : core::kSignalParams)
        if (row.option == option)
            return true;
    return false;
}

// Whether the signal uses a parameter given by this option.
bool optionFor(core::SignalKind kind, std::string_view option)
{
    for (const auto& row : core::kSignalParams)
        if (row.option == option && core::usesParam(kind, row.param))
            return true;
    return false;
}

std::string signalsTaking(std::string_view option)
{
    std::string names;
    for (const auto& kind : core::kSignalKinds) {
        if (!optionFor(kind.kind, option))
            continue;
        if (!names.empty())
            names += ", ";
        names += kind.cliName;
    }
    return names;
}

// "1000,2000.5": numbers separated by commas.
std::optional<std::vector<double>> parseList(std::string_view text)
{
    std::vector<double> values;
    while (true) {
        const std::size_t comma = text.find(',');
        const auto v = core::parseReal(text.substr(0, comma));
        if (!v || !std::isfinite(*v))
            return std::nullopt;
        values.push_back(*v);
        if (comma == std::string_view::npos)
            return values;
        text.remove_prefix(comma + 1);
    }
}

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

void remember(std::vector<std::string>& list, std::string_view name)
{
    list.emplace_back(name);
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
        o.job.kind = *kind;
    } else if (name == "--shape") {
        const auto code = core::waveShapeOfName(value);
        if (!code)
            return usage("unknown shape '" + std::string(value) + "'");
        o.job.shape = core::kWaveShapes[static_cast<std::size_t>(*code)].shape;
        remember(o.signalOnly, name);
    } else if (name == "--format") {
        const auto code = core::sampleFormatOfName(value);
        if (!code)
            return usage("unknown format '" + std::string(value) + "'");
        o.job.format = core::kSampleFormats[static_cast<std::size_t>(*code)].format;
    } else if (name == "--channels") {
        const auto n = core::parseInteger(value);
        if (!n || (*n != 1 && *n != 2))
            return usage("--channels takes 1 or 2, not '" + std::string(value) + "'");
        o.job.channels = *n;
    } else if (name == "--samples") {
        const auto n = core::parseInteger(value);
        if (!n)
            return invalidValue(name, value);
        o.job.frames = *n;
        o.job.seconds.reset();
    } else if (name == "--fs") {
        const auto v = core::parseReal(value);
        if (!v)
            return invalidValue(name, value);
        if (!(*v >= kMinCommandRateHz && *v <= kMaxCommandRateHz) || *v != std::trunc(*v))
            return usage("--fs takes a whole number of Hz from " + std::to_string(kMinCommandRateHz) + " to " +
                         std::to_string(kMaxCommandRateHz) + ", not '" + std::string(value) + "'");
        o.job.sampleRateHz = static_cast<int>(*v);
    } else if (name == "--sync") {
        o.job.synchronised = true;
        remember(o.signalOnly, name);
    } else if (name == "--seed") {
        const auto seed = parseSeed(value);
        if (!seed)
            return usage("--seed takes a whole number from 0 to 18446744073709551615, not '" + std::string(value) +
                         "'");
        o.job.seed = *seed;
        o.seedGiven = true;
    } else if (name == "--tones") {
        auto list = parseList(value);
        if (!list)
            return invalidValue(name, value);
        if (list->size() > static_cast<std::size_t>(core::kMaxTones))
            return usage("--tones takes at most " + std::to_string(core::kMaxTones) + " frequencies");
        o.job.tones = std::move(*list);
        o.tonesGiven = true;
        remember(o.signalOnly, name);
    } else if (name == "--periodic") {
        o.job.periodic = true;
        remember(o.signalOnly, name);
    } else if (name == "--preset") {
        o.preset = std::string(value);
        remember(o.signalOnly, name);
    } else if (name == "--window") {
        const auto row = core::rowOfName(core::kBurstWindows, value);
        if (!row)
            return usage("--window takes none or hann, not '" + std::string(value) + "'");
        o.job.window = row->window;
        remember(o.signalOnly, name);
    } else if (name == "--route") {
        const auto row = core::rowOfName(core::kChannelRoutes, value);
        if (!row)
            return usage("--route takes both, left, right or inverted, not '" + std::string(value) + "'");
        o.job.route = row->route;
    } else if (name == "--order") {
        const auto n = core::parseInteger(value);
        if (!n)
            return invalidValue(name, value);
        o.job.mlsOrder = *n;
        remember(o.signalOnly, name);
    } else if (name == "--dither") {
        if (value != "none" && value != "tpdf")
            return usage("--dither takes none or tpdf, not '" + std::string(value) + "'");
        o.job.dither = value == "tpdf";
    } else {
        const auto v = core::parseReal(value);
        if (!v)
            return invalidValue(name, value);
        if (name == "--freq") {
            o.job.freqHz = *v;
            remember(o.signalOnly, name);
        } else if (name == "--level") {
            o.job.levelDb = *v;
        } else if (name == "--seconds") {
            o.job.seconds = *v;
            o.job.frames.reset();
        } else if (name == "--ref-level") {
            o.job.refLevel = *v;
        } else if (name == "--from") {
            o.job.fromHz = *v;
            remember(o.signalOnly, name);
        } else if (name == "--to") {
            o.job.toHz = *v;
            remember(o.signalOnly, name);
        } else if (name == "--fade-in") {
            o.job.fadeInSeconds = *v;
        } else if (name == "--period") {
            o.job.period = *v;
            remember(o.signalOnly, name);
        } else if (name == "--ratio") {
            o.job.ratio = *v;
            remember(o.signalOnly, name);
        } else if (name == "--cycles") {
            o.job.cycles = *v;
            remember(o.signalOnly, name);
        } else if (name == "--pad-before") {
            o.job.padBeforeSeconds = *v;
        } else if (name == "--pad-after") {
            o.job.padAfterSeconds = *v;
        } else if (name == "--phase") {
            o.job.phaseDeg = *v;
            remember(o.signalOnly, name);
        } else { // --fade-out
            o.job.fadeOutSeconds = *v;
        }
    }
    return std::nullopt;
}

std::vector<OptionSpec> signalCommandSpecs(std::span<const OptionSpec> own)
{
    return joinedSpecs({own, kSignalOptions});
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

std::optional<Refusal> checkSignal(SignalOptions& o, std::ostream& err, session::JobPlan& plan)
{
    using core::SignalKind;
    const SignalKind kind = o.job.kind;
    const std::string signalName(core::infoOf(kind).cliName);
    for (const std::string& option : o.signalOnly)
        if (signalSpecific(option) && !optionFor(kind, option))
            return usage(option + " is for --signal " + signalsTaking(option) + ", not " + signalName);
    if (o.seedGiven && kind != SignalKind::White && kind != SignalKind::Pink && !o.job.dither)
        return usage("--seed is for noise and dither");
    if (!o.preset.empty()) {
        if (kind == SignalKind::Imd) {
            const auto row = core::rowOfName(core::kImdPresets, o.preset);
            if (!row)
                return usage("--preset takes smpte, din or ccif for --signal imd, not '" + o.preset + "'");
            o.job.imdPreset = row->preset;
        } else if (o.preset == "cea2010") {
            o.job.cea2010 = true;
        } else {
            return usage("--preset takes cea2010 for --signal burst, not '" + o.preset + "'");
        }
    } else if (kind == SignalKind::Imd && o.tonesGiven) {
        o.job.imdPreset.reset();
    }

    const session::CheckResult result = session::checkJob(o.job);
    for (const session::Finding& finding : result.findings) {
        if (finding.severity == session::Severity::Warning) {
            err << "Warning: " << finding.text << '\n';
            continue;
        }
        // A number refused for its size names its option; the other texts
        // say what they concern themselves.
        std::string option;
        switch (finding.code) {
        case session::CheckCode::LevelNotUsable:
        case session::CheckCode::LevelTooLargeForFloat: option = " (--level)"; break;
        case session::CheckCode::RefLevelNotUsable:
        case session::CheckCode::RefLevelTooLargeForFloat: option = " (--ref-level)"; break;
        default: break;
        }
        return parameterError(finding.text + option);
    }
    plan = *result.plan;
    return std::nullopt;
}

std::string signalOptionsHelp()
{
    return "  SIGNAL: " + core::signalKindNames() +
           " (default tone)\n"
           "  --level DB: 0 dB is amplitude 1.0, +20 dB integer full scale; noise and multitone have the RMS of a "
           "sine of that level,\n"
           "         imd's two amplitudes add up to that sine's (the pair may peak slightly below it, never "
           "above),\n"
           "         sweeps, bursts and mls peak at that sine's amplitude (mls is +-A)\n"
           "  --fs HZ: any whole number from " +
           std::to_string(kMinCommandRateHz) + " to " + std::to_string(kMaxCommandRateHz) +
           "\n"
           "  tone:  --freq HZ (default 400), --shape SHAPE\n"
           "  sweep: exponential sine sweep --from F1 (default 20) --to F2 (default 20000, below fs/2);\n"
           "         --sync rounds its rate so harmonics fall at whole-number delays\n"
           "  white, pink: Gaussian noise, flat or falling 3 dB per octave; --seed N (default 1);\n"
           "         --periodic --period N (a power of two from 1024 to 1048576, default 65536): repeats exactly\n"
           "         every N frames, a line of random phase on every bin k fs / N\n"
           "  multitone: --tones F1,F2,... (up to 64, default 100,1000,10000) at equal amplitudes with "
           "Schroeder's\n"
           "         phases -pi k (k-1) / K; --periodic rounds each to whole cycles in the file or --period N "
           "frames\n"
           "  imd:   --preset smpte|din|ccif (default smpte: 60 Hz + 7 kHz 4:1; din 250 Hz + 8 kHz 4:1;\n"
           "         ccif 19 kHz + 20 kHz 1:1), or --tones F1,F2 --ratio R (F1's amplitude over F2's)\n"
           "  linsweep: linear sine sweep --from F1 --to F2 (both from 0 to below fs/2)\n"
           "  burst: --freq HZ, --cycles N (default 10) every --period M cycles (default 100), silence between;\n"
           "         --window none|hann; --preset cea2010: 6.5 cycles, Hann-windowed\n"
           "  mls:   maximum-length sequence, --order N (4 to 24, default 16): 2^N - 1 frames per period\n"
           "  --fade-in S, --fade-out S: raised-cosine fades at the ends (seconds, default 0)\n"
           "  --pad-before S, --pad-after S: seconds of digital silence around the signal (a sweep's inverse\n"
           "         filter is not padded: the impulse response's lag 0 comes pad-before later)\n"
           "  --route both|left|right|inverted: with --channels 2, one channel only (the other silent), or the\n"
           "         right the exact negative of the left (default both)\n"
           "  --phase DEG: with --channels 2, shifts the right channel of a sine tone or multitone\n"
           "  --dither tpdf: triangular dither of +-1 LSB before rounding (integer formats; default none)\n";
}

} // namespace corvane::cli
