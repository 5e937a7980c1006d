#include "cli/AnalysisCommands.h"

#include "ChartOptions.h"
#include "SweepInput.h"
#include "analysis/NumberColumns.h"
#include "analysis/Response.h"
#include "analysis/SoundFile.h"
#include "cli/ExitCode.h"

#include <ostream>

namespace corvane::cli {

using namespace sweepinput;
using namespace chartoptions;

std::string responseUsage()
{
    return "usage: corvane response IR.wav -o OUT.csv|OUT.frd|OUT.png [--smooth " + smoothingNames() +
           "]\n"
           "                        [--from F] [--to F] [--pre S] [--window S] [--channel N]\n"
           "                        [--width W] [--height H] [--scale S]\n"
           "  IR.wav:   an impulse response as deconvolve writes it (any file libsndfile reads)\n"
           "  -o:       the format follows the extension: .csv (frequency_hz,magnitude_db,phase_deg),\n"
           "            .frd (frequency magnitude phase, '*' comment lines) or .png (a chart);\n"
           "            '-' writes the CSV to standard output\n"
           "  --smooth: average the power over each point's 1/N-octave band (default none)\n"
           "  --from F, --to F: the points' range in Hz, 1/48 octave apart (default 10 to fs/2)\n"
           "  --pre S:  lag 0 sits at frame round(S * fs), as deconvolve --pre wrote it (default 0);\n"
           "            the phase is relative to it\n"
           "  --window S: keep only the first S seconds after lag 0, the last tenth tapered by a half\n"
           "            Hann window (default: the whole response)\n"
           "  --channel N: the response's channel, from 1 (default 1)\n" +
           chartOptionsHelp();
}

namespace {

constexpr OptionSpec kOwn[] = {
    {"--output", "-o", true, "OUT", "",
     "The file to write (required), its format by the extension: .csv, .frd or .png; - writes CSV to standard "
     "output.",
     ValueKind::File},
    {"--smooth", "", true, "1/N", "none",
     "Averages the power over each point's 1/N-octave band: none, 1/1, 1/3, 1/6, 1/12, 1/24 or 1/48."},
    {"--from", "", true, "F", "10", "The lowest point in Hz; the points lie 1/48 octave apart."},
    {"--to", "", true, "F", "fs/2", "The highest point in Hz."},
    {"--pre", "", true, "S", "0",
     "Lag 0 sits at frame round(S * fs), as deconvolve --pre wrote it; the phase is relative to it."},
    {"--window", "", true, "S", "",
     "Keeps only the first S seconds after lag 0, the last tenth tapered by a half Hann window; without it, the "
     "whole response."},
    {"--channel", "", true, "N", "1", "The response's channel, from 1."},
};

struct ResponseOptions {
    std::string input;
    std::string path;
    int smoothing = 0;
    double fromHz = 10.0;
    std::optional<double> toHz;
    double pre = 0.0;
    std::optional<double> window;
    int channel = 1;
    ChartSize size;
};

std::vector<OptionSpec> allSpecs()
{
    return joinedSpecs({kOwn, chartOptionSpecs()});
}

Refusal usage(std::string message)
{
    return {std::move(message), true};
}

Refusal checkFailed(std::string message)
{
    return {std::move(message), false};
}

std::optional<Refusal> takeOwn(const ParsedOption& option, ResponseOptions& o)
{
    const std::string_view name = option.name;
    const std::string_view value = option.value;
    if (name == "--output") {
        if (value.empty())
            return usage("the output file name is empty");
        o.path = std::string(value);
    } else if (name == "--smooth") {
        return parseSmoothing(value, o.smoothing);
    } else if (name == "--channel") {
        return parseChannel(name, value, o.channel);
    } else {
        double v = 0.0;
        if (auto refusal = parseSeconds(name, value, v))
            return refusal;
        if (name == "--from") {
            if (!(v > 0.0))
                return checkFailed("--from takes a frequency above 0 Hz, not '" + std::string(value) + "'");
            o.fromHz = v;
        } else if (name == "--to") {
            o.toHz = v;
        } else if (name == "--pre") {
            if (v < 0.0)
                return checkFailed("--pre takes 0 or more seconds, not '" + std::string(value) + "'");
            o.pre = v;
        } else { // --window
            if (!(v > 0.0))
                return checkFailed("--window takes more than 0 seconds, not '" + std::string(value) + "'");
            o.window = v;
        }
    }
    return std::nullopt;
}

std::optional<Refusal> parseOptions(std::span<const std::string_view> args, ResponseOptions& o)
{
    ParsedArgs parsed;
    if (auto refusal = parseArgs(args, allSpecs(), parsed))
        return usage(std::move(*refusal));
    if (parsed.operands.size() > 1)
        return usage("one impulse response at a time, not '" + std::string(parsed.operands[1]) + "' too");
    if (parsed.operands.empty())
        return usage("no impulse response given");
    o.input = std::string(parsed.operands.front());
    for (const ParsedOption& option : parsed.options) {
        bool taken = false;
        if (auto refusal = takeChartOption(option, o.size, taken))
            return refusal;
        if (!taken)
            if (auto refusal = takeOwn(option, o))
                return refusal;
    }
    if (o.path.empty())
        return usage("no output file given (-o OUT.csv, OUT.frd or OUT.png)");
    return std::nullopt;
}

} // namespace

int runResponse(std::span<const std::string_view> args, std::ostream& out, std::ostream& err, ChartWriter chart)
{
    if (wantsHelp(args, allSpecs())) {
        out << responseUsage();
        return Ok;
    }
    ResponseOptions o;
    if (const auto refusal = parseOptions(args, o))
        return printRefusal(err, *refusal, "response", responseUsage());
    const auto refuse = [&err](const std::string& message) {
        err << "corvane response: " << message << '\n';
        return UsageError;
    };
    const auto kind = outputKindOf(o.path, true);
    if (!kind)
        return refuse("the output's extension gives its format: .csv, .frd or .png, not '" + o.path + "'");
    if (*kind == OutputKind::Png && chart == nullptr)
        return refuse("this build draws no charts; write a .csv or .frd file instead");
    if (o.toHz && !(*o.toHz > o.fromHz))
        return refuse("--to must be above --from (" + std::to_string(o.fromHz) + " Hz)");

    InterruptGuard interrupt;
    analysis::SoundFile file;
    if (std::string why = file.open(o.input); !why.empty()) {
        err << "corvane response: " << why << '\n';
        return Failed;
    }
    const double fs = file.sampleRate();
    if (o.channel > file.channels())
        return refuse("'" + o.input + "' has " + std::to_string(file.channels()) +
                      (file.channels() == 1 ? " channel" : " channels") + "; there is no channel " +
                      std::to_string(o.channel));
    if (file.frames() < 1)
        return refuse("'" + o.input + "' holds no frames");
    if (o.toHz && *o.toHz > fs / 2.0)
        return refuse("--to may be at most half the rate, " + std::to_string(fs / 2.0) + " Hz");
    if (!(o.fromHz < (o.toHz ? *o.toHz : fs / 2.0)))
        return refuse("--from must be below half the rate");
    if (o.pre * fs > static_cast<double>(file.frames() - 1) + 0.5)
        return refuse("--pre puts lag 0 past the end of '" + o.input + "'");
    analysis::ResponseParams p;
    p.fromHz = o.fromHz;
    p.toHz = o.toHz.value_or(fs / 2.0);
    p.smoothing = o.smoothing;
    p.lagZero = framesOf(o.pre, fs);
    if (o.window) {
        // Past the end the response is over anyway.
        const double frames = std::min(*o.window * fs, static_cast<double>(file.frames()));
        p.windowFrames = std::max<std::int64_t>(std::llround(frames), 1);
    }
    std::vector<double> ir(static_cast<std::size_t>(file.frames()));
    if (std::string why = file.readChannel(o.channel - 1, ir.data()); !why.empty()) {
        err << "corvane response: " << why << '\n';
        return Failed;
    }
    const analysis::FrequencyResponse r = analysis::frequencyResponse(ir, fs, p);
    if (interrupt.interrupted()) {
        if (interrupt.signalNumber() != SIGPIPE)
            err << "corvane response: interrupted; '" << o.path << "' was left as it was\n";
        return interruptedCode(interrupt);
    }
    switch (*kind) {
    case OutputKind::Csv: return writeText("response", o.path, analysis::responseCsv(r), interrupt, err);
    case OutputKind::Frd: return writeText("response", o.path, analysis::responseFrd(r), interrupt, err);
    case OutputKind::Png: break;
    }
    return writeChart("response", chart, responseChart(r), o.size, o.path, err);
}

std::vector<OptionSpec> responseOptions()
{
    return allSpecs();
}

} // namespace corvane::cli
