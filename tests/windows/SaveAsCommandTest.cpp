#include "windows/SaveAsCommand.h"
#include "shell/MainFormState.h"
#include "shell/OkBox.h"
#include "support/Files.h"
#include "support/Process.h"
#include "support/RecordingBoxes.h"
#include "widgets/TCancelConfirm.h"
#include "widgets/TWaveFileForm.h"
#include "widgets/TWaveFileWrite.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <sys/resource.h>
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

class SaveAs : public testing::Test {
protected:
    void SetUp() override
    {
        dir = freshTestFolder("corvane-save");
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
        auto bytes = bytesOf(out);
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
    const auto bytes = bytesOf(path);
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
    const auto bytes = bytesOf(path);
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
    EXPECT_TRUE(bytesOf(path) == exported({"--seconds", "1", "--channels", "1", "--shape", "square"}));
}

TEST_F(SaveAs, FloatFormatUsesTheReferenceLevel)
{
    displayDefaults();
    state.amplitude = 1.0; // a 0 dB display
    editForm = [](widgets::TWaveFileForm& form) {
        form.FormatCombo->setCurrentIndex(4);
        form.LengthEdit->setText("1");
    };
    windows::SaveAsCommand command(nullptr, state, boxes, dialogs);
    command.run("0", "400", 3);
    const auto bytes = bytesOf(path);
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

// Lowers this process's file-size limit, with SIGXFSZ ignored, so that writes
// beyond it fail with EFBIG as on a full disk; both come back afterwards.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &previous);
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGXFSZ, &ignore, &previousAction);
        rlimit lowered = previous;
        lowered.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &previous);
        sigaction(SIGXFSZ, &previousAction, nullptr);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit previous{};
    struct sigaction previousAction {};
};

// Every way a save can end without a new file: what was under the name
// stays as it was (nothing, an old file, or an old file behind a link), no
// temporary file remains, and the boxes say what happened.
TEST_F(SaveAs, CancelledOrFailedSaveKeepsWhatWasThere)
{
    displayDefaults();
    enum class Old { None, File, Link };
    struct Case {
        const char* name;
        Old old;
        bool cancel; // "Cancel", answered "Yes", before the first poll
        rlim_t fileSizeLimit; // 0: none
        bool refusedFormat; // a format typed that matches no item
        Shown expected;
    };
    const std::pair<std::string, std::string> writeError{
        "#1112: Error in TProgBarForm::execStore: File write error", "Application Error"};
    const std::pair<std::string, std::string> refused{
        "#1114: Error in TWaveProvider::setParams: Found an incorrect parameter.", "Application Error"};
    const Case cases[] = {
        {"CancelNewFile", Old::None, true, 0, false, {}},
        {"CancelOverOldFile", Old::File, true, 0, false, {}},
        {"CancelThroughLink", Old::Link, true, 0, false, {}},
        {"DiskFullOverOldFile", Old::File, false, 100000, false, {writeError}},
        {"DiskFullThroughLink", Old::Link, false, 100000, false, {writeError}},
        {"DiskFullAtTheHeader", Old::Link, false, 10, false, {writeError}},
        {"RefusedOverOldFile", Old::File, false, 0, true, {refused}},
        {"RefusedThroughLink", Old::Link, false, 0, true, {refused}},
    };
    const fs::path real = dir / "real.wav";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        boxes.shown.clear();
        fs::remove(path);
        fs::remove(real);
        if (c.old == Old::File)
            std::ofstream(path) << "old\n";
        if (c.old == Old::Link) {
            std::ofstream(real) << "old\n";
            fs::create_symlink("real.wav", path);
        }
        question.answer = true;
        duringProgress = [&c](widgets::TWaveFileWrite& window) {
            // Answered before the thread starts: the first poll starts it
            // and passes the stop request on at once.
            if (c.cancel)
                window.CancelButtonClick();
        };
        editForm = [&c](widgets::TWaveFileForm& form) {
            if (c.refusedFormat)
                form.FormatCombo->setEditText("12-bit");
            else
                form.FormatCombo->setCurrentIndex(1);
        };
        {
            std::optional<FileSizeLimit> limit;
            if (c.fileSizeLimit != 0)
                limit.emplace(c.fileSizeLimit);
            windows::SaveAsCommand command(nullptr, state, boxes, dialogs);
            command.run("6.0", "400", 3);
        }
        EXPECT_EQ(boxes.shown, c.expected);
        if (c.old == Old::None) {
            EXPECT_FALSE(fs::exists(path));
        }
        if (c.old == Old::File) {
            EXPECT_EQ(textOf(path), "old\n");
        }
        if (c.old == Old::Link) {
            EXPECT_TRUE(fs::is_symlink(path));
            EXPECT_EQ(textOf(real), "old\n");
        }
        EXPECT_EQ(leftovers(dir), std::vector<std::string>{});
    }
}

