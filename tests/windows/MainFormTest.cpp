#include "plot/WaveDisplay.h"
#include "support/MainFormControls.h"
#include "support/RecordingBoxes.h"
#include "widgets/WaveDraw.h"
#include "windows/TMainForm.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QPushButton>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

using namespace corvane;

namespace {

using Boxes = RecordingBoxes::Shown;

constexpr plot::Colour kGreen = plot::rgb(0, 255, 0);

plot::Colour pixel(const QImage& image, int x, int y)
{
    const QRgb p = image.pixel(x, y);
    return plot::rgb(static_cast<std::uint8_t>(qRed(p)), static_cast<std::uint8_t>(qGreen(p)),
                     static_cast<std::uint8_t>(qBlue(p)));
}

int countColour(const QImage& image, plot::Colour c)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += pixel(image, x, y) == c ? 1 : 0;
    return n;
}

std::vector<std::string> labelTexts(const auto& labels)
{
    std::vector<std::string> texts;
    for (const QLabel* l : labels)
        if (!l->isHidden())
            texts.push_back(l->text().toStdString());
    return texts;
}

// A shown main window whose boxes are recorded.
struct MainForm : ::testing::Test {
    MainForm() { form.show(); }
    const plot::dispCommandHistory& entry(int i) const { return form.display()->historyEntry(i); }
    RecordingBoxes box;
    windows::TMainForm form{box};
    Controls ui{form};
};

