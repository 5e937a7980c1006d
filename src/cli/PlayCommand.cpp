#include "cli/PlayCommand.h"

#include "audio/DeviceList.h"
#include "audio/PlayFormat.h"
#include "audio/SoundOutput.h"
#include "cli/ConsoleProgress.h"
#include "cli/ExitCode.h"
#include "cli/ExportCommand.h"
#include "cli/InterruptGuard.h"
#include "cli/Options.h"
#include "cli/SignalOptions.h"
#include "core/MessageTable.h"
#include "session/PlaySession.h"

#include <algorithm>
#include <chrono>
#include <ostream>
#include <unistd.h>
#include <vector>

namespace corvane::cli {

std::string playUsage()
{
    return "usage: corvane play [--signal SIGNAL] [--freq HZ] [--level DB] [--fs HZ] [--shape SHAPE]\n"
           "                    [--seconds S | --samples N] [--format " +
           audio::playFormatNames() +
           "] [--channels 1|2] [--ref-level R]\n"
           "                    [--from F1] [--to F2] [--sync] [--seed N] [--fade-in S] [--fade-out S]\n"
           "                    [--dither none|tpdf] [--device NAME] [--loop] [--quiet]\n"
           "                    [--pad-before S] [--pad-after S] [--route ROUTE] [--phase DEG]\n"
           "                    [each signal's own options, below]\n"
           "       corvane play --list-devices\n"
           "  plays the samples `corvane export` writes for the same options (default s16), never converted\n"
           "  --device NAME: an ALSA PCM (default \"default\"): hw:1,0, plughw:1, file:'PATH',raw, null, ...\n"
           "  --loop: play on until Ctrl+C (a tone stays continuous, noise runs on, a sweep starts again)\n"
           "  SHAPE: " +
           shapeNamesHelp() + "\n" + signalOptionsHelp();
}

namespace {

// The catalogue row, then the device's own words for what went wrong.
int audioFailure(std::ostream& err, int code, const std::string& reason)
{
    err << core::errorMessageText(code);
    if (!reason.empty())
        err << " (" << reason << ')';
    err << '\n';
    return Failed;
}

constexpr OptionSpec kPlayOnly[] = {
    {"--device", "", true, "NAME", "default",
     "The ALSA PCM to play on: default, hw:1,0, plughw:1, null, file:'PATH',raw, ...", ValueKind::Device},
    {"--loop", "", false, "", "",
     "Plays on until Ctrl+C: a tone stays continuous, noise runs on, a sweep starts "
     "again."},
    {"--list-devices", "", false, "", "", "Prints the PCM names ALSA knows, each with its description."},
    {"--quiet", "-q", false, "", "", "Prints neither the progress line nor the summary."},
};

} // namespace

std::vector<OptionSpec> playOptions()
{
    std::vector<OptionSpec> options = signalCommandSpecs(kPlayOnly);
    // A device takes fewer encodings than a file.
    for (OptionSpec& option : options)
        if (option.name == "--format") {
            option.help = "The sample format sent to the device, by name.";
            option.choices = audio::playFormatNames;
        }
    return options;
}

namespace {

struct PlayOptions {
    SignalOptions signal;
    std::string device{audio::SoundOutput::kDefaultDevice};
    bool loop = false;
    bool list = false;
    bool quiet = false;
};

std::optional<Refusal> parsePlay(std::span<const std::string_view> args, PlayOptions& o)
{
    const auto takeOwn = [&o](const ParsedOption& option) -> std::optional<Refusal> {
        if (option.name == "--device") {
            if (option.value.empty())
                return Refusal{"the device name is empty", true};
            o.device = std::string(option.value);
        } else if (option.name == "--loop") {
            o.loop = true;
        } else if (option.name == "--list-devices") {
            o.list = true;
        } else { // --quiet
            o.quiet = true;
        }
        return std::nullopt;
    };
    return parseSignalCommand(args, kPlayOnly, o.signal, takeOwn);
}

int listDevices(std::ostream& out, std::ostream& err)
{
    std::vector<audio::PcmDevice> devices;
    std::string reason;
    if (const int r = audio::listDevices(devices, reason); r < 0) {
        return audioFailure(err, r, reason);
    }
    for (const auto& device : devices) {
        // ALSA's descriptions run over several lines; one line per device.
        std::string description = device.description;
        std::replace(description.begin(), description.end(), '\n', ' ');
        out << device.name << '\t' << description << '\n';
    }
    return out.good() ? Ok : Failed;
}

} // namespace

int runPlay(std::span<const std::string_view> args, std::ostream& out, std::ostream& err)
{
    if (signalCommandWantsHelp(args, kPlayOnly)) {
        out << playUsage();
        return Ok;
    }
    PlayOptions o;
    if (const auto refusal = parsePlay(args, o))
        return printRefusal(err, *refusal, "play", playUsage());
    if (o.list)
        return listDevices(out, err);

    if (audio::playFormatOf(o.signal.job.format) == nullptr)
        return printRefusal(err, {"--format takes " + audio::playFormatNames(), true}, "play", playUsage());
    session::JobPlan plan;
    if (const auto refusal = checkSignal(o.signal, err, plan))
        return printRefusal(err, *refusal, "play", playUsage());

    InterruptGuard interrupt;
    session::PlaySession session;
    if (const int r = session.start(o.signal.job, plan, o.device, o.loop); r < 0)
        return audioFailure(err, r, session.reason());
    {
        ConsoleProgress progress(err, "Playing on " + o.device, !o.quiet && isatty(STDERR_FILENO) == 1);
        while (!session.waitDone(std::chrono::milliseconds(20))) {
            if (interrupt.interrupted())
                session.requestStop();
            if (!o.loop) {
                const auto written = session.framesWritten();
                progress.show(static_cast<int>(written * 100 / std::max<std::int64_t>(1, plan.frames)));
            }
        }
    }
    if (const int result = session.poll(); result < 0)
        return audioFailure(err, result, session.reason());
    const long long played = session.framesPlayed();
    const int underruns = session.underruns();
    if (const long long clipped = session.clippedSamples(); clipped > 0)
        err << "Warning: " << clipped << " samples clipped at full scale\n";
    if (!o.quiet || interrupt.interrupted())
        err << "Played " << played << " frames on " << o.device << ", " << underruns
            << (underruns == 1 ? " underrun\n" : " underruns\n");
    return interrupt.interrupted() ? interrupt.exitCode() : Ok;
}

} // namespace corvane::cli
