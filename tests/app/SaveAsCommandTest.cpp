#include "shell/MainFormState.h"
#include "shell/OkBox.h"
#include "support/RecordingBoxes.h"
#include "windows/SaveAsCommand.h"
#include "support/Process.h"
#include "widgets/TCancelConfirm.h"
#include "widgets/TWaveFileForm.h"
#include "widgets/TWaveFileWrite.h"

#include <QComboBox>
#include <QTimer>
#include <QLineEdit>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

using namespace corvane;

namespace {

namespace fs = std::filesystem;
using Shown = RecordingBoxes::Shown;

class AnsweringQuestion : public widgets::CancelQuestion {
public:
    bool ask(QWidget*) override { return answer; }
    bool answer = false;
};

const std::pair<std::string, std::string> kDiffer{
    "Parameters used in displaying the wave will be used in saving the wave to a file instead of current "
    "parameters.",
    "Warning"};

std::vector<std::uint8_t> fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class SaveAs : public testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("corvane-save-" + std::to_string(::getpid()) + "-" +
                                           testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        path = (dir / "tone.wav").string();
        shell::setFormDefaults(state);
        dialogs.parameters = [this](widgets::TWaveFileForm& form) {
            form.FormShow();
            if (editForm)
                editForm(form);
            form.OKButtonClick();
        };
        dialogs.fileName = [this](QWidget*, const QString& initial) -> std::optional<QString> {
            initialNames.push_back(initial);
            if (!acceptName)
                return std::nullopt;
            return QString::fromStdString(path);
        };
        dialogs.progress = [this](widgets::TWaveFileWrite& window) {
            if (duringProgress)
                duringProgress(window);
            window.exec();
            if (afterProgress)
                afterProgress();
        };
        dialogs.cancelQuestion = &question;
    }
    void TearDown() override { fs::remove_all(dir); }

    // The fields the display command stores for the window's defaults.
    void displayDefaults()
    {
        state.signalFreq = 400.0;
        state.amplitude = std::pow(10.0, 6.0 * 0.05);
        state.fsIndex = 3;
        state.fs = 44100;
        state.waveShape = 0;
    }

