// Keys as a user presses them: the window's chords from every control, Enter
// and Escape in the export dialog, and where the keyboard is after a save.
// The key events go through QTest, which asks the focused control first and
// then the window's shortcuts, as a key from the window system does; the
// shortcuts only answer in the active window, so each window is activated.

#include "support/Files.h"
#include "support/MainFormControls.h"
#include "support/RecordingBoxes.h"
#include "widgets/QtOkBox.h"
#include "widgets/TCancelConfirm.h"
#include "widgets/TWaveFileForm.h"
#include "widgets/TWaveFileWrite.h"
#include "windows/SaveAsCommand.h"
#include "windows/TMainForm.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

using namespace corvane;

namespace {

namespace fs = std::filesystem;
using Boxes = RecordingBoxes::Shown; // (text, title)

constexpr int kActivationTimeoutMs = 5000;

const std::pair<std::string, std::string> kDiffer{
    "Parameters used in displaying the wave will be used in saving the wave to a file instead of current "
    "parameters.",
    "Warning"};
const std::pair<std::string, std::string> kNoHelpViewer{"InvokeProcess generated an error!", "Command Error"};

[[nodiscard]] bool showActive(QWidget& window)
{
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window, kActivationTimeoutMs);
}

class Yes : public widgets::CancelQuestion {
public:
    bool ask(QWidget*) override { return true; }
};

// The main window with a save command whose dialogs are answered here: the
// parameter dialog is counted (and "OK" pressed on it when a file is wanted),
// the file dialog answers with path or is cancelled.
struct MainWindowKeys : ::testing::Test {
    MainWindowKeys()
    {
        windows::SaveAsCommand::Dialogs dialogs;
        dialogs.parameters = [this](widgets::TWaveFileForm& dialog) {
            ++parameterDialogs;
            if (path.empty())
                return;
            dialog.FormShow();
            if (editParameters)
                editParameters(dialog);
            dialog.OKButtonClick();
        };
        dialogs.fileName = [this](QWidget*, const QString&) -> std::optional<QString> {
            if (path.empty())
                return std::nullopt;
            return QString::fromStdString(path);
        };
        dialogs.progress = [this](widgets::TWaveFileWrite& window) {
            if (duringProgress)
                duringProgress(window);
            window.exec();
            ++progressWindows;
        };
        dialogs.cancelQuestion = &yes;
        form.setSaveCommand(std::make_unique<windows::SaveAsCommand>(&form, form, box, std::move(dialogs)));
        QApplication::setQuitOnLastWindowClosed(false); // "Exit(&X)" closes the window
    }
    ~MainWindowKeys() override { QApplication::setQuitOnLastWindowClosed(true); }

    std::vector<std::pair<const char*, QWidget*>> controls() const
    {
        return {{"SigFreq", ui.SigFreq},
                {"SigLevel", ui.SigLevel},
                {"FsSelect", ui.FsSelect},
                {"WaveSelect", ui.WaveSelect},
                {"DrawButton", ui.DrawButton},
                {"AutoScaleButton", ui.AutoScaleButton},
                {"HorizExpandButton", ui.HorizExpandButton}};
    }

    RecordingBoxes box;
    windows::TMainForm form{box};
    Controls ui{form};
    Yes yes;
    std::string path; // empty: the file dialog is cancelled
    std::function<void(widgets::TWaveFileForm&)> editParameters;
    std::function<void(widgets::TWaveFileWrite&)> duringProgress;
    int parameterDialogs = 0;
    int progressWindows = 0;
};

TEST_F(MainWindowKeys, ChordsRunTheirActionsFromEveryControl)
{
    for (const auto& [name, control] : controls()) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(showActive(form));
        control->setFocus();
        ASSERT_EQ(QApplication::focusWidget(), control);
        const QString freq = ui.SigFreq->text();
        const QString rate = ui.FsSelect->currentText();

        box.shown.clear();
        parameterDialogs = 0;
        QTest::keyClick(control, Qt::Key_A, Qt::ControlModifier);
        EXPECT_EQ(parameterDialogs, 1);
        EXPECT_EQ(box.shown, Boxes{kDiffer}); // nothing displayed yet

        box.shown.clear();
        QTest::keyClick(control, Qt::Key_H, Qt::ControlModifier);
        EXPECT_EQ(box.shown, Boxes{kNoHelpViewer});

        QTest::keyClick(control, Qt::Key_X, Qt::ControlModifier);
        EXPECT_FALSE(form.isVisible());

        // None of the chords reached the control: nothing was cut or erased.
        EXPECT_EQ(ui.SigFreq->text(), freq);
        EXPECT_EQ(ui.FsSelect->currentText(), rate);
        EXPECT_EQ(parameterDialogs, 1);
    }
}

