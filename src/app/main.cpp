#include "cli/CommandLine.h"

#include <iostream>
#include <string_view>
#include <vector>

int main(int argc, char** argv)
{
    std::vector<std::string_view> args(argv + 1, argv + argc);
    // The window is not built yet: without a subcommand, say how to use the tool.
    return cli::runCommandLine(args, std::cout, std::cerr);
}