    std::vector<std::uint8_t> exported(std::vector<std::string> args)
    {
        const std::string out = (dir / "cli.wav").string();
        args.insert(args.begin(), {"export", "-o", out, "--quiet"});
        const ProcessResult r = runProcess(CORVANE_EXE, args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        auto bytes = fileBytes(out);
        fs::remove(out);
        return bytes;
    }

    fs::path dir;
    std::string path;
    shell::MainFormState state;
    RecordingBoxes boxes;
    AnsweringQuestion question;
    windows::SaveAsCommand::Dialogs dialogs;
    std::function<void(widgets::TWaveFileForm&)> editForm;
    std::function<void(widgets::TWaveFileWrite&)> duringProgress;
    std::function<void()> afterProgress;
    bool acceptName = true;
    std::vector<QString> initialNames;
};

TEST_F(SaveAs, DefaultsWriteWhatTheCommandLineWrites)
{
    displayDefaults();
    windows::SaveAsCommand command(nullptr, state, boxes, dialogs);
    command.run("6.0", "400", 3);
    EXPECT_EQ(boxes.shown, Shown{});
    EXPECT_EQ(state.dataLength, 441000);
    const auto bytes = fileBytes(path);
    ASSERT_EQ(bytes.size(), 44u + 441000u * 4u);
    EXPECT_TRUE(bytes == exported({}));
    EXPECT_EQ(initialNames, std::vector<QString>{"*.wav"});
    EXPECT_EQ(command.lastFileName(), QString::fromStdString(path));
}

TEST_F(SaveAs, BeforeAnyDisplayWarnsAndWritesSilence)
{
    windows::SaveAsCommand command(nullptr, state, boxes, dialogs);
    command.run("6.0", "400", 3);
    EXPECT_EQ(boxes.shown, Shown{kDiffer});
    const auto bytes = fileBytes(path);
    ASSERT_EQ(bytes.size(), 44u + 441000u * 4u);
    for (size_t i = 44; i < bytes.size(); ++i)
        ASSERT_EQ(bytes[i], 0) << i;
}

TEST_F(SaveAs, ChangedLevelWarnsAndWritesTheDisplayedSignal)
{
    displayDefaults();
    state.waveShape = 3;
    editForm = [](widgets::TWaveFileForm& form) {
        form.LengthEdit->setText("1");
        form.MonoButton->setChecked(true);
    };
    windows::SaveAsCommand command(nullptr, state, boxes, dialogs);
    // Level and shape changed since the display: only the level is compared.
    command.run("-3", "400", 3);
    EXPECT_EQ(boxes.shown, Shown{kDiffer});
    EXPECT_TRUE(fileBytes(path) == exported({"--seconds", "1", "--channels", "1", "--shape", "square"}));
}

TEST_F(SaveAs, FloatFormatUsesTheReferenceLevel)
{
    displayDefaults();
    state.amplitude = 1.0;   // a 0 dB display
    editForm = [](widgets::TWaveFileForm& form) {
        form.FormatCombo->setCurrentIndex(4);
        form.LengthEdit->setText("1");
    };
    windows::SaveAsCommand command(nullptr, state, boxes, dialogs);
    command.run("0", "400", 3);
    const auto bytes = fileBytes(path);
    ASSERT_EQ(bytes.size(), 80u + 44100u * 8u);
    float peak = 0.0f;
    for (size_t at = 80; at < bytes.size(); at += 4) {
        float v = 0.0f;
        std::memcpy(&v, &bytes[at], 4);
        peak = std::max(peak, std::fabs(v));
    }
    EXPECT_NEAR(peak, 0.1f, 1e-4f);
    EXPECT_LE(peak, 0.1f);
}

TEST_F(SaveAs, CancelledFileDialogKeepsTheSettingsAndWritesNothing)
{
    displayDefaults();
    acceptName = false;
    editForm = [](widgets::TWaveFileForm& form) {
        form.LengthEdit->setText("2");
        form.MonoButton->setChecked(true);
        form.FormatCombo->setCurrentIndex(2);
    };
    windows::SaveAsCommand command(nullptr, state, boxes, dialogs);
    command.run("6.0", "400", 3);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(state.dataLength, 88200);
    EXPECT_EQ(state.lengthSec, 2.0);
    EXPECT_FALSE(state.stereo);
    EXPECT_EQ(state.dataFormat, 2);
}

TEST_F(SaveAs, ParameterTextThatDoesNotParseStopsBeforeAnyDialog)
{
    displayDefaults();
    bool dialogShown = false;
    editForm = [&](widgets::TWaveFileForm&) { dialogShown = true; };
    windows::SaveAsCommand command(nullptr, state, boxes, dialogs);
    command.run("loud", "400", 3);
    EXPECT_EQ(boxes.shown, (Shown{{"'loud' is not a valid number.", "Corvane"}}));
    EXPECT_FALSE(dialogShown);
    EXPECT_TRUE(initialNames.empty());
}

TEST_F(SaveAs, FailuresAreShownAndNothingIsReportedSaved)
{
    displayDefaults();
    {
        SCOPED_TRACE("unwritable folder");
        path = (dir / "missing" / "tone.wav").string();
        windows::SaveAsCommand command(nullptr, state, boxes, dialogs);
        command.run("6.0", "400", 3);
        EXPECT_EQ(boxes.shown,
                  (Shown{{"Cannot create the file \"" + path + "\": No such file or directory", "Corvane"}}));
        EXPECT_FALSE(fs::exists(path));
    }
    boxes.shown.clear();
    {
        SCOPED_TRACE("full disk");
        path = "/dev/full";
        windows::SaveAsCommand command(nullptr, state, boxes, dialogs);
        command.run("6.0", "400", 3);
        EXPECT_EQ(boxes.shown,
                  (Shown{{"#1112: Error in TProgBarForm::execStore: File write error", "Application Error"}}));
        EXPECT_TRUE(fs::exists("/dev/full"));
    }
    boxes.shown.clear();
    {
        SCOPED_TRACE("format typed that matches no item");
        path = (dir / "refused.wav").string();
        editForm = [](widgets::TWaveFileForm& form) { form.FormatCombo->setEditText("12-bit"); };
        windows::SaveAsCommand command(nullptr, state, boxes, dialogs);
        command.run("6.0", "400", 3);
        EXPECT_EQ(state.dataFormat, -1);
        EXPECT_EQ(boxes.shown, (Shown{{"#1114: Error in TWaveProvider::setParams: Found an incorrect parameter.",
                                       "Application Error"}}));
        EXPECT_FALSE(fs::exists(path));
    }
}

TEST_F(SaveAs, ConfirmedCancelDeletesTheFile)
{
    displayDefaults();
    question.answer = true;
    duringProgress = [](widgets::TWaveFileWrite& window) {
        QTimer::singleShot(110, &window, [&window] { window.CancelButtonClick(); });
    };
    editForm = [](widgets::TWaveFileForm& form) { form.LengthEdit->setText("1000"); };
    windows::SaveAsCommand command(nullptr, state, boxes, dialogs);
    command.run("6.0", "400", 3);
    EXPECT_EQ(boxes.shown, Shown{});
    EXPECT_FALSE(fs::exists(path));

    // If the cancelled file cannot be deleted, that is reported.
    afterProgress = [this] { fs::remove(path); };
    command.run("6.0", "400", 3);
    EXPECT_EQ(boxes.shown, (Shown{{"#9001: Error in TMainForm::FileSaveAs1Accept: Could not delete the cancel file.",
                                   "Application Error"}}));
}

} // namespace
