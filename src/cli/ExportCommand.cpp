#include "cli/ExportCommand.h"

#include "app/DisplayWave.h"
#include "app/MessageTable.h"
#include "cli/NumberText.h"
#include "signal/MiniWaveGen.h"
#include "wavio/ByteSink.h"
#include "wavio/ExportSettings.h"
#include "wavio/FileWriteThread.h"
#include "wavio/WavFormat.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <ostream>
#include <sys/stat.h>
#include <unistd.h>

namespace cli {

const char* const kExportUsage =
    "usage: corvane export -o FILE [--freq HZ] [--level DB] [--fs HZ] [--shape SHAPE]\n"
    "                      [--seconds S | --samples N] [--format FMT] [--channels 1|2]\n"
    "                      [--ref-level R] [--quiet]\n"
    "  SHAPE: sine, step+, step-, square, pulse+, pulse- (or 0 to 5)\n"
    "  FMT:   u8, s16, s24, s32, f32, f64 (or 0 to 5)\n";

namespace {

constexpr std::array<std::string_view, 6> kShapeNames = {"sine", "step+", "step-", "square", "pulse+", "pulse-"};
constexpr std::array<std::string_view, 6> kFormatNames = {"u8", "s16", "s24", "s32", "f32", "f64"};
constexpr std::array<std::string_view, 6> kFormatTitles = {
    "8-bit Fixed (unsigned)", "16-bit Fixed", "24-bit Fixed(Ex)",
    "32-bit Fixed(Ex)", "32-bit Floating(Ex)", "64-bit Floating(Ex)"};
constexpr std::array<int, 5> kRates = {8000, 11025, 22050, 44100, 48000};

// The windows' own texts, so a script sees what a user of the window would.
using exportrules::kInvalidValue;
constexpr std::string_view kFreqTooLow = corvane::kFreqTooLowText;
constexpr std::string_view kFreqTooHigh = corvane::kFreqTooHighText;
constexpr std::string_view kLevelTooLow = corvane::kLevelTooLowText;
constexpr std::string_view kLevelClips = corvane::kLevelClipsText;

struct ExportOptions {
    std::string path;
    double freq = 400.0;
    double level = 6.0;
    int fs = 44100;
    int shape = MiniWaveGen::Sine;
    std::optional<double> seconds;
    std::optional<int> samples;
    int format = wav::S16;
    int channels = 2;
    double refLevel = 0.1;
    bool quiet = false;
};

// A usage error or a refused parameter: what to print, and the exit code.
struct Refusal {
    std::string message;
    bool showUsage = false;
};

std::optional<int> lookupCode(std::string_view text, const std::array<std::string_view, 6>& names)
{
    for (size_t i = 0; i < names.size(); ++i)
        if (text == names[i])
            return static_cast<int>(i);
    const auto code = parseInteger(text);
    if (code && *code >= 0 && *code < static_cast<int>(names.size()))
        return code;
    return std::nullopt;
}

Refusal usage(std::string message)
{
    return {"corvane export: " + std::move(message), true};
}

Refusal invalidValue(std::string_view option, std::string_view text)
{
    return {"Parameter Error: " + std::string(kInvalidValue) + " (" + std::string(option) + " '" +
                std::string(text) + "')",
            false};
}

std::optional<Refusal> parseOptions(std::span<const std::string_view> args, ExportOptions& o)
{
    for (size_t i = 0; i < args.size(); ++i) {
        std::string_view name = args[i];
        std::optional<std::string_view> inlineValue;
        if (name.starts_with("--")) {
            if (const auto eq = name.find('='); eq != std::string_view::npos) {
                inlineValue = name.substr(eq + 1);
                name = name.substr(0, eq);
            }
        }
        if (name == "--quiet" || name == "-q") {
            o.quiet = true;
            continue;
        }
        const bool known = name == "-o" || name == "--output" || name == "--freq" ||
                           name == "--level" || name == "--fs" || name == "--shape" ||
                           name == "--seconds" || name == "--samples" || name == "--format" ||
                           name == "--channels" || name == "--ref-level";
        if (!known)
            return usage("unknown option '" + std::string(args[i]) + "'");
        std::string_view value;
        if (inlineValue) {
            value = *inlineValue;
        } else {
            if (i + 1 >= args.size())
                return usage("option '" + std::string(name) + "' needs a value");
            value = args[++i];
        }

        if (name == "-o" || name == "--output") {
            if (value.empty())
                return usage("the output file name is empty");
            o.path = std::string(value);
        } else if (name == "--shape") {
            const auto code = lookupCode(value, kShapeNames);
            if (!code)
                return usage("unknown shape '" + std::string(value) + "'");
            o.shape = *code;
        } else if (name == "--format") {
            const auto code = lookupCode(value, kFormatNames);
            if (!code)
                return usage("unknown format '" + std::string(value) + "'");
            o.format = *code;
        } else if (name == "--channels") {
            const auto n = parseInteger(value);
            if (!n || (*n != 1 && *n != 2))
                return usage("--channels takes 1 or 2, not '" + std::string(value) + "'");
            o.channels = *n;
        } else if (name == "--samples") {
            const auto n = parseInteger(value);
            if (!n)
                return invalidValue(name, value);
            o.samples = *n;
            o.seconds.reset();
        } else {
            const auto v = parseReal(value);
            if (!v)
                return invalidValue(name, value);
            if (name == "--freq") {
                o.freq = *v;
            } else if (name == "--level") {
                o.level = *v;
            } else if (name == "--seconds") {
                o.seconds = *v;
                o.samples.reset();
            } else if (name == "--ref-level") {
                o.refLevel = *v;
            } else {   // --fs
                bool listed = false;
                for (const int rate : kRates)
                    listed = listed || *v == rate;
                if (!listed)
                    return usage("--fs takes 8000, 11025, 22050, 44100 or 48000, not '" +
                                 std::string(value) + "'");
                o.fs = static_cast<int>(*v);
            }
        }
    }
    if (o.path.empty())
        return usage("no output file given (-o FILE)");
    return std::nullopt;
}

// Set from the signal handler; the wait loop turns it into a stop request.
volatile std::sig_atomic_t interruptSignal = 0;

extern "C" void onInterrupt(int signalNumber)
{
    interruptSignal = signalNumber;
}

// Ctrl+C and SIGTERM act as a confirmed Cancel while a file is being written.
class InterruptGuard {
public:
    InterruptGuard()
    {
        interruptSignal = 0;
        struct sigaction action {};
        action.sa_handler = onInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &oldInt);
        sigaction(SIGTERM, &action, &oldTerm);
    }
    ~InterruptGuard()
    {
        sigaction(SIGINT, &oldInt, nullptr);
        sigaction(SIGTERM, &oldTerm, nullptr);
    }
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;
    bool interrupted() const { return interruptSignal != 0; }

private:
    struct sigaction oldInt {};
    struct sigaction oldTerm {};
};

// Only a regular file is ours to remove: a device such as /dev/null or a
// pipe given as the output stays where it is.
void removeFile(const std::string& path, std::ostream& err)
{
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return;
    if (std::remove(path.c_str()) != 0)
        err << "corvane: could not remove '" << path << "': " << std::strerror(errno) << '\n';
}

} // namespace

