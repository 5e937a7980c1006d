#include "app/ChartCommands.h"

#include "app/PngOutput.h"
#include "cli/ExitCode.h"
#include "plot/PlotCanvas.h"
#include "plot/WaveDisplay.h"
#include "widgets/ImageSurface.h"
#include "widgets/LabelAdapter.h"

#include <QApplication>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QWidget>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

namespace corvane::app {

namespace {

// Where the plot stands in the picture: room for the dB labels on the left,
// the frequency labels and title below, the key above.
constexpr int kLeft = 56;
constexpr int kTop = 28;
constexpr int kRight = 24;
constexpr int kBottom = 48;

constexpr plot::Colour kBackground = plot::rgb(255, 255, 255);
constexpr plot::Colour kGrid = plot::rgb(200, 200, 200);
constexpr std::array<plot::Colour, 8> kTraceColours{
    plot::rgb(0, 0, 200),   plot::rgb(200, 0, 0),   plot::rgb(0, 140, 0),  plot::rgb(200, 120, 0),
    plot::rgb(140, 0, 160), plot::rgb(0, 150, 150), plot::rgb(90, 90, 90), plot::rgb(160, 100, 60),
};

struct ValueRange {
    double bottom = -1.0;
    double top = 1.0;
};

// Whole multiples of 10 dB around the finite values (6 dB more at least),
// at most 120 dB deep: a harmonic far down in the rounding noise would
// otherwise squeeze the ones that matter into a few pixels.
ValueRange valueRange(const cli::FrequencyChart& chart)
{
    double lo = HUGE_VAL;
    double hi = -HUGE_VAL;
    for (const auto& trace : chart.traces)
        for (const double v : trace.values)
            if (std::isfinite(v) && v > -300.0) {
                lo = std::min(lo, v);
                hi = std::max(hi, v);
            }
    if (!(lo <= hi))
        return {-60.0, 0.0};
    constexpr double kDeepestDb = 120.0;
    ValueRange r{std::floor((lo - 3.0) / 10.0) * 10.0, std::ceil((hi + 3.0) / 10.0) * 10.0};
    r.bottom = std::max(r.bottom, r.top - kDeepestDb);
    if (r.top - r.bottom < 20.0)
        r.top = r.bottom + 20.0;
    return r;
}

} // namespace

QImage drawFrequencyChart(const cli::FrequencyChart& chart, const cli::ChartSize& size)
{
    // The labels read their numbers with '.', as every text output does.
    const QLocale userLocale;
    QLocale::setDefault(QLocale::c());
    QWidget frame;
    frame.resize(kLeft + size.width + kRight, kTop + size.height + kBottom);
    // Shown (offscreen), so the labels lay out their text as in a window.
    frame.setAttribute(Qt::WA_DontShowOnScreen);
    frame.show();
    std::vector<std::unique_ptr<widgets::LabelAdapter>> adapters;
    std::vector<QLabel*> labels;
    const auto adapt = [&](void) {
        // Like the window's labels, these start with a text: a fixed-width
        // number label keeps the width it was fitted to before it went fixed.
        auto* label = new QLabel(QStringLiteral("00000000"), &frame);
        labels.push_back(label);
        adapters.push_back(std::make_unique<widgets::LabelAdapter>(label));
        return adapters.back().get();
    };
    std::array<plot::PlotLabel*, plot::PlotCanvas::kXLabelSlots> x{};
    for (auto& slot : x)
        slot = adapt();
    std::array<plot::PlotLabel*, plot::PlotCanvas::kYLabelSlots> yl{};
    for (auto& slot : yl)
        slot = adapt();
    std::array<plot::PlotLabel*, plot::PlotCanvas::kYLabelSlots> yr{};

    widgets::ImageSurface surface;
    // The canvas takes its drawing origin from the bounds it is built on, as
    // the window's plot does before it is moved into place: pixels on the
    // surface count from the plot's corner, labels from the picture's.
    surface.setBounds({0, 0, size.width, size.height});
    surface.setPixelRatio(size.scale);
    plot::PlotCanvas canvas(surface);
    surface.setBounds({kLeft, kTop, size.width, size.height});
    canvas.setDecimalSeparator(".");
    canvas.copyXScaleLabels(x);
    canvas.copyYLScaleLabels(yl);
    canvas.copyYRScaleLabels(yr);
    canvas.copyTitleLabels(adapt(), adapt(), nullptr);
    plot::WaveDisplay display(canvas, plot::PlotCanvas::kXLabelSlots, plot::PlotCanvas::kYLabelSlots, 0);
    display.initScreen(kBackground, kGrid, kGrid);

    const double fLow = chart.frequencyHz.empty() ? 10.0 : chart.frequencyHz.front();
    const double fHigh = chart.frequencyHz.empty() ? 20000.0 : chart.frequencyHz.back();
    display.setXGridAndScaleLog("Frequency [Hz]", fLow, std::max(fHigh, fLow * 1.001));
    const ValueRange range = valueRange(chart);
    double interval = 0.0;
    for (const int divisions : {10, 8, 6, 4})
        if ((interval = display.calcGridInterval(divisions, range.bottom, range.top)) > 0.0 &&
            (range.top - range.bottom) / interval >= 2.0)
            break;
    display.setYGridAndScale(chart.valueUnit.empty() ? "dB" : "[" + chart.valueUnit + "]", 0, range.top,
                             range.bottom, interval, 0);

    // The points lie on a logarithmic grid, so each segment is drawn with
    // its own ends: a trace's samples are otherwise spaced evenly in hertz.
    for (std::size_t t = 0; t < chart.traces.size(); ++t) {
        const plot::Colour colour = kTraceColours[t % kTraceColours.size()];
        const auto& values = chart.traces[t].values;
        const std::size_t n = std::min(values.size(), chart.frequencyHz.size());
        for (std::size_t i = 0; i + 1 < n; ++i) {
            if (!std::isfinite(values[i]) || !std::isfinite(values[i + 1]))
                continue;
            const double pair[2] = {std::max(values[i], range.bottom - 1.0),
                                    std::max(values[i + 1], range.bottom - 1.0)};
            canvas.draw(pair, 1.0, 0.0, chart.frequencyHz[i], chart.frequencyHz[i + 1], 2, colour, 0);
        }
        if (chart.traces.size() > 1)
            canvas.TextOnCanvas(6 + 40 * static_cast<int>(t), 4, chart.traces[t].name, colour);
    }

    const QImage& picture = surface.image();
    const qreal ratio = picture.devicePixelRatio();
    QRect area(QPoint(0, 0), frame.size());
    const QSize logical = area.size();
    QImage image(QSize(static_cast<int>(std::ceil(logical.width() * ratio)),
                       static_cast<int>(std::ceil(logical.height() * ratio))),
                 QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.drawImage(QPoint(kLeft, kTop), picture);
        for (QLabel* label : labels)
            if (!label->isHidden())
                label->render(&painter, label->pos(), QRegion(), QWidget::DrawChildren);
    }
    QLocale::setDefault(userLocale);
    return image;
}

namespace {

// Qt's notes about the missing screen and session are no business of a
// command-line user; real trouble still gets through.
void quietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "corvane: %s\n", message.toLocal8Bit().constData());
}

