#include "app/PlotCommand.h"
#include "cli/CommandLine.h"
#include "windows/StartWindows.h"

#include <iostream>
#include <string_view>
#include <vector>

int main(int argc, char** argv)
{
    using namespace corvane;
    if (cli::wantsCommandLine(argc, argv)) {
        std::vector<std::string_view> args(argv + 1, argv + argc);
        return cli::runCommandLine(args, std::cout, std::cerr, app::windowCommands());
    }
    return windows::startWindows(argc, argv);
}
