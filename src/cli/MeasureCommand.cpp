#include "cli/AnalysisCommands.h"

#include "ChartOptions.h"
#include "SweepInput.h"
#include "analysis/NumberColumns.h"
#include "analysis/Response.h"
#include "audio/PlayFormat.h"
#include "audio/SoundOutput.h"
#include "cli/ExitCode.h"
#include "core/NumberText.h"
#include "session/Measurement.h"

#include <cstdio>
#include <cstdlib>
#include <new>
#include <ostream>

namespace corvane::cli {

using namespace sweepinput;
using namespace chartoptions;

namespace {

constexpr int kDefaultRateHz = 48000;
// A peak 6 dB below full scale (+20 dB).
constexpr double kDefaultLevelDb = 14.0;
constexpr int kDistortionHarmonics = 5;

constexpr OptionSpec kOwn[] = {
    {"--output", "-o", true, "IR.WAV", "",
     "The impulse response's WAV file to write (required): 64-bit float, lag 0 at frame 0.", ValueKind::File},
    {"--format", "", true, "s16|s32|f32", "s16",
     "The sample format played and recorded, taken by both devices exactly as it is.", ValueKind::Text,
     audio::playFormatNames},
    {"--device", "", true, "OUT", "default",
     "The ALSA PCM to play on; CORVANE_AUDIO_DEVICE, when set, takes the default's place.", ValueKind::Device},
    {"--capture-device", "", true, "IN", "",
     "The ALSA PCM to record from; without it, the playback's device name.", ValueKind::Device},
    {"--output-channel", "", true, "N|all", "all",
     "The output channel that carries the sweep, 1 or 2 (the other plays silence), or all."},
    {"--input-channel", "", true, "N", "1", "The input channel that records the device under test, from 1."},
    {"--reference-channel", "", true, "N", "",
     "The input channel looped back by a cable from an output: lag 0 is the sweep's arrival there."},
    {"--pre", "", true, "S", "0.5", "Seconds of silence played before each sweep."},
    {"--tail", "", true, "S", "1.0", "Seconds of silence played after each sweep, while the recording goes on."},
    {"--repeat", "", true, "K", "1", "Plays the sweep K times (1 to 100) and averages the impulse responses."},
    {"--recording", "", true, "REC.WAV", "",
     "Also writes the raw capture of every input channel: 32-bit float (64-bit for s32).", ValueKind::File},
    {"--response", "", true, "OUT", "",
     "Also writes the frequency response as the response command would: .csv, .frd or .png.", ValueKind::File},
    {"--distortion", "", true, "OUT", "",
     "Also writes the harmonic distortion as the distortion command would: .csv or .png.", ValueKind::File},
    {"--smooth", "", true, "1/N", "none",
     "Smoothing of --response and --distortion: none, 1/1, 1/3, 1/6, 1/12, 1/24 or 1/48."},
    {"--quiet", "-q", false, "", "", "Prints only what went wrong."},
};

// The sweep's options with the defaults a measurement gives them, and --level.
std::vector<OptionSpec> sweepRows()
{
    std::vector<OptionSpec> rows;
    for (const OptionSpec& row : signalOptionSpecs())
        if (row.name == "--level") {
            OptionSpec level = row;
            level.defaultText = "14";
            level.help = "The sweep's level in dB: +20 dB is full scale, so 14 peaks 6 dB below it.";
            rows.push_back(level);
        }
    for (OptionSpec row : sweepOptionSpecs()) {
        if (row.name == "--fs")
            row.defaultText = "48000";
        if (row.name == "--signal") {
            row.defaultText = "sweep";
            row.help = "The signal measured with: sweep, the exponential sweep, is the only one.";
            row.choices = nullptr;
        }
        rows.push_back(row);
    }
    return rows;
}

std::vector<OptionSpec> allSpecs()
{
    const std::vector<OptionSpec> sweep = sweepRows();
    return joinedSpecs({kOwn, sweep});
}

struct MeasureOptions {
    session::MeasureDescription m;
    SignalOptions sweep;
    std::string path;
    std::string recordingPath;
    std::string responsePath;
    std::string distortionPath;
    bool captureGiven = false;
    int smoothing = 0;
    bool quiet = false;
};

Refusal usage(std::string message)
{
    return {std::move(message), true};
}

Refusal checkFailed(std::string message)
{
    return {std::move(message), false};
}

std::optional<Refusal> takeOwn(const ParsedOption& option, MeasureOptions& o)
{
    const std::string_view name = option.name;
    const std::string_view value = option.value;
    if (name == "--quiet") {
        o.quiet = true;
    } else if (name == "--level") {
        bool taken = false;
        return takeSignalOption(option, o.sweep, taken);
    } else if (name == "--output" || name == "--recording" || name == "--response" || name == "--distortion") {
        if (value.empty())
            return usage(std::string(name) + " takes a file name");
        (name == "--output"      ? o.path
         : name == "--recording" ? o.recordingPath
         : name == "--response"  ? o.responsePath
                                 : o.distortionPath) = std::string(value);
    } else if (name == "--format") {
        const audio::PlayFormatInfo* format = audio::findPlayFormat(value);
        if (format == nullptr)
            return usage("--format takes " + audio::playFormatNames() + ", not '" + std::string(value) + "'");
        o.sweep.job.format = format->sampleFormat;
    } else if (name == "--device" || name == "--capture-device") {
        if (value.empty())
            return usage("the device name is empty");
        (name == "--device" ? o.m.outputDevice : o.m.captureDevice) = std::string(value);
        o.captureGiven = o.captureGiven || name == "--capture-device";
    } else if (name == "--output-channel") {
        return parseChannel(name, value, o.m.outputChannel, true);
    } else if (name == "--input-channel") {
        return parseChannel(name, value, o.m.inputChannel);
    } else if (name == "--reference-channel") {
        return parseChannel(name, value, o.m.referenceChannel);
    } else if (name == "--repeat") {
        const auto n = core::parseInteger(value);
        if (!n || *n < 1 || *n > session::kMaxRepeats)
            return checkFailed("--repeat takes 1 to " + std::to_string(session::kMaxRepeats) + " sweeps, not '" +
                               std::string(value) + "'");
        o.m.repeats = *n;
    } else if (name == "--smooth") {
        return parseSmoothing(value, o.smoothing);
    } else { // --pre, --tail
        double seconds = 0.0;
        if (auto refusal = parseSeconds(name, value, seconds))
            return refusal;
        if (!(seconds >= 0.0))
            return checkFailed(std::string(name) + " takes 0 or more seconds, not '" + std::string(value) + "'");
        (name == "--pre" ? o.m.preSeconds : o.m.tailSeconds) = seconds;
    }
    return std::nullopt;
}

std::optional<Refusal> parseOptions(std::span<const std::string_view> args, MeasureOptions& o)
{
    ParsedArgs parsed;
    if (auto refusal = parseArgs(args, allSpecs(), parsed))
        return usage(std::move(*refusal));
    if (!parsed.operands.empty())
        return usage("measure takes no operand, not '" + std::string(parsed.operands.front()) + "'");
    if (auto refusal = takeOptions(parsed.options, o.sweep, nullptr,
                                   [&o](const ParsedOption& option) { return takeOwn(option, o); }))
        return refusal;
    if (o.path.empty())
        return usage("no output file given (-o IR.wav)");
    if (!o.captureGiven)
        o.m.captureDevice = o.m.outputDevice;
    return std::nullopt;
}

std::string framesAndMs(std::int64_t frames, int fs)
{
    char ms[32];
    std::snprintf(ms, sizeof ms, "%.3f", 1000.0 * static_cast<double>(frames) / fs);
    return std::to_string(frames) + (frames == 1 || frames == -1 ? " frame (" : " frames (") + ms + " ms)";
}

// Computes what the options ask for from a measurement that succeeded and
// writes every file, all or none; the exit code.
int writeResults(const MeasureOptions& o, const session::JobPlan& plan, const session::MeasureResult& result,
                 ChartEncoder chart, const InterruptGuard& interrupt, std::ostream& err);

} // namespace

std::string measureUsage()
{
    return "usage: corvane measure -o IR.wav [SWEEP OPTIONS] [--format s16|s32|f32] [--device OUT]\n"
           "                       [--capture-device IN] [--output-channel N|all] [--input-channel N]\n"
           "                       [--reference-channel N] [--pre S] [--tail S] [--repeat K]\n"
           "                       [--recording REC.wav] [--response OUT] [--distortion OUT]\n"
           "                       [--smooth " +
           smoothingNames() +
           "] [--quiet]\n"
           "  Plays a sweep and records it in one run, and writes the impulse response.\n"
           "  SWEEP OPTIONS, as export takes them: [--signal sweep] [--level DB] [--from F1] [--to F2]\n"
           "         [--fs HZ] [--seconds S | --samples N] [--sync] [--fade-in S] [--fade-out S] (defaults: a 10 "
           "s,\n"
           "         20 Hz to 20 kHz sweep at 48000 Hz, --level 14: a peak 6 dB below full scale)\n"
           "  --format: the samples played and recorded (default s16); the devices take them as they\n"
           "         are, never resampled or converted; a device that refuses says why (exit 3)\n"
           "  --device OUT: the ALSA PCM played on (default: CORVANE_AUDIO_DEVICE, else default);\n"
           "         --capture-device IN the one recorded from (default: the same name)\n"
           "  --output-channel N|all: 1 or 2 carries the sweep, the other silence (default all)\n"
           "  --input-channel N: the input that records the device under test (default 1)\n"
           "  --reference-channel N: an input looped back from an output by a cable; lag 0 of the\n"
           "         impulse response is the sweep's arrival there, and the delay found is printed.\n"
           "         A reference that stays below -60 dBFS is refused. Without it, lag 0 is the\n"
           "         sweep's first sample's place in the recording, as if the round trip took no time\n"
           "  --pre S, --tail S: silence before and after each sweep (default 0.5 and 1.0 s)\n"
           "  --repeat K: play the sweep K times (each after its silence and followed by its tail),\n"
           "         align them by the reference (or by the first sweep's peak) and average\n"
           "  --recording REC.wav: the raw capture of every input channel (32-bit float, 64-bit\n"
           "         for s32)\n"
           "  --response OUT, --distortion OUT: what the response and distortion commands write,\n"
           "         .csv, .frd (response only) or .png; --smooth as they take it\n"
           "  IR.wav is 64-bit float, sweep + tail long. A capture that loses frames, Ctrl+C or\n"
           "  SIGTERM writes nothing (exit 3, 130).\n";
}

std::vector<OptionSpec> measureOptions()
{
    return allSpecs();
}

int runMeasure(std::span<const std::string_view> args, std::ostream& out, std::ostream& err, ChartEncoder chart)
{
    if (wantsHelp(args, allSpecs())) {
        out << measureUsage();
        return Ok;
    }
    MeasureOptions o;
    o.sweep.job.kind = core::SignalKind::Sweep;
    o.sweep.job.sampleRateHz = kDefaultRateHz;
    o.sweep.job.levelDb = kDefaultLevelDb;
    if (const char* named = std::getenv("CORVANE_AUDIO_DEVICE"); named != nullptr && *named != '\0')
        o.m.outputDevice = named;
    if (const auto refusal = parseOptions(args, o))
        return printRefusal(err, *refusal, "measure", measureUsage());
    const auto refuse = [&err](const std::string& message) {
        err << "corvane measure: " << message << '\n';
        return UsageError;
    };
    o.m.sweep = o.sweep.job;
    if (const std::string why = session::checkMeasure(o.m); !why.empty())
        return refuse(why);
    const NamedOutput named[] = {{"-o", o.path},
                                 {"--recording", o.recordingPath},
                                 {"--response", o.responsePath},
                                 {"--distortion", o.distortionPath}};
    if (const std::string why = sameOutputTwice(named); !why.empty())
        return refuse(why);
    const auto responseKind = o.responsePath.empty() ? std::nullopt : outputKindOf(o.responsePath, true);
    const auto distortionKind = o.distortionPath.empty() ? std::nullopt : outputKindOf(o.distortionPath, false);
    if (!o.responsePath.empty() && !responseKind)
        return refuse("--response's extension gives its format: .csv, .frd or .png, not '" + o.responsePath + "'");
    if (!o.distortionPath.empty() && !distortionKind)
        return refuse("--distortion's extension gives its format: .csv or .png, not '" + o.distortionPath + "'");
    if (chart == nullptr && (responseKind == OutputKind::Png || distortionKind == OutputKind::Png))
        return refuse("this build draws no charts; write a .csv file instead");
    o.sweep.job = session::measureJob(o.m);
    session::JobPlan plan;
    if (const auto refusal = checkSweep(o.sweep, err, plan))
        return printRefusal(err, *refusal, "measure", measureUsage());
    if (distortionKind) {
        const analysis::DistortionParams p =
            session::sweepDistortionParams(o.sweep.job, plan.signalFrames, kDistortionHarmonics, o.smoothing);
        if (const std::string why =
                analysis::distortionRefusal(p, plan.signalFrames,
                                            "lengthen the sweep (--distortion measures " +
                                                std::to_string(kDistortionHarmonics) + " harmonics)");
            !why.empty())
            return refuse("--distortion: " + why);
    }

    InterruptGuard interrupt;
    session::MeasureResult result;
    std::string reason;
    const auto failed = [&err](const std::string& message) {
        err << "corvane measure: " << message << "; nothing was written\n";
        return Failed;
    };
    session::MeasureStatus status = session::MeasureStatus::Done;
    try {
        status = session::measure(
            o.m, plan, [&interrupt] { return interrupt.interrupted(); }, result, reason);
    } catch (const std::bad_alloc&) {
        // The session's own buffers (the signal chain's, the devices'),
        // before or after the capture; its threads are stopped and joined.
        return failed("not enough memory for the measurement");
    }
    switch (status) {
    case session::MeasureStatus::Done: break;
    case session::MeasureStatus::Stopped:
        if (interrupt.signalNumber() != SIGPIPE)
            err << "corvane measure: interrupted; nothing was written\n";
        return interruptedCode(interrupt) != Ok ? interruptedCode(interrupt) : Failed;
    case session::MeasureStatus::Overrun:
        return failed("the capture lost about " + std::to_string(result.lostFrames) + " frames (" + reason +
                      "), so the recording would have a hole");
    case session::MeasureStatus::DeviceFailed:
    case session::MeasureStatus::Underrun:
    case session::MeasureStatus::SilentReference:
    case session::MeasureStatus::OutOfMemory: return failed(reason);
    }
    if (result.clippedSamples > 0)
        err << "Warning: " << result.clippedSamples << " samples clipped at full scale\n";
    const int rate = result.sampleRate;
    if (!o.quiet) {
        if (result.referenceDelay) {
            char peak[32];
            std::snprintf(peak, sizeof peak, "%.1f", result.referencePeakDb);
            err << "Reference on input " << o.m.referenceChannel << ": the loop back takes "
                << framesAndMs(*result.referenceDelay, rate) << "; peak " << peak << " dBFS\n";
            err << "System delay: " << framesAndMs(result.peakFrame, rate)
                << ", the impulse response's peak after the reference\n";
        } else {
            err << "Impulse response peak at " << framesAndMs(result.peakFrame, rate)
                << " after the sweep's start (no reference: the round trip is included)\n";
        }
        if (!result.linked)
            err << "Note: the devices could not be linked; playback and capture were started one after the "
                   "other\n";
    }

    // The response, the distortion and the files' buffers still need
    // memory; without it every temporary file is discarded on the way out.
    try {
        return writeResults(o, plan, result, chart, interrupt, err);
    } catch (const std::bad_alloc&) {
        return failed("not enough memory to analyse the recording");
    }
}

namespace {

int writeResults(const MeasureOptions& o, const session::JobPlan& plan, const session::MeasureResult& result,
                 ChartEncoder chart, const InterruptGuard& interrupt, std::ostream& err)
{
    const int rate = result.sampleRate;
    const double fs = o.sweep.job.sampleRateHz;
    const auto responseKind = o.responsePath.empty() ? std::nullopt : outputKindOf(o.responsePath, true);
    const auto distortionKind = o.distortionPath.empty() ? std::nullopt : outputKindOf(o.distortionPath, false);
    std::vector<Output> outputs;
    const std::vector<std::vector<double>> ir{result.impulseResponse};
    outputs.push_back(
        {o.path, [&](wavio::ByteSink& sink) { return writeFloatWav(sink, ir, rate, false, interrupt); }});
    if (!o.recordingPath.empty()) {
        // Every s16 and f32 sample is a float exactly; s32 needs a double.
        const bool f32 = o.sweep.job.format != core::SampleFormat::S32;
        // f32 by value: the files are written after this block has ended.
        outputs.push_back({o.recordingPath, [&, f32](wavio::ByteSink& sink) {
                               return writeFloatWav(sink, result.recording, rate, f32, interrupt);
                           }});
    }
    // The charts are drawn before anything is written, and go with the rest:
    // a chart that cannot be drawn leaves every file as it was.
    const auto addChart = [&](const std::string& path, const FrequencyChart& c, std::string& png) {
        std::string why;
        if (!chart(c, ChartSize{}, png, why)) {
            err << "corvane measure: cannot draw '" << path << "': " << why << "; nothing was written\n";
            return false;
        }
        outputs.push_back({path, [&png](wavio::ByteSink& sink) { return sink.write(png.data(), png.size()); }});
        return true;
    };
    std::string responseText;
    if (responseKind) {
        const OutputKind kind = *responseKind;
        analysis::ResponseParams p;
        p.toHz = fs / 2.0;
        p.smoothing = o.smoothing;
        const analysis::FrequencyResponse r = analysis::frequencyResponse(result.impulseResponse, fs, p);
        if (kind == OutputKind::Png) {
            if (!addChart(o.responsePath, responseChart(r), responseText))
                return Failed;
        } else {
            responseText = kind == OutputKind::Csv ? analysis::responseCsv(r) : analysis::responseFrd(r);
            outputs.push_back({o.responsePath, [&](wavio::ByteSink& sink) {
                                   return sink.write(responseText.data(), responseText.size());
                               }});
        }
    }
    std::string distortionText;
    if (distortionKind) {
        const analysis::HarmonicDistortion d =
            session::measuredDistortion(o.m, plan, result, kDistortionHarmonics, o.smoothing);
        if (*distortionKind == OutputKind::Png) {
            if (!addChart(o.distortionPath, distortionChart(d), distortionText))
                return Failed;
        } else {
            distortionText = analysis::distortionCsv(d);
            outputs.push_back({o.distortionPath, [&](wavio::ByteSink& sink) {
                                   return sink.write(distortionText.data(), distortionText.size());
                               }});
        }
    }
    const int code = writeOutputs("measure", outputs, interrupt, err);
    if (code == Ok && !o.quiet)
        err << "Wrote " << o.path << ": " << result.impulseResponse.size() << " frames, " << rate
            << " Hz, 64-bit float, lag 0 at frame 0, " << o.m.repeats
            << (o.m.repeats == 1 ? " sweep\n" : " sweeps averaged\n");
    return code;
}

} // namespace

} // namespace corvane::cli