int runExport(std::span<const std::string_view> args, std::ostream& out, std::ostream& err)
{
    for (const auto a : args) {
        if (a == "-h" || a == "--help") {
            out << kExportUsage;
            return Ok;
        }
    }

    ExportOptions o;
    if (const auto refusal = parseOptions(args, o)) {
        err << refusal->message << '\n';
        if (refusal->showUsage)
            err << kExportUsage;
        return UsageError;
    }
    const auto refuse = [&](std::string_view text) {
        err << "Parameter Error: " << text << '\n';
        return UsageError;
    };

    if (o.freq < 1.0)
        return refuse(kFreqTooLow);
    if (!(o.freq < o.fs * 0.5))
        return refuse(kFreqTooHigh);

    // A level so high that its amplitude overflows cannot be written.
    const double amplitude =
        exportrules::exportAmplitude(std::pow(10.0, o.level * 0.05), o.format, o.refLevel);
    if (!std::isfinite(amplitude))
        return refuse(std::string(kInvalidValue) + " (--level)");

    if (o.level <= -60.0)
        err << "Warning: " << kLevelTooLow << '\n';
    if (o.level > 20.0)
        err << "Warning: " << kLevelClips << '\n';

    int dataLength = 0;
    if (o.samples) {
        dataLength = *o.samples;
    } else {
        // Out of int range means far outside the length limits anyway.
        dataLength = exportrules::framesForSeconds(o.fs, o.seconds.value_or(10.0))
                         .value_or(std::numeric_limits<int>::min());
    }
    if (!exportrules::lengthAllowed(dataLength, o.fs, exportrules::kMinSeconds, exportrules::kMaxSeconds))
        return refuse(exportrules::lengthMessage(exportrules::kMinSeconds, exportrules::kMaxSeconds));
    if (exportrules::warnQuietEightBit(o.format, o.level))
        err << "Warning: " << exportrules::kLevelTooLowFor8Bit << '\n';
    if (!(o.refLevel > 0.0))
        return refuse(exportrules::kRefLevelNotPositive);

    const double scale = wav::fullScale(o.format);
    if (const int r = wav::checkWriteParams(o.fs, o.channels, TWaveProvider::Float64, o.format, scale); r < 0) {
        err << corvane::errorMessageText(r) << '\n';
        return Failed;
    }

    // From here on an interrupt must not leave a file behind.
    InterruptGuard interrupt;
    FileSink file;
    if (const int e = file.create(o.path); e != 0) {
        err << "corvane: cannot create '" << o.path << "': " << std::strerror(e) << '\n';
        return Failed;
    }

    auto generator = std::make_unique<MiniWaveGen>();
    generator->setSignal(o.shape, o.channels, o.freq, o.fs, amplitude);

    const bool showProgress = !o.quiet && isatty(STDERR_FILENO) == 1;
    int result = 0;
    {
        FileWriteThread thread(file, *generator, dataLength, o.fs, o.channels);
        thread.setDataFormat(TWaveProvider::Float64, static_cast<char>(o.format), scale);
        thread.start();
        int shown = -1;
        for (;;) {
            const bool done = thread.waitDone(std::chrono::milliseconds(50));
            if (interrupt.interrupted())
                thread.stopRequest.store(true, std::memory_order_release);
            if (showProgress) {
                const int percent = thread.progress.load(std::memory_order_acquire);
                if (percent != shown) {
                    err << "\rWriting " << o.path << ": " << percent << '%' << std::flush;
                    shown = percent;
                }
            }
            if (done)
                break;
        }
        if (showProgress)
            err << '\n';
        result = thread.storeResult.load(std::memory_order_relaxed);
    }
    const int closeError = file.close();

    if (interrupt.interrupted()) {
        removeFile(o.path, err);
        err << "corvane: cancelled; '" << o.path << "' was not kept\n";
        return Interrupted;
    }
    if (result < 0 || closeError != 0) {
        // A half-written file would look like a finished one to other tools.
        if (result < 0)
            err << corvane::errorMessageText(result) << '\n';
        else
            err << corvane::errorMessageText(-1112) << " (" << std::strerror(closeError) << ")\n";
        removeFile(o.path, err);
        return Failed;
    }
    if (!o.quiet) {
        const long long bytes = wav::headerByteCount(o.format) +
                                static_cast<long long>(dataLength) * o.channels * wav::bytesPerSample(o.format);
        out << "Wrote " << o.path << ": " << dataLength << " frames, " << o.channels
            << (o.channels == 2 ? " channels, " : " channel, ") << o.fs << " Hz, "
            << kFormatTitles[static_cast<size_t>(o.format)] << ", " << bytes << " bytes\n";
    }
    return Ok;
}

} // namespace cli
