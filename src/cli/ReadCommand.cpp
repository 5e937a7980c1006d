#include "cli/ReadCommand.h"

#include "cli/CommandLine.h"
#include "cli/ExitCode.h"
#include "cli/Options.h"
#include "core/MessageTable.h"
#include "core/NumberText.h"
#include "wavio/WaveFileRead.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

namespace corvane::cli {

std::string readUsage()
{
    return "usage: corvane read FILE [--csv] [--block N]\n"
           "  without --csv: channels, rate, length, and peak and RMS level per channel\n"
           "  --csv:         every frame as index,left[,right], samples divided by 32768\n"
           "  --block N:     frames read per call, 1 to the reader's ring (default 4096)\n";
}

namespace {

constexpr double kFullScale = 32768.0;

// The help names the limit as a number.
static_assert(wavio::WaveFileRead::kRingBytes / 2 == 96000);

constexpr OptionSpec kOptions[] = {
    {"--csv", "", false, "", "",
     "Prints every frame as index,left[,right], the samples divided by 32768, instead of the summary."},
    {"--block", "", true, "N", "4096", "Frames read per call, 1 to 96000."},
};

struct ChannelLevel {
    double peak = 0.0;
    double sumSquares = 0.0;
};

std::string dbfs(double value)
{
    if (value <= 0.0)
        return "-inf dBFS";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f dBFS", 20.0 * std::log10(value / kFullScale));
    return text;
}

// Shortest text that reads back as the same double.
void appendNumber(std::string& line, double v)
{
    char text[32];
    const auto r = std::to_chars(text, text + sizeof text, v);
    line.append(text, r.ptr);
}

} // namespace

std::vector<OptionSpec> readOptions()
{
    return {std::begin(kOptions), std::end(kOptions)};
}

int runRead(std::span<const std::string_view> args, std::ostream& out, std::ostream& err)
{
    std::string path;
    bool csv = false;
    int block = 4096;
    const auto usage = [&](const std::string& message) {
        err << "corvane read: " << message << '\n' << readUsage();
        return UsageError;
    };
    if (wantsHelp(args, kOptions)) {
        out << readUsage();
        return Ok;
    }
    ParsedArgs parsed;
    if (auto refusal = parseArgs(args, kOptions, parsed))
        return usage(*refusal);
    for (const ParsedOption& option : parsed.options) {
        if (option.name == "--csv") {
            csv = true;
            continue;
        }
        const auto n = core::parseInteger(option.value);
        if (!n || *n < 1 || *n > wavio::WaveFileRead::kRingBytes / 2)
            return usage("--block takes a whole number of frames from 1 to " +
                         std::to_string(wavio::WaveFileRead::kRingBytes / 2) + ", not '" +
                         std::string(option.value) + "'");
        block = *n;
    }
    if (parsed.operands.size() > 1)
        return usage("only one file can be read");
    if (!parsed.operands.empty())
        path = std::string(parsed.operands.front());
    if (path.empty())
        return usage("no file given");

    wavio::WaveFileRead reader(path);
    if (reader.openError() != 0) {
        err << "corvane: cannot open '" << path << "': " << std::strerror(reader.openError()) << '\n';
        return Failed;
    }
    const auto fail = [&](int code) {
        err << core::errorMessageText(code) << '\n';
        reader.FileClose();
        return Failed;
    };
    if (const int r = reader.ReadWaveHeader(); r < 0)
        return fail(r);
    if (block > reader.capacity())
        return usage("--block takes 1 to " + std::to_string(reader.capacity()) + " frames for this file");

    const int channels = reader.getNumCh();
    std::vector<double> left(static_cast<size_t>(block)), right(static_cast<size_t>(block));
    std::array<ChannelLevel, 2> levels{};
    long long frames = 0;
    std::string line;
    if (csv)
        out << (channels == 2 ? "index,left,right\n" : "index,left\n");

    for (int result = 0; result == 0;) {
        result = reader.ReadWaveData(left.data(), right.data(), csv ? kFullScale : 1.0, block, 0, 0);
        if (result < 0)
            return fail(result);
        const int n = reader.getLastCount();
        for (int i = 0; i < n; ++i) {
            const auto at = static_cast<size_t>(i);
            if (csv) {
                line.clear();
                line += std::to_string(frames + i);
                line += ',';
                appendNumber(line, left[at]);
                if (channels == 2) {
                    line += ',';
                    appendNumber(line, right[at]);
                }
                line += '\n';
                out << line;
                // A full disk or a closed pipe behind stdout ends the dump
                // at once, while errno still says which.
                if (!out) {
                    reader.FileClose();
                    return flushOutput(out, err);
                }
            } else {
                levels[0].peak = std::max(levels[0].peak, std::fabs(left[at]));
                levels[0].sumSquares += left[at] * left[at];
                levels[1].peak = std::max(levels[1].peak, std::fabs(right[at]));
                levels[1].sumSquares += right[at] * right[at];
            }
        }
        frames += n;
        if (n == 0)
            break;
    }
    if (reader.FileClose() < 0) {
        err << "corvane: could not close '" << path << "'\n";
        return Failed;
    }
    if (csv)
        return Ok;

    out << "File:          " << path << '\n'
        << "Channels:      " << channels << '\n'
        << "Sampling rate: " << reader.getFs() << " Hz\n"
        << "Frames:        " << frames << '\n';
    if (reader.getFs() > 0) {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.3f", static_cast<double>(frames) / reader.getFs());
        out << "Duration:      " << seconds << " s\n";
    }
    const char* names[2] = {channels == 2 ? "Left" : "Mono", "Right"};
    for (int ch = 0; ch < channels; ++ch) {
        const ChannelLevel& l = levels[static_cast<size_t>(ch)];
        const double rms = frames > 0 ? std::sqrt(l.sumSquares / static_cast<double>(frames)) : 0.0;
        std::string label = std::string(names[ch]) + ":";
        label.resize(15, ' ');
        out << label << "peak " << dbfs(l.peak) << ", RMS " << dbfs(rms) << '\n';
    }
    return Ok;
}

} // namespace corvane::cli
