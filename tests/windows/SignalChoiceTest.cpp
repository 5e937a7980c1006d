// The main window's signal choice: every signal of the table, each with the
// fields its parameter rows describe, reached by their mnemonics, and saved
// byte for byte as `corvane export` writes it.

#include "core/CodeSets.h"
#include "core/SignalParameters.h"
#include "session/JobCheck.h"
#include "session/JobParams.h"
#include "support/Files.h"
#include "support/MainFormControls.h"
#include "support/Process.h"
#include "support/RecordingBoxes.h"
#include "widgets/TWaveFileForm.h"
#include "widgets/TWaveFileWrite.h"
#include "widgets/WaveDraw.h"
#include "windows/DisplayProgress.h"
#include "windows/SaveAsCommand.h"
#include "windows/TMainForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace corvane;

namespace {

namespace fs = std::filesystem;

constexpr int kActivationTimeoutMs = 5000;

std::vector<std::uint8_t> fileBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

QString qtext(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QString controlName(const session::FieldInfo& row)
{
    return qtext(row.option).remove(QStringLiteral("--"));
}

// Every signal the window offers besides the tone.
std::vector<core::SignalKind> signalsWithFields()
{
    std::vector<core::SignalKind> kinds;
    for (const core::SignalKindInfo& signal : core::kSignalKinds)
        if (signal.kind != core::SignalKind::Tone)
            kinds.push_back(signal.kind);
    return kinds;
}

struct SignalChoice : ::testing::Test {
    SignalChoice() { choice = named<QComboBox>(form, "SignalSelect"); }

    void choose(core::SignalKind kind) { choice->setCurrentIndex(choice->findData(static_cast<int>(kind))); }

    RecordingBoxes box;
    windows::TMainForm form{box};
    Controls ui{form};
    QComboBox* choice = nullptr;
};

TEST_F(SignalChoice, ListsEverySignalWithTheToneFirstAndChosen)
{
    ASSERT_EQ(choice->count(), static_cast<int>(core::kSignalKinds.size()));
    const char* const captions[] = {"Tone", "Sweep", "White noise", "Pink noise"};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(choice->itemText(i), captions[i]);
    EXPECT_EQ(form.signalKind(), core::SignalKind::Tone);
    EXPECT_EQ(named<QLabel>(form, "SignalLabel")->buddy(), choice);
    EXPECT_EQ(form.size(), windows::TMainForm::kDefaultSize);
}

TEST_F(SignalChoice, EachSignalShowsTheFieldsOfItsRowsAndTheToneComesBack)
{
    form.show();
    const QSize toneSize = form.size();
    for (const core::SignalKind kind : signalsWithFields()) {
        SCOPED_TRACE(static_cast<int>(kind));
        choose(kind);
        EXPECT_FALSE(ui.SigFreq->isVisible());
        EXPECT_FALSE(ui.WaveSelect->isVisible());
        int shown = 0;
        int lastBottom = 0;
        QStringList names;
        for (const session::FieldInfo& row : session::fieldsOf(kind)) {
            SCOPED_TRACE(std::string(row.option));
            names << controlName(row);
            // The signal's own rows are those its row of the signal table uses.
            if (row.param) {
                EXPECT_TRUE(core::usesParam(kind, *row.param));
            }
            auto* editor = form.findChild<QWidget*>(controlName(row));
            ASSERT_NE(editor, nullptr);
            ++shown;
            EXPECT_TRUE(editor->isVisible());
            auto* label = named<QLabel>(form, controlName(row) + "Label");
            EXPECT_EQ(label->buddy(), editor);
            EXPECT_EQ(label->text().remove('&').toStdString(), row.caption);
            // The caption is not cut off before the field.
            EXPECT_LE(label->sizeHint().width(), label->width());
            EXPECT_LE(form.windowPosition(label).x() + label->width(), form.windowPosition(editor).x());
            // A unit, where there is one, is whole and inside the window.
            for (QLabel* unit : form.findChildren<QLabel*>()) {
                if (unit->isVisible() && unit->y() == label->y() && unit->x() > editor->x()) {
                    EXPECT_EQ(unit->text().toStdString(), row.unit);
                    EXPECT_LE(unit->sizeHint().width(), unit->width());
                    EXPECT_LE(form.windowPosition(unit).x() + unit->width(), form.width());
                }
            }
            // Top to bottom in the table's order.
            EXPECT_GT(form.windowPosition(editor).y(), lastBottom - 1);
            lastBottom = form.windowPosition(editor).y() + editor->height();
            // Each type its control, showing the row's default.
            switch (row.type) {
            case core::ParamType::Flag:
                ASSERT_NE(qobject_cast<QCheckBox*>(editor), nullptr);
                EXPECT_FALSE(qobject_cast<QCheckBox*>(editor)->isChecked());
                break;
            case core::ParamType::Choice: {
                auto* list = qobject_cast<QComboBox*>(editor);
                ASSERT_NE(list, nullptr);
                EXPECT_FALSE(list->isEditable());
                EXPECT_EQ(list->currentText().toStdString(), row.defaultText);
                for (const QString& name : qtext(row.choices).split('|'))
                    EXPECT_GE(list->findText(name), 0) << name.toStdString();
                break;
            }
            default:
                if (auto* list = qobject_cast<QComboBox*>(editor)) {
                    EXPECT_TRUE(list->isEditable());
                    EXPECT_EQ(list->currentText().toStdString(), row.defaultText);
                } else {
                    auto* edit = qobject_cast<QLineEdit*>(editor);
                    ASSERT_NE(edit, nullptr);
                    EXPECT_EQ(edit->text().toStdString(), row.defaultText);
                }
            }
        }
        // No field of another signal is left behind.
        for (const core::SignalParamInfo& row : core::kSignalParams) {
            const QString name = qtext(row.option).remove("--");
            if (!names.contains(name)) {
                EXPECT_EQ(form.findChild<QWidget*>(name), nullptr) << row.option;
            }
        }
        EXPECT_GT(shown, 0);
        // The buttons stand below the fields; the plot keeps its place and size.
        EXPECT_GT(form.windowPosition(ui.DrawButton).y(), lastBottom);
        EXPECT_LE(form.windowPosition(ui.HorizExpandButton).y() + ui.HorizExpandButton->height(), form.height());
        EXPECT_EQ(form.windowPosition(&form.waveCanvas()), QPoint(40, 48));
        EXPECT_EQ(form.waveCanvas().size(), QSize(361, 201));
    }
    // A typed field is kept while another signal is shown.
    choose(core::SignalKind::Sweep);
    named<QLineEdit>(form, "from")->setText("31.5");
    choose(core::SignalKind::Tone);
    EXPECT_TRUE(ui.SigFreq->isVisible());
    EXPECT_EQ(form.findChild<QWidget*>("from"), nullptr);
    EXPECT_EQ(form.size(), toneSize);
    EXPECT_EQ(form.windowPosition(ui.DrawButton), QPoint(464, 176));
    EXPECT_EQ(form.windowPosition(ui.HorizExpandButton), QPoint(464, 256));
    choose(core::SignalKind::Sweep);
    EXPECT_EQ(named<QLineEdit>(form, "from")->text(), "31.5");
    EXPECT_TRUE(box.shown.empty());
}

// Tab pressed where a real key goes walks a signal's controls in reading
// order: the choice, the fields top to bottom, the buttons top to bottom.
TEST_F(SignalChoice, TabWalksEachSignalsControlsInReadingOrder)
{
    form.show();
    QApplication::setActiveWindow(&form);
    for (const core::SignalKind kind : signalsWithFields()) {
        SCOPED_TRACE(static_cast<int>(kind));
        choose(kind);
        std::vector<QWidget*> expected{choice};
        for (const session::FieldInfo& row : session::fieldsOf(kind))
            expected.push_back(form.findChild<QWidget*>(controlName(row)));
        expected.insert(expected.end(), {ui.DrawButton, ui.AutoScaleButton, ui.HorizExpandButton});
        choice->setFocus();
        std::vector<QWidget*> walked;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            QWidget* focus = QApplication::focusWidget();
            ASSERT_NE(focus, nullptr);
            // An editable list's line edit holds the focus for the list.
            walked.push_back(qobject_cast<QComboBox*>(focus->parentWidget()) != nullptr ? focus->parentWidget()
                                                                                        : focus);
            QTest::keyClick(focus, Qt::Key_Tab);
        }
        EXPECT_EQ(walked, expected);
        // And round to the choice again.
        EXPECT_EQ(QApplication::focusWidget(), choice);
    }
}

// Alt and the underlined letter, pressed where a real key goes: the focus.
// For each signal every mnemonic shown in the window is a letter of its own
// and takes the keyboard to its label's buddy; every field's label has one.
TEST_F(SignalChoice, MnemonicsReachEveryNewControl)
{
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form, kActivationTimeoutMs));
    const auto press = [](QChar letter) {
        QTest::keyClick(QApplication::focusWidget(), letter.toLower().toLatin1(), Qt::AltModifier);
    };
    ui.SigLevel->setFocus();
    press('S');
    EXPECT_EQ(QApplication::focusWidget(), choice);
    std::vector<core::SignalKind> kinds = signalsWithFields();
    kinds.push_back(core::SignalKind::Tone);
    for (const core::SignalKind kind : kinds) {
        SCOPED_TRACE(static_cast<int>(kind));
        choose(kind);
        // The letters as the labels show them, the window's own included.
        std::map<QChar, QWidget*> buddies;
        for (QLabel* label : form.findChildren<QLabel*>()) {
            const qsizetype amp = label->text().indexOf('&');
            if (!label->isVisible() || amp < 0 || amp + 1 >= label->text().size())
                continue;
            const QChar letter = label->text().at(amp + 1).toUpper();
            SCOPED_TRACE(label->objectName().toStdString());
            EXPECT_NE(label->buddy(), nullptr);
            EXPECT_TRUE(buddies.emplace(letter, label->buddy()).second) << "twice: " << letter.toLatin1();
        }
        for (const session::FieldInfo& row : session::fieldsOf(kind)) {
            auto* label = named<QLabel>(form, controlName(row) + "Label");
            EXPECT_TRUE(label->text().contains('&')) << row.option;
        }
        EXPECT_EQ(buddies.size(), session::fieldsOf(kind).count + 1);
        for (const auto& [letter, buddy] : buddies) {
            SCOPED_TRACE(std::string(1, letter.toLatin1()));
            (letter == 'S' ? ui.DrawButton : static_cast<QWidget*>(choice))->setFocus();
            press(letter);
            QWidget* focus = QApplication::focusWidget();
            EXPECT_TRUE(focus == buddy || (focus != nullptr && focus->parentWidget() == buddy));
        }
    }
    EXPECT_TRUE(box.shown.empty());
}

