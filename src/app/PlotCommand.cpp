#include "app/PlotCommand.h"

#include "app/ChartCommands.h"
#include "app/PngOutput.h"
#include "cli/ExitCode.h"
#include "cli/ExportCommand.h"
#include "cli/InterruptGuard.h"
#include "cli/Options.h"
#include "core/CodeSets.h"
#include "core/NumberText.h"
#include "core/ParameterTexts.h"
#include "core/SignalParameters.h"
#include "session/JobParams.h"
#include "shell/DisplayWave.h"
#include "shell/OkBox.h"
#include "wavio/ReplaceFile.h"
#include "windows/TMainForm.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QImageWriter>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace corvane::app {

namespace {

constexpr int kMinWidth = 120;
constexpr int kMinHeight = 80;
constexpr int kMaxSide = 4000;
constexpr double kMaxScale = 4.0;

} // namespace

std::string plotUsage()
{
    return "usage: corvane plot -o FILE.png [--signal SIGNAL] [--level DB] [--fs HZ]\n"
           "                    [--freq HZ] [--shape SHAPE]                       (tone; --freq also burst)\n"
           "                    [--from F1] [--to F2] [--sync]                    (sweep only)\n"
           "                    [--seed N]                                        (noise only)\n"
           "                    [--seconds S] [--fade-in S] [--fade-out S]        (not the tone)\n"
           "                    [the signal's own options, as corvane export takes them]\n"
           "                    [--vert] [--horiz] [--labels] [--width W] [--height H] [--scale S]\n"
           "  SIGNAL: " +
           core::signalKindNames() +
           "\n"
           "  the tone's --fs is one of the window's five rates; the other signals take any from 8000 to 384000\n"
           "  SHAPE: " +
           cli::shapeNamesHelp() +
           "\n"
           "  --vert, --horiz: the window's \"Vert. Expand\" and \"Horiz. Expand\"\n"
           "  --labels: print each visible scale label: name, left, top, text (tab-separated)\n"
           "  --width, --height: the plot's size in pixels, " +
           std::to_string(kMinWidth) + " to " + std::to_string(kMaxSide) + " by " + std::to_string(kMinHeight) +
           " to " + std::to_string(kMaxSide) +
           " (default 361 by 201)\n"
           "  --scale: device pixels per pixel of the image, 1 to 4 (default 1); label positions stay in pixels\n";
}

