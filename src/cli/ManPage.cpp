#include "cli/Documents.h"

#include <ostream>

namespace corvane::cli {

namespace {

// What one option is called on its heading line: "-o, --output FILE".
std::string optionHeading(const OptionSpec& option)
{
    std::string heading;
    const auto add = [&heading](std::string_view font, std::string_view text, std::string_view after) {
        heading += font;
        heading += roffEscape(text);
        heading += "\\fR";
        heading += after;
    };
    if (!option.alias.empty())
        add("\\fB", option.alias, ", ");
    add("\\fB", option.name, option.takesValue ? " " : "");
    if (option.takesValue)
        add("\\fI", option.valueName.empty() ? "VALUE" : option.valueName, "");
    return heading;
}

std::string optionBody(const OptionSpec& option)
{
    std::string body = roffEscape(option.help);
    const auto sentence = [&body](std::string_view start) {
        if (!body.empty())
            body += ' ';
        body += start;
    };
    if (const auto names = choicesOf(option); !names.empty()) {
        sentence("Values: ");
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (i > 0)
                body += ", ";
            body += "\\fB";
            body += roffEscape(names[i]);
            body += "\\fR";
        }
        body += '.';
    }
    if (!option.defaultText.empty()) {
        sentence("Default: \\fB");
        body += roffEscape(option.defaultText);
        body += "\\fR.";
    }
    return body;
}

void writeCommand(std::ostream& out, const Subcommand& command)
{
    out << ".SS \"corvane " << roffEscape(command.name) << " [OPTION]...";
    if (!command.operands.empty())
        out << ' ' << roffEscape(command.operands);
    out << "\"\n";
    std::string summary(command.summary);
    if (!summary.empty())
        summary[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(summary[0])));
    out << roffEscape(summary) << ".\n";
    if (command.options == nullptr)
        return;
    for (const OptionSpec& option : command.options()) {
        out << ".TP\n" << optionHeading(option) << '\n';
        if (const std::string body = optionBody(option); !body.empty())
            out << body << '\n';
    }
    out << ".TP\n\\fB\\-h\\fR, \\fB\\-\\-help\\fR\nPrints the command's usage and exits.\n";
}

void example(std::ostream& out, std::string_view what, std::string_view command)
{
    out << ".PP\n" << roffEscape(what) << "\n.PP\n.RS 4\n.nf\n" << roffEscape(command) << "\n.fi\n.RE\n";
}

} // namespace

std::string roffEscape(std::string_view text)
{
    std::string escaped;
    bool lineStart = true;
    for (const char c : text) {
        if (lineStart && (c == '.' || c == '\''))
            escaped += "\\&";
        if (c == '\\')
            escaped += "\\e";
        else if (c == '-')
            escaped += "\\-";
        else
            escaped += c;
        lineStart = c == '\n';
    }
    return escaped;
}

void writeManPage(std::ostream& out, std::span<const Subcommand> commands)
{
    out << ".\\\" Written by the build from the commands' option tables; edit those.\n"
           ".TH CORVANE 1 \"\" \"corvane "
        << programVersion()
        << "\" \"User Commands\"\n"
           ".SH NAME\n"
           "corvane \\- test\\-signal generator: plots test tones and writes test signals as WAV files\n"
           ".SH SYNOPSIS\n"
           ".B corvane\n"
           ".br\n"
           ".B corvane\n"
           ".I COMMAND\n"
           "[\\fIOPTION\\fR]...\n"
           ".br\n"
           ".B corvane\n"
           "[\\fBhelp\\fR [\\fICOMMAND\\fR] | \\fB\\-\\-help\\fR | \\fBversion\\fR | \\fB\\-\\-version\\fR]\n"
           ".SH DESCRIPTION\n"
           "Without arguments \\fBcorvane\\fR opens its window: type a frequency in Hz, a level in dB, pick a "
           "sampling rate and a waveshape, and it plots a few periods of the signal and saves it as a WAV file "
           "(six sample encodings, mono or stereo, 1 to 1000 seconds).\n"
           ".PP\n"
           "With a command it runs without the window. An option's value follows it as the next word or after "
           "\\(aq=\\(aq (\\fB\\-\\-fs=48000\\fR). Numbers are written with \\(aq.\\(aq whatever the locale; a "
           "value that does not parse, is not finite or is out of range is refused with exit code 2 and nothing "
           "is written. A file is written beside its target under a temporary name and renamed over it only "
           "when it is whole, so a failed or interrupted command leaves the target as it was.\n"
           ".SH COMMANDS\n";
    for (const Subcommand& command : commands)
        writeCommand(out, command);
    out << ".SS \"corvane help [COMMAND]\"\n"
           "Prints the list of commands, or a command's usage; an unknown COMMAND is refused with exit code 2.\n"
           ".SS \"corvane version\"\n"
           "Prints \\(lqcorvane\\(rq and the version on one line (also \\fB\\-\\-version\\fR).\n"
           ".SH \"EXIT STATUS\"\n"
           ".TP\n.B 0\nSuccess.\n"
           ".TP\n.B 1\nThe window cannot open: there is no display.\n"
           ".TP\n.B 2\nThe command line or a value was refused; nothing was written.\n"
           ".TP\n.B 3\nA file or a device failed (cannot create, write or play).\n"
           ".TP\n.B 130\nCtrl+C or SIGTERM stopped a writing or playing command (another signal N gives 128+N).\n"
           ".TP\n.B 141\nThe reader of standard output went away.\n"
           ".SH ENVIRONMENT\n"
           ".TP\n.B CORVANE_AUDIO_DEVICE\n"
           "The ALSA PCM the window's \\(lqPlay\\(rq uses instead of \\fBdefault\\fR.\n"
           ".TP\n.B QT_SCALE_FACTOR\n"
           "Scales the window; the plot is drawn at the resulting resolution.\n"
           ".TP\n.BR DISPLAY \", \" WAYLAND_DISPLAY\n"
           "The display the window opens on; without either, \\fBcorvane\\fR says so and exits with 1.\n"
           ".SH FILES\n"
           ".TP\n.I ~/.config/Corvane/Corvane.conf\n"
           "The settings: the window's place and size, saved when it closes (under \\fB$XDG_CONFIG_HOME\\fR "
           "when that is set).\n"
           ".TP\n.I /usr/share/doc/corvane/copyright\n"
           "The licence agreement the window's licence window shows; a \\fIlicense.txt\\fR in the working "
           "folder or beside the program is read first.\n"
           ".SH EXAMPLES\n";
    example(out, "Ten seconds of a 1 kHz sine at 0 dB, 48000 Hz, 24-bit stereo:",
            "corvane export -o tone.wav --freq 1000 --level 0 --fs 48000 --format s24");
    example(out,
            "An exponential sweep from 20 Hz to 20 kHz and its inverse filter, to measure an impulse "
            "response:",
            "corvane export -o sweep.wav --signal sweep --from 20 --to 20000 --seconds 10 --inverse inverse.wav");
    example(out, "Thirty seconds of pink noise at -20 dB, the same bytes for the same seed:",
            "corvane export -o pink.wav --signal pink --level -20 --seconds 30 --seed 7");
    example(out, "The devices, then a 440 Hz tone on the second card until Ctrl+C:",
            "corvane play --list-devices\ncorvane play --device plughw:1 --freq 440 --level 0 --loop");
    out << ".SH \"SEE ALSO\"\n"
           ".BR aplay (1)\n";
}

} // namespace corvane::cli