// The last signal and its fields come back at the next start, beside the
// geometry; the tone's controls start as they always do.
TEST_F(SignalChoice, TheLastChoiceAndItsFieldsAreRemembered)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("corvane.conf"));
    {
        QSettings settings(path, QSettings::IniFormat);
        windows::TMainForm first(box);
        first.restoreWindowGeometry(settings);
        EXPECT_EQ(first.signalKind(), core::SignalKind::Tone);
        first.show();
        auto* list = named<QComboBox>(first, "SignalSelect");
        list->setCurrentIndex(list->findData(static_cast<int>(core::SignalKind::White)));
        named<QLineEdit>(first, "seed")->setText("12345678901234567890");
        list->setCurrentIndex(list->findData(static_cast<int>(core::SignalKind::Sweep)));
        named<QLineEdit>(first, "to")->setText("16000");
        named<QCheckBox>(first, "sync")->setChecked(true);
        named<QLineEdit>(first, "SigFreq")->setText("1000"); // the tone's are not kept
        first.close();
    }
    QSettings settings(path, QSettings::IniFormat);
    windows::TMainForm next(box);
    next.restoreWindowGeometry(settings);
    EXPECT_EQ(next.signalKind(), core::SignalKind::Sweep);
    EXPECT_EQ(named<QLineEdit>(next, "to")->text(), "16000");
    EXPECT_TRUE(named<QCheckBox>(next, "sync")->isChecked());
    EXPECT_EQ(named<QLineEdit>(next, "SigFreq")->text(), "400");
    auto* list = named<QComboBox>(next, "SignalSelect");
    list->setCurrentIndex(list->findData(static_cast<int>(core::SignalKind::White)));
    EXPECT_EQ(named<QLineEdit>(next, "seed")->text(), "12345678901234567890");

    // A signal this program does not know leaves the tone chosen.
    settings.setValue(QStringLiteral("mainWindow/signal"), QStringLiteral("chirp"));
    windows::TMainForm other(box);
    other.restoreWindowGeometry(settings);
    EXPECT_EQ(other.signalKind(), core::SignalKind::Tone);
    EXPECT_TRUE(box.shown.empty());
}