TEST_F(MainForm, StartsWithTheDefaultsAndAnEmptyPlot)
{
    EXPECT_EQ(form.windowTitle(), "Corvane");
    EXPECT_EQ(ui.SigFreq->text(), "400");
    EXPECT_EQ(ui.SigLevel->text(), "6.0");
    EXPECT_EQ(ui.FsSelect->currentText(), "44100");
    EXPECT_EQ(ui.FsSelect->currentIndex(), 3);
    EXPECT_EQ(ui.WaveSelect->currentText(), "Sine");
    const QStringList rates = {"8000", "11025", "22050", "44100", "48000"};
    const QStringList shapes = {"Sine", "Step [0,1]", "Step [0,-1]", "Step [-1,1]", "Pulse [0,1]", "Pulse [0,-1]"};
    for (int i = 0; i < rates.size(); ++i)
        EXPECT_EQ(ui.FsSelect->itemText(i), rates[i]);
    for (int i = 0; i < shapes.size(); ++i)
        EXPECT_EQ(ui.WaveSelect->itemText(i), shapes[i]);
    EXPECT_EQ(ui.FsSelect->count(), 5);
    EXPECT_EQ(ui.WaveSelect->count(), 6);
    EXPECT_TRUE(ui.FsSelect->isEditable());

    // Captions by object name, as the code and the user know them.
    const std::pair<const char*, const char*> captions[] = {
        {"SigFreqLabel", "Signal Freq."}, {"SigLevelLabel", "Signal Level"}, {"dB", "dB"},
        {"SampleFreq", "Smapling Freq."}, {"Label1", "Waveshape"},
    };
    for (const auto& [name, caption] : captions) {
        const auto* l = form.findChild<QLabel*>(name);
        ASSERT_NE(l, nullptr) << name;
        EXPECT_EQ(l->text(), caption);
    }
    const std::pair<const char*, const char*> buttons[] = {{"DrawButton", "Display Wave"},
                                                           {"AutoScaleButton", "Vert. Expand"},
                                                           {"HorizExpandButton", "Horiz. Expand"}};
    for (const auto& [name, caption] : buttons) {
        const auto* b = form.findChild<QPushButton*>(name);
        ASSERT_NE(b, nullptr) << name;
        EXPECT_EQ(b->text(), caption);
    }
    for (const char* name : {"WaveCanvas", "SigFreq", "SigLevel", "FsSelect", "WaveSelect", "ActionMainMenuBar1",
                             "LX0", "LX10", "LYL8", "LYR2", "TXL", "TYLL", "TYRL"})
        EXPECT_NE(form.findChild<QWidget*>(name), nullptr) << name;
    EXPECT_EQ(form.windowPosition(&form.waveCanvas()), QPoint(40, 48));
    EXPECT_EQ(form.waveCanvas().size(), QSize(361, 201));

    // Every item enabled, with its chord.
    struct Item {
        const char* name;
        const char* caption;
        QKeySequence keys;
    };
    const Item items[] = {
        {"FileSaveAs1", "SaveTo(&A)", QKeySequence(Qt::CTRL | Qt::Key_A)},
        {"FileExit1", "Exit(&X)", QKeySequence(Qt::CTRL | Qt::Key_X)},
        {"Help", "Help(&H)", QKeySequence(Qt::CTRL | Qt::Key_H)},
        {"HelpContents1", "&Verion Info.", QKeySequence()},
        {"License", "&License Agreement", QKeySequence()},
    };
    for (const Item& item : items) {
        SCOPED_TRACE(item.name);
        const auto* a = form.findChild<QAction*>(item.name);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->text(), item.caption);
        EXPECT_EQ(a->shortcut(), item.keys);
        EXPECT_TRUE(a->isEnabled());
    }
    const auto menus = ui.ActionMainMenuBar1->actions();
    ASSERT_EQ(menus.size(), 2);
    EXPECT_EQ(menus[0]->text(), "File");
    EXPECT_EQ(menus[1]->text(), "Help");

    // The state the save command starts from.
    EXPECT_EQ(form.dataFormat, 1);
    EXPECT_TRUE(form.stereo);
    EXPECT_TRUE(form.inSeconds);
    EXPECT_EQ(form.fs, 44100);
    EXPECT_EQ(form.lengthSec, 10.0);
    EXPECT_EQ(form.refLevel, 0.1);
    EXPECT_FALSE(form.displayed || form.vertExpand || form.horizExpand);

    // Built by the first show; the plot is empty and black, no label shown.
    ASSERT_NE(form.display(), nullptr);
    EXPECT_EQ(form.display()->historyCount(), 0);
    const QImage& picture = form.waveCanvas().picture();
    EXPECT_EQ(countColour(picture, plot::rgb(0, 0, 0)), picture.width() * picture.height());
    EXPECT_TRUE(labelTexts(form.scaleLabels()).empty());
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(MainForm, TabOrderRunsThroughTheParametersAndButtons)
{
    // The signal choice stands above the tone's rows, at the right of the
    // menu bar: it comes before them, closing the circle.
    const std::vector<QWidget*> expected = {
        ui.SigFreq,  ui.SigLevel,   ui.AutoScaleButton,   ui.DrawButton,
        ui.FsSelect, ui.WaveSelect, ui.HorizExpandButton, named<QWidget>(form, "SignalSelect")};
    std::vector<QWidget*> order;
    QWidget* w = ui.SigFreq;
    do {
        if (w->focusPolicy() & Qt::TabFocus)
            order.push_back(w);
        w = w->nextInFocusChain();
    } while (w != ui.SigFreq && order.size() < 20);
    // The combo boxes' line edits are focus proxies inside them; skip them.
    std::erase_if(
        order, [&](QWidget* x) { return x->parentWidget() == ui.FsSelect || x->parentWidget() == ui.WaveSelect; });
    EXPECT_EQ(order, expected);
}

