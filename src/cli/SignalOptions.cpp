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
        o.job.kind = *kind;
    } else if (name == "--shape") {
        const auto code = core::waveShapeOfName(value);
        if (!code)
            return usage("unknown shape '" + std::string(value) + "'");
        o.job.shape = core::kWaveShapes[static_cast<std::size_t>(*code)].shape;
        remember(o.toneOnly, name);
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
        remember(o.sweepOnly, name);
    } else if (name == "--seed") {
        const auto seed = parseSeed(value);
        if (!seed)
            return usage("--seed takes a whole number from 0 to 18446744073709551615, not '" + std::string(value) +
                         "'");
        o.job.seed = *seed;
        o.seedGiven = true;
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
            remember(o.toneOnly, name);
        } else if (name == "--level") {
            o.job.levelDb = *v;
        } else if (name == "--seconds") {
            o.job.seconds = *v;
            o.job.frames.reset();
        } else if (name == "--ref-level") {
            o.job.refLevel = *v;
        } else if (name == "--from") {
            o.job.fromHz = *v;
            remember(o.sweepOnly, name);
        } else if (name == "--to") {
            o.job.toHz = *v;
            remember(o.sweepOnly, name);
        } else if (name == "--fade-in") {
            o.job.fadeInSeconds = *v;
        } else { // --fade-out
            o.job.fadeOutSeconds = *v;
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

std::optional<Refusal> checkSignal(const SignalOptions& o, std::ostream& err, session::JobPlan& plan)
{
    using core::SignalKind;
    const SignalKind kind = o.job.kind;
    const std::string signalName(core::kSignalKinds[static_cast<std::size_t>(kind)].cliName);
    if (kind != SignalKind::Tone && !o.toneOnly.empty())
        return usage(o.toneOnly + " is for --signal tone, not " + signalName);
    if (kind != SignalKind::Sweep && !o.sweepOnly.empty())
        return usage(o.sweepOnly + " is for --signal sweep, not " + signalName);
    if (o.seedGiven && kind != SignalKind::White && kind != SignalKind::Pink && !o.job.dither)
        return usage("--seed is for noise and dither");

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
