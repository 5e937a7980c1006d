#include "cli/AnalysisCommands.h"

#include "SweepInput.h"
#include "analysis/Deconvolution.h"
#include "analysis/NumberColumns.h"
#include "analysis/SoundFile.h"
#include "cli/ExitCode.h"
#include "session/SignalChain.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <ostream>
#include <thread>

namespace corvane::cli {

using namespace sweepinput;

std::string deconvolveUsage()
{
    return "usage: corvane deconvolve RECORDING -o IR.wav (--inverse INV.wav | SWEEP OPTIONS)\n"
           "                          [--channel N|all] [--pre S] [--length S] [--format f32|f64] [--quiet]\n"
           "  RECORDING: any file libsndfile reads (WAV, W64, RF64, AIFF, FLAC, ...), any sample format\n"
           "             and channel count, at the sweep's rate and at least as long as the sweep\n"
           "  --inverse INV.wav: the inverse filter as export --inverse wrote it (mono), instead of\n"
           "             the sweep options\n" +
           sweepOptionsHelp() +
           "  --channel N|all: the recording's channel to analyse, from 1 (default 1), or every one;\n"
           "             the impulse response has one channel per channel analysed\n"
           "  --pre S:   keep S seconds before lag 0, which then sits at frame round(S * fs) (default 0,\n"
           "             at most the sweep's length)\n"
           "  --length S: the impulse response's length in seconds, --pre included (default: up to the\n"
           "             end of the recording)\n"
           "  --format f32|f64: the samples of IR.wav (default f64)\n"
           "  --quiet:   no report on stderr\n"
           "  The impulse response is the linear convolution of the recording with the inverse filter,\n"
           "  from lag 0 on (frame N - 1 of the whole convolution, N the sweep's frames): a recording of\n"
           "  the sweep delayed by D frames peaks at frame D. Ctrl+C leaves IR.wav as it was (exit 130).\n";
}

namespace {

constexpr OptionSpec kOwn[] = {
    {"--output", "-o", true, "IR.WAV", "", "The impulse response's WAV file to write (required).",
     ValueKind::File},
    {"--inverse", "", true, "INV.WAV", "",
     "The inverse filter as export --inverse wrote it (mono), instead of the sweep options.", ValueKind::File},
    {"--channel", "", true, "N|all", "1",
     "The recording's channel to analyse, from 1, or all; the impulse response has one channel per channel "
     "analysed."},
    {"--pre", "", true, "S", "0",
     "Seconds kept before lag 0, which then sits at frame round(S * fs); at most the sweep's length."},
    {"--length", "", true, "S", "",
     "The impulse response's length in seconds, --pre included; without it, up to the end of the recording."},
    {"--format", "", true, "f32|f64", "f64", "The sample encoding of the impulse response's file."},
    {"--quiet", "-q", false, "", "", "Prints no report on stderr."},
};

struct DeconvolveOptions {
    std::string recording;
    std::string path;
    std::string inversePath;
    SignalOptions sweep;
    std::string sweepOption; // the first sweep option given
    int channel = 1; // 0 for all
    double pre = 0.0;
    std::optional<double> length;
    bool f32 = false;
    bool quiet = false;
};

std::vector<OptionSpec> allSpecs()
{
    return joinedSpecs({kOwn, sweepOptionSpecs()});
}

Refusal usage(std::string message)
{
    return {std::move(message), true};
}

std::optional<Refusal> takeOwn(const ParsedOption& option, DeconvolveOptions& o)
{
    const std::string_view name = option.name;
    const std::string_view value = option.value;
    if (name == "--quiet") {
        o.quiet = true;
    } else if (name == "--output" || name == "--inverse") {
        const bool output = name == "--output";
        if (value.empty())
            return usage(output ? "the output file name is empty" : "the inverse filter's file name is empty");
        (output ? o.path : o.inversePath) = std::string(value);
    } else if (name == "--channel") {
        return parseChannel(name, value, o.channel, true);
    } else if (name == "--format") {
        if (value != "f32" && value != "f64")
            return usage("--format takes f32 or f64, not '" + std::string(value) + "'");
        o.f32 = value == "f32";
    } else if (name == "--pre") {
        if (auto refusal = parseSeconds(name, value, o.pre))
            return refusal;
        if (o.pre < 0.0)
            return Refusal{"--pre takes 0 or more seconds, not '" + std::string(value) + "'", false};
    } else { // --length
        double seconds = 0.0;
        if (auto refusal = parseSeconds(name, value, seconds))
            return refusal;
        if (!(seconds > 0.0))
            return Refusal{"--length takes more than 0 seconds, not '" + std::string(value) + "'", false};
        o.length = seconds;
    }
    return std::nullopt;
}

std::optional<Refusal> parseOptions(std::span<const std::string_view> args, DeconvolveOptions& o)
{
    ParsedArgs parsed;
    if (auto refusal = parseArgs(args, allSpecs(), parsed))
        return usage(std::move(*refusal));
    if (parsed.operands.size() > 1)
        return usage("one recording at a time, not '" + std::string(parsed.operands[1]) + "' too");
    if (parsed.operands.empty())
        return usage("no recording given");
    o.recording = std::string(parsed.operands.front());
    if (auto refusal = takeOptions(
            parsed.options, o.sweep, nullptr, [&o](const ParsedOption& option) { return takeOwn(option, o); },
            &o.sweepOption))
        return refusal;
    if (o.path.empty())
        return usage("no output file given (-o IR.wav)");
    if (!o.inversePath.empty() && !o.sweepOption.empty())
        return usage("--inverse takes the place of the sweep options; " + o.sweepOption + " does not go with it");
    if (o.inversePath.empty() && o.sweepOption.empty())
        return usage("the sweep is not described: give its options (--signal sweep ...) or --inverse INV.wav");
    return std::nullopt;
}

} // namespace

int runDeconvolve(std::span<const std::string_view> args, std::ostream& out, std::ostream& err)
{
    if (wantsHelp(args, allSpecs())) {
        out << deconvolveUsage();
        return Ok;
    }
    DeconvolveOptions o;
    if (const auto refusal = parseOptions(args, o))
        return printRefusal(err, *refusal, "deconvolve", deconvolveUsage());
    session::JobPlan plan;
    if (o.inversePath.empty())
        if (const auto refusal = checkSweep(o.sweep, err, plan))
            return printRefusal(err, *refusal, "deconvolve", deconvolveUsage());

    const auto refuse = [&err](const std::string& message) {
        err << "corvane deconvolve: " << message << '\n';
        return UsageError;
    };
    const auto failed = [&err](const std::string& message) {
        err << "corvane deconvolve: " << message << '\n';
        return Failed;
    };

    InterruptGuard interrupt;
    analysis::SoundFile recording;
    if (std::string why = recording.open(o.recording); !why.empty())
        return failed(why);
    std::vector<double> inverse;
    int fs = o.sweep.job.sampleRateHz;
    if (!o.inversePath.empty()) {
        analysis::SoundFile file;
        if (std::string why = file.open(o.inversePath); !why.empty())
            return failed(why);
        if (file.channels() != 1)
            return refuse("the inverse filter '" + o.inversePath + "' has " + std::to_string(file.channels()) +
                          " channels; export --inverse writes one");
        if (file.frames() < 1)
            return refuse("the inverse filter '" + o.inversePath + "' is empty");
        inverse.resize(static_cast<std::size_t>(file.frames()));
        if (std::string why = file.readChannel(0, inverse.data()); !why.empty())
            return failed(why);
        fs = file.sampleRate();
    } else {
        inverse = session::inverseFilterValues(o.sweep.job, plan);
    }
    if (recording.sampleRate() != fs)
        return refuse("the recording's rate is " + std::to_string(recording.sampleRate()) + " Hz, the sweep's " +
                      std::to_string(fs) + " Hz; they must be equal");
    if (o.channel > recording.channels())
        return refuse("the recording has " + std::to_string(recording.channels()) +
                      (recording.channels() == 1 ? " channel" : " channels") + "; there is no channel " +
                      std::to_string(o.channel));
    const auto sweepFrames = static_cast<std::int64_t>(inverse.size());
    const std::int64_t recordingFrames = recording.frames();
    if (recordingFrames < sweepFrames)
        return refuse("the recording (" + std::to_string(recordingFrames) +
                      " frames) is shorter than the sweep (" + std::to_string(sweepFrames) + " frames)");
    const double rate = fs;
    if (o.pre * rate > static_cast<double>(sweepFrames - 1) + 0.5)
        return refuse("--pre reaches back at most the sweep's length, " +
                      std::to_string(static_cast<double>(sweepFrames - 1) / rate) + " s");
    const std::int64_t preFrames = framesOf(o.pre, rate);
    std::int64_t frames = preFrames + recordingFrames;
    if (o.length) {
        if (*o.length * rate > static_cast<double>(frames) + 0.5)
            return refuse("--length reaches past the end of the recording; at most " +
                          std::to_string(static_cast<double>(frames) / rate) + " s here");
        frames = framesOf(*o.length, rate);
        if (frames < 1)
            return refuse("--length is shorter than one frame");
    }
    if (analysis::floatWavHeader(o.channel == 0 ? recording.channels() : 1, fs, frames, o.f32 ? 4 : 8).empty())
        return refuse("the impulse response would be too large for a WAV file; shorten it with --length");

    std::vector<int> chosen;
    if (o.channel == 0)
        for (int c = 0; c < recording.channels(); ++c)
            chosen.push_back(c);
    else
        chosen.push_back(o.channel - 1);

    std::vector<std::vector<double>> responses;
    {
        // Two channels at a time on two threads, each with its own buffers
        // (as much memory again as the first): the machine this was made on
        // has two cores, and the transform is most of the work.
        std::vector<std::unique_ptr<analysis::SweepDeconvolver>> workers;
        workers.push_back(std::make_unique<analysis::SweepDeconvolver>(inverse, recordingFrames));
        if (chosen.size() > 1 && std::thread::hardware_concurrency() > 1)
            workers.push_back(std::make_unique<analysis::SweepDeconvolver>(*workers.front()));
        for (std::size_t first = 0; first < chosen.size() && !interrupt.interrupted(); first += workers.size()) {
            const std::size_t count = std::min(workers.size(), chosen.size() - first);
            for (std::size_t j = 0; j < count; ++j)
                if (std::string why = recording.readChannel(chosen[first + j], workers[j]->recording());
                    !why.empty())
                    return failed(why);
            if (interrupt.interrupted())
                break;
            std::thread second;
            if (count > 1)
                second = std::thread([&worker = *workers[1]] { worker.run(); });
            workers[0]->run();
            if (second.joinable())
                second.join();
            for (std::size_t j = 0; j < count; ++j)
                responses.push_back(analysis::impulseResponse(*workers[j], preFrames, frames));
        }
    }
    if (interrupt.interrupted()) {
        if (interrupt.signalNumber() != SIGPIPE)
            err << "corvane deconvolve: interrupted; '" << o.path << "' was left as it was\n";
        return interruptedCode(interrupt);
    }
    const int code = writeOutput(
        "deconvolve", o.path,
        [&](wavio::ByteSink& sink) { return writeFloatWav(sink, responses, fs, o.f32, interrupt); }, interrupt,
        err);
    if (code == Ok && !o.quiet)
        err << "Wrote " << (isStandardOutput(o.path) ? std::string("standard output") : o.path) << ": " << frames
            << " frames, " << responses.size() << (responses.size() == 1 ? " channel, " : " channels, ") << fs
            << " Hz, " << (o.f32 ? "32" : "64") << "-bit float, lag 0 at frame " << preFrames << '\n';
    return code;
}

std::vector<OptionSpec> deconvolveOptions()
{
    return allSpecs();
}

} // namespace corvane::cli
