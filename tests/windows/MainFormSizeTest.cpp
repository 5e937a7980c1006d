#include "plot/WaveDisplay.h"
#include "support/RecordingBoxes.h"
#include "widgets/WaveDraw.h"
#include "windows/TMainForm.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>

#include <string>

using namespace corvane;

namespace {

bool isGrey(QRgb p)
{
    return qRed(p) == 128 && qGreen(p) == 128 && qBlue(p) == 128;
}
bool isGreen(QRgb p)
{
    return qRed(p) == 0 && qGreen(p) == 255 && qBlue(p) == 0;
}

QPoint labelAt(const windows::TMainForm& form, const char* name)
{
    const auto* label = form.findChild<QLabel*>(QString::fromLatin1(name));
    EXPECT_NE(label, nullptr) << name;
    EXPECT_FALSE(label == nullptr || label->isHidden()) << name;
    return label != nullptr ? form.windowPosition(label) : QPoint();
}

// Resizes a shown window and waits, at most a second, for the plot to follow.
bool resizeAndWait(windows::TMainForm& form, QSize windowSize, QSize canvasSize)
{
    form.resize(windowSize);
    QElapsedTimer timer;
    timer.start();
    while (form.waveCanvas().size() != canvasSize && timer.elapsed() < 1000)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    return form.waveCanvas().size() == canvasSize;
}

// The default display laid out at a larger plot: the X grid at multiples of
// 2.5 ms over 20 ms is column trunc(k / 8 * W + 0.5), the Y grid at -5, 0, 5
// over -10..10 is row trunc(H - (v + 10) / 20 * H), and each label stands
// beside its line (X: 17 pixels left of the column, 8 below the plot; left
// Y: 6 pixels above the row, which getYpos rounds half up).
TEST(MainFormSize, LargerPlotsFollowTheMappingRules)
{
    struct Case {
        const char* name;
        QSize canvas;
        int columns[7];
        int rows[3];
    };
    const Case cases[] = {
        {"800x400", {800, 400}, {100, 200, 300, 400, 500, 600, 700}, {300, 200, 100}},
        {"1201x601", {1201, 601}, {150, 300, 450, 601, 751, 901, 1051}, {450, 300, 150}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingBoxes box;
        windows::TMainForm form(box);
        form.show();
        form.setCanvasSize(c.canvas);
        form.DrawButtonClick();
        ASSERT_TRUE(box.shown.empty());
        const int w = c.canvas.width();
        const int h = c.canvas.height();
        EXPECT_EQ(form.windowPosition(&form.waveCanvas()), QPoint(40, 48));
        EXPECT_EQ(form.size(), windows::TMainForm::kDefaultSize + (c.canvas - QSize(361, 201)));
        const QImage picture = form.waveCanvas().picture();
        ASSERT_EQ(picture.size(), c.canvas);
        for (int k = 0; k < 7; ++k) {
            EXPECT_TRUE(isGrey(picture.pixel(c.columns[k], 2))) << k;
            EXPECT_FALSE(isGrey(picture.pixel(c.columns[k] + 1, 2))) << k;
            EXPECT_EQ(labelAt(form, ("LX" + std::to_string(k + 1)).c_str()),
                      QPoint(40 + c.columns[k] - 17, 48 + h + 8));
        }
        // A thirty-second of the span in, the sine is at its peak, off the rows.
        for (int i = 0; i < 3; ++i)
            EXPECT_TRUE(isGrey(picture.pixel(w / 32, c.rows[i]))) << i;
        EXPECT_EQ(labelAt(form, "LX0"), QPoint(23, 48 + h + 8));
        EXPECT_EQ(labelAt(form, "LX8"), QPoint(40 + w - 17, 48 + h + 8));
        EXPECT_EQ(labelAt(form, "LYL0").y(), 48 + h - 6); // -10 at the bottom
        EXPECT_EQ(labelAt(form, "LYL4").y(), 48 - 6); // 10 at the top
        EXPECT_EQ(labelAt(form, "TXL"), QPoint(40 + w / 2 - 80, 48 + h + 24));
        // The last sample lies beyond the right edge, so the trace reaches it.
        bool green = false;
        for (int y = 0; y < h; ++y)
            green = green || isGreen(picture.pixel(w - 1, y));
        EXPECT_TRUE(green);
        // The controls right of the plot keep their distance from the edge.
        const auto* draw = form.findChild<QPushButton*>(QStringLiteral("DrawButton"));
        ASSERT_NE(draw, nullptr);
        EXPECT_EQ(form.windowPosition(draw), QPoint(464 + w - 361, 176));
    }
}

// Dragging the window larger replays the plot at the new size exactly as a
// plot made at that size; back at the first size it is the first picture
// again, however often it was resized.
TEST(MainFormSize, AResizeReplaysTheHistoryAtTheNewSize)
{
    RecordingBoxes box;
    windows::TMainForm fresh(box);
    fresh.show();
    fresh.setCanvasSize({800, 400});
    fresh.DrawButtonClick();
    const QImage expectedLarge = fresh.plotAreaImage();

    windows::TMainForm form(box);
    form.show();
    form.DrawButtonClick();
    const QImage original = form.plotAreaImage();
    const QSize large = windows::TMainForm::kDefaultSize + QSize(800 - 361, 400 - 201);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(resizeAndWait(form, large, {800, 400}));
        EXPECT_EQ(form.plotAreaImage(), expectedLarge);
        EXPECT_EQ(form.display()->historyCount(), 3);
        ASSERT_TRUE(resizeAndWait(form, large - QSize(100, 50), {700, 350}));
        ASSERT_TRUE(resizeAndWait(form, windows::TMainForm::kDefaultSize, {361, 201}));
        EXPECT_EQ(form.plotAreaImage(), original);
    }
    // Below the default size the window does not go.
    form.resize(300, 200);
    QApplication::processEvents();
    EXPECT_EQ(form.waveCanvas().size(), QSize(361, 201));
    EXPECT_TRUE(box.shown.empty());
}

TEST(MainFormSize, PlotAreaImageAtTwiceThePixels)
{
    RecordingBoxes box;
    windows::TMainForm form(box);
    form.show();
    form.setPlotPixelRatio(1.0);
    form.DrawButtonClick();
    const QImage single = form.plotAreaImage();
    form.setPlotPixelRatio(2.0);
    const QImage twice = form.plotAreaImage();
    EXPECT_EQ(twice.size(), single.size() * 2);
    EXPECT_EQ(twice.devicePixelRatio(), 2.0);
    // The X grid at 2.5 ms is window column 40 + 45: device columns 170, 171.
    EXPECT_TRUE(isGrey(twice.pixel(170, 2 * 55)));
    EXPECT_TRUE(isGrey(twice.pixel(171, 2 * 55)));
    EXPECT_FALSE(isGrey(twice.pixel(169, 2 * 55)));
    EXPECT_FALSE(isGrey(twice.pixel(172, 2 * 55)));
}

TEST(MainFormGeometry, FitToScreen)
{
    const QRect screen(0, 0, 1920, 1080);
    const QSize minimum = windows::TMainForm::kDefaultSize;
    struct Case {
        const char* name;
        QRect wanted;
        QRect fitted;
    };
    const Case cases[] = {
        {"Inside", {228, 127, 611, 305}, {228, 127, 611, 305}},
        {"OffTheRight", {1800, 100, 700, 400}, {1220, 100, 700, 400}},
        {"AboveAndLeft", {-50, -20, 700, 400}, {0, 0, 700, 400}},
        {"LargerThanTheScreen", {-100, -100, 3000, 2000}, {0, 0, 1920, 1080}},
        {"BelowTheMinimum", {10, 10, 100, 100}, {10, 10, 611, 305}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(windows::TMainForm::fitToScreen(c.wanted, screen, minimum), c.fitted) << c.name;
    // A screen that is offset, as a second monitor is.
    EXPECT_EQ(windows::TMainForm::fitToScreen({0, 0, 700, 400}, {1920, 0, 1280, 1024}, minimum),
              QRect(1920, 0, 700, 400));
}

TEST(MainFormGeometry, SavedOnCloseAndRestoredWithinTheScreen)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("corvane.conf"));
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    RecordingBoxes box;
    {
        // Nothing saved: the window opens where it always did.
        QSettings settings(path, QSettings::IniFormat);
        windows::TMainForm form(box);
        form.restoreWindowGeometry(settings);
        EXPECT_EQ(QRect(form.pos(), form.size()),
                  windows::TMainForm::fitToScreen({228, 127, 611, 305}, available, {611, 305}));
        form.show();
        form.move(available.topLeft() + QPoint(10, 20));
        form.resize(650, 320);
        QApplication::processEvents();
        form.close();
    }
    {
        QSettings settings(path, QSettings::IniFormat);
        windows::TMainForm form(box);
        form.restoreWindowGeometry(settings);
        EXPECT_EQ(QRect(form.pos(), form.size()), QRect(available.topLeft() + QPoint(10, 20), QSize(650, 320)));

        // A geometry saved on a larger screen comes back on this one.
        settings.setValue(QStringLiteral("mainWindow/geometry"),
                          QRect(available.right() + 500, -400, available.width() + 900, 300));
        form.restoreWindowGeometry(settings);
        EXPECT_TRUE(available.contains(QRect(form.pos(), form.size()))) << form.pos().x() << "," << form.pos().y();
        EXPECT_EQ(form.size(), QSize(available.width(), 305));
    }
    EXPECT_TRUE(box.shown.empty());
}

} // namespace
