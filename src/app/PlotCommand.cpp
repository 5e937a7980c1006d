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
#include "shell/DisplayWave.h"
#include "shell/OkBox.h"
#include "wavio/ReplaceFile.h"
#include "windows/TMainForm.h"

#include <QApplication>
#include <QBuffer>
#include <QImageWriter>
#include <QLabel>
#include <QLocale>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <utility>

namespace corvane::app {

namespace {

constexpr int kMinWidth = 120;
constexpr int kMinHeight = 80;
constexpr int kMaxSide = 4000;
constexpr double kMaxScale = 4.0;

} // namespace

std::string plotUsage()
{
    return "usage: corvane plot -o FILE.png [--freq HZ] [--level DB] [--fs HZ] [--shape SHAPE]\n"
           "                    [--vert] [--horiz] [--labels] [--width W] [--height H] [--scale S]\n"
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
    {"--fs", "", true, "HZ", "44100", "One of the window's sampling rates.", cli::ValueKind::Text,
     core::sampleRateList},
    {"--shape", "", true, "SHAPE", "sine", "The waveshape, by name or as its number 0 to 5.", cli::ValueKind::Text,
     core::waveShapeNames},
    {"--vert", "", false, "", "", "Then presses the window's \"Vert. Expand\"."},
    {"--horiz", "", false, "", "", "Then presses the window's \"Horiz. Expand\"."},
    {"--labels", "", false, "", "",
     "Prints each visible scale label: name, left, top and text, tab-separated (in window pixels)."},
    {"--width", "", true, "W", "361", "The plot's width in pixels, 120 to 4000."},
    {"--height", "", true, "H", "201", "The plot's height in pixels, 80 to 4000."},
    {"--scale", "", true, "S", "1", "Device pixels per pixel of the image, 1 to 4."},
};

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
    if (auto refusal = cli::parseArgs(args, kOptions, parsed))
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
            const auto index = core::sampleRateIndexOfText(value);
            if (!index)
                return usageError("--fs takes " + core::sampleRateList() + ", not '" + std::string(value) + "'");
            o.fsIndex = *index;
        } else { // --shape
            const auto code = core::waveShapeOfName(value);
            if (!code)
                return usageError("unknown shape '" + std::string(value) + "'");
            o.shape = *code;
        }
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
    return {std::begin(kOptions), std::end(kOptions)};
}

int runPlot(std::span<const std::string_view> args, std::ostream& out, std::ostream& err)
{
    if (cli::wantsHelp(args, kOptions)) {
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
        form.show();
        form.setPlotPixelRatio(o.scale);
        if (o.width != windows::TMainForm::kDefaultCanvasSize.width() ||
            o.height != windows::TMainForm::kDefaultCanvasSize.height())
            form.setCanvasSize(QSize(o.width, o.height));
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
    };
    return kCommands;
}

} // namespace corvane::app