TEST_F(MainForm, DisplayWithTheDefaults)
{
    form.DrawButtonClick();
    EXPECT_TRUE(box.shown.empty());
    EXPECT_TRUE(form.displayed);
    EXPECT_EQ(form.dataSize, 884);
    EXPECT_NEAR(form.amplitude, 1.9953, 5e-5);
    EXPECT_EQ(form.signalFreq, 400.0);
    EXPECT_EQ(form.fsIndex, 3);
    EXPECT_EQ(form.waveShape, 0);
    EXPECT_DOUBLE_EQ(form.timeSpan, 883.0 / 44100.0);

    ASSERT_EQ(form.display()->historyCount(), 3);
    EXPECT_EQ(entry(0).kind, plot::CommandKind::YScaleGrid);
    EXPECT_EQ(entry(0).dPar1, 10.0);
    EXPECT_EQ(entry(0).dPar2, -10.0);
    EXPECT_EQ(entry(0).dPar3, 5.0);
    EXPECT_EQ(entry(0).iPar1, 0);
    EXPECT_EQ(entry(1).kind, plot::CommandKind::XScale);
    EXPECT_EQ(entry(1).dPar1, 0.0);
    EXPECT_DOUBLE_EQ(entry(1).dPar2, 0.02);
    EXPECT_DOUBLE_EQ(entry(1).dPar3, 0.0025);
    const plot::dispCommandHistory& trace = entry(2);
    EXPECT_EQ(trace.kind, plot::CommandKind::DrawGainOffsetRange);
    EXPECT_EQ(trace.dataPtr, form.displayData.data());
    EXPECT_EQ(trace.iPar1, 884);
    EXPECT_EQ(trace.iPar2, 0);
    EXPECT_EQ(trace.dPar1, 1.0 / 3276.0);
    EXPECT_EQ(trace.dPar2, 0.0);
    EXPECT_EQ(trace.dPar3, 0.0);
    EXPECT_DOUBLE_EQ(trace.dPar4, 883.0 / 44100.0);
    EXPECT_EQ(trace.color, 65280u);

    // Sample 0 of a sine is 0; the peak of 1.9953 is 6538 steps.
    EXPECT_EQ(form.displayData[0], 0.0);
    double peak = 0.0;
    for (int i = 0; i < form.dataSize; ++i)
        peak = std::max(peak, form.displayData[static_cast<std::size_t>(i)]);
    EXPECT_NEAR(peak, 6538.0, 1.0);

    using Texts = std::vector<std::string>;
    EXPECT_EQ(labelTexts(ui.LX), (Texts{"0", "2.5m", "5m", "7.5m", "10m", "12.5m", "15m", "17.5m", "20m"}));
    EXPECT_EQ(labelTexts(ui.LYL), (Texts{"-10", "-5", "0", "5", "10"}));
    EXPECT_TRUE(labelTexts(ui.LYR).empty());
    EXPECT_EQ(ui.TXL->text(), "Time [second]");
    EXPECT_EQ(ui.TYLL->text(), "Level");
    EXPECT_FALSE(ui.TXL->isHidden());
    EXPECT_TRUE(ui.TYRL->isHidden());
    EXPECT_GT(countColour(form.waveCanvas().picture(), kGreen), 300);
}

