// "Play(&P)" in the main window, on ALSA's file device: what the window plays
// is the 16-bit stream `corvane export` writes for the displayed signal.

#include "core/CodeSets.h"
#include "support/Files.h"
#include "support/Process.h"
#include "support/RecordingBoxes.h"
#include "windows/TMainForm.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace corvane;

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

class PlayWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = freshTestFolder("corvane-play");
        raw = dir / "played.raw";
    }
    void TearDown() override
    {
        unsetenv("CORVANE_AUDIO_DEVICE");
        fs::remove_all(dir);
    }
    QAction* playItem() { return form.findChild<QAction*>("FilePlay1"); }

    fs::path dir;
    fs::path raw;
    RecordingBoxes box;
    windows::TMainForm form{box};
};

TEST_F(PlayWindow, PlayThenStopPlaysThePrefixOfTheExport)
{
    setenv("CORVANE_AUDIO_DEVICE", ("file:'" + raw.string() + "',raw").c_str(), 1);
    form.show();
    form.DrawButtonClick(); // 400 Hz, 6.0 dB, 44100 Hz, sine: the defaults
    ASSERT_NE(playItem(), nullptr);
    EXPECT_EQ(playItem()->text(), "Play(&P)");

    form.FilePlay1Execute();
    EXPECT_EQ(playItem()->text(), "Stop(&P)");
    // The file device takes frames as fast as they come; wait for some, with a limit.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::error_code ec;
    while (std::chrono::steady_clock::now() < deadline && (fs::file_size(raw, ec) < 100000 || ec))
        QTest::qWait(5);
    form.FilePlay1Execute();
    EXPECT_EQ(playItem()->text(), "Play(&P)");
    EXPECT_TRUE(box.shown.empty());

    const fs::path wav = dir / "tone.wav";
    const ProcessResult r = runProcess(CORVANE_EXE, {"export", "-o", wav.string(), "--quiet", "--freq", "400",
                                                     "--level", "6.0", "--fs", "44100", "--seconds", "100"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    Bytes played = bytesOf(raw);
    const Bytes file = bytesOf(wav);
    ASSERT_GE(played.size(), 100000u);
    EXPECT_EQ(played.size() % 4, 0u);
    Bytes expected(file.begin() + 44, file.end());
    const std::size_t common = std::min(played.size(), expected.size());
    played.resize(common);
    expected.resize(common);
    EXPECT_TRUE(played == expected);
}

// Play takes the displayed signal, not the edited text, and says so in its
// own words (not the save's).
TEST_F(PlayWindow, EditedParametersWarnThatTheDisplayedOnesArePlayed)
{
    setenv("CORVANE_AUDIO_DEVICE", ("file:'" + raw.string() + "',raw").c_str(), 1);
    form.show();
    form.activateWindow();
    form.DrawButtonClick();
    auto* freq = form.findChild<QLineEdit*>("SigFreq");
    ASSERT_NE(freq, nullptr);
    freq->setFocus(Qt::OtherFocusReason);
    QApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), freq);
    freq->selectAll(); // Ctrl+A is the window's save chord
    QTest::keyClicks(QApplication::focusWidget(), "1000");
    ASSERT_EQ(freq->text(), "1000");

    // Ctrl+P from the edit box, as a user presses it.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_P, Qt::ControlModifier);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].first,
              "Parameters used in displaying the wave will be played instead of current parameters.");
    EXPECT_EQ(box.shown[0].second, "Warning");
    EXPECT_EQ(playItem()->text(), "Stop(&P)");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::error_code ec;
    while (std::chrono::steady_clock::now() < deadline && (fs::file_size(raw, ec) < 8000 || ec))
        QTest::qWait(5);
    form.FilePlay1Execute();
    EXPECT_EQ(box.shown.size(), 1u);

    // The 400 Hz of the display, not the 1000 Hz typed: a period of 110.25
    // samples, so sample 0 and sample 441 (four periods) are both 0 and
    // sample 110 is near zero while a 1000 Hz tone's sample 110 is far from it.
    const Bytes played = bytesOf(raw);
    ASSERT_GE(played.size(), 4u * 500u);
    const auto left = [&](std::size_t frame) {
        return static_cast<std::int16_t>(played[4 * frame] | (played[4 * frame + 1] << 8));
    };
    EXPECT_EQ(left(0), 0);
    EXPECT_LT(std::abs(left(441)), 5);
    // 400 Hz at 6 dB peaks at 6538 near frame 27.6.
    EXPECT_GT(left(28), 6400);
}