// A field that does not read stops the display with a box and nothing
// drawn; a job the check refuses says what the command line says.
TEST_F(SignalChoice, FieldsThatDoNotPassAreRefusedWithTheCheckMessages)
{
    form.show();
    choose(core::SignalKind::Sweep);
    const auto checkMessage = [](const char* to) {
        session::JobDescription job;
        job.kind = core::SignalKind::Sweep;
        job.toHz = std::stod(to);
        job.channels = 1;
        const auto checked = session::checkJob(job);
        return checked.refused() ? checked.findings.back().text : std::string("(passes)");
    };
    struct Case {
        const char* field;
        const char* text;
        RecordingBoxes::Shown shown;
    };
    const Case cases[] = {
        {"level", "loud", {{"Only a valid value can be accepted.", "Parameter Error"}}},
        {"fs", "1000", {{"Rate takes a whole number from 8000 to 384000.", "Parameter Error"}}},
        {"fs", "44100.5", {{"Rate takes a whole number from 8000 to 384000.", "Parameter Error"}}},
        {"to", "30000", {{checkMessage("30000"), "Parameter Error"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " " + c.text);
        choose(core::SignalKind::Tone);
        choose(core::SignalKind::Sweep);
        QWidget* editor = named<QWidget>(form, c.field);
        if (auto* edit = qobject_cast<QLineEdit*>(editor))
            edit->setText(c.text);
        else
            qobject_cast<QComboBox*>(editor)->setEditText(c.text);
        box.shown.clear();
        form.dataSize = 0;
        form.DrawButtonClick();
        EXPECT_EQ(box.shown, c.shown);
        EXPECT_EQ(form.dataSize, 0);
        // Put back for the next case.
        if (auto* edit = qobject_cast<QLineEdit*>(editor))
            edit->setText(c.field == std::string("to") ? "20000" : "6");
        else
            qobject_cast<QComboBox*>(editor)->setEditText("44100");
    }
}

// Every signal's own fields: text that is no number in the locale gets the
// window's words, a value out of the row's range the setter's, and the
// field that was refused has the keyboard.
TEST_F(SignalChoice, OwnFieldsOfEverySignalAreRefusedInTheirOwnWords)
{
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form, kActivationTimeoutMs));
    struct Case {
        core::SignalKind kind;
        const char* field;
        const char* text;
        std::string shown;
    };
    const Case cases[] = {
        {core::SignalKind::Mls, "order", "30", "Order takes a whole number from 4 to 24."},
        {core::SignalKind::Mls, "order", "4.5", "Order: only a valid value can be accepted."},
        {core::SignalKind::Burst, "cycles", "many", "Only a valid value can be accepted."},
        {core::SignalKind::Burst, "cycles", "0.25", "Cycles takes from 0.5 to 1000000."},
        {core::SignalKind::Imd, "ratio", "0", "Ratio takes from 0.001 to 1000."},
        {core::SignalKind::Multitone, "tones", "100,x", "Only a valid value can be accepted."},
        {core::SignalKind::Multitone, "tones", "100,0.5", "Tones takes from 1 Hz."},
        {core::SignalKind::Multitone, "phase", "400", "Right phase takes from -360 to 360 deg."},
        {core::SignalKind::White, "period", "512", "Period takes a whole number from 1024 to 1048576 frames."},
        {core::SignalKind::White, "seed", "-1", "Seed takes a whole number from 0 to 18446744073709551615."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " " + c.text);
        choose(c.kind);
        auto* edit = named<QLineEdit>(form, c.field);
        const QString before = edit->text();
        edit->setText(c.text);
        ui.DrawButton->setFocus();
        box.shown.clear();
        form.dataSize = 0;
        form.DrawButtonClick();
        EXPECT_EQ(box.shown, (RecordingBoxes::Shown{{c.shown, "Parameter Error"}}));
        EXPECT_EQ(form.dataSize, 0);
        EXPECT_EQ(QApplication::focusWidget(), edit);
        edit->setText(before);
    }
}

