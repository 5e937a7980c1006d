#include "cli/CommandLine.h"

#include "cli/AnalysisCommands.h"
#include "cli/ExitCode.h"
#include "cli/ExportCommand.h"
#include "cli/PlayCommand.h"
#include "cli/ReadCommand.h"

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
        Subcommand{"deconvolve", "corvane deconvolve REC -o IR.wav ... impulse response from a recorded sweep",
                   deconvolveUsage, runDeconvolve},
        Subcommand{"export", "corvane export -o FILE ...   write a test tone to a WAV file", exportUsage,
                   runExport},
        Subcommand{"play", "corvane play ...              play a test signal on a sound device", playUsage,
                   runPlay},
        Subcommand{"read", "corvane read FILE [--csv]    summarise or dump a 16-bit WAV file", readUsage, runRead},
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

} // namespace

std::span<const Subcommand> headlessCommands()
{
    return headless();
}

void printUsage(std::ostream& out, std::span<const Subcommand> extra)
{
    // The overview lists the subcommands in this order whatever layer
    // contributes them.
    out << "usage: corvane                      open the window\n";
    for (const std::string_view name : {"export", "play", "plot", "read", "deconvolve", "response", "distortion"})
        if (const Subcommand* command = find(name, extra))
            out << "       " << command->summary << '\n';
    out << "       corvane help [COMMAND]       show this text, or a command's options\n";
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
    if (command == "help" || command == "-h" || command == "--help") {
        if (const Subcommand* topic = rest.empty() ? nullptr : find(rest.front(), extra))
            out << topic->usage();
        else
            printUsage(out, extra);
        return flushOutput(out, err);
    }
    err << "corvane: unknown command '" << std::string(command) << "'\n";
    printUsage(err, extra);
    return UsageError;
}

} // namespace corvane::cli