TEST_F(MainForm, TogglesRunTheCommandAgainAndSwapTheirCaptions)
{
    // Before any display the toggles do nothing.
    form.AutoScaleButtonClick();
    form.HorizExpandClick();
    EXPECT_EQ(ui.AutoScaleButton->text(), "Vert. Expand");
    EXPECT_EQ(ui.HorizExpandButton->text(), "Horiz. Expand");
    EXPECT_FALSE(form.vertExpand || form.horizExpand);
    EXPECT_EQ(form.display()->historyCount(), 0);

    form.DrawButtonClick();
    form.AutoScaleButtonClick();
    EXPECT_TRUE(form.vertExpand);
    EXPECT_EQ(ui.AutoScaleButton->text(), "Resume Vert.");
    EXPECT_NEAR(entry(0).dPar1, 2.3943, 5e-5);
    EXPECT_NEAR(entry(0).dPar2, -2.3943, 5e-5);
    EXPECT_EQ(entry(0).dPar3, 1.0); // a 4.79 span in eight parts: 0.6, up to 1

    form.HorizExpandClick();
    EXPECT_EQ(ui.HorizExpandButton->text(), "Resume Horiz.");
    EXPECT_EQ(form.dataSize, 112);
    EXPECT_DOUBLE_EQ(entry(1).dPar2, 0.0025);
    EXPECT_NEAR(entry(0).dPar1, 2.3943, 5e-5); // still expanded vertically

    form.AutoScaleButtonClick();
    EXPECT_EQ(ui.AutoScaleButton->text(), "Vert. Expand");
    EXPECT_EQ(entry(0).dPar1, 10.0);

    // "Display Wave" resets both.
    form.DrawButtonClick();
    EXPECT_EQ(ui.HorizExpandButton->text(), "Horiz. Expand");
    EXPECT_FALSE(form.horizExpand);
    EXPECT_EQ(form.dataSize, 884);
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(MainForm, ParameterChecksAndWarnings)
{
    struct Case {
        const char* name;
        const char* freq;
        const char* level;
        Boxes boxes;
        bool plotted;
    };
    const std::string invalid = "Only a valid value can be accepted.";
    const std::string low = "Signal Freq. should be 1.0Hz or more.";
    const std::string high = "Signal Freq. should be less than the half of the sampling frequency.";
    const std::string quiet = "-60dB or less is too small for 16-bit PCM.";
    const std::string loud = "More than +20dB will make clipped signal in PCM formats.";
    const Case cases[] = {
        {"TextFrequency", "abc", "6.0", {{invalid, "Parameter Error"}}, false},
        {"TextLevel", "400", "six", {{invalid, "Parameter Error"}}, false},
        {"NotANumber", "nan", "6.0", {{invalid, "Parameter Error"}}, false},
        {"Infinite", "400", "inf", {{invalid, "Parameter Error"}}, false},
        {"BeyondADouble", "1e400", "6.0", {{invalid, "Parameter Error"}}, false},
        {"AmplitudeOverflows", "400", "7000", {{invalid, "Parameter Error"}}, false},
        {"Empty", "", "6.0", {{invalid, "Parameter Error"}}, false},
        {"BelowOneHz", "0.99", "6.0", {{low, "Parameter Error"}}, false},
        {"OneHz", "1", "6.0", {}, true},
        {"HalfTheRate", "22050", "6.0", {{high, "Parameter Error"}}, false},
        {"JustBelowHalf", "22049.9", "6.0", {}, true},
        {"Minus60", "400", "-60", {{quiet, "Warning"}}, true},
        {"Minus59.9", "400", "-59.9", {}, true},
        {"Plus20", "400", "20", {}, true},
        {"Plus20.1", "400", "20.1", {{loud, "Warning"}}, true},
        {"Plus400dBQuantisesSafely", "400", "400", {{loud, "Warning"}}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        form.DrawButtonClick(); // a good plot to compare against
        ASSERT_TRUE(box.shown.empty());
        const double defaultAmplitude = form.amplitude;
        ui.SigFreq->setText(c.freq);
        ui.SigLevel->setText(c.level);
        form.DrawButtonClick();
        EXPECT_EQ(box.shown, c.boxes);
        EXPECT_EQ(form.display()->historyCount(), 3);
        // Every accepted case here changes the level or the sample count; a
        // refused one leaves the last plot's values alone.
        const bool unchanged = form.dataSize == 884 && form.amplitude == defaultAmplitude;
        EXPECT_EQ(unchanged, !c.plotted);
        box.shown.clear();
        ui.SigFreq->setText("400");
        ui.SigLevel->setText("6.0");
    }
}

TEST_F(MainForm, FieldsAreStoredBeforeTheChecksThatEndTheCommand)
{
    ui.SigFreq->setText("abc");
    form.DrawButtonClick();
    EXPECT_EQ(form.signalFreq, 0.0); // text that is no number stores nothing
    EXPECT_EQ(form.fsIndex, 0);
    EXPECT_TRUE(form.displayed); // the toggles work from now on

    ui.SigFreq->setText("30000");
    ui.FsSelect->setCurrentIndex(1);
    ui.WaveSelect->setCurrentIndex(4);
    form.DrawButtonClick();
    EXPECT_EQ(form.signalFreq, 30000.0);
    EXPECT_EQ(form.fsIndex, 1);
    EXPECT_EQ(form.fs, 11025);
    EXPECT_EQ(form.waveShape, 4);
    EXPECT_EQ(form.display()->historyCount(), 0); // the plot was not touched

    // The toggle runs the check again and says so again.
    box.shown.clear();
    form.AutoScaleButtonClick();
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].first, "Signal Freq. should be less than the half of the sampling frequency.");
    EXPECT_EQ(ui.AutoScaleButton->text(), "Resume Vert.");

    // A typed rate matches no item: the rate of the last display stays.
    ui.SigFreq->setText("1000");
    ui.FsSelect->setEditText("12345");
    form.DrawButtonClick();
    EXPECT_EQ(form.fsIndex, -1);
    EXPECT_EQ(form.fs, 11025);
    EXPECT_EQ(form.dataSize, static_cast<int>(11025 * 0.01) + 2);
}