TEST_F(SaveAs, ATemporaryFileThatCannotBeRemovedIsReported)
{
    displayDefaults();
    std::ofstream(path) << "old\n";
    question.answer = true;
    duringProgress = [this](widgets::TWaveFileWrite& window) {
        window.CancelButtonClick();
        // Something else takes the temporary file away first.
        for (const std::string& name : leftovers(dir))
            fs::remove(dir / name);
    };
    windows::SaveAsCommand command(nullptr, state, boxes, dialogs);
    command.run("6.0", "400", 3);
    EXPECT_EQ(boxes.shown,
              (Shown{{"#9001: Error in TMainForm::FileSaveAs1Accept: Could not delete the cancel file.",
                      "Application Error"}}));
    EXPECT_EQ(textOf(path), "old\n");
}

TEST_F(SaveAs, AnotherWriterMeanwhileLeavesOneWholeFile)
{
    displayDefaults();
    std::ofstream(path) << "old\n";
    // While the window's file is open, the command line writes a different
    // file under the same name, start to end; the window's rename comes last.
    duringProgress = [this](widgets::TWaveFileWrite&) {
        const ProcessResult r =
            runProcess(CORVANE_EXE, {"export", "-o", path, "--format", "u8", "--seconds", "1", "--quiet"});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(fs::file_size(path), 44u + 44100u * 2u);
    };
    windows::SaveAsCommand command(nullptr, state, boxes, dialogs);
    command.run("6.0", "400", 3);
    EXPECT_EQ(boxes.shown, Shown{});
    EXPECT_TRUE(bytesOf(path) == exported({}));
    EXPECT_EQ(leftovers(dir), std::vector<std::string>{});
}

TEST_F(SaveAs, FloatPeaksBeyondTheFormatAreRefusedBeforeWriting)
{
    displayDefaults();
    std::ofstream(path) << "old\n";
    struct Case {
        const char* name;
        double amplitude; // stored by the last display
        int format;
        double refLevel; // as the dialog left it
        std::string text;
    };
    const Case cases[] = {
        {"F32Level", 1e39, 4, 1.0, "Signal level is too large for the floating-point format."},
        {"F32RefLevel", 2.0, 4, 1e39, "Reference Level is too large for the floating-point format."},
        {"F64Product", 1e200, 5, 1e200, "Signal level is too large for the floating-point format."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        boxes.shown.clear();
        state.amplitude = c.amplitude;
        state.dataFormat = static_cast<std::int8_t>(c.format);
        state.refLevel = c.refLevel;
        state.dataLength = 44100;
        bool progressShown = false;
        duringProgress = [&](widgets::TWaveFileWrite&) { progressShown = true; };
        windows::SaveAsCommand command(nullptr, state, boxes, dialogs);
        // As after a dialog closed without its OK: straight to the writing.
        command.FileSaveAs1Accept(path);
        EXPECT_EQ(boxes.shown, (Shown{{c.text, "Parameter Error"}}));
        EXPECT_FALSE(progressShown);
        EXPECT_EQ(textOf(path), "old\n");
        EXPECT_EQ(leftovers(dir), std::vector<std::string>{});
    }
}

} // namespace