// A sweep's display against the closed form: the whole length as each
// column's lowest and highest 16-bit step, or the first samples themselves.
TEST_F(SignalChoice, ASweepIsShownWholeAsAnEnvelopeOrItsStart)
{
    form.show();
    choose(core::SignalKind::Sweep);
    const int fs = 8000;
    const int frames = 8000;
    named<QComboBox>(form, "fs")->setEditText("8000");
    named<QLineEdit>(form, "seconds")->setText("1");
    named<QLineEdit>(form, "from")->setText("50");
    named<QLineEdit>(form, "to")->setText("3000");
    named<QLineEdit>(form, "level")->setText("6");
    const double a = std::pow(10.0, 6.0 / 20.0);
    const double rate = (frames / double(fs)) / std::log(3000.0 / 50.0);
    std::vector<double> steps(frames);
    for (int n = 0; n < frames; ++n) {
        const double x = a * std::sin(2.0 * M_PI * 50.0 * rate * (std::exp(n / (fs * rate)) - 1.0));
        steps[static_cast<std::size_t>(n)] = std::copysign(std::trunc(std::fabs(x) * 3276.7 + 0.5), x);
    }
    form.DrawButtonClick();
    ASSERT_TRUE(box.shown.empty());
    ASSERT_EQ(form.dataSize, 2 * 4096);
    for (int c = 0; c < 4096; ++c) {
        const auto first = steps.begin() + static_cast<long>(frames) * c / 4096;
        const auto last = steps.begin() + static_cast<long>(frames) * (c + 1) / 4096;
        const auto [low, high] = std::minmax_element(first, last);
        // One step either way for the fast sine's last bit.
        EXPECT_NEAR(form.displayData[2 * static_cast<std::size_t>(c)], *low, 1.0) << c;
        EXPECT_NEAR(form.displayData[2 * static_cast<std::size_t>(c) + 1], *high, 1.0) << c;
    }
    EXPECT_DOUBLE_EQ(form.timeSpan, 1.0);
    const QImage whole = form.plotAreaImage();

    form.AutoScaleButtonClick(); // fits the level: a different picture, same samples
    EXPECT_NE(form.plotAreaImage(), whole);
    form.AutoScaleButtonClick();
    EXPECT_EQ(form.plotAreaImage(), whole);

    form.HorizExpandClick();
    ASSERT_EQ(form.dataSize, 4096);
    for (int n = 0; n < 4096; ++n)
        EXPECT_NEAR(form.displayData[static_cast<std::size_t>(n)], steps[static_cast<std::size_t>(n)], 1.0) << n;
    EXPECT_DOUBLE_EQ(form.timeSpan, 4095.0 / fs);
    EXPECT_TRUE(box.shown.empty());
}

