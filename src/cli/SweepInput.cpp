#include "SweepInput.h"

#include "analysis/Response.h"
#include "cli/ExitCode.h"
#include "core/NumberText.h"
#include "session/Measurement.h"
#include "wavio/ReplaceFile.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <ostream>

namespace corvane::cli::sweepinput {

namespace {

// The signal options that describe a sweep, with their rows (help,
// default, range) from the signal options' own table.
constexpr std::string_view kSweepOptionNames[] = {"--signal",  "--from", "--to",      "--fs",      "--seconds",
                                                  "--samples", "--sync", "--fade-in", "--fade-out"};

const std::vector<OptionSpec>& sweepRows()
{
    static const std::vector<OptionSpec> rows = [] {
        std::vector<OptionSpec> picked;
        for (const std::string_view name : kSweepOptionNames)
            for (const OptionSpec& row : signalOptionSpecs())
                if (row.name == name)
                    picked.push_back(row);
        return picked;
    }();
    return rows;
}

} // namespace

std::span<const OptionSpec> sweepOptionSpecs()
{
    return sweepRows();
}

std::string sweepOptionsHelp()
{
    return "  SWEEP OPTIONS, as export takes them: --signal sweep [--from F1] [--to F2] [--fs HZ]\n"
           "         [--seconds S | --samples N] [--sync] [--fade-in S] [--fade-out S]\n"
           "         (defaults 20 Hz, 20000 Hz, 44100 Hz, 10 s); the inverse filter is made from them\n"
           "         exactly as export --inverse writes it\n";
}

std::optional<Refusal> takeSweepOption(const ParsedOption& option, SignalOptions& o, bool& taken)
{
    taken = std::any_of(std::begin(kSweepOptionNames), std::end(kSweepOptionNames),
                        [&](std::string_view name) { return name == option.name; });
    if (!taken)
        return std::nullopt;
    bool signalOption = false;
    return takeSignalOption(option, o, signalOption);
}

std::optional<Refusal> checkSweep(SignalOptions& o, std::ostream& err, session::JobPlan& plan)
{
    if (o.job.kind != core::SignalKind::Sweep) {
        const std::string name(core::kSignalKinds[static_cast<std::size_t>(o.job.kind)].cliName);
        return Refusal{"the recording must be of an exponential sweep (--signal sweep), not " + name, true};
    }
    return checkSignal(o, err, plan);
}

std::vector<double> inverseFilter(const SignalOptions& o, const session::JobPlan& plan)
{
    return session::inverseFilterValues(o.job, plan);
}

std::optional<Refusal> parseSeconds(std::string_view option, std::string_view text, double& seconds)
{
    const auto v = core::parseReal(text);
    if (!v)
        return Refusal{"Parameter Error: Only a valid value can be accepted. (" + std::string(option) + " '" +
                           std::string(text) + "')",
                       false};
    seconds = *v;
    return std::nullopt;
}

std::string smoothingNames()
{
    std::string names = "none";
    for (const int n : analysis::smoothingFractions())
        names += "|1/" + std::to_string(n);
    return names;
}

std::optional<Refusal> parseSmoothing(std::string_view text, int& fraction)
{
    if (text == "none") {
        fraction = 0;
        return std::nullopt;
    }
    for (const int n : analysis::smoothingFractions())
        if (text == "1/" + std::to_string(n)) {
            fraction = n;
            return std::nullopt;
        }
    return Refusal{"--smooth takes " + smoothingNames() + ", not '" + std::string(text) + "'", true};
}

std::int64_t framesOf(double seconds, double fs)
{
    return std::llround(seconds * fs);
}

int interruptedCode(const InterruptGuard& interrupt)
{
    if (!interrupt.interrupted())
        return Ok;
    return interrupt.signalNumber() == SIGPIPE ? BrokenPipe : interrupt.exitCode();
}

bool isStandardOutput(const std::string& path)
{
    return path == "-" || path == "/dev/stdout" || path == "/dev/fd/1" || path == "/proc/self/fd/1";
}

int writeOutput(const std::string& command, const std::string& path,
                const std::function<bool(wavio::ByteSink&)>& fill, const InterruptGuard& interrupt,
                std::ostream& err)
{
    wavio::ReplaceFile file;
    int e = file.open(path);
    if (e == 0 && !interrupt.interrupted() && !fill(file))
        e = file.writeError() != 0 ? file.writeError() : EIO;
    if (interrupt.interrupted()) {
        file.discard();
        if (interrupt.signalNumber() != SIGPIPE)
            err << "corvane " << command << ": interrupted; '" << path << "' was left as it was\n";
        return interruptedCode(interrupt);
    }
    if (e == 0)
        e = file.commit();
    else
        file.discard();
    if (e == EPIPE)
        return BrokenPipe;
    if (e != 0) {
        err << "corvane " << command << ": cannot write '" << path << "': " << std::strerror(e) << '\n';
        return Failed;
    }
    return Ok;
}

int writeText(const std::string& command, const std::string& path, std::string_view text,
              const InterruptGuard& interrupt, std::ostream& err)
{
    return writeOutput(
        command, path, [&](wavio::ByteSink& sink) { return sink.write(text.data(), text.size()); }, interrupt,
        err);
}

} // namespace corvane::cli::sweepinput
