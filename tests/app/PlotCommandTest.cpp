#include "core/CodeSets.h"
#include "support/Process.h"
#include "support/RecordingBoxes.h"
#include "windows/TMainForm.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QTemporaryDir>

#include <algorithm>
#include <string>
#include <vector>

namespace {

bool isGreen(QRgb p)
{
    return qRed(p) == 0 && qGreen(p) == 255 && qBlue(p) == 0;
}
bool isGrey(QRgb p)
{
    return qRed(p) == 128 && qGreen(p) == 128 && qBlue(p) == 128;
}

struct PlotCommand : ::testing::Test {
    std::string png(const char* name) const { return folder.filePath(name).toStdString(); }
    QTemporaryDir folder;
};

TEST_F(PlotCommand, DefaultsGiveTheWindowsPlotAtItsPlace)
{
    const std::string path = png("plot.png");
    const ProcessResult r = runProcess(CORVANE_EXE, {"plot", "-o", path, "--labels"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const QImage image(QString::fromStdString(path));
    ASSERT_FALSE(image.isNull());
    // The canvas covers window pixels 40..400 x 48..248; the picture reaches
    // at least that far, with labels beneath it.
    ASSERT_GE(image.width(), 401);
    ASSERT_GE(image.height(), 249 + 20);
    int inside = 0;
    int outside = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (!isGreen(image.pixel(x, y)))
                continue;
            const bool onCanvas = x >= 40 && x <= 400 && y >= 48 && y <= 248;
            ++(onCanvas ? inside : outside);
        }
    }
    EXPECT_GT(inside, 300);
    EXPECT_EQ(outside, 0);
    // X grid at 2.5 ms is canvas column 45; Y grid at +5 is canvas row 50.
    EXPECT_TRUE(isGrey(image.pixel(40 + 45, 48 + 5)));
    EXPECT_TRUE(isGrey(image.pixel(40 + 200, 48 + 50)));
    EXPECT_EQ(qRgb(0, 0, 0), image.pixel(40 + 44, 48 + 5) | 0xFF000000u);
    EXPECT_NE(image.pixel(20, 20), image.pixel(60, 60)); // window background beside the black plot

    // X values sit 8 pixels below the plot, centred on their grid lines.
    EXPECT_NE(r.out.find("LX0\t23\t257\t0\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("LX1\t68\t257\t2.5m\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("LX8\t384\t257\t20m\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\t10\n"), std::string::npos);
    EXPECT_NE(r.out.find("TXL\t"), std::string::npos);
    EXPECT_NE(r.out.find("\tTime [second]\n"), std::string::npos);
    EXPECT_EQ(r.out.find("LX9"), std::string::npos);
    EXPECT_EQ(r.out.find("LYR"), std::string::npos);
    EXPECT_EQ(r.err.find("Warning"), std::string::npos) << r.err;
}

TEST_F(PlotCommand, RefusalsAndWarnings)
{
    struct Case {
        const char* name;
        std::vector<std::string> args;
        int exitCode;
        const char* err;
        bool written;
    };
    const Case cases[] = {
        {"FreqTooLow", {"--freq", "0.5"}, 2, "Parameter Error: Signal Freq. should be 1.0Hz or more.\n", false},
        {"FreqAtHalfRate",
         {"--fs", "8000", "--freq", "4000"},
         2,
         "Parameter Error: Signal Freq. should be less than the half of the sampling frequency.\n",
         false},
        {"LevelText", {"--level", "loud"}, 2, "Parameter Error: Only a valid value can be accepted.\n", false},
        {"UnknownRate", {"--fs", "96000"}, 2, "--fs takes", false},
        {"UnknownShape", {"--shape", "saw"}, 2, "unknown shape", false},
        {"WidthBelow120",
         {"--width", "119"},
         2,
         "--width takes a whole number from 120 to 4000, not '119'",
         false},
        {"WidthAbove4000", {"--width=4001"}, 2, "--width takes", false},
        {"WidthNotWhole", {"--width", "500.5"}, 2, "--width takes", false},
        {"HeightBelow80", {"--height", "79"}, 2, "--height takes a whole number from 80 to 4000, not '79'", false},
        {"HeightAbove4000", {"--height", "4001"}, 2, "--height takes", false},
        {"ScaleBelowOne", {"--scale", "0.5"}, 2, "--scale takes a number from 1 to 4, not '0.5'", false},
        {"ScaleAboveFour", {"--scale", "4.01"}, 2, "--scale takes", false},
        {"ScaleNotANumber", {"--scale", "nan"}, 2, "--scale takes", false},
        {"ScaleInfinite", {"--scale", "inf"}, 2, "--scale takes", false},
        // The label list and an image on standard output would mix.
        {"LabelsWithImageOnStdout", {"-o", "-", "--labels"}, 2, "--labels prints on standard output", false},
        // Each toggle runs the command again; the warning is printed once.
        {"ClipWarningOnce",
         {"--level", "25", "--vert", "--horiz", "--shape", "step+"},
         0,
         "Warning: More than +20dB will make clipped signal in PCM formats.\n",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = png((std::string(c.name) + ".png").c_str());
        std::vector<std::string> args = {"plot", "-o", path};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const ProcessResult r = runProcess(CORVANE_EXE, args);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        if (c.exitCode == 0)
            EXPECT_EQ(r.err, c.err);
        else
            EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
        EXPECT_EQ(QFile::exists(QString::fromStdString(path)), c.written);
    }
}

// The smallest and a larger plot: grid lines where the mapping puts them for
// that size, labels beside them, and the scale multiplying the pixels only.
TEST_F(PlotCommand, SizeAndScale)
{
    struct Case {
        const char* name;
        int width, height, scale;
        // X grid at 2.5 ms is column trunc(W / 8 + 0.5); Y grid at +5 is row
        // trunc(H - 15 / 20 * H); LX1's left is 40 + that column - 17.
        int gridColumn, gridRow;
        const char* lx1;
    };
    const Case cases[] = {
        {"Smallest", 120, 80, 1, 15, 20, "LX1\t38\t136\t2.5m\n"},
        {"Wide", 1200, 600, 1, 150, 150, "LX1\t173\t656\t2.5m\n"},
        {"WideTwice", 1200, 600, 2, 150, 150, "LX1\t173\t656\t2.5m\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = png((std::string(c.name) + ".png").c_str());
        const ProcessResult r =
            runProcess(CORVANE_EXE, {"plot", "-o", path, "--labels", "--width", std::to_string(c.width),
                                     "--height", std::to_string(c.height), "--scale", std::to_string(c.scale)});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(r.out.find(c.lx1), std::string::npos) << r.out;
        const QImage image(QString::fromStdString(path));
        ASSERT_FALSE(image.isNull());
        // The picture reaches past the canvas's right and lower edges.
        ASSERT_GE(image.width(), (40 + c.width) * c.scale);
        ASSERT_GE(image.height(), (48 + c.height) * c.scale);
        EXPECT_EQ(image.width() % c.scale, 0);
        const auto at = [&](int x, int y) { return image.pixel((40 + x) * c.scale, (48 + y) * c.scale); };
        EXPECT_TRUE(isGrey(at(c.gridColumn, 3)));
        EXPECT_FALSE(isGrey(at(c.gridColumn - 1, 3)));
        EXPECT_TRUE(isGrey(at(c.gridColumn + 5, c.gridRow)));
        EXPECT_FALSE(isGrey(at(c.gridColumn + 5, c.gridRow + 1)));
        // Each logical pixel of a line is scale device pixels wide.
        EXPECT_TRUE(isGrey(image.pixel((40 + c.gridColumn) * c.scale + c.scale - 1, (48 + 3) * c.scale)));
        // The trace runs to the right edge (its last sample lies beyond it).
        bool greenAtRightEdge = false;
        for (int y = 0; y < c.height; ++y)
            greenAtRightEdge = greenAtRightEdge || isGreen(at(c.width - 1, y));
        EXPECT_TRUE(greenAtRightEdge);
    }
}

TEST_F(PlotCommand, ExpandedStepFillsThePlotHeight)
{
    // Step [0,1] at 0 dB expanded: range -0.1 to 1.1, so the high level sits
    // a twelfth below the top: canvas row 200 / 12 = 17.
    const std::string path = png("step.png");
    const ProcessResult r =
        runProcess(CORVANE_EXE, {"plot", "-o", path, "--shape", "step+", "--level", "0", "--vert"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const QImage image(QString::fromStdString(path));
    int highRow = 0;
    for (int y = 48; y <= 248; ++y)
        for (int x = 40; x <= 400; ++x)
            if (isGreen(image.pixel(x, y)) && highRow == 0)
                highRow = y - 48;
    EXPECT_NEAR(highRow, 17, 1);
}

} // namespace

namespace {

// A sweep or noise plotted from the command line is the window's plot of
// the same fields, pixel for pixel; options of another signal are refused.
TEST_F(PlotCommand, SignalsArePlottedAsTheWindowShowsThem)
{
    struct Row {
        const char* name;
        corvane::core::SignalKind kind;
        std::vector<std::pair<QString, QString>> fields;
        std::vector<std::string> args;
        bool vert;
    };
    const Row rows[] = {
        {"sweep",
         corvane::core::SignalKind::Sweep,
         {{"from", "50"}, {"to", "5000"}, {"fs", "11025"}, {"seconds", "2"}},
         {"--signal", "sweep", "--from", "50", "--to", "5000", "--fs", "11025", "--seconds", "2"},
         false},
        {"white",
         corvane::core::SignalKind::White,
         {{"seed", "9"}, {"level", "-6"}, {"seconds", "1"}, {"fade-in", "0.5"}},
         {"--signal", "white", "--seed", "9", "--level", "-6", "--seconds", "1", "--fade-in", "0.5", "--vert"},
         true},
        {"pink",
         corvane::core::SignalKind::Pink,
         {{"seconds", "3"}},
         {"--signal", "pink", "--seconds", "3"},
         false},
        // A burst's own frequency, and lists of names.
        {"burst",
         corvane::core::SignalKind::Burst,
         {{"freq", "1000"}, {"cycles", "5"}, {"period", "20"}, {"window", "hann"}, {"seconds", "1"}},
         {"--signal", "burst", "--freq", "1000", "--cycles", "5", "--period", "20", "--window", "hann",
          "--seconds", "1", "--vert"},
         true},
        {"imd",
         corvane::core::SignalKind::Imd,
         {{"preset", ""}, {"tones", "1000,1200"}, {"ratio", "1"}, {"seconds", "1"}},
         {"--signal", "imd", "--preset", "", "--tones", "1000,1200", "--ratio", "1", "--seconds", "1", "--horiz"},
         false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string path = png("signal.png");
        std::vector<std::string> args = {"plot", "-o", path};
        args.insert(args.end(), row.args.begin(), row.args.end());
        const ProcessResult r = runProcess(CORVANE_EXE, args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const QImage plotted(QString::fromStdString(path));

        RecordingBoxes box;
        corvane::windows::TMainForm form(box);
        form.show();
        auto* choice = form.findChild<QComboBox*>("SignalSelect");
        choice->setCurrentIndex(choice->findData(static_cast<int>(row.kind)));
        for (const auto& [name, text] : row.fields) {
            QWidget* editor = form.findChild<QWidget*>(name);
            auto* list = qobject_cast<QComboBox*>(editor);
            if (auto* edit = qobject_cast<QLineEdit*>(editor))
                edit->setText(text);
            else if (list->isEditable())
                list->setEditText(text);
            else
                list->setCurrentIndex(list->findText(text));
        }
        form.DrawButtonClick();
        if (row.vert)
            form.AutoScaleButtonClick();
        if (std::find(row.args.begin(), row.args.end(), "--horiz") != row.args.end())
            form.HorizExpandClick();
        EXPECT_TRUE(box.shown.empty());
        EXPECT_EQ(plotted, form.plotAreaImage().convertToFormat(plotted.format()));
    }

    const std::vector<std::vector<std::string>> refused = {
        {"--from", "30"}, // a sweep's option for the tone
        {"--signal", "white", "--from", "30"},
        {"--signal", "sweep", "--freq", "1000"},
        {"--signal", "chirp"},
        {"--signal", "sweep", "--fs", "1000"}, // the field's own range
        {"--signal", "sweep", "--to", "30000"}, // the job check: above half the rate
        {"--signal", "mls", "--tones", "100"}, // another signal's parameter
        {"--signal", "burst", "--window", "kaiser"}, // a name its list does not offer
    };
    for (const auto& extra : refused) {
        std::vector<std::string> args = {"plot", "-o", png("refused.png")};
        args.insert(args.end(), extra.begin(), extra.end());
        const ProcessResult r = runProcess(CORVANE_EXE, args);
        EXPECT_EQ(r.exitCode, 2) << extra.back() << r.err;
        EXPECT_FALSE(QFile::exists(folder.filePath("refused.png")));
    }
}

} // namespace