// Types the fields' texts, as a user would.
void typeFields(windows::TMainForm& form, const std::map<QString, QString>& fields)
{
    for (const auto& [name, text] : fields) {
        QWidget* editor = named<QWidget>(form, name);
        if (auto* edit = qobject_cast<QLineEdit*>(editor))
            edit->setText(text);
        else if (auto* list = qobject_cast<QComboBox*>(editor); list != nullptr && list->isEditable())
            list->setEditText(text);
        else if (list != nullptr)
            list->setCurrentIndex(list->findText(text));
    }
}

// A long signal is read on a worker behind a progress window; cancelling it
// leaves the plot, its samples and its toggles as they were.
TEST_F(SignalChoice, CancellingALongDisplayLeavesThePreviousOne)
{
    form.show();
    choose(core::SignalKind::Sweep);
    typeFields(form, {{"fs", "8000"}, {"seconds", "1"}, {"to", "3000"}});
    form.DrawButtonClick();
    form.AutoScaleButtonClick();
    ASSERT_TRUE(box.shown.empty());
    const QImage before = form.plotAreaImage();
    const auto data = form.displayData;
    const int size = form.dataSize;
    const double span = form.timeSpan;

    // 1000 s at 384 kHz takes seconds to read; it is cancelled at once.
    typeFields(form, {{"fs", "384000"}, {"seconds", "1000"}, {"to", "20000"}});
    int progressWindows = 0;
    form.setDisplayProgressHook([&progressWindows](windows::DisplayProgress& window) {
        ++progressWindows;
        QTimer::singleShot(100, &window, [&window] {
            EXPECT_TRUE(window.isVisible());
            window.CancelButtonClick();
        });
    });
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form, kActivationTimeoutMs));
    ui.DrawButton->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space); // "Display Wave" as a user presses it
    EXPECT_EQ(progressWindows, 1);
    // The keyboard is back where it was; activation goes through the window
    // system, so it may take a moment.
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form, kActivationTimeoutMs));
    EXPECT_EQ(QApplication::focusWidget(), ui.DrawButton);
    EXPECT_TRUE(box.shown.empty());
    EXPECT_EQ(form.plotAreaImage(), before);
    EXPECT_TRUE(form.displayData == data);
    EXPECT_EQ(form.dataSize, size);
    EXPECT_EQ(form.timeSpan, span);
    EXPECT_TRUE(form.vertExpand);
    EXPECT_EQ(ui.AutoScaleButton->text(), "Resume Vert.");
    // What plays is still the sweep displayed.
    ASSERT_TRUE(form.displayedSignals[static_cast<std::size_t>(core::SignalKind::Sweep)]);
    EXPECT_EQ(form.displayedSignals[static_cast<std::size_t>(core::SignalKind::Sweep)]->sampleRateHz, 8000);

    // A toggle that reads the long signal, cancelled, keeps its state too.
    form.AutoScaleButtonClick();
    EXPECT_EQ(progressWindows, 2);
    EXPECT_TRUE(form.vertExpand);
    EXPECT_EQ(ui.AutoScaleButton->text(), "Resume Vert.");
    EXPECT_EQ(form.plotAreaImage(), before);
}

