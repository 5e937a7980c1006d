#include "shell/OkBox.h"
#include "signal/MiniWaveGen.h"
#include "support/ByteCompare.h"
#include "support/RecordingBoxes.h"
#include "support/TestSinks.h"
#include "wavio/FileWriteThread.h"
#include "wavio/WavFormat.h"
#include "widgets/TCancelConfirm.h"
#include "widgets/TWaveFileForm.h"
#include "widgets/TWaveFileWrite.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

using namespace corvane;

namespace {

namespace fs = std::filesystem;
using Shown = RecordingBoxes::Shown;

// Records every box instead of showing it.
const std::pair<std::string, std::string> kInvalid{"Only a valid value can be accepted.", "Parameter Error"};
const std::pair<std::string, std::string> kLength{"The data length should be   1.0 to 1000.0 seconds",
                                                  "Parameter Error"};
const std::pair<std::string, std::string> kRef{"Reference Level must be greater than zero.", "Parameter Error"};
const std::pair<std::string, std::string> kLevelFloat{"Signal level is too large for the floating-point format.",
                                                      "Parameter Error"};
const std::pair<std::string, std::string> kRefFloat{"Reference Level is too large for the floating-point format.",
                                                    "Parameter Error"};
const std::pair<std::string, std::string> kEightBit{
    "Signal level is too small for 8-bit format. The data sttored will have zero or nearly zero.", "Warning"};

TEST(TWaveFileForm, OkChecksTheEntries)
{
    struct Case {
        const char* name;
        int fs;
        QString length;
        QString unit;
        QString format;
        double levelDb;
        QString ref;
        Shown expected;
        bool accepted;
        int dataLength; // stored, whether accepted or not
    };
    const Case cases[] = {
        {"TenSeconds", 44100, "10", "Seconds", "16-bit Fixed", 6, "0.1", {}, true, 441000},
        {"ThousandSecondsAt48k", 48000, "1000", "Seconds", "16-bit Fixed", 6, "0.1", {}, true, 48000000},
        {"JustOverThousand", 48000, "1000.01", "Seconds", "16-bit Fixed", 6, "0.1", {kLength}, false, 48000480},
        {"SamplesJustUnderOneSecond",
         44100,
         "44099",
         "Samples",
         "16-bit Fixed",
         6,
         "0.1",
         {kLength},
         false,
         44099},
        {"SamplesOneSecond", 44100, "44100", "Samples", "16-bit Fixed", 6, "0.1", {}, true, 44100},
        {"PointFourSeconds", 8000, "0.4", "Seconds", "16-bit Fixed", 6, "0.1", {kLength}, false, 3200},
        {"EmptyLength", 8000, "", "Seconds", "16-bit Fixed", 6, "0.1", {kInvalid}, false, 80000},
        {"Letters", 8000, "ten", "Seconds", "16-bit Fixed", 6, "0.1", {kInvalid}, false, 80000},
        {"NotANumber", 8000, "nan", "Seconds", "16-bit Fixed", 6, "0.1", {kInvalid}, false, 80000},
        {"FractionOfASample", 8000, "10.5", "Samples", "16-bit Fixed", 6, "0.1", {kInvalid}, false, 80000},
        {"HugeSeconds", 8000, "1e300", "Seconds", "16-bit Fixed", 6, "0.1", {kLength}, false, 80000},
        {"EightBitAtMinusFifteen", 8000, "2", "Seconds", "8-bit Fixed (unsigned)", -15, "0.1", {}, true, 16000},
        {"EightBitBelowMinusFifteen",
         8000,
         "2",
         "Seconds",
         "8-bit Fixed (unsigned)",
         -15.1,
         "0.1",
         {kEightBit},
         true,
         16000},
        {"RefZero", 8000, "2", "Seconds", "16-bit Fixed", 6, "0", {kRef}, false, 16000},
        {"RefNegativeFloat", 8000, "2", "Seconds", "32-bit Floating(Ex)", 6, "-0.1", {kRef}, false, 16000},
        {"RefNotANumber", 8000, "2", "Seconds", "16-bit Fixed", 6, "x", {kInvalid}, false, 16000},
        {"UnknownUnitCountsAsSeconds", 8000, "2", "Minutes", "16-bit Fixed", 6, "0.1", {}, true, 16000},
        {"UnknownFormatIsAccepted", 8000, "2", "Seconds", "12-bit", 6, "0.1", {}, true, 16000},
        // Float peaks must fit the format: FLT_MAX is 3.4e38, DBL_MAX 1.8e308.
        {"F32LevelTooLarge", 8000, "2", "Seconds", "32-bit Floating(Ex)", 780, "1", {kLevelFloat}, false, 16000},
        {"F32RefTooLarge", 8000, "2", "Seconds", "32-bit Floating(Ex)", 6, "1e39", {kRefFloat}, false, 16000},
        {"F32JustFits", 8000, "2", "Seconds", "32-bit Floating(Ex)", 760, "1", {}, true, 16000},
        {"F64ProductTooLarge",
         8000,
         "2",
         "Seconds",
         "64-bit Floating(Ex)",
         40,
         "1e307",
         {kRefFloat},
         false,
         16000},
        {"IntegerFormatsClip", 8000, "2", "Seconds", "16-bit Fixed", 780, "1e39", {}, true, 16000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingBoxes boxes;
        widgets::TWaveFileForm form(nullptr, boxes, c.fs, 80000, true, true, 1.0, 1000.0, c.levelDb, 1, 0.1);
        form.FormShow();
        form.LengthEdit->setText(c.length);
        form.LengthSelect->setEditText(c.unit);
        form.FormatCombo->setEditText(c.format);
        form.RefEdit->setText(c.ref);
        form.OKButtonClick();
        EXPECT_EQ(boxes.shown, c.expected);
        EXPECT_EQ(form.result() == QDialog::Accepted, c.accepted);
        EXPECT_EQ(form.dataLength, c.dataLength);
    }
}

TEST(TWaveFileForm, StoresWhatItParsedAndShowsTheSettings)
{
    RecordingBoxes boxes;
    widgets::TWaveFileForm form(nullptr, boxes, 44100, 441000, true, true, 1.0, 1000.0, 6.0, 1, 0.1);
    form.FormShow();
    EXPECT_EQ(form.LengthEdit->text(), "10");
    EXPECT_EQ(form.LengthSelect->currentText(), "Seconds");
    EXPECT_TRUE(form.StereoButton->isChecked());
    EXPECT_EQ(form.FormatCombo->currentText(), "16-bit Fixed");
    EXPECT_EQ(form.RefEdit->text(), "0.1");
    EXPECT_FALSE(form.RefGroup->isEnabled());

    form.LengthEdit->setText("2.5");
    form.MonoButton->setChecked(true);
    form.FormatCombo->setCurrentIndex(5);
    form.RefEdit->setText("0.25");
    form.OKButtonClick();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_EQ(form.dataLength, 110250);
    EXPECT_TRUE(form.inSeconds);
    EXPECT_FALSE(form.stereo);
    EXPECT_EQ(form.dataFormat, 5);
    EXPECT_EQ(form.refLevel, 0.25);

    widgets::TWaveFileForm samples(nullptr, boxes, 48000, 96000, false, false, 1.0, 1000.0, 0.0, 5, 0.5);
    samples.FormShow();
    EXPECT_EQ(samples.LengthEdit->text(), "96000");
    EXPECT_EQ(samples.LengthSelect->currentText(), "Samples");
    EXPECT_TRUE(samples.MonoButton->isChecked());
    EXPECT_TRUE(samples.RefGroup->isEnabled());
}

TEST(TWaveFileForm, ReferenceGroupFollowsTheFormat)
{
    RecordingBoxes boxes;
    widgets::TWaveFileForm form(nullptr, boxes, 44100, 441000, true, true, 1.0, 1000.0, 6.0, 1, 0.1);
    EXPECT_FALSE(form.RefGroup->isEnabled());
    const std::pair<int, bool> steps[] = {{4, true}, {2, false}, {5, true}, {0, false}};
    for (const auto& [index, enabled] : steps) {
        form.FormatCombo->setCurrentIndex(index);
        EXPECT_EQ(form.RefGroup->isEnabled(), enabled) << index;
    }
}

// ---- The progress window ----

std::string tempPath(const std::string& name)
{
    return (fs::temp_directory_path() / ("corvane-window-" + std::to_string(::getpid()) + "-" + name)).string();
}

std::vector<std::uint8_t> fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Answers the cancel question as scripted; while "open" it can let time pass
// with the event loop running, as a real modal question would.
class ScriptedQuestion : public widgets::CancelQuestion {
public:
    bool ask(QWidget*) override
    {
        ++asked;
        if (whileOpen)
            whileOpen();
        return answer;
    }
    bool answer = false;
    int asked = 0;
    std::function<void()> whileOpen;
};

// A generator that stops at its third block until the test lets it go, so a
// cancel arrives mid-file however fast or slow the machine is. The window's
// thread sees the stop (or the "No") before the writing can go on.
class GatedGen : public signal::MiniWaveGen {
public:
    // Its samples come through the fills, so the gate is met.
    std::optional<double> sineAmplitude() const override { return std::nullopt; }
    using signal::MiniWaveGen::execStore;
    int execStore(double* left, double* right, int dataSize) override
    {
        if (++calls == 3) {
            reached.store(true, std::memory_order_release);
            std::unique_lock lock(m);
            // Bounded: a test that never opens the gate fails, it does not hang.
            opened.wait_for(lock, std::chrono::seconds(60), [this] { return open; });
        }
        return signal::MiniWaveGen::execStore(left, right, dataSize);
    }
    void release()
    {
        {
            std::lock_guard lock(m);
            open = true;
        }
        opened.notify_all();
    }
    std::atomic<bool> reached{false};

private:
    int calls = 0; // writing thread only
    std::mutex m;
    std::condition_variable opened;
    bool open = false;
};

// Once the generator waits at its gate, runs act on the window's thread and
// opens the gate.
void atTheGate(QObject& context, GatedGen& gen, std::function<void()> act)
{
    auto* poll = new QTimer(&context);
    QObject::connect(poll, &QTimer::timeout, &context, [poll, &gen, act = std::move(act)] {
        if (!gen.reached.load(std::memory_order_acquire))
            return;
        poll->stop();
        act();
        gen.release();
    });
    poll->start(1);
}

void waitWithEvents(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Shows the window modally, as the save command does, with a safety net.
int runModal(widgets::TWaveFileWrite& window)
{
    QTimer::singleShot(20000, &window, [&window] { window.done(QDialog::Rejected); });
    return window.exec();
}

TEST(TWaveFileWrite, SetParamsRefusals)
{
    const std::string path = tempPath("params.wav");
    signal::MiniWaveGen gen;
    struct Case {
        const char* name;
        int fs, numCh, dataType, dataFormat;
        double scale;
        int expected;
    };
    const Case cases[] = {
        {"ThreeChannels", 44100, 3, 4, 1, 1.0, -1114}, {"FsZero", 0, 2, 4, 1, 1.0, -1114},
        {"F64FromInts", 44100, 2, 2, 5, 1.0, -1114},   {"U8NegativeScale", 44100, 2, 4, 0, -1.0, -1114},
        {"F32NegativeScale", 44100, 2, 4, 4, -1.0, 0}, {"NoFormat", 44100, 2, 4, -1, 1.0, -1114},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        widgets::TWaveFileWrite window(nullptr, path);
        ASSERT_EQ(window.openError(), 0);
        EXPECT_EQ(window.setParams(&gen, 1000, c.fs, c.numCh, static_cast<char>(c.dataType),
                                   static_cast<char>(c.dataFormat), c.scale),
                  c.expected);
    }
    EXPECT_TRUE(fileBytes(path).empty());
    fs::remove(path);

    widgets::TWaveFileWrite nowhere(nullptr, tempPath("missing-dir") + "/x.wav");
    EXPECT_EQ(nowhere.openError(), ENOENT);
}

TEST(TWaveFileWrite, WritesTheFileAndClosesItself)
{
    const std::string path = tempPath("full.wav");
    signal::MiniWaveGen gen;
    gen.setSignal(0, 2, 400, 44100, 1.9952623149688795);
    ScriptedQuestion question;
    QElapsedTimer clock;
    {
        widgets::TWaveFileWrite window(nullptr, path, &question);
        ASSERT_EQ(window.setParams(&gen, 441000, 44100, 2, core::SampleType::Float64, wavio::S16, wavio::fullScale(wavio::S16)), 0);
        clock.start();
        EXPECT_EQ(runModal(window), QDialog::Accepted);
        EXPECT_FALSE(window.cancelled());
        EXPECT_EQ(window.storeResult(), 0);
        EXPECT_EQ(window.FileProgress->value(), 100);
    }
    // The thread starts at the first poll, 100 ms after the first paint.
    EXPECT_GE(clock.elapsed(), 100);
    EXPECT_EQ(question.asked, 0);

    // The same file as the writing thread alone makes: an equality between
    // the window's path and the thread's, whose bytes are checked elsewhere.
    MemorySink expected;
    signal::MiniWaveGen reference;
    reference.setSignal(0, 2, 400, 44100, 1.9952623149688795);
    wavio::FileWriteThread thread(expected, reference, 441000, 44100, 2);
    thread.setDataFormat(core::SampleType::Float64, wavio::S16, wavio::fullScale(wavio::S16));
    thread.start();
    ASSERT_TRUE(thread.waitDone(std::chrono::seconds(60)));
    EXPECT_TRUE(sameBytes(expected.bytes, fileBytes(path)));
    fs::remove(path);
}

TEST(TWaveFileWrite, CancelAnsweredNoGoesOn)
{
    const std::string path = tempPath("no.wav");
    GatedGen gen;
    gen.setSignal(0, 2, 400, 8000, 1.0);
    ScriptedQuestion question;
    question.answer = false;
    widgets::TWaveFileWrite window(nullptr, path, &question);
    ASSERT_EQ(window.setParams(&gen, 80000, 8000, 2, core::SampleType::Float64, wavio::S16, 1.0), 0);
    atTheGate(window, gen, [&window] { window.CancelButtonClick(); });
    EXPECT_EQ(runModal(window), QDialog::Accepted);
    EXPECT_EQ(question.asked, 1);
    EXPECT_FALSE(window.cancelled());
    EXPECT_EQ(window.storeResult(), 0);
    EXPECT_EQ(fileBytes(path).size(), 44u + 80000u * 4u);
    fs::remove(path);
}

TEST(TWaveFileWrite, CancelAnsweredYesStopsAfterTheCurrentBlock)
{
    const std::string path = tempPath("yes.wav");
    GatedGen gen;
    gen.setSignal(0, 2, 400, 8000, 1.0);
    ScriptedQuestion question;
    question.answer = true;
    widgets::TWaveFileWrite window(nullptr, path, &question);
    ASSERT_EQ(window.setParams(&gen, 8000 * 100, 8000, 2, core::SampleType::Float64, wavio::S16, 1.0), 0);
    atTheGate(window, gen, [&window] { window.CancelButtonClick(); });
    EXPECT_EQ(runModal(window), QDialog::Accepted);
    EXPECT_TRUE(window.cancelled());
    EXPECT_EQ(window.storeResult(), 0);
    // The part written before the cancel went with the temporary file.
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(window.removeError(), 0);
}

TEST(TWaveFileWrite, ThreadFinishingWhileTheQuestionIsOpen)
{
    for (const bool answer : {true, false}) {
        SCOPED_TRACE(answer);
        const std::string path = tempPath("open.wav");
        signal::MiniWaveGen gen;
        gen.setSignal(0, 1, 400, 8000, 1.0);
        ScriptedQuestion question;
        question.answer = answer;
        widgets::TWaveFileWrite* w = nullptr;
        int pollsWhileOpen = 0;
        question.whileOpen = [&] {
            // Polls keep running while the question is open; the window
            // must wait for the answer even though the thread is done.
            for (int i = 0; i < 5; ++i) {
                waitWithEvents(110);
                ++pollsWhileOpen;
                ASSERT_TRUE(w->isVisible());
            }
        };
        widgets::TWaveFileWrite window(nullptr, path, &question);
        w = &window;
        ASSERT_EQ(window.setParams(&gen, 8000, 8000, 1, core::SampleType::Float64, wavio::S16, 1.0), 0);
        QTimer::singleShot(120, &window, [&window] { window.CancelButtonClick(); });
        EXPECT_EQ(runModal(window), QDialog::Accepted);
        EXPECT_EQ(pollsWhileOpen, 5);
        EXPECT_EQ(window.cancelled(), answer);
        EXPECT_EQ(window.storeResult(), 0);
        // All was written either way, but a confirmed cancel keeps none of it.
        EXPECT_EQ(fileBytes(path).size(), answer ? 0u : 44u + 16000u);
        EXPECT_EQ(fs::exists(path), !answer);
        fs::remove(path);
    }
}

TEST(TWaveFileWrite, CloseBoxAsksAndNeverClosesDirectly)
{
    const std::string path = tempPath("close.wav");
    GatedGen gen;
    gen.setSignal(0, 2, 400, 8000, 1.0);
    ScriptedQuestion question;
    question.answer = false;
    widgets::TWaveFileWrite window(nullptr, path, &question);
    ASSERT_EQ(window.setParams(&gen, 80000, 8000, 2, core::SampleType::Float64, wavio::S16, 1.0), 0);
    bool visibleAfterClose = false;
    atTheGate(window, gen, [&] {
        window.close();
        visibleAfterClose = window.isVisible();
        question.answer = true;
        window.close(); // now confirmed: stops at the next poll
    });
    EXPECT_EQ(runModal(window), QDialog::Accepted);
    EXPECT_TRUE(visibleAfterClose);
    EXPECT_EQ(question.asked, 2);
    EXPECT_TRUE(window.cancelled());
    fs::remove(path);
}

TEST(TCancelConfirm, Buttons)
{
    widgets::TCancelConfirm yes(nullptr);
    EXPECT_EQ(yes.windowTitle(), "Confirmation Box");
    EXPECT_EQ(yes.Label1->text(), "Do you really want to cancel?");
    EXPECT_FALSE(yes.confirmed);
    yes.YesButton->click();
    EXPECT_TRUE(yes.confirmed);

    widgets::TCancelConfirm no(nullptr);
    no.NoButton->click();
    EXPECT_FALSE(no.confirmed);
}

} // namespace
