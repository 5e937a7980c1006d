#include "cli/ExportCommand.h"

#include "cli/ConsoleProgress.h"
#include "cli/InterruptGuard.h"
#include "cli/Options.h"
#include "core/CodeSets.h"
#include "core/Level.h"
#include "core/MessageTable.h"
#include "core/NumberText.h"
#include "core/ParameterTexts.h"
#include "signal/MiniWaveGen.h"
#include "wavio/ExportSettings.h"
#include "wavio/WavFormat.h"
#include "wavio/WriteProgress.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <ostream>
#include <unistd.h>

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
           "  SHAPE: " + shapeNamesHelp() + "\n"
           "  FMT:   " + core::sampleFormatNames() + " (or 0 to " + std::to_string(core::kSampleFormats.size() - 1) +
           ")\n";
}

namespace {

constexpr OptionSpec kOptions[] = {
    {"--output", "-o"}, {"--freq", ""},     {"--level", ""},   {"--fs", ""},
    {"--shape", ""},    {"--seconds", ""},  {"--samples", ""}, {"--format", ""},
    {"--channels", ""}, {"--ref-level", ""}, {"--quiet", "-q", false},
};

struct ExportOptions {
    std::string path;
    double freq = 400.0;
    double level = 6.0;
    int fs = 44100;
    int shape = signal::MiniWaveGen::Sine;
    std::optional<double> seconds;
    std::optional<int> samples;
    int format = wavio::S16;
    int channels = 2;
    double refLevel = 0.1;
    bool quiet = false;
};

// A usage error or a refused parameter: what to print, and the exit code.
struct Refusal {
    std::string message;
    bool showUsage = false;
};

Refusal usage(std::string message)
{
    return {"corvane export: " + std::move(message), true};
}

Refusal invalidValue(std::string_view option, std::string_view text)
{
    return {"Parameter Error: " + std::string(core::kInvalidValueText) + " (" + std::string(option) + " '" +
                std::string(text) + "')",
            false};
}

std::optional<Refusal> takeOption(const ParsedOption& option, ExportOptions& o)
{
    const std::string_view name = option.name;
    const std::string_view value = option.value;
    if (name == "--quiet") {
        o.quiet = true;
    } else if (name == "--output") {
        if (value.empty())
            return usage("the output file name is empty");
        o.path = std::string(value);
    } else if (name == "--shape") {
        const auto code = core::waveShapeOfName(value);
        if (!code)
            return usage("unknown shape '" + std::string(value) + "'");
        o.shape = *code;
    } else if (name == "--format") {
        const auto code = core::sampleFormatOfName(value);
        if (!code)
            return usage("unknown format '" + std::string(value) + "'");
        o.format = *code;
    } else if (name == "--channels") {
        const auto n = core::parseInteger(value);
        if (!n || (*n != 1 && *n != 2))
            return usage("--channels takes 1 or 2, not '" + std::string(value) + "'");
        o.channels = *n;
    } else if (name == "--samples") {
        const auto n = core::parseInteger(value);
        if (!n)
            return invalidValue(name, value);
        o.samples = *n;
        o.seconds.reset();
    } else if (name == "--fs") {
        const auto v = core::parseReal(value);
        if (!v)
            return invalidValue(name, value);
        std::optional<int> rate;
        for (const auto& row : core::kSampleRates)
            if (*v == row.hz)
                rate = row.hz;
        if (!rate)
            return usage("--fs takes " + core::sampleRateList() + ", not '" + std::string(value) + "'");
        o.fs = *rate;
    } else {
        const auto v = core::parseReal(value);
        if (!v)
            return invalidValue(name, value);
        if (name == "--freq") {
            o.freq = *v;
        } else if (name == "--level") {
            o.level = *v;
        } else if (name == "--seconds") {
            o.seconds = *v;
            o.samples.reset();
        } else {   // --ref-level
            o.refLevel = *v;
        }
    }
    return std::nullopt;
}

std::optional<Refusal> parseOptions(std::span<const std::string_view> args, ExportOptions& o)
{
    ParsedArgs parsed;
    if (auto refusal = parseArgs(args, kOptions, parsed))
        return usage(std::move(*refusal));
    if (!parsed.operands.empty())
        return usage("unknown option '" + std::string(parsed.operands.front()) + "'");
    for (const ParsedOption& option : parsed.options)
        if (auto refusal = takeOption(option, o))
            return refusal;
    if (o.path.empty())
        return usage("no output file given (-o FILE)");
    return std::nullopt;
}

} // namespace