TEST_F(MainWindowKeys, EditorsKeepTheirOtherKeys)
{
    struct Case {
        const char* name;
        QWidget* control;
        QLineEdit* edit;
    };
    const Case cases[] = {
        {"SigFreq", ui.SigFreq, ui.SigFreq},
        {"SigLevel", ui.SigLevel, ui.SigLevel},
        {"FsSelect", ui.FsSelect, ui.FsSelect->lineEdit()},
        {"WaveSelect", ui.WaveSelect, ui.WaveSelect->lineEdit()},
    };
    ASSERT_TRUE(showActive(form));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.edit->setText("12");
        c.control->setFocus();
        QTest::keyClick(c.control, Qt::Key_End);
        QTest::keyClicks(c.control, "34");
        QTest::keyClick(c.control, Qt::Key_Left);
        QTest::keyClick(c.control, Qt::Key_Left);
        QTest::keyClicks(c.control, "5");
        EXPECT_EQ(c.edit->text(), "12534");

        // Copy, paste and undo; the selection is made without Ctrl+A, which
        // belongs to the window.
        QTest::keyClick(c.control, Qt::Key_Home);
        QTest::keyClick(c.control, Qt::Key_Right, Qt::ShiftModifier);
        QTest::keyClick(c.control, Qt::Key_Right, Qt::ShiftModifier);
        QTest::keyClick(c.control, Qt::Key_C, Qt::ControlModifier);
        QTest::keyClick(c.control, Qt::Key_End);
        QTest::keyClick(c.control, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(c.edit->text(), "1253412");
        QTest::keyClick(c.control, Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(c.edit->text(), "12534");
        QTest::keyClick(c.control, Qt::Key_Backspace);
        EXPECT_EQ(c.edit->text(), "1253");
    }
    EXPECT_EQ(parameterDialogs, 0);
    EXPECT_TRUE(box.shown.empty());
    EXPECT_TRUE(form.isVisible());
}

TEST_F(MainWindowKeys, KeyboardComesBackWhereItWasAfterTheProgressWindow)
{
    const fs::path dir = freshTestFolder("corvane-keys");
    struct Case {
        const char* name;
        QWidget* control;
        std::string path;
        bool cancel;
        Boxes boxes;
    };
    const Case cases[] = {
        {"finished", ui.SigLevel, (dir / "finished.wav").string(), false, {}},
        {"cancelled", ui.WaveSelect, (dir / "cancelled.wav").string(), true, {}},
        {"failed",
         ui.DrawButton,
         "/dev/full",
         false,
         {{"#1112: Error in TProgBarForm::execStore: File write error", "Application Error"}}},
    };
    ASSERT_TRUE(showActive(form));
    form.DrawButtonClick(); // no warning before the dialogs
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        box.shown.clear();
        progressWindows = 0;
        path = c.path;
        editParameters = [&c](widgets::TWaveFileForm& dialog) {
            // A cancelled export is long enough to be running when asked.
            dialog.LengthEdit->setText(c.cancel ? "1000" : "1");
        };
        duringProgress = [&c](widgets::TWaveFileWrite& window) {
            if (c.cancel)
                QTimer::singleShot(110, &window, [&window] { window.CancelButtonClick(); });
        };
        c.control->setFocus();
        ASSERT_EQ(QApplication::focusWidget(), c.control);

        QTest::keyClick(c.control, Qt::Key_A, Qt::ControlModifier);
        EXPECT_EQ(progressWindows, 1);
        EXPECT_EQ(box.shown, c.boxes);
        // Activation goes through the window system, so it may take a moment.
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form, kActivationTimeoutMs));
        EXPECT_EQ(QApplication::focusWidget(), c.control);
    }
    EXPECT_TRUE(fs::exists(dir / "finished.wav"));
    EXPECT_FALSE(fs::exists(dir / "cancelled.wav"));
    fs::remove_all(dir);
}

