#include "cli/CommandLine.h"

#include "cli/ExportCommand.h"
#include "cli/PlotCommand.h"
#include "cli/ReadCommand.h"

#include <ostream>
#include <string>

namespace cli {

void printUsage(std::ostream& out)
{
    out << "usage: corvane                      open the window\n"
           "       corvane export -o FILE ...   write a test tone to a WAV file\n"
           "       corvane plot -o FILE.png ... draw the window's plot of a tone to a PNG file\n"
           "       corvane read FILE [--csv]    summarise or dump a 16-bit WAV file\n"
           "       corvane help [COMMAND]       show this text, or a command's options\n";
}

bool wantsCommandLine(int argc, char**)
{
    return argc > 1;
}

int runCommandLine(std::span<const std::string_view> args, std::ostream& out, std::ostream& err)
{
    if (args.empty()) {
        printUsage(out);
        return Ok;
    }
    const std::string_view command = args.front();
    const auto rest = args.subspan(1);
    if (command == "export")
        return runExport(rest, out, err);
    if (command == "plot")
        return runPlot(rest, out, err);
    if (command == "read")
        return runRead(rest, out, err);
    if (command == "help" || command == "-h" || command == "--help") {
        if (!rest.empty() && rest.front() == "export")
            out << kExportUsage;
        else if (!rest.empty() && rest.front() == "plot")
            out << kPlotUsage;
        else if (!rest.empty() && rest.front() == "read")
            out << kReadUsage;
        else
            printUsage(out);
        return Ok;
    }
    err << "corvane: unknown command '" << std::string(command) << "'\n";
    printUsage(err);
    return UsageError;
}

} // namespace cli
