#include "app/StartWindows.h"
#include "cli/CommandLine.h"

#include <iostream>
#include <string_view>
#include <vector>

int main(int argc, char** argv)
{
    if (cli::wantsCommandLine(argc, argv)) {
        std::vector<std::string_view> args(argv + 1, argv + argc);
        return cli::runCommandLine(args, std::cout, std::cerr);
    }
    return startWindows(argc, argv);
}
