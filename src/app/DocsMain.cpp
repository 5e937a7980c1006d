// Writes the manual page or the bash completion from the commands' option
// tables, for the build: corvane_docs man|bash-completion FILE.
#include "app/PlotCommand.h"
#include "cli/CommandLine.h"
#include "cli/Documents.h"
#include "wavio/ReplaceFile.h"

#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>

int main(int argc, char** argv)
{
    using namespace corvane;
    const std::string_view what = argc == 3 ? argv[1] : "";
    if (what != "man" && what != "bash-completion") {
        std::cerr << "usage: corvane_docs man|bash-completion FILE\n";
        return 2;
    }
    const auto commands = cli::allCommands(app::windowCommands());
    std::ostringstream text;
    if (what == "man")
        cli::writeManPage(text, commands);
    else
        cli::writeBashCompletion(text, commands);
    const std::string bytes = text.str();
    wavio::ReplaceFile file;
    int e = file.open(argv[2]);
    if (e == 0 && !file.write(bytes.data(), bytes.size()))
        e = file.writeError();
    if (e == 0)
        e = file.commit();
    if (e != 0) {
        std::cerr << "corvane_docs: cannot write '" << argv[2] << "': " << std::strerror(e) << '\n';
        return 3;
    }
    return 0;
}