// What the worker reads is what the window's thread reads.
TEST_F(SignalChoice, ALongDisplayOnTheWorkerEqualsTheImmediateOne)
{
    struct Row {
        const char* name;
        core::SignalKind kind;
        std::map<QString, QString> fields;
    };
    const Row rows[] = {
        {"sweep", core::SignalKind::Sweep, {{"fs", "48000"}, {"seconds", "3"}}},
        {"pink", core::SignalKind::Pink, {{"fs", "44100"}, {"seconds", "2"}, {"fade-in", "0.5"}}},
        {"burst", core::SignalKind::Burst, {{"fs", "96000"}, {"seconds", "1"}, {"window", "hann"}}},
    };
    windows::TMainForm worker(box);
    worker.setImmediateDisplayFrames(0);
    int progressWindows = 0;
    worker.setDisplayProgressHook([&progressWindows](windows::DisplayProgress&) { ++progressWindows; });
    form.show();
    worker.show();
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        for (windows::TMainForm* f : {&form, &worker}) {
            auto* list = named<QComboBox>(*f, "SignalSelect");
            list->setCurrentIndex(list->findData(static_cast<int>(r.kind)));
            typeFields(*f, r.fields);
            f->DrawButtonClick();
        }
        ASSERT_TRUE(box.shown.empty());
        EXPECT_EQ(worker.dataSize, 2 * 4096);
        EXPECT_EQ(worker.dataSize, form.dataSize);
        EXPECT_TRUE(worker.displayData == form.displayData);
        EXPECT_EQ(worker.timeSpan, form.timeSpan);
        EXPECT_EQ(worker.plotAreaImage(), form.plotAreaImage());
    }
    EXPECT_EQ(progressWindows, 3);
}

