#include "cli/AnalysisCommands.h"

#include "ChartOptions.h"
#include "SweepInput.h"
#include "analysis/Distortion.h"
#include "analysis/NumberColumns.h"
#include "analysis/SoundFile.h"
#include "cli/ExitCode.h"
#include "core/NumberText.h"
#include "session/Measurement.h"
#include "session/SignalChain.h"
#include "session/SignalParams.h"
#include "signal/SweepGen.h"

#include <ostream>

namespace corvane::cli {

using namespace sweepinput;
using namespace chartoptions;

std::string distortionUsage()
{
    return "usage: corvane distortion RECORDING -o OUT.csv|OUT.png SWEEP OPTIONS [--harmonics K]\n"
           "                          [--smooth " +
           smoothingNames() +
           "] [--channel N]\n"
           "                          [--width W] [--height H] [--scale S]\n"
           "  RECORDING: a recording of the sweep, any file libsndfile reads, at the sweep's rate\n" +
           sweepOptionsHelp() +
           "  -o:       .csv (frequency_hz,fundamental_db,h2_db,...,hK_db,thd_percent; a harmonic's cell\n"
           "            is empty beyond its range) or .png (a chart, one trace per harmonic);\n"
           "            '-' writes the CSV to standard output\n"
           "  --harmonics K: the highest harmonic, 2 to " +
           std::to_string(analysis::kMaxHarmonics) +
           " (default 5)\n"
           "  --smooth: average the power over each point's 1/N-octave band (default none)\n"
           "  --channel N: the recording's channel, from 1 (default 1)\n" +
           chartOptionsHelp() +
           "  Harmonic k's level is what a steady sine of frequency f makes at k f, in dB relative to\n"
           "  the sine's fundamental, for f from F1 to min(F2, 0.95 fs/2) / k; THD is in percent.\n"
           "  A --sync sweep also puts the harmonics' phases in place; the levels need no --sync.\n";
}

namespace {

constexpr OptionSpec kOwn[] = {
    {"--output", "-o", true, "OUT", "",
     "The file to write (required): .csv or .png by the extension; - writes CSV to standard output.",
     ValueKind::File},
    {"--harmonics", "", true, "K", "5", "The highest harmonic, 2 to 9."},
    {"--smooth", "", true, "1/N", "none",
     "Averages the power over each point's 1/N-octave band: none, 1/1, 1/3, 1/6, 1/12, 1/24 or 1/48."},
    {"--channel", "", true, "N", "1", "The recording's channel, from 1."},
};

struct DistortionOptions {
    std::string recording;
    std::string path;
    SignalOptions sweep;
    int harmonics = 5;
    int smoothing = 0;
    int channel = 1;
    ChartSize size;
};

std::vector<OptionSpec> allSpecs()
{
    return joinedSpecs({kOwn, sweepOptionSpecs(), chartOptionSpecs()});
}

Refusal usage(std::string message)
{
    return {std::move(message), true};
}

std::optional<Refusal> takeOwn(const ParsedOption& option, DistortionOptions& o)
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
    } else { // --harmonics
        const auto n = core::parseInteger(value);
        if (!n || *n < 2 || *n > analysis::kMaxHarmonics)
            return Refusal{"--harmonics takes a whole number from 2 to " +
                               std::to_string(analysis::kMaxHarmonics) + ", not '" + std::string(value) + "'",
                           false};
        o.harmonics = *n;
    }
    return std::nullopt;
}

std::optional<Refusal> parseOptions(std::span<const std::string_view> args, DistortionOptions& o)
{
    ParsedArgs parsed;
    if (auto refusal = parseArgs(args, allSpecs(), parsed))
        return usage(std::move(*refusal));
    if (parsed.operands.size() > 1)
        return usage("one recording at a time, not '" + std::string(parsed.operands[1]) + "' too");
    if (parsed.operands.empty())
        return usage("no recording given");
    o.recording = std::string(parsed.operands.front());
    if (auto refusal = takeOptions(parsed.options, o.sweep, &o.size,
                                   [&o](const ParsedOption& option) { return takeOwn(option, o); }))
        return refusal;
    if (o.path.empty())
        return usage("no output file given (-o OUT.csv or OUT.png)");
    return std::nullopt;
}

} // namespace

int runDistortion(std::span<const std::string_view> args, std::ostream& out, std::ostream& err, ChartWriter chart)
{
    if (wantsHelp(args, allSpecs())) {
        out << distortionUsage();
        return Ok;
    }
    DistortionOptions o;
    if (const auto refusal = parseOptions(args, o))
        return printRefusal(err, *refusal, "distortion", distortionUsage());
    session::JobPlan plan;
    if (const auto refusal = checkSweep(o.sweep, err, plan))
        return printRefusal(err, *refusal, "distortion", distortionUsage());
    const auto refuse = [&err](const std::string& message) {
        err << "corvane distortion: " << message << '\n';
        return UsageError;
    };
    const auto failed = [&err](const std::string& message) {
        err << "corvane distortion: " << message << '\n';
        return Failed;
    };
    const auto kind = outputKindOf(o.path, false);
    if (!kind)
        return refuse("the output's extension gives its format: .csv or .png, not '" + o.path + "'");
    if (*kind == OutputKind::Png && chart == nullptr)
        return refuse("this build draws no charts; write a .csv file instead");

    const analysis::DistortionParams p =
        session::sweepDistortionParams(o.sweep.job, plan.frames, o.harmonics, o.smoothing);
    if (const std::string why =
            analysis::distortionRefusal(p, plan.frames, "lower --harmonics or lengthen the sweep");
        !why.empty())
        return refuse(why);

    InterruptGuard interrupt;
    analysis::SoundFile recording;
    if (std::string why = recording.open(o.recording); !why.empty())
        return failed(why);
    if (recording.sampleRate() != o.sweep.job.sampleRateHz)
        return refuse("the recording's rate is " + std::to_string(recording.sampleRate()) + " Hz, the sweep's " +
                      std::to_string(o.sweep.job.sampleRateHz) + " Hz; they must be equal");
    if (o.channel > recording.channels())
        return refuse("the recording has " + std::to_string(recording.channels()) +
                      (recording.channels() == 1 ? " channel" : " channels") + "; there is no channel " +
                      std::to_string(o.channel));
    if (recording.frames() < plan.frames)
        return refuse("the recording (" + std::to_string(recording.frames()) +
                      " frames) is shorter than the sweep (" + std::to_string(plan.frames) + " frames)");

    const std::vector<double> inverse = session::inverseFilterValues(o.sweep.job, plan);
    analysis::SweepDeconvolver deconvolver(inverse, recording.frames());
    if (std::string why = recording.readChannel(o.channel - 1, deconvolver.recording()); !why.empty())
        return failed(why);
    deconvolver.run();
    const analysis::HarmonicDistortion d = analysis::harmonicDistortion(deconvolver, p);
    if (interrupt.interrupted()) {
        if (interrupt.signalNumber() != SIGPIPE)
            err << "corvane distortion: interrupted; '" << o.path << "' was left as it was\n";
        return interruptedCode(interrupt);
    }
    if (*kind == OutputKind::Csv)
        return writeText("distortion", o.path, analysis::distortionCsv(d), interrupt, err);
    return writeChart("distortion", chart, distortionChart(d), o.size, o.path, err);
}

std::vector<OptionSpec> distortionOptions()
{
    return allSpecs();
}

} // namespace corvane::cli