TEST_F(MainForm, TypedWaveshapeDrawsSilence)
{
    ui.WaveSelect->setEditText("Triangle");
    form.DrawButtonClick();
    EXPECT_EQ(form.waveShape, -1);
    EXPECT_TRUE(box.shown.empty());
    for (int i = 0; i < form.dataSize; ++i)
        ASSERT_EQ(form.displayData[static_cast<std::size_t>(i)], 0.0) << i;
    form.AutoScaleButtonClick();
    EXPECT_EQ(entry(0).dPar1, 10.0); // no shape to fit the range to
}

TEST_F(MainForm, BlockLimitAtOneHertzAnd48k)
{
    ui.SigFreq->setText("1");
    ui.FsSelect->setCurrentIndex(4);
    form.DrawButtonClick();
    EXPECT_EQ(form.dataSize, 3750);
    EXPECT_DOUBLE_EQ(form.timeSpan, 3749.0 / 48000.0 * 128.0);
    EXPECT_NEAR(form.timeSpan, 9.9973, 5e-5);
    EXPECT_EQ(entry(1).dPar2, 10.0);
    EXPECT_EQ(entry(2).iPar1, 3750);
    // The generator ran at 128 Hz: 10 periods in 3750 samples, so the sine
    // is back at zero near sample 375.
    EXPECT_LT(std::abs(form.displayData[375]), 50.0);
    EXPECT_GT(form.displayData[94], 6000.0);
}

TEST_F(MainForm, RepaintKeepsThePlotAndASecondShowClearsIt)
{
    form.DrawButtonClick();
    const QImage before = form.waveCanvas().picture().copy();
    form.waveCanvas().repaint();
    EXPECT_EQ(form.waveCanvas().picture(), before);
    EXPECT_EQ(form.display()->historyCount(), 3);
    EXPECT_TRUE(box.shown.empty());

    const plot::WaveDisplay* display = form.display();
    form.hide();
    form.show();
    EXPECT_EQ(form.display(), display);
    EXPECT_EQ(form.display()->historyCount(), 0);
    form.waveCanvas().repaint();
    EXPECT_EQ(countColour(form.waveCanvas().picture(), kGreen), 0);
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(MainForm, ErrorMessagesComeFromTheCatalogue)
{
    const std::pair<int, const char*> cases[] = {
        {-9001, "#9001: Error in TMainForm::FileSaveAs1Accept: Could not delete the cancel file."},
        {-12, "#12: Only an interger value is accepted."},
        {-8201, "#8201: Error in TDisplayLicense::FormCreate: File read error."},
        {-7, "Undeifned Error"},
        {5, "Undeifned Error"},
        {0, "#0: Zero is the end mark for the message search routine."},
    };
    for (const auto& [code, text] : cases) {
        box.shown.clear();
        form.showErrorMessage(code);
        EXPECT_EQ(box.shown, (Boxes{{text, "Application Error"}})) << code;
    }
}

TEST_F(MainForm, HelpWithoutAViewerSaysSo)
{
    // Neither hh.exe nor Corvane.chm exists where the tests run.
    form.HelpExecute();
    EXPECT_EQ(box.shown, (Boxes{{"InvokeProcess generated an error!", "Command Error"}}));
    EXPECT_EQ(form.InvokeProcess("true"), 0);
    EXPECT_EQ(form.InvokeProcess("no-such-program-here Corvane.chm"), -1);
    EXPECT_EQ(form.InvokeProcess(""), -1);
}

TEST(MainFormLocale, DefaultsAreWrittenAndReadInTheUsersNotation)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    {
        RecordingBoxes box;
        windows::TMainForm form(box);
        const Controls ui(form);
        form.show();
        EXPECT_EQ(ui.SigLevel->text(), "6,0");
        form.DrawButtonClick();
        EXPECT_TRUE(box.shown.empty());
        EXPECT_NEAR(form.amplitude, 1.9953, 5e-5);
        ui.SigLevel->setText("1.000"); // a group separator is not a decimal point
        form.DrawButtonClick();
        EXPECT_EQ(box.shown, (Boxes{{"Only a valid value can be accepted.", "Parameter Error"}}));
        EXPECT_EQ(ui.LX[1]->text(), "2,5m");
    }
    QLocale::setDefault(QLocale::c());
}

} // namespace