// What the window saves for a signal typed into its fields is what
// `corvane export` writes for the same options.
TEST_F(SignalChoice, SavedBytesEqualTheCommandLines)
{
    const fs::path dir = freshTestFolder("corvane-signal-save");
    struct Row {
        const char* name;
        core::SignalKind kind;
        std::map<QString, QString> fields; // by field name; flags "1"
        bool mono;
        int format; // the dialog's list index
        bool dither;
        std::vector<std::string> args;
        bool comma = false; // typed in a locale whose decimal separator is ','
    };
    const Row rows[] = {
        {"sweep",
         core::SignalKind::Sweep,
         {{"from", "100"},
          {"to", "10000"},
          {"sync", "1"},
          {"level", "-3"},
          {"fs", "48000"},
          {"seconds", "1.5"},
          {"fade-in", "0.1"},
          {"fade-out", "0.05"}},
         false,
         2,
         true,
         {"--dither", "tpdf",      "--signal", "sweep",      "--from", "100",      "--to",
          "10000",    "--sync",    "--level",  "-3",         "--fs",   "48000",    "--seconds",
          "1.5",      "--fade-in", "0.1",      "--fade-out", "0.05",   "--format", "s24"}},
        {"white",
         core::SignalKind::White,
         {{"seed", "7"}, {"level", "0"}, {"fs", "96000"}, {"seconds", "1"}, {"fade-out", "0.2"}},
         true,
         1,
         true,
         {"--dither", "tpdf", "--signal", "white", "--seed", "7", "--level", "0", "--fs", "96000", "--seconds",
          "1", "--fade-out", "0.2", "--channels", "1"}},
        {"pink",
         core::SignalKind::Pink,
         {{"seed", "3"}, {"level", "10"}, {"fs", "22050"}, {"seconds", "2"}},
         false,
         4,
         false,
         {"--signal", "pink", "--seed", "3", "--level", "10", "--fs", "22050", "--seconds", "2", "--format",
          "f32"}},
        // A decimal comma, and a semicolon between the tones.
        {"multitone",
         core::SignalKind::Multitone,
         {{"tones", "110,5; 1000;5000"},
          {"phase", "-45,5"},
          {"periodic", "1"},
          {"period", "22050"},
          {"level", "-6,5"},
          {"fs", "44100"},
          {"seconds", "1"}},
         false,
         1,
         false,
         {"--signal", "multitone", "--tones", "110.5,1000,5000", "--phase", "-45.5", "--periodic", "--period",
          "22050", "--level", "-6.5", "--fs", "44100", "--seconds", "1"},
         true},
        // No preset: the tones and their ratio.
        {"imd",
         core::SignalKind::Imd,
         {{"preset", ""},
          {"tones", "1000,1500"},
          {"ratio", "2"},
          {"level", "3"},
          {"fs", "48000"},
          {"seconds", "1"}},
         true,
         1,
         false,
         {"--signal", "imd", "--tones", "1000,1500", "--ratio", "2", "--level", "3", "--fs", "48000", "--seconds",
          "1", "--channels", "1"}},
        // A preset takes the place of the tones typed.
        {"imd-din",
         core::SignalKind::Imd,
         {{"preset", "din"}, {"level", "3"}},
         false,
         1,
         false,
         {"--signal", "imd", "--preset", "din", "--level", "3", "--fs", "48000", "--seconds", "1"}},
        {"burst",
         core::SignalKind::Burst,
         {{"freq", "1000"},
          {"cycles", "5"},
          {"period", "20"},
          {"window", "hann"},
          {"level", "0"},
          {"fs", "96000"},
          {"seconds", "1"}},
         false,
         3,
         false,
         {"--signal", "burst", "--freq", "1000", "--cycles", "5", "--period", "20", "--window", "hann", "--level",
          "0", "--fs", "96000", "--seconds", "1", "--format", "s32"}},
        {"burst-cea2010",
         core::SignalKind::Burst,
         {{"freq", "500"},
          {"preset", "cea2010"},
          {"cycles", "10"},
          {"period", "100"},
          {"window", "none"},
          {"fs", "44100"}},
         false,
         1,
         false,
         {"--signal", "burst", "--freq", "500", "--preset", "cea2010", "--level", "0", "--seconds", "1"}},
        {"mls",
         core::SignalKind::Mls,
         {{"order", "12"}, {"level", "-10"}, {"fs", "48000"}, {"seconds", "1"}, {"fade-in", "0.25"}},
         false,
         5,
         false,
         {"--signal", "mls", "--order", "12", "--level", "-10", "--fs", "48000", "--seconds", "1", "--fade-in",
          "0.25", "--format", "f64"}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const fs::path path = dir / (std::string(r.name) + ".wav");
        windows::SaveAsCommand::Dialogs dialogs;
        dialogs.parameters = [&r](widgets::TWaveFileForm& dialog) {
            dialog.FormShow();
            dialog.FormatCombo->setCurrentIndex(r.format);
            (r.mono ? dialog.MonoButton : dialog.StereoButton)->setChecked(true);
            ASSERT_NE(dialog.DitherCheck, nullptr);
            // Dither is for the integer formats only.
            EXPECT_EQ(dialog.DitherCheck->isEnabled(), r.format < 4);
            dialog.DitherCheck->setChecked(r.dither);
            // A sweep offers its inverse filter, beside it by default.
            EXPECT_EQ(dialog.InverseCheck != nullptr, r.kind == core::SignalKind::Sweep);
            if (dialog.InverseCheck != nullptr)
                dialog.InverseCheck->setChecked(true);
            dialog.OKButtonClick();
        };
        dialogs.fileName = [&path](QWidget*, const QString&) -> std::optional<QString> {
            return QString::fromStdString(path.string());
        };
        dialogs.progress = [](widgets::TWaveFileWrite& window) { window.exec(); };
        form.setSaveCommand(std::make_unique<windows::SaveAsCommand>(&form, form, box, std::move(dialogs)));
        if (r.comma)
            QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        choose(r.kind);
        for (const auto& [name, text] : r.fields) {
            QWidget* editor = named<QWidget>(form, name);
            if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
                edit->setText(text);
            } else if (auto* list = qobject_cast<QComboBox*>(editor); list != nullptr && list->isEditable()) {
                list->setEditText(text);
            } else if (list != nullptr) {
                ASSERT_GE(list->findText(text), 0) << name.toStdString();
                list->setCurrentIndex(list->findText(text));
            } else {
                qobject_cast<QCheckBox*>(editor)->setChecked(text == "1");
            }
        }
        box.shown.clear();
        form.FileSaveAs1Execute();
        QLocale::setDefault(QLocale::c());
        EXPECT_TRUE(box.shown.empty()) << box.shown.front().first;

        const fs::path cli = dir / "cli.wav";
        std::vector<std::string> args = {"export", "-o", cli.string(), "--quiet"};
        args.insert(args.end(), r.args.begin(), r.args.end());
        const ProcessResult exported = runProcess(CORVANE_EXE, args);
        ASSERT_EQ(exported.exitCode, 0) << exported.err;
        const auto saved = fileBytes(path);
        EXPECT_GT(saved.size(), 44u);
        EXPECT_TRUE(saved == fileBytes(cli));
        fs::remove(cli);
        if (r.kind == core::SignalKind::Sweep) {
            const fs::path inverse = dir / "sweep-inverse.wav";
            std::vector<std::string> withInverse = args;
            withInverse.insert(withInverse.end(), {"--inverse", (dir / "cli-inverse.wav").string()});
            const ProcessResult both = runProcess(CORVANE_EXE, withInverse);
            ASSERT_EQ(both.exitCode, 0) << both.err;
            EXPECT_GT(fileBytes(inverse).size(), 80u);
            EXPECT_TRUE(fileBytes(inverse) == fileBytes(dir / "cli-inverse.wav"));
            fs::remove(cli);
        }
    }
    fs::remove_all(dir);
}

} // namespace
