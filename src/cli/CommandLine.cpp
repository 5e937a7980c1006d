#include "cli/CommandLine.h"

#include "cli/AnalysisCommands.h"
#include "cli/ExitCode.h"
#include "cli/ExportCommand.h"
#include "cli/PlayCommand.h"
#include "cli/ReadCommand.h"
#include "cli/Version.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <ostream>
#include <string>

namespace corvane::cli {

namespace {

std::span<const Subcommand> headless()
{
    static const std::array kHeadless{
        Subcommand{"deconvolve", "turn a recorded sweep into an impulse response (a WAV file)", deconvolveUsage,
                   runDeconvolve, deconvolveOptions, "RECORDING"},
        Subcommand{"export", "write a test signal (tone, sweep, white or pink noise) to a WAV file", exportUsage,
                   runExport, exportOptions},
        Subcommand{"play", "play a test signal on a sound device, or list the devices", playUsage, runPlay,
                   playOptions},
        Subcommand{"read", "summarise a 16-bit WAV file, or print its samples as CSV", readUsage, runRead,
                   readOptions, "FILE"},
    };
    return kHeadless;
}

const Subcommand* findIn(std::string_view name, std::span<const Subcommand> list)
{
    for (const Subcommand& command : list)
        if (command.name == name)
            return &command;
    return nullptr;
}

const Subcommand* find(std::string_view name, std::span<const Subcommand> extra)
{
    const Subcommand* command = findIn(name, headless());
    return command != nullptr ? command : findIn(name, extra);
}

bool isHelp(std::string_view word)
{
    return word == "help" || word == "-h" || word == "--help";
}

bool isVersion(std::string_view word)
{
    return word == "version" || word == "--version";
}

// Edits to turn a into b: insertions, deletions, substitutions and swaps of
// two neighbours, the slips a typist makes.
std::size_t editDistance(std::string_view a, std::string_view b)
{
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i)
        d[i][0] = i;
    for (std::size_t j = 0; j <= b.size(); ++j)
        d[0][j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i)
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return d[a.size()][b.size()];
}

void printUnknown(std::ostream& err, std::string_view what, std::string_view word,
                  std::span<const Subcommand> extra)
{
    err << "corvane: " << what << " '" << std::string(word) << "'";
    if (const std::string near = nearestCommand(word, extra); !near.empty())
        err << "; did you mean '" << near << "'?";
    err << '\n';
}

} // namespace

std::span<const Subcommand> headlessCommands()
{
    return headless();
}

std::vector<Subcommand> allCommands(std::span<const Subcommand> extra)
{
    std::vector<Subcommand> all(headless().begin(), headless().end());
    for (const Subcommand& command : extra)
        if (findIn(command.name, headless()) == nullptr)
            all.push_back(command);
    std::sort(all.begin(), all.end(), [](const Subcommand& a, const Subcommand& b) { return a.name < b.name; });
    return all;
}

std::string_view programVersion()
{
    return kProgramVersion;
}

std::string nearestCommand(std::string_view word, std::span<const Subcommand> extra)
{
    std::vector<std::string_view> names{"help", "version"};
    for (const Subcommand& command : allCommands(extra))
        names.push_back(command.name);
    // A leading "--" is the commonest slip of all: "--export".
    while (word.starts_with('-'))
        word.remove_prefix(1);
    std::string best;
    std::size_t bestDistance = 0;
    bool tie = false;
    for (const std::string_view name : names) {
        // A start of one name only is as good as a match: "exp".
        const std::size_t distance = word.size() >= 2 && name.starts_with(word) ? 0 : editDistance(word, name);
        if (best.empty() || distance < bestDistance) {
            best = std::string(name);
            bestDistance = distance;
            tie = false;
        } else if (distance == bestDistance) {
            tie = true;
        }
    }
    // Two edits in a short word leave little of it.
    const std::size_t allowed = word.size() <= 3 ? 1 : 2;
    if (best.empty() || tie || bestDistance > allowed || bestDistance >= word.size())
        return {};
    return best;
}

void printUsage(std::ostream& out, std::span<const Subcommand> extra)
{
    const std::vector<Subcommand> all = allCommands(extra);
    std::size_t width = std::string_view("version").size();
    for (const Subcommand& command : all)
        width = std::max(width, command.name.size());
    const auto line = [&](std::string_view name, std::string_view text) {
        out << "  " << name << std::string(width + 2 - name.size(), ' ') << text << '\n';
    };
    out << "usage: corvane                        open the window\n"
           "       corvane COMMAND [OPTION]...    run a command without the window\n"
           "commands:\n";
    for (const Subcommand& command : all)
        line(command.name, command.summary);
    line("help", "show this text; help COMMAND shows a command's options");
    line("version", "print the version (also --version)");
    out << "See corvane(1) for every option, its default and its range.\n";
}

int flushOutput(std::ostream& out, std::ostream& err)
{
    if (out.good())
        out.flush();
    if (out.good())
        return Ok;
    const int e = errno;
    if (e == EPIPE)
        return BrokenPipe;
    err << "corvane: cannot write the output: " << (e != 0 ? std::strerror(e) : "write error") << '\n';
    return Failed;
}

bool wantsCommandLine(int argc, char**)
{
    return argc > 1;
}

int runCommandLine(std::span<const std::string_view> args, std::ostream& out, std::ostream& err,
                   std::span<const Subcommand> extra)
{
    if (args.empty()) {
        printUsage(out, extra);
        return Ok;
    }
    const std::string_view command = args.front();
    const auto rest = args.subspan(1);
    if (const Subcommand* found = find(command, extra)) {
        const int code = found->run(rest, out, err);
        if (code == Ok)
            return flushOutput(out, err);
        // The command has told what went wrong already.
        out.flush();
        return code;
    }
    if (isHelp(command)) {
        if (rest.empty()) {
            printUsage(out, extra);
        } else if (const Subcommand* topic = find(rest.front(), extra)) {
            out << topic->usage();
        } else if (isVersion(rest.front()) || isHelp(rest.front())) {
            printUsage(out, extra);
        } else {
            printUnknown(err, "no help for the unknown command", rest.front(), extra);
            return UsageError;
        }
        return flushOutput(out, err);
    }
    if (isVersion(command)) {
        out << "corvane " << programVersion() << '\n';
        return flushOutput(out, err);
    }
    printUnknown(err, "unknown command", command, extra);
    err << "Run 'corvane help' for the list of commands.\n";
    return UsageError;
}

} // namespace corvane::cli