// A real message box has no owner; once it is closed the keyboard goes back
// to the control of the window that was active, even with no window manager
// to hand it back.
TEST_F(MainWindowKeys, KeyboardComesBackAfterAMessageBox)
{
    ASSERT_TRUE(showActive(form));
    ui.SigLevel->setFocus();
    QTimer::singleShot(50, [] {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
    widgets::QtOkBox().show("text", "Parameter Error");
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form, kActivationTimeoutMs));
    EXPECT_EQ(QApplication::focusWidget(), ui.SigLevel);
}

// --- "WAV File Parameters"

const std::pair<std::string, std::string> kInvalid{"Only a valid value can be accepted.", "Parameter Error"};
const std::pair<std::string, std::string> kLength{"The data length should be   1.0 to 1000.0 seconds",
                                                  "Parameter Error"};
const std::pair<std::string, std::string> kRef{"Reference Level must be greater than zero.", "Parameter Error"};

struct ExportDialog {
    explicit ExportDialog(RecordingBoxes& boxes)
        // A floating format, so that every control takes the focus.
        : dialog(nullptr, boxes, 44100, 441000, true, true, 1.0, 1000.0, 6.0, 4, 0.1)
    {
    }
    static constexpr std::size_t kControls = 6;
    std::vector<std::pair<const char*, QWidget*>> controls() const
    {
        return {{"LengthEdit", dialog.LengthEdit},   {"LengthSelect", dialog.LengthSelect},
                {"FormatCombo", dialog.FormatCombo}, {"StereoButton", dialog.StereoButton},
                {"RefEdit", dialog.RefEdit},         {"OKButton", dialog.OKButton}};
    }
    widgets::TWaveFileForm dialog;
};

TEST(ExportDialogKeys, EnterPressesOkFromEveryControl)
{
    // Each refusal leaves the dialog open with the entries as typed; the last
    // entry passes and closes it.
    struct Entry {
        const char* length;
        const char* ref;
        RecordingBoxes::Shown boxes;
        bool accepted;
    };
    const Entry entries[] = {
        {"ten", "0.1", {kInvalid}, false},
        {"0.5", "0.1", {kLength}, false},
        {"2", "0", {kRef}, false},
        {"2", "0.25", {}, true},
    };
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        for (std::size_t i = 0; i < ExportDialog::kControls; ++i) {
            RecordingBoxes boxes;
            ExportDialog d(boxes);
            const auto [name, control] = d.controls()[i];
            SCOPED_TRACE(std::string(name) + (key == Qt::Key_Return ? " Return" : " Enter"));
            ASSERT_TRUE(showActive(d.dialog));
            // Reached by Tab, as a user reaches it: an edit box or a list's
            // editor then has its text selected.
            control->setFocus(Qt::TabFocusReason);
            ASSERT_EQ(QApplication::focusWidget(), control);
            for (const Entry& e : entries) {
                SCOPED_TRACE(e.length + std::string(" ") + e.ref);
                boxes.shown.clear();
                d.dialog.LengthEdit->setText(e.length);
                d.dialog.RefEdit->setText(e.ref);
                // Where the window system delivers a real key press.
                QTest::keyClick(QApplication::focusWidget(), key);
                EXPECT_EQ(boxes.shown, e.boxes);
                EXPECT_EQ(d.dialog.isVisible(), !e.accepted);
                EXPECT_EQ(d.dialog.result() == QDialog::Accepted, e.accepted);
                if (!e.accepted) {
                    EXPECT_EQ(d.dialog.LengthEdit->text(), e.length);
                }
            }
            EXPECT_EQ(d.dialog.dataLength, 88200);
            EXPECT_EQ(d.dialog.refLevel, 0.25);
        }
    }
}

TEST(ExportDialogKeys, EscapeClosesWithoutChecks)
{
    RecordingBoxes boxes;
    ExportDialog d(boxes);
    ASSERT_TRUE(showActive(d.dialog));
    d.dialog.LengthEdit->setText("ten");
    d.dialog.LengthEdit->setFocus();
    QTest::keyClick(d.dialog.LengthEdit, Qt::Key_Escape);
    EXPECT_FALSE(d.dialog.isVisible());
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(d.dialog.dataLength, 441000); // as given: no "OK" attempt stored anything
    EXPECT_EQ(d.dialog.refLevel, 0.1);
}

} // namespace
