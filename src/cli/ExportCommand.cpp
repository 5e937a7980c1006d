#include "cli/ExportCommand.h"

#include "cli/ConsoleProgress.h"
#include "cli/InterruptGuard.h"
#include "cli/Options.h"
#include "cli/SignalOptions.h"
#include "core/CodeSets.h"
#include "core/MessageTable.h"
#include "core/ResultCodes.h"
#include "session/ExportRun.h"
#include "signal/NoiseGen.h"
#include "wavio/WavFormat.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <memory>
#include <optional>
#include <ostream>
#include <unistd.h>
#include <vector>

namespace corvane::cli {

std::string shapeNamesHelp()
{
    return core::waveShapeNames() + " (or 0 to " + std::to_string(core::kWaveShapes.size() - 1) + ")";
}

std::string exportUsage()
{
    return "usage: corvane export -o FILE [--freq HZ] [--level DB] [--fs HZ] [--shape SHAPE]\n"
           "                      [--seconds S | --samples N] [--format FMT] [--channels 1|2]\n"
           "                      [--ref-level R] [--quiet]\n"
           "                      [--signal SIGNAL] [--from F1] [--to F2] [--sync] [--inverse FILE]\n"
           "                      [--seed N] [--fade-in S] [--fade-out S] [--dither none|tpdf]\n"
           "                      [--pad-before S] [--pad-after S] [--route ROUTE] [--phase DEG]\n"
           "                      [each signal's own options, below]\n"
           "  SHAPE: " +
           shapeNamesHelp() +
           "\n"
           "  FMT:   " +
           core::sampleFormatNames() + " (or 0 to " + std::to_string(core::kSampleFormats.size() - 1) + ")\n" +
           signalOptionsHelp() +
           "  --inverse FILE: with --signal sweep, also write its inverse filter (64-bit float, mono)\n";
}

namespace {

constexpr OptionSpec kExportOnly[] = {
    {"--output", "-o", true, "FILE", "",
     "The WAV file to write (required); - or /dev/stdout writes to standard output.", ValueKind::File},
    {"--inverse", "", true, "FILE", "",
     "With --signal sweep, also writes the sweep's inverse filter (64-bit float, mono) to FILE.", ValueKind::File},
    {"--quiet", "-q", false, "", "", "Prints neither the progress line nor the summary."},
};

} // namespace

std::vector<OptionSpec> exportOptions()
{
    return signalCommandSpecs(kExportOnly);
}

namespace {

struct ExportOptions {
    SignalOptions signal;
    std::string path;
    std::string inversePath;
    bool quiet = false;
};

std::optional<Refusal> parseOptions(std::span<const std::string_view> args, ExportOptions& o)
{
    const auto takeOwn = [&o](const ParsedOption& option) -> std::optional<Refusal> {
        if (option.name == "--quiet") {
            o.quiet = true;
        } else { // --output or --inverse
            const bool output = option.name == "--output";
            if (option.value.empty())
                return Refusal{
                    output ? "the output file name is empty" : "the inverse filter's file name is empty", true};
            (output ? o.path : o.inversePath) = std::string(option.value);
        }
        return std::nullopt;
    };
    if (auto refusal = parseSignalCommand(args, kExportOnly, o.signal, takeOwn))
        return refusal;
    if (o.path.empty())
        return Refusal{"no output file given (-o FILE)", true};
    if (!o.inversePath.empty() && o.signal.job.kind != core::SignalKind::Sweep)
        return Refusal{"--inverse is for --signal sweep", true};
    if (o.inversePath == o.path)
        return Refusal{"the inverse filter needs a file of its own, not the sweep's '" + o.path + "'", true};
    return std::nullopt;
}

// What one file's writing came to.
enum class Outcome { Written, Interrupted, BrokenPipe, Failed };

// Writes one file of the job the way the progress window does, polled
// instead of painted: the progress line on a terminal, Ctrl+C and the other
// interrupting signals as a confirmed cancel. The target changes only when
// the whole file is written; otherwise it stays as it was.
Outcome writeFile(const std::string& path, session::ExportRun& writing, const session::JobDescription& job,
                  const session::JobPlan& plan, session::ExportRun::Output output, bool quiet,
                  const InterruptGuard& interrupt, std::ostream& err)
{
    const auto interrupted = [&] {
        // A reader that went away is no news to tell.
        if (interrupt.signalNumber() != SIGPIPE) {
            if (writing.writesDirectly())
                err << "corvane: interrupted; '" << path << "' got only part of the file\n";
            else
                err << "corvane: interrupted; '" << path << "' was left as it was\n";
        }
        return interrupt.signalNumber() == SIGPIPE ? Outcome::BrokenPipe : Outcome::Interrupted;
    };
    if (const int e = writing.create(path); e != 0) {
        // Opening a FIFO waits for its reader; a signal ends that wait.
        if (interrupt.interrupted())
            return interrupted();
        err << "corvane: cannot create '" << path << "': " << std::strerror(e) << '\n';
        return Outcome::Failed;
    }
    if (interrupt.interrupted())
        return interrupted(); // the run's destructor removes the temporary file
    if (const int r = writing.setJob(job, plan, output); r < 0) {
        err << core::errorMessageText(r) << '\n';
        return Outcome::Failed;
    }
    // Noise written directly took a pass over its stream: a signal may have come meanwhile.
    if (interrupt.interrupted())
        return interrupted();
    if (!quiet)
        writing.setRewriteNotice([&err] {
            err << "corvane: the noise missed its level by more than " << signal::kLevelCheckDb
                << " dB; writing it again with the level measured\n";
        });
    {
        ConsoleProgress progress(err, "Writing " + path, !quiet && isatty(STDERR_FILENO) == 1);
        writing.firstPaint();
        for (;;) {
            // Checked right before each poll: the poll that sees the thread
            // done also renames the file into place.
            if (interrupt.interrupted())
                writing.confirmCancel();
            if (writing.poll(false))
                break;
            writing.waitForThread(std::chrono::milliseconds(50));
            progress.show(writing.progress());
        }
        progress.show(writing.progress());
    }

    const auto reportRemoval = [&] {
        if (writing.removeErrno() != 0)
            err << "corvane: could not remove the temporary file beside '" << path
                << "': " << std::strerror(writing.removeErrno()) << '\n';
    };
    if (writing.cancelled()) {
        reportRemoval();
        return interrupted();
    }
    if (writing.storeResult() < 0) {
        // A pipe whose reader went away: the reader has what it wanted.
        if (writing.writeErrno() == EPIPE || interrupt.signalNumber() == SIGPIPE)
            return Outcome::BrokenPipe;
        err << core::errorMessageText(writing.storeResult());
        if (writing.writeErrno() != 0)
            err << " (" << std::strerror(writing.writeErrno()) << ')';
        err << '\n';
        reportRemoval();
        return Outcome::Failed;
    }
    // A signal after the last poll came too late: the file is whole and in place.
    return Outcome::Written;
}

void summarise(std::ostream& err, const std::string& path, int dataLength, int channels, int fs,
               core::SampleFormat format)
{
    const core::SampleFormatInfo& info = core::infoOf(format);
    const long long bytes =
        wavio::headerByteCount(format) + static_cast<long long>(dataLength) * channels * info.bytes;
    err << "Wrote " << (path == "-" ? std::string("standard output") : path) << ": " << dataLength << " frames, "
        << channels << (channels == 2 ? " channels, " : " channel, ") << fs << " Hz, " << info.caption << ", "
        << bytes << " bytes\n";
}

} // namespace

int runExport(std::span<const std::string_view> args, std::ostream& out, std::ostream& err)
{
    if (signalCommandWantsHelp(args, kExportOnly)) {
        out << exportUsage();
        return Ok;
    }
    ExportOptions o;
    if (const auto refusal = parseOptions(args, o))
        return printRefusal(err, *refusal, "export", exportUsage());
    session::JobPlan plan;
    if (const auto refusal = checkSignal(o.signal, err, plan))
        return printRefusal(err, *refusal, "export", exportUsage());
    const session::JobDescription& job = o.signal.job;

    // Signals are caught before the temporary file exists, so that none can
    // end the process between its creation and its removal.
    InterruptGuard interrupt;
    session::ExportRun signalRun;
    Outcome outcome =
        writeFile(o.path, signalRun, job, plan, session::ExportRun::Output::Signal, o.quiet, interrupt, err);
    if (outcome == Outcome::Written && !o.inversePath.empty()) {
        // The sweep is whole and stays when this one fails.
        session::ExportRun inverseRun;
        outcome = writeFile(o.inversePath, inverseRun, job, plan, session::ExportRun::Output::InverseFilter,
                            o.quiet, interrupt, err);
    }
    switch (outcome) {
    case Outcome::Interrupted: return interrupt.exitCode();
    case Outcome::BrokenPipe: return BrokenPipe;
    case Outcome::Failed: return Failed;
    case Outcome::Written: break;
    }
    if (const long long clipped = signalRun.clippedSamples(); clipped > 0)
        err << "Warning: " << clipped << " samples clipped at full scale\n";
    // Summaries go to stderr: stdout may be carrying the file itself.
    if (!o.quiet) {
        summarise(err, o.path, plan.frames, job.channels, job.sampleRateHz, job.format);
        if (!o.inversePath.empty())
            summarise(err, o.inversePath, plan.signalFrames, 1, job.sampleRateHz, core::SampleFormat::F64);
    }
    return Ok;
}

} // namespace corvane::cli
