// The manual page, the help and the bash completion against the command
// tables they are written from.
#include "cli/Documents.h"
#include "app/PlotCommand.h"
#include "cli/CommandLine.h"
#include "support/Files.h"
#include "support/Process.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace corvane;

namespace {

std::string readText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The page's text from one heading to the next of the same level.
std::string section(const std::string& page, const std::string& heading)
{
    const auto start = page.find(heading);
    if (start == std::string::npos)
        return {};
    const auto end = page.find(heading.substr(0, 4), start + heading.size());
    return page.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

TEST(ManPage, NamesEveryOptionOfEveryCommandWithItsDefault)
{
    // The page the build installs, not one written here.
    const std::string page = readText(CORVANE_MAN_PAGE);
    ASSERT_FALSE(page.empty()) << CORVANE_MAN_PAGE;
    const auto commands = cli::allCommands(app::windowCommands());
    ASSERT_GE(commands.size(), 4u);
    for (const cli::Subcommand& command : commands) {
        SCOPED_TRACE(std::string(command.name));
        const std::string text = section(page, ".SS \"corvane " + std::string(command.name) + " ");
        ASSERT_FALSE(text.empty());
        ASSERT_NE(command.options, nullptr);
        for (const cli::OptionSpec& option : command.options()) {
            SCOPED_TRACE(std::string(option.name));
            std::string heading = "\\fB" + cli::roffEscape(option.name) + "\\fR";
            if (!option.alias.empty())
                heading = "\\fB" + cli::roffEscape(option.alias) + "\\fR, " + heading;
            EXPECT_NE(text.find(".TP\n" + heading + (option.takesValue ? " \\fI" : "\n")), std::string::npos);
            EXPECT_FALSE(option.help.empty());
            if (!option.defaultText.empty()) {
                EXPECT_NE(text.find("Default: \\fB" + cli::roffEscape(option.defaultText) + "\\fR."),
                          std::string::npos);
            }
            for (const std::string& value : cli::choicesOf(option))
                EXPECT_NE(text.find("\\fB" + cli::roffEscape(value) + "\\fR"), std::string::npos) << value;
        }
    }
    for (const char* part : {".SH \"EXIT STATUS\"", ".SH ENVIRONMENT", "CORVANE_AUDIO_DEVICE", "QT_SCALE_FACTOR",
                             ".SH FILES", ".SH EXAMPLES", "\\-\\-inverse", "\\-\\-list\\-devices"})
        EXPECT_NE(page.find(part), std::string::npos) << part;
}

TEST(ManPage, RoffEscapeKeepsTextLiteral)
{
    const std::pair<const char*, const char*> cases[] = {
        {"--fs", "\\-\\-fs"},          {"a\\b", "a\\eb"},
        {".start", "\\&.start"},       {"'quote", "\\&'quote"},
        {"one\n.two", "one\n\\&.two"}, {"mid.dle's", "mid.dle's"},
    };
    for (const auto& [text, escaped] : cases)
        EXPECT_EQ(cli::roffEscape(text), escaped) << text;
}

TEST(CommandLineHelp, ListsEveryCommandOfTheTable)
{
    const ProcessResult help = runProcess(CORVANE_EXE, {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const cli::Subcommand& command : cli::allCommands(app::windowCommands()))
        EXPECT_NE(help.out.find("  " + std::string(command.name) + " "), std::string::npos) << command.name;
}

TEST(CommandLineHelp, VersionStartsNoWindowSystem)
{
    // Were Qt's GUI started, the xcb platform without a display would abort.
    const ProcessResult r = runProcess("/usr/bin/env", {"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY",
                                                        "QT_QPA_PLATFORM=xcb", CORVANE_EXE, "--version"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "corvane " + std::string(cli::programVersion()) + "\n");
    EXPECT_EQ(r.err, "");
}

class BashCompletion : public testing::Test {
protected:
    void SetUp() override { dir = freshTestFolder("corvane-completion"); }
    void TearDown() override { std::filesystem::remove_all(dir); }

    // The replies for a line typed up to its end, sorted, one per line.
    std::string complete(const std::string& line)
    {
        const std::string script = "cd '" + dir.string() +
                                   "' && source '" CORVANE_COMPLETION
                                   "' && COMP_LINE=\"$1\" && COMP_POINT=${#COMP_LINE} && _corvane && "
                                   "printf '%s\\n' \"${COMPREPLY[@]}\" | sort";
        const ProcessResult r = runProcess("/bin/bash", {"-c", script, "bash", line});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return r.out;
    }
    std::filesystem::path dir;
};

TEST_F(BashCompletion, OffersCommandsOptionsValuesAndFiles)
{
    std::ofstream(dir / "take.wav").put('x');
    std::ofstream(dir / "tone.txt").put('x');
    const std::pair<const char*, const char*> cases[] = {
        {"corvane ex", "export\n"},
        {"corvane p", "play\nplot\n"},
        {"corvane help r", "read\nresponse\n"},
        {"corvane export --fo", "--format\n"},
        {"corvane export --format s", "s16\ns24\ns32\n"},
        {"corvane play --format ", "f32\ns16\ns32\n"},
        {"corvane export --signal=p", "pink\n"},
        {"corvane plot --shape pu", "pulse+\npulse-\n"},
        {"corvane plot --fs 4", "44100\n48000\n"},
        {"corvane export -o t", "take.wav\ntone.txt\n"},
        {"corvane export --inverse ta", "take.wav\n"},
        {"corvane read ta", "take.wav\n"},
        {"corvane export --freq ", "\n"},
    };
    for (const auto& [line, replies] : cases)
        EXPECT_EQ(complete(line), replies) << line;
    const std::string options = complete("corvane export -");
    for (const char* option : {"-o\n", "--output\n", "--seed\n", "--dither\n", "--help\n"})
        EXPECT_NE(options.find(option), std::string::npos) << option;
    EXPECT_EQ(options.find("--device"), std::string::npos);
}

TEST_F(BashCompletion, DeviceNamesSplitAtTheColonAsBashSplitsThem)
{
    // bash replaces only the part after the last ':' of "plughw:", so the
    // replies must start there.
    const ProcessResult r = runProcess(
        "/bin/bash", {"-c", "source '" CORVANE_COMPLETION "' && cur=plughw: && "
                            "_corvane_words 'plughw:1,0 plughw:2 hw:0' && printf '%s\\n' \"${COMPREPLY[@]}\""});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "1,0\n2\n");
}

} // namespace
