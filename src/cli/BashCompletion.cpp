#include "cli/Documents.h"

#include <ostream>
#include <vector>

namespace corvane::cli {

namespace {

// Words for compgen -W: names of commands, options and values have no
// spaces or shell characters but '+' and '|', which compgen takes as they are.
std::string wordList(const std::vector<std::string>& words)
{
    std::string list;
    for (const std::string& word : words) {
        if (!list.empty())
            list += ' ';
        list += word;
    }
    return list;
}

std::string caseLabel(const OptionSpec& option)
{
    std::string label(option.name);
    if (!option.alias.empty()) {
        label += '|';
        label += option.alias;
    }
    return label;
}

void writeCommandCase(std::ostream& out, const Subcommand& command)
{
    const std::vector<OptionSpec> options =
        command.options != nullptr ? command.options() : std::vector<OptionSpec>{};
    std::vector<std::string> names;
    for (const OptionSpec& option : options) {
        if (!option.alias.empty())
            names.emplace_back(option.alias);
        names.emplace_back(option.name);
    }
    names.emplace_back("--help");
    out << "    " << command.name << ")\n"
        << "        case $prev in\n";
    for (const OptionSpec& option : options) {
        if (!option.takesValue)
            continue;
        out << "        " << caseLabel(option) << ") ";
        if (option.kind == ValueKind::File)
            out << "_corvane_files";
        else if (option.kind == ValueKind::Device)
            out << "_corvane_devices";
        else if (const auto values = choicesOf(option); !values.empty())
            out << "_corvane_words '" << wordList(values) << "'";
        else
            out << ":"; // a number or a name of the user's: nothing to offer
        out << "; return ;;\n";
    }
    out << "        esac\n"
        << "        if [[ $cur == -* ]]; then\n"
        << "            _corvane_words '" << wordList(names) << "'\n";
    if (!command.operands.empty())
        out << "        else\n"
            << "            _corvane_files\n";
    out << "        fi\n"
        << "        ;;\n";
}

} // namespace

void writeBashCompletion(std::ostream& out, std::span<const Subcommand> commands)
{
    std::vector<std::string> commandNames;
    for (const Subcommand& command : commands)
        commandNames.emplace_back(command.name);
    std::vector<std::string> first = commandNames;
    first.insert(first.end(), {"help", "version", "--help", "--version"});

    out << "# bash completion for corvane                             -*- shell-script -*-\n"
           "# Written by the build from the commands' option tables; edit those.\n"
           "\n"
           "# The reply for one word list; a word of the current line that bash split\n"
           "# at ':' (plughw:1) gets its replies without the part before the split.\n"
           "_corvane_words()\n"
           "{\n"
           "    local IFS=$' \\t\\n'\n"
           "    COMPREPLY=($(compgen -W \"$1\" -- \"$cur\"))\n"
           "    if [[ $cur == *:* && $COMP_WORDBREAKS == *:* ]]; then\n"
           "        local head=${cur%\"${cur##*:}\"}\n"
           "        local i\n"
           "        for i in \"${!COMPREPLY[@]}\"; do COMPREPLY[i]=${COMPREPLY[i]#\"$head\"}; done\n"
           "    fi\n"
           "}\n"
           "\n"
           "_corvane_files()\n"
           "{\n"
           "    compopt -o filenames 2>/dev/null\n"
           "    local IFS=$'\\n'\n"
           "    COMPREPLY=($(compgen -f -- \"$cur\"))\n"
           "}\n"
           "\n"
           "# The PCM names the program itself lists, first field of each line.\n"
           "_corvane_devices()\n"
           "{\n"
           "    local names\n"
           "    names=$(\"$program\" play --list-devices 2>/dev/null | cut -f1)\n"
           "    _corvane_words \"$names\"\n"
           "}\n"
           "\n"
           "_corvane()\n"
           "{\n"
           "    COMPREPLY=()\n"
           "    # The words as typed, not as bash split them at '=' and ':'.\n"
           "    local line=${COMP_LINE:0:COMP_POINT}\n"
           "    local -a words\n"
           "    read -ra words <<<\"$line\"\n"
           "    [[ $line == *[[:space:]] || ${#words[@]} -eq 0 ]] && words+=(\"\")\n"
           "    local program=${words[0]}\n"
           "    local cur=${words[-1]}\n"
           "    local prev=\n"
           "    ((${#words[@]} > 1)) && prev=${words[-2]}\n"
           "    # --fs=48000: the value of the option before the '='.\n"
           "    if [[ $cur == --*=* ]]; then\n"
           "        prev=${cur%%=*}\n"
           "        cur=${cur#*=}\n"
           "    fi\n"
           "    if ((${#words[@]} == 2)); then\n"
           "        _corvane_words '"
        << wordList(first)
        << "'\n"
           "        return\n"
           "    fi\n"
           "    case ${words[1]} in\n"
           "    help)\n"
           "        ((${#words[@]} == 3)) && _corvane_words '"
        << wordList(commandNames)
        << "'\n"
           "        ;;\n";
    for (const Subcommand& command : commands)
        writeCommandCase(out, command);
    out << "    esac\n"
           "}\n"
           "complete -F _corvane corvane\n";
}

} // namespace corvane::cli