bool encodeChart(const cli::FrequencyChart& chart, const cli::ChartSize& size, std::string& png, std::string& why)
{
    const QtMessageHandler previousHandler = qInstallMessageHandler(quietQtMessages);
    bool drawn = false;
    {
        const auto application = ensureApplication();
        drawn = encodePng(drawFrequencyChart(chart, size), png, why);
    }
    qInstallMessageHandler(previousHandler);
    return drawn;
}

int writeChart(const cli::FrequencyChart& chart, const cli::ChartSize& size, const std::string& path,
               const std::string& command, std::ostream& err)
{
    const QtMessageHandler previousHandler = qInstallMessageHandler(quietQtMessages);
    int result = cli::Ok;
    {
        const auto application = ensureApplication();
        result = writePng(drawFrequencyChart(chart, size), path, command, err);
    }
    qInstallMessageHandler(previousHandler);
    return result;
}

} // namespace

int writeFrequencyChart(const cli::FrequencyChart& chart, const cli::ChartSize& size, const std::string& path,
                        std::ostream& err)
{
    return writeChart(chart, size, path, "chart", err);
}

int runResponseCommand(std::span<const std::string_view> args, std::ostream& out, std::ostream& err)
{
    return cli::runResponse(args, out, err,
                            [](const cli::FrequencyChart& chart, const cli::ChartSize& size,
                               const std::string& path,
                               std::ostream& e) { return writeChart(chart, size, path, "response", e); });
}

int runDistortionCommand(std::span<const std::string_view> args, std::ostream& out, std::ostream& err)
{
    return cli::runDistortion(args, out, err,
                              [](const cli::FrequencyChart& chart, const cli::ChartSize& size,
                                 const std::string& path,
                                 std::ostream& e) { return writeChart(chart, size, path, "distortion", e); });
}

int runMeasureCommand(std::span<const std::string_view> args, std::ostream& out, std::ostream& err)
{
    return cli::runMeasure(args, out, err, encodeChart);
}

} // namespace corvane::app