namespace {

// The help names the limits as numbers.
static_assert(kMinWidth == 120 && kMinHeight == 80 && kMaxSide == 4000 && kMaxScale == 4.0);

const cli::OptionSpec kOptions[] = {
    {"--output", "-o", true, "FILE.png", "", "The PNG file to write (required).", cli::ValueKind::File},
    {"--freq", "", true, "HZ", "400", "The tone's frequency in Hz, checked as the window checks it."},
    {"--level", "", true, "DB", "6.0", "The level in dB, checked as the window checks it."},
    {"--fs", "", true, "HZ", "44100",
     "The sampling rate: one of the window's five for a tone, any whole number of Hz from 8000 to 384000 for "
     "the other signals.",
     cli::ValueKind::Text, core::sampleRateList},
    {"--shape", "", true, "SHAPE", "sine", "The waveshape, by name or as its number 0 to 5.", cli::ValueKind::Text,
     core::waveShapeNames},
    {"--vert", "", false, "", "", "Then presses the window's \"Vert. Expand\"."},
    {"--horiz", "", false, "", "", "Then presses the window's \"Horiz. Expand\"."},
    {"--labels", "", false, "", "",
     "Prints each visible scale label: name, left, top and text, tab-separated (in window pixels)."},
    {"--width", "", true, "W", "361", "The plot's width in pixels, 120 to 4000."},
    {"--height", "", true, "H", "201", "The plot's height in pixels, 80 to 4000."},
    {"--scale", "", true, "S", "1", "Device pixels per pixel of the image, 1 to 4."},
    {"--signal", "", true, "SIGNAL", "tone",
     "The signal the window shows, as the window's signal choice offers it.", cli::ValueKind::Text,
     core::signalKindNames},
    {"--from", "", true, "F1", "20", "The sweep's start frequency in Hz."},
    {"--to", "", true, "F2", "20000", "The sweep's stop frequency in Hz."},
    {"--sync", "", false, "", "off", "A synchronized sweep."},
    {"--seed", "", true, "N", "1", "The noise's stream."},
    {"--seconds", "", true, "S", "10", "The sweep's or the noise's length in seconds, 1 to 1000."},
    {"--fade-in", "", true, "S", "0", "A raised-cosine fade at the start, in seconds."},
    {"--fade-out", "", true, "S", "0", "A raised-cosine fade at the end, in seconds."},
};

// The window's options and, from the parameter table, every other signal's
// own parameters, each once (a row shared by two signals, such as --period,
// is one option).
const std::vector<cli::OptionSpec>& allOptions()
{
    static const std::vector<cli::OptionSpec> options = [] {
        std::vector<cli::OptionSpec> list(std::begin(kOptions), std::end(kOptions));
        for (const core::SignalParamInfo& row : core::kSignalParams) {
            if (std::any_of(list.begin(), list.end(),
                            [&row](const cli::OptionSpec& o) { return o.name == row.option; }))
                continue;
            cli::OptionSpec option;
            option.name = row.option;
            option.takesValue = row.type != core::ParamType::Flag;
            switch (row.type) {
            case core::ParamType::RealList: option.valueName = "LIST"; break;
            case core::ParamType::Choice: option.valueName = "NAME"; break;
            case core::ParamType::Integer: option.valueName = "N"; break;
            case core::ParamType::Real: option.valueName = "X"; break;
            case core::ParamType::Flag: break;
            }
            option.defaultText = row.type == core::ParamType::Flag ? std::string_view("off") : row.defaultText;
            option.help = row.help;
            list.push_back(option);
        }
        return list;
    }();
    return options;
}

struct PlotOptions {
    std::string path;
    std::string freq = "400";
    std::string level = "6.0";
    int fsIndex = core::codeOf(core::SampleRate::Hz44100);
    int shape = core::codeOf(core::WaveShape::Sine);
    bool vert = false;
    bool horiz = false;
    bool labels = false;
    int width = 361;
    int height = 201;
    double scale = 1.0;
    core::SignalKind kind = core::SignalKind::Tone;
    std::string fs; // as given; empty: the window's default
    bool shapeGiven = false;
    bool freqGiven = false; // the tone's, or a burst's field
    // The texts for a signal's fields, by field name (the option without
    // its dashes); a flag's text is "1".
    std::vector<std::pair<std::string, std::string>> fields;
};

// The window's boxes as lines on stderr, each text once however many times
// the command repeats it (the toggles run the whole command again).
class StreamOkBox final : public shell::OkBox {
public:
    explicit StreamOkBox(std::ostream& stream) : err(stream) {}
    void show(std::string_view text, std::string_view title) override
    {
        if (title == core::kParameterErrorTitle)
            parameterError = true;
        if (title == core::kApplicationErrorTitle)
            failed = true;
        if (shown.emplace(std::string(title), std::string(text)).second)
            err << title << ": " << text << '\n';
    }
    bool parameterError = false;
    bool failed = false;

private:
    std::ostream& err;
    std::set<std::pair<std::string, std::string>> shown;
};

std::string usageError(std::string message)
{
    return "corvane plot: " + std::move(message);
}

// Empty on success, else what to print.
std::string parseOptions(std::span<const std::string_view> args, PlotOptions& o)
{
    cli::ParsedArgs parsed;
    if (auto refusal = cli::parseArgs(args, allOptions(), parsed))
        return usageError(std::move(*refusal));
    if (!parsed.operands.empty())
        return usageError("unknown option '" + std::string(parsed.operands.front()) + "'");
    for (const cli::ParsedOption& option : parsed.options) {
        const std::string_view name = option.name;
        const std::string_view value = option.value;
        if (name == "--vert") {
            o.vert = true;
        } else if (name == "--horiz") {
            o.horiz = true;
        } else if (name == "--labels") {
            o.labels = true;
        } else if (name == "--output") {
            if (value.empty())
                return usageError("the output file name is empty");
            o.path = std::string(value);
        } else if (name == "--freq") {
            o.freq = std::string(value);
            o.freqGiven = true;
        } else if (name == "--level") {
            o.level = std::string(value);
        } else if (name == "--width" || name == "--height") {
            const bool isWidth = name == "--width";
            const int low = isWidth ? kMinWidth : kMinHeight;
            const auto n = core::parseInteger(value);
            if (!n || *n < low || *n > kMaxSide)
                return usageError(std::string(name) + " takes a whole number from " + std::to_string(low) +
                                  " to " + std::to_string(kMaxSide) + ", not '" + std::string(value) + "'");
            (isWidth ? o.width : o.height) = *n;
        } else if (name == "--scale") {
            const auto r = core::parseReal(value);
            if (!r || !(*r >= 1.0 && *r <= kMaxScale))
                return usageError("--scale takes a number from 1 to 4, not '" + std::string(value) + "'");
            o.scale = *r;
        } else if (name == "--fs") {
            o.fs = std::string(value);
        } else if (name == "--signal") {
            const auto kind = core::signalKindOfName(value);
            if (!kind)
                return usageError("unknown signal '" + std::string(value) + "' (" + core::signalKindNames() + ")");
            o.kind = *kind;
        } else if (name == "--shape") {
            const auto code = core::waveShapeOfName(value);
            if (!code)
                return usageError("unknown shape '" + std::string(value) + "'");
            o.shape = *code;
        } else { // a field of a signal other than the tone
            const std::string field(name.substr(2));
            const bool flag = std::any_of(core::kSignalParams.begin(), core::kSignalParams.end(),
                                          [name](const core::SignalParamInfo& row) {
                                              return row.option == name && row.type == core::ParamType::Flag;
                                          });
            o.fields.emplace_back(field, flag ? std::string("1") : std::string(value));
        }
        if (name == "--shape")
            o.shapeGiven = true;
    }
    if (o.kind == core::SignalKind::Tone) {
        if (!o.fields.empty())
            return usageError("--" + o.fields.front().first + " is not an option of the tone");
        if (!o.fs.empty()) {
            const auto index = core::sampleRateIndexOfText(o.fs);
            if (!index)
                return usageError("--fs takes " + core::sampleRateList() + ", not '" + o.fs + "'");
            o.fsIndex = *index;
        }
    } else {
        // A burst has a frequency of its own.
        if (o.shapeGiven || (o.freqGiven && !session::fieldOfOption(o.kind, "--freq")))
            return usageError("--freq and --shape are options of the tone only");
        if (o.freqGiven)
            o.fields.emplace_back("freq", o.freq);
        // The signal's own table says which of its fields there are.
        for (const auto& [field, text] : o.fields) {
            const auto row = session::fieldOfOption(o.kind, "--" + field);
            if (!row)
                return usageError("--" + field + " is not an option of this signal");
            // A list of names offers nothing else to type.
            if (row->type == core::ParamType::Choice) {
                session::JobDescription scratch;
                scratch.kind = o.kind;
                if (const auto refusal = session::setField(scratch, *row, text))
                    return usageError(*refusal);
            }
        }
        o.fields.emplace_back("level", o.level);
        if (!o.fs.empty())
            o.fields.emplace_back("fs", o.fs);
    }
    if (o.path.empty())
        return usageError("no output file given (-o FILE.png)");
    // The label list goes to standard output; an image there would be mixed into it.
    if (o.labels &&
        (o.path == "-" || o.path == "/dev/stdout" || o.path == "/dev/fd/1" || o.path == "/proc/self/fd/1"))
        return usageError("--labels prints on standard output, so the image must go to a file");
    return {};
}

// Qt's notes about the missing screen and session are no business of a
// command-line user; real trouble still gets through.
void quietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "corvane plot: %s\n", message.toLocal8Bit().constData());
}

} // namespace