// A sweep chosen in the window plays once, whole, as the 16-bit export of
// the same options, and Play is offered again when it has ended; noise runs
// on until stopped, its stream continuing past its length.
TEST_F(PlayWindow, TheChosenSignalPlaysAsItsExport)
{
    struct Row {
        const char* name;
        core::SignalKind kind;
        bool once;
        std::vector<std::string> args;
    };
    const Row rows[] = {
        {"sweep",
         core::SignalKind::Sweep,
         true,
         {"--signal", "sweep", "--fs", "8000", "--seconds", "1", "--to", "3000"}},
        {"pink", core::SignalKind::Pink, false, {"--signal", "pink", "--fs", "8000", "--seconds", "1"}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        fs::remove(raw);
        setenv("CORVANE_AUDIO_DEVICE", ("file:'" + raw.string() + "',raw").c_str(), 1);
        auto* choice = form.findChild<QComboBox*>("SignalSelect");
        ASSERT_NE(choice, nullptr);
        choice->setCurrentIndex(choice->findData(static_cast<int>(r.kind)));
        form.findChild<QComboBox*>("fs")->setEditText("8000");
        form.findChild<QLineEdit*>("seconds")->setText("1");
        if (auto* to = form.findChild<QLineEdit*>("to"))
            to->setText("3000"); // below half the rate
        form.FilePlay1Execute();
        EXPECT_EQ(playItem()->text(), "Stop(&P)");
        // One second of 8000 stereo 16-bit frames is 32000 bytes.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        std::error_code ec;
        if (r.once) {
            while (std::chrono::steady_clock::now() < deadline && playItem()->text() != "Play(&P)")
                QTest::qWait(5);
        } else {
            while (std::chrono::steady_clock::now() < deadline && (fs::file_size(raw, ec) < 40000 || ec))
                QTest::qWait(5);
            EXPECT_EQ(playItem()->text(), "Stop(&P)");
            form.FilePlay1Execute();
        }
        EXPECT_EQ(playItem()->text(), "Play(&P)");
        EXPECT_TRUE(box.shown.empty()) << box.shown.front().first;

        const fs::path wav = dir / "signal.wav";
        std::vector<std::string> args = {"export", "-o", wav.string(), "--quiet"};
        args.insert(args.end(), r.args.begin(), r.args.end());
        const ProcessResult exported = runProcess(CORVANE_EXE, args);
        ASSERT_EQ(exported.exitCode, 0) << exported.err;
        const Bytes file = bytesOf(wav);
        const Bytes expected(file.begin() + 44, file.end());
        Bytes played = bytesOf(raw);
        if (r.once) {
            EXPECT_TRUE(played == expected);
        } else {
            ASSERT_GT(played.size(), expected.size());
            played.resize(expected.size());
            EXPECT_TRUE(played == expected);
        }
    }
}

// Every signal: a field edited with real keys after the display warns, in
// the tone's words, and the displayed signal is what plays.
TEST_F(PlayWindow, EditedFieldsOfEverySignalWarnThatTheDisplayedOneIsPlayed)
{
    struct Row {
        const char* name;
        core::SignalKind kind;
        const char* field; // edited after the display
        const char* typed;
        std::vector<std::string> displayed; // the export options of what was displayed
    };
    const Row rows[] = {
        {"sweep", core::SignalKind::Sweep, "to", "2000", {"--signal", "sweep", "--to", "3000"}},
        {"white", core::SignalKind::White, "seed", "99", {"--signal", "white"}},
        {"imd", core::SignalKind::Imd, "ratio", "2", {"--signal", "imd", "--tones", "500,700"}},
        {"burst", core::SignalKind::Burst, "cycles", "3", {"--signal", "burst", "--freq", "1000"}},
        {"mls", core::SignalKind::Mls, "order", "10", {"--signal", "mls"}},
    };
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form, 5000));
    auto* choice = form.findChild<QComboBox*>("SignalSelect");
    ASSERT_NE(choice, nullptr);
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        fs::remove(raw);
        setenv("CORVANE_AUDIO_DEVICE", ("file:'" + raw.string() + "',raw").c_str(), 1);
        choice->setCurrentIndex(choice->findData(static_cast<int>(r.kind)));
        form.findChild<QComboBox*>("fs")->setEditText("8000");
        form.findChild<QLineEdit*>("seconds")->setText("1");
        if (auto* to = form.findChild<QLineEdit*>("to"))
            to->setText("3000");
        if (auto* freq = form.findChild<QLineEdit*>("freq"))
            freq->setText("1000");
        if (r.kind == core::SignalKind::Imd) {
            // Its own tones: the presets' lie above half this rate.
            auto* preset = form.findChild<QComboBox*>("preset");
            preset->setCurrentIndex(preset->findText(""));
            form.findChild<QLineEdit*>("tones")->setText("500,700");
        }
        form.DrawButtonClick();
        ASSERT_TRUE(box.shown.empty()) << box.shown.front().first;

        auto* field = form.findChild<QLineEdit*>(r.field);
        ASSERT_NE(field, nullptr);
        field->setFocus(Qt::OtherFocusReason);
        QApplication::processEvents();
        ASSERT_EQ(QApplication::focusWidget(), field);
        field->selectAll(); // Ctrl+A is the window's save chord
        QTest::keyClicks(QApplication::focusWidget(), r.typed);
        ASSERT_EQ(field->text(), r.typed);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_P, Qt::ControlModifier);
        ASSERT_EQ(box.shown.size(), 1u);
        EXPECT_EQ(box.shown[0].first,
                  "Parameters used in displaying the wave will be played instead of current parameters.");
        EXPECT_EQ(box.shown[0].second, "Warning");
        box.shown.clear();
        // A second of 8000 stereo 16-bit frames is 32000 bytes; the sweep stops by itself.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        std::error_code ec;
        while (std::chrono::steady_clock::now() < deadline && playItem()->text() != "Play(&P)" &&
               (fs::file_size(raw, ec) < 32000 || ec))
            QTest::qWait(5);
        if (playItem()->text() != "Play(&P)")
            form.FilePlay1Execute();
        EXPECT_EQ(playItem()->text(), "Play(&P)");

        const fs::path wav = dir / "signal.wav";
        std::vector<std::string> args = {"export", "-o",   wav.string(), "--quiet",
                                         "--fs",   "8000", "--seconds",  "1"};
        args.insert(args.end(), r.displayed.begin(), r.displayed.end());
        const ProcessResult exported = runProcess(CORVANE_EXE, args);
        ASSERT_EQ(exported.exitCode, 0) << exported.err;
        const Bytes file = bytesOf(wav);
        const Bytes expected(file.begin() + 44, file.end());
        Bytes played = bytesOf(raw);
        ASSERT_GE(played.size(), expected.size());
        played.resize(expected.size());
        EXPECT_TRUE(played == expected);
        // Put back, so the next press plays without a word.
        field->selectAll();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Delete);
        choice->setFocus();
    }
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(PlayWindow, ADeviceThatCannotBeOpenedIsReported)
{
    setenv("CORVANE_AUDIO_DEVICE", "no-such-device", 1);
    form.show();
    form.DrawButtonClick();
    form.FilePlay1Execute();
    ASSERT_EQ(box.shown.size(), 1u);
    const auto& [text, title] = box.shown[0];
    EXPECT_EQ(title, "Application Error");
    EXPECT_EQ(text.rfind("#351: ", 0), 0u) << text;
    EXPECT_NE(text.find("no-such-device"), std::string::npos) << text;
    EXPECT_EQ(playItem()->text(), "Play(&P)");
}

} // namespace