int runExport(std::span<const std::string_view> args, std::ostream& out, std::ostream& err)
{
    if (wantsHelp(args)) {
        out << exportUsage();
        return Ok;
    }
    ExportOptions o;
    if (const auto refusal = parseOptions(args, o)) {
        err << refusal->message << '\n';
        if (refusal->showUsage)
            err << exportUsage();
        return UsageError;
    }
    const auto refuse = [&](std::string_view text) {
        err << "Parameter Error: " << text << '\n';
        return UsageError;
    };

    if (o.freq < 1.0)
        return refuse(core::kFreqTooLowText);
    if (!(o.freq < o.fs * 0.5))
        return refuse(core::kFreqTooHighText);

    // A level so high that its amplitude overflows cannot be written.
    const double levelAmplitude = core::amplitudeOfLevel(o.level).value_or(HUGE_VAL);
    if (!std::isfinite(levelAmplitude))
        return refuse(std::string(core::kInvalidValueText) + " (--level)");

    if (o.level <= -60.0)
        err << "Warning: " << core::kLevelTooLowText << '\n';
    if (o.level > 20.0)
        err << "Warning: " << core::kLevelClipsText << '\n';

    int dataLength = 0;
    if (o.samples) {
        dataLength = *o.samples;
    } else {
        // Out of int range means far outside the length limits anyway.
        dataLength = wavio::framesForSeconds(o.fs, o.seconds.value_or(10.0))
                         .value_or(std::numeric_limits<int>::min());
    }
    if (!wavio::lengthAllowed(dataLength, o.fs, wavio::kMinSeconds, wavio::kMaxSeconds))
        return refuse(wavio::lengthMessage(wavio::kMinSeconds, wavio::kMaxSeconds));
    if (wavio::warnQuietEightBit(o.format, o.level))
        err << "Warning: " << core::kLevelTooLowFor8Bit << '\n';
    if (!(o.refLevel > 0.0))
        return refuse(core::kRefLevelNotPositive);
    // Samples beyond the float format's range would be written as infinity.
    switch (wavio::floatRangeCause(levelAmplitude, o.format, o.refLevel)) {
    case wavio::FloatRangeCause::None:
        break;
    case wavio::FloatRangeCause::Level:
        return refuse(std::string(core::kLevelTooLargeForFloat) + " (--level)");
    case wavio::FloatRangeCause::RefLevel:
        return refuse(std::string(core::kRefLevelTooLargeForFloat) + " (--ref-level)");
    }

    auto generator = std::make_unique<signal::MiniWaveGen>();
    generator->setSignal(o.shape, o.channels, o.freq, o.fs,
                         wavio::exportAmplitude(levelAmplitude, o.format, o.refLevel));

    // Signals are caught before the temporary file exists, so that none can
    // end the process between its creation and its removal. The writing runs
    // as the progress window runs it, polled instead of painted.
    InterruptGuard interrupt;
    const auto interrupted = [&] {
        // A reader that went away is no news to tell.
        if (interrupt.signalNumber() != SIGPIPE)
            err << "corvane: interrupted; '" << o.path << "' was left as it was\n";
        return interrupt.exitCode();
    };
    wavio::WriteProgress writing;
    if (const int e = writing.create(o.path); e != 0) {
        // Opening a FIFO waits for its reader; a signal ends that wait.
        if (interrupt.interrupted())
            return interrupted();
        err << "corvane: cannot create '" << o.path << "': " << std::strerror(e) << '\n';
        return Failed;
    }
    if (interrupt.interrupted())
        return interrupted();   // writing's destructor removes the temporary file
    const double scale = wavio::fullScale(o.format);
    if (const int r = writing.setParams(generator.get(), dataLength, o.fs, o.channels,
                                        signal::TWaveProvider::Float64, static_cast<char>(o.format), scale);
        r < 0) {
        err << core::errorMessageText(r) << '\n';
        return Failed;
    }
    {
        ConsoleProgress progress(err, "Writing " + o.path, !o.quiet && isatty(STDERR_FILENO) == 1);
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
        if (writing.removeErrno != 0)
            err << "corvane: could not remove the temporary file beside '" << o.path
                << "': " << std::strerror(writing.removeErrno) << '\n';
    };
    if (writing.cancelled) {
        reportRemoval();
        return interrupted();
    }
    if (writing.storeResult < 0) {
        // A pipe whose reader went away: the reader has what it wanted.
        if (writing.writeErrno == EPIPE || interrupt.signalNumber() == SIGPIPE)
            return BrokenPipe;
        err << core::errorMessageText(writing.storeResult);
        if (writing.writeErrno != 0)
            err << " (" << std::strerror(writing.writeErrno) << ')';
        err << '\n';
        reportRemoval();
        return Failed;
    }
    // A signal after the last poll came too late: the file is whole and in place.
    if (!o.quiet) {
        const long long bytes = wavio::headerByteCount(o.format) +
                                static_cast<long long>(dataLength) * o.channels * wavio::bytesPerSample(o.format);
        err << "Wrote " << (o.path == "-" ? std::string("standard output") : o.path) << ": " << dataLength
            << " frames, " << o.channels << (o.channels == 2 ? " channels, " : " channel, ") << o.fs << " Hz, "
            << core::kSampleFormats[static_cast<std::size_t>(o.format)].caption << ", " << bytes << " bytes\n";
    }
    return Ok;
}

} // namespace corvane::cli