std::vector<cli::OptionSpec> plotOptions()
{
    return allOptions();
}

int runPlot(std::span<const std::string_view> args, std::ostream& out, std::ostream& err)
{
    if (cli::wantsHelp(args, allOptions())) {
        out << plotUsage();
        return cli::Ok;
    }
    PlotOptions o;
    if (const std::string refusal = parseOptions(args, o); !refusal.empty()) {
        err << refusal << '\n' << plotUsage();
        return cli::UsageError;
    }

    const QtMessageHandler previousHandler = qInstallMessageHandler(quietQtMessages);
    const auto app = ensureApplication();
    // Numbers on the command line are written with '.', whatever the locale,
    // and the labels come out the same way.
    const QLocale userLocale;
    QLocale::setDefault(QLocale::c());
    int result = cli::Ok;
    {
        StreamOkBox box(err);
        windows::TMainForm form(box);
        // No one is there to watch a progress window or cancel it.
        form.setImmediateDisplayFrames(std::numeric_limits<long long>::max());
        form.show();
        if (o.kind != core::SignalKind::Tone) {
            // The signal's fields take the texts as typed, as a user types them.
            auto* choice = form.findChild<QComboBox*>(QStringLiteral("SignalSelect"));
            choice->setCurrentIndex(choice->findData(static_cast<int>(o.kind)));
            for (const auto& [field, text] : o.fields) {
                QWidget* editor = form.findChild<QWidget*>(QString::fromStdString(field));
                if (auto* edit = qobject_cast<QLineEdit*>(editor))
                    edit->setText(QString::fromStdString(text));
                else if (auto* list = qobject_cast<QComboBox*>(editor); list != nullptr && list->isEditable())
                    list->setEditText(QString::fromStdString(text));
                else if (list != nullptr)
                    list->setCurrentIndex(list->findText(QString::fromStdString(text)));
                else if (auto* check = qobject_cast<QCheckBox*>(editor))
                    check->setChecked(text == "1");
            }
        }
        form.setPlotPixelRatio(o.scale);
        if (o.width != windows::TMainForm::kDefaultCanvasSize.width() ||
            o.height != windows::TMainForm::kDefaultCanvasSize.height())
            form.setCanvasSize(QSize(o.width, o.height));
        if (o.kind == core::SignalKind::Tone)
            form.setSignalParameters(QString::fromStdString(o.freq), QString::fromStdString(o.level), o.fsIndex,
                                     o.shape);
        form.DrawButtonClick();
        if (o.vert)
            form.AutoScaleButtonClick();
        if (o.horiz)
            form.HorizExpandClick();

        if (box.parameterError) {
            result = cli::UsageError;
        } else if (box.failed) {
            result = cli::Failed;
        } else {
            result = writePng(form.plotAreaImage(), o.path, "plot", err);
            if (result == cli::Ok && o.labels) {
                for (const QLabel* label : form.scaleLabels()) {
                    if (label->isHidden())
                        continue;
                    const QPoint p = form.windowPosition(label);
                    out << label->objectName().toStdString() << '\t' << p.x() << '\t' << p.y() << '\t'
                        << label->text().toStdString() << '\n';
                }
            }
        }
    }
    QLocale::setDefault(userLocale);
    qInstallMessageHandler(previousHandler);
    return result;
}

std::span<const cli::Subcommand> windowCommands()
{
    static const cli::Subcommand kCommands[] = {
        {"plot", "draw the window's plot of a tone to a PNG file", plotUsage, runPlot, plotOptions},
        {"response", "write a measured impulse response's frequency response as CSV, FRD or a PNG chart",
         cli::responseUsage, runResponseCommand, cli::responseOptions, "IR.WAV"},
        {"distortion", "write a recorded sweep's harmonic distortion as CSV or a PNG chart", cli::distortionUsage,
         runDistortionCommand, cli::distortionOptions, "RECORDING"},
        {"measure", "play a sweep and record it in one run, and write the impulse response", cli::measureUsage,
         runMeasureCommand, cli::measureOptions},
    };
    return kCommands;
}

} // namespace corvane::app
