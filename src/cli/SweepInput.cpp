#include "SweepInput.h"

#include "ChartOptions.h"
#include "analysis/NumberColumns.h"
#include "analysis/Response.h"
#include "cli/ExitCode.h"
#include "core/NumberText.h"

#include "wavio/ReplaceFile.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <ostream>
#include <sys/stat.h>

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

std::optional<Refusal> takeOptions(std::span<const ParsedOption> options, SignalOptions& sweep, ChartSize* chart,
                                   const std::function<std::optional<Refusal>(const ParsedOption&)>& takeOwn,
                                   std::string* firstSweepOption)
{
    for (const ParsedOption& option : options) {
        bool taken = false;
        if (auto refusal = takeSweepOption(option, sweep, taken))
            return refusal;
        if (taken) {
            if (firstSweepOption != nullptr && firstSweepOption->empty())
                *firstSweepOption = std::string(option.name);
            continue;
        }
        if (chart != nullptr) {
            if (auto refusal = chartoptions::takeChartOption(option, *chart, taken))
                return refusal;
            if (taken)
                continue;
        }
        if (auto refusal = takeOwn(option))
            return refusal;
    }
    return std::nullopt;
}

std::optional<Refusal> checkSweep(SignalOptions& o, std::ostream& err, session::JobPlan& plan)
{
    if (o.job.kind != core::SignalKind::Sweep) {
        const std::string name(core::kSignalKinds[static_cast<std::size_t>(o.job.kind)].cliName);
        return Refusal{"the recording must be of an exponential sweep (--signal sweep), not " + name, true};
    }
    return checkSignal(o, err, plan);
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

std::optional<Refusal> parseChannel(std::string_view option, std::string_view text, int& channel, bool allowAll)
{
    if (allowAll && text == "all") {
        channel = 0;
        return std::nullopt;
    }
    const auto n = core::parseInteger(text);
    if (!n || *n < 1)
        return Refusal{std::string(option) + " takes a channel number from 1" + (allowAll ? ", or all" : "") +
                           ", not '" + std::string(text) + "'",
                       true};
    channel = *n;
    return std::nullopt;
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

namespace {

bool oneTarget(const std::string& a, const std::string& b)
{
    if (a == b || (isStandardOutput(a) && isStandardOutput(b)))
        return true;
    // Through the folders' links too; a file still to be written keeps its
    // own name.
    std::error_code e;
    const auto fullA = std::filesystem::weakly_canonical(a, e);
    if (!e) {
        const auto fullB = std::filesystem::weakly_canonical(b, e);
        if (!e && fullA == fullB)
            return true;
    }
    // Devices and FIFOs are written directly, and two outputs may well go
    // to /dev/null; only a file that would be replaced matters.
    struct stat sa {};
    struct stat sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && S_ISREG(sa.st_mode) &&
           sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

} // namespace

std::string sameOutputTwice(std::span<const NamedOutput> outputs)
{
    for (std::size_t i = 0; i < outputs.size(); ++i)
        for (std::size_t j = i + 1; j < outputs.size(); ++j) {
            const NamedOutput& a = outputs[i];
            const NamedOutput& b = outputs[j];
            if (a.path.empty() || b.path.empty() || !oneTarget(a.path, b.path))
                continue;
            return std::string(a.option) + " '" + a.path + "' and " + std::string(b.option) + " '" + b.path +
                   "' name the same file; give each its own";
        }
    return {};
}

FrequencyChart responseChart(const analysis::FrequencyResponse& r)
{
    FrequencyChart c;
    c.valueUnit = "dB";
    c.frequencyHz = r.frequencyHz;
    c.traces.push_back({"magnitude", r.magnitudeDb});
    return c;
}

FrequencyChart distortionChart(const analysis::HarmonicDistortion& d)
{
    FrequencyChart c;
    c.valueUnit = "dB";
    c.frequencyHz = d.frequencyHz;
    for (std::size_t k = 0; k < d.harmonicDb.size(); ++k) {
        std::string name = "h";
        name += std::to_string(k + 2);
        c.traces.push_back({std::move(name), d.harmonicDb[k]});
    }
    return c;
}

bool writeFloatWav(wavio::ByteSink& sink, const std::vector<std::vector<double>>& channels, int fs, bool f32,
                   const InterruptGuard& interrupt)
{
    static_assert(std::endian::native == std::endian::little, "the samples are stored as the machine has them");
    const auto frames = static_cast<std::int64_t>(channels.front().size());
    const int bytes = f32 ? 4 : 8;
    const auto header = analysis::floatWavHeader(static_cast<int>(channels.size()), fs, frames, bytes);
    if (header.empty() || !sink.write(header.data(), header.size()))
        return false;
    constexpr std::int64_t kBlockFrames = 8192;
    std::vector<unsigned char> block(static_cast<std::size_t>(kBlockFrames) * channels.size() * 8);
    for (std::int64_t first = 0; first < frames; first += kBlockFrames) {
        if (interrupt.interrupted())
            return true; // the caller sees the signal
        const std::int64_t n = std::min(kBlockFrames, frames - first);
        unsigned char* p = block.data();
        for (std::int64_t i = first; i < first + n; ++i)
            for (const auto& channel : channels) {
                const double v = channel[static_cast<std::size_t>(i)];
                if (f32) {
                    const auto f = static_cast<float>(v);
                    std::memcpy(p, &f, 4);
                } else {
                    std::memcpy(p, &v, 8);
                }
                p += bytes;
            }
        if (!sink.write(block.data(), static_cast<std::size_t>(p - block.data())))
            return false;
    }
    return true;
}

int writeOutputs(const std::string& command, const std::vector<Output>& outputs, const InterruptGuard& interrupt,
                 std::ostream& err)
{
    std::vector<std::unique_ptr<wavio::ReplaceFile>> files;
    int e = 0;
    std::string failedPath;
    for (const Output& output : outputs) {
        files.push_back(std::make_unique<wavio::ReplaceFile>());
        wavio::ReplaceFile& file = *files.back();
        e = file.open(output.path);
        if (e == 0 && !interrupt.interrupted() && !output.fill(file))
            e = file.writeError() != 0 ? file.writeError() : EIO;
        if (e != 0 || interrupt.interrupted()) {
            failedPath = output.path;
            break;
        }
    }
    // Every file is flushed and closed before any is renamed: a disk that
    // fails on the last one, or a signal while it flushes, then leaves every
    // target as it was. Only a rename can still fail after the first is in
    // place.
    for (std::size_t i = 0; e == 0 && !interrupt.interrupted() && i < files.size(); ++i) {
        e = files[i]->prepare();
        if (e != 0)
            failedPath = outputs[i].path;
    }
    const auto discardAll = [&files] {
        for (const auto& file : files)
            file->discard();
    };
    if (interrupt.interrupted()) {
        discardAll();
        if (interrupt.signalNumber() != SIGPIPE) {
            err << "corvane " << command << ": interrupted; ";
            for (std::size_t i = 0; i < outputs.size(); ++i)
                err << (i == 0 ? "'" : ", '") << outputs[i].path << "'";
            err << (outputs.size() == 1 ? " was" : " were") << " left as it was\n";
        }
        return interruptedCode(interrupt);
    }
    for (std::size_t i = 0; e == 0 && i < files.size(); ++i) {
        e = files[i]->commit();
        if (e != 0)
            failedPath = outputs[i].path;
    }
    if (e == 0)
        return Ok;
    discardAll();
    if (e == EPIPE)
        return BrokenPipe;
    err << "corvane " << command << ": cannot write '" << failedPath << "': " << std::strerror(e) << '\n';
    return Failed;
}

int writeOutput(const std::string& command, const std::string& path,
                const std::function<bool(wavio::ByteSink&)>& fill, const InterruptGuard& interrupt,
                std::ostream& err)
{
    return writeOutputs(command, {Output{path, fill}}, interrupt, err);
}

int writeText(const std::string& command, const std::string& path, std::string_view text,
              const InterruptGuard& interrupt, std::ostream& err)
{
    return writeOutput(
        command, path, [&](wavio::ByteSink& sink) { return sink.write(text.data(), text.size()); }, interrupt,
        err);
}

} // namespace corvane::cli::sweepinput
