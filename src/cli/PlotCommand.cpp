#include "cli/PlotCommand.h"

#include "app/DisplayWave.h"
#include "app/OkBox.h"
#include "app/TMainForm.h"
#include "cli/ExportCommand.h"
#include "cli/NumberText.h"

#include <QApplication>
#include <QComboBox>
#include <QImageWriter>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <utility>

namespace cli {

const char* const kPlotUsage =
    "usage: corvane plot -o FILE.png [--freq HZ] [--level DB] [--fs HZ] [--shape SHAPE]\n"
    "                    [--vert] [--horiz] [--labels]\n"
    "  SHAPE: sine, step+, step-, square, pulse+, pulse- (or 0 to 5)\n"
    "  --vert, --horiz: the window's \"Vert. Expand\" and \"Horiz. Expand\"\n"
    "  --labels: print each visible scale label: name, left, top, text (tab-separated)\n";

namespace {

constexpr std::array<std::string_view, 6> kShapeNames = {"sine", "step+", "step-", "square", "pulse+", "pulse-"};
constexpr std::array<std::string_view, 5> kRateItems = {"8000", "11025", "22050", "44100", "48000"};

struct PlotOptions {
    std::string path;
    std::string freq = "400";
    std::string level = "6.0";
    int fsIndex = 3;
    int shape = 0;
    bool vert = false;
    bool horiz = false;
    bool labels = false;
};

// The window's boxes as lines on stderr, each text once however many times
// the command repeats it (the toggles run the whole command again).
class StreamOkBox final : public OkBox {
public:
    explicit StreamOkBox(std::ostream& stream) : err(stream) {}
    void show(std::string_view text, std::string_view title) override
    {
        if (title == corvane::kParameterErrorTitle)
            parameterError = true;
        if (title == corvane::kApplicationErrorTitle)
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
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view name = args[i];
        if (name == "--vert") {
            o.vert = true;
            continue;
        }
        if (name == "--horiz") {
            o.horiz = true;
            continue;
        }
        if (name == "--labels") {
            o.labels = true;
            continue;
        }
        const bool known = name == "-o" || name == "--output" || name == "--freq" || name == "--level" ||
                           name == "--fs" || name == "--shape";
        if (!known)
            return usageError("unknown option '" + std::string(name) + "'");
        if (i + 1 >= args.size())
            return usageError("option '" + std::string(name) + "' needs a value");
        const std::string_view value = args[++i];
        if (name == "-o" || name == "--output") {
            if (value.empty())
                return usageError("the output file name is empty");
            o.path = std::string(value);
        } else if (name == "--freq") {
            o.freq = std::string(value);
        } else if (name == "--level") {
            o.level = std::string(value);
        } else if (name == "--fs") {
            o.fsIndex = -1;
            for (std::size_t k = 0; k < kRateItems.size(); ++k)
                if (value == kRateItems[k])
                    o.fsIndex = static_cast<int>(k);
            if (o.fsIndex < 0)
                return usageError("--fs takes 8000, 11025, 22050, 44100 or 48000, not '" + std::string(value) + "'");
        } else {
            o.shape = -1;
            for (std::size_t k = 0; k < kShapeNames.size(); ++k)
                if (value == kShapeNames[k])
                    o.shape = static_cast<int>(k);
            if (const auto code = parseInteger(value); code && *code >= 0 && *code < 6)
                o.shape = *code;
            if (o.shape < 0)
                return usageError("unknown shape '" + std::string(value) + "'");
        }
    }
    if (o.path.empty())
        return usageError("no output file given (-o FILE.png)");
    return {};
}

// Qt's notes about the missing screen and session are no business of a
// command-line user; real trouble still gets through.
void quietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "corvane plot: %s\n", message.toLocal8Bit().constData());
}

// The window needs an application object; a test process may have one.
std::unique_ptr<QApplication> ensureApplication()
{
    if (QApplication::instance() != nullptr)
        return nullptr;
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "corvane";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QApplication>(argc, argv);
}

} // namespace

int runPlot(std::span<const std::string_view> args, std::ostream& out, std::ostream& err)
{
    for (const auto a : args) {
        if (a == "-h" || a == "--help") {
            out << kPlotUsage;
            return Ok;
        }
    }
    PlotOptions o;
    if (const std::string refusal = parseOptions(args, o); !refusal.empty()) {
        err << refusal << '\n' << kPlotUsage;
        return UsageError;
    }

    const QtMessageHandler previousHandler = qInstallMessageHandler(quietQtMessages);
    const auto app = ensureApplication();
    // Numbers on the command line are written with '.', whatever the locale,
    // and the labels come out the same way.
    const QLocale userLocale;
    QLocale::setDefault(QLocale::c());
    int result = Ok;
    {
        StreamOkBox box(err);
        TMainForm form(box);
        form.show();
        form.SigFreq->setText(QString::fromStdString(o.freq));
        form.SigLevel->setText(QString::fromStdString(o.level));
        form.FsSelect->setCurrentIndex(o.fsIndex);
        form.WaveSelect->setCurrentIndex(o.shape);
        form.DrawButtonClick();
        if (o.vert)
            form.AutoScaleButtonClick();
        if (o.horiz)
            form.HorizExpandClick();

        if (box.parameterError) {
            result = UsageError;
        } else if (box.failed) {
            result = Failed;
        } else {
            QImageWriter writer(QString::fromStdString(o.path), "png");
            if (!writer.write(form.plotAreaImage())) {
                err << "corvane plot: cannot write '" << o.path << "': " << writer.errorString().toStdString()
                    << '\n';
                result = Failed;
            } else if (o.labels) {
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

} // namespace cli
