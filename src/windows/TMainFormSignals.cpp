#include "windows/TMainForm.h"

#include "MainFormPlaces.h"

#include "core/ParameterTexts.h"
#include "shell/OkBox.h"
#include "widgets/FormInput.h"
#include "widgets/WindowChords.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>

#include <algorithm>
#include <limits>

// The signal choice and the fields of every signal but the tone, built from
// the parameter table: a signal the tables gain appears here without code.
namespace corvane::windows {

namespace {

constexpr int kRowPitch = 32; // the tone's rows stand this far apart
constexpr int kFirstRowTop = kSigFreqPlace.top;
constexpr int kLabelWidth = kSigFreqPlace.left - kSigFreqLabelPlace.left - 4;
constexpr int kEditWidth = kSigLevelPlace.width;
constexpr int kListWidth = kFsSelectPlace.width;
constexpr int kRowHeight = kSigFreqPlace.height;
constexpr int kButtonDrop = kDrawButtonPlace.top - kWaveSelectPlace.top;

QString textOf(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A field's object name: its option without the dashes ("from", "fade-in").
QString fieldName(const session::ParamInfo& row)
{
    return textOf(row.option).remove(QStringLiteral("--"));
}

QString captionWithoutMnemonic(const session::ParamInfo& row)
{
    return textOf(row.caption).remove(QLatin1Char('&'));
}

// Numbers in the user's notation, without group separators, so that what
// is shown reads back as the same value.
QLocale numberLocale()
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale;
}

QString defaultText(const session::ParamInfo& row)
{
    const QLocale locale = numberLocale();
    if (row.type == session::ParamType::Whole)
        return locale.toString(static_cast<qulonglong>(row.defaultValue));
    return locale.toString(row.defaultValue, 'g', 15);
}

std::optional<std::uint64_t> readWhole(const QString& text)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const qulonglong value = locale.toULongLong(text.trimmed(), &ok);
    if (!ok)
        return std::nullopt;
    return static_cast<std::uint64_t>(value);
}

} // namespace

void TMainForm::buildSignalChoice()
{
    // The choice sits at the right of the menu bar, so the tone's window
    // keeps every control where it was and the plot its place.
    auto* corner = new QWidget(ActionMainMenuBar1);
    corner->setObjectName(QStringLiteral("SignalChoice"));
    auto* row = new QHBoxLayout(corner);
    row->setContentsMargins(0, 1, 4, 1);
    row->setSpacing(6);
    SignalLabel = new QLabel(QStringLiteral("&Signal"), corner);
    SignalLabel->setObjectName(QStringLiteral("SignalLabel"));
    SignalSelect = new QComboBox(corner);
    SignalSelect->setObjectName(QStringLiteral("SignalSelect"));
    SignalSelect->setFixedHeight(kMenuBarHeight - 2);
    for (std::size_t i = 0; i < core::kSignalKinds.size(); ++i)
        widgets::addCodeItem(*SignalSelect, session::signalCaption(core::kSignalKinds[i]), static_cast<int>(i));
    SignalSelect->setCurrentIndex(static_cast<int>(core::SignalKind::Tone));
    SignalLabel->setBuddy(SignalSelect);
    row->addWidget(SignalLabel);
    row->addWidget(SignalSelect);
    ActionMainMenuBar1->setCornerWidget(corner, Qt::TopRightCorner);
    // Reading order: the choice at the top comes before the tone's rows.
    setTabOrder(SignalSelect, SigFreq);
    connect(SignalSelect, &QComboBox::currentIndexChanged, this, [this] { SignalSelectChange(); });
}

core::SignalKind TMainForm::signalKind() const
{
    const int code = SignalSelect->currentData().toInt();
    return code >= 0 && code < static_cast<int>(core::kSignalKinds.size())
               ? core::kSignalKinds[static_cast<std::size_t>(code)].kind
               : core::SignalKind::Tone;
}

QString TMainForm::fieldText(const SignalField& field) const
{
    if (auto* edit = qobject_cast<QLineEdit*>(field.editor))
        return edit->text();
    if (auto* list = qobject_cast<QComboBox*>(field.editor))
        return list->currentText();
    return static_cast<QCheckBox*>(field.editor)->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
}

void TMainForm::dropSignalFields()
{
    const int kind = SignalSelect->property("shownKind").toInt();
    for (const SignalField& field : signalFields) {
        keptFieldTexts[{kind, field.row->param}] = fieldText(field);
        for (QWidget* w : {static_cast<QWidget*>(field.label), field.editor, static_cast<QWidget*>(field.unit)}) {
            if (w == nullptr)
                continue;
            std::erase_if(rightColumn, [w](const auto& entry) { return entry.first == w; });
            delete w;
        }
    }
    signalFields.clear();
}

void TMainForm::buildSignalFields()
{
    const core::SignalKind kind = signalKind();
    const int code = static_cast<int>(kind);
    SignalSelect->setProperty("shownKind", code);
    QWidget* client = centralWidget();
    const int extraWidth = width() - kDefaultSize.width();
    QWidget* previous = SignalSelect;
    int top = kFirstRowTop;
    for (const session::ParamInfo& row : session::kJobParams) {
        if (!session::hasParam(kind, row))
            continue;
        const auto kept = keptFieldTexts.find({code, row.param});
        const QString text = kept != keptFieldTexts.end() ? kept->second : defaultText(row);
        const QString name = fieldName(row);
        SignalField field{&row, new QLabel(textOf(row.caption), client), nullptr, nullptr};
        field.label->setObjectName(name + QStringLiteral("Label"));
        field.label->setFont(paramFont);
        field.label->setGeometry(kSigFreqLabelPlace.left, top - kMenuBarHeight + 4, kLabelWidth, 17);
        int editorWidth = kEditWidth;
        if (row.type == session::ParamType::Flag) {
            auto* check = new QCheckBox(client);
            check->setChecked(text == QStringLiteral("1"));
            field.editor = check;
        } else if (row.param == session::JobParam::RateHz) {
            auto* list = new QComboBox(client);
            list->setEditable(true);
            list->setInsertPolicy(QComboBox::NoInsert);
            for (const int rate : session::kOfferedRatesHz)
                list->addItem(numberLocale().toString(rate));
            list->setCurrentText(text);
            field.editor = list;
            editorWidth = kListWidth;
        } else {
            field.editor = new QLineEdit(text, client);
        }
        field.editor->setObjectName(name);
        field.editor->setFont(paramFont);
        field.editor->setGeometry(kSigFreqPlace.left, top - kMenuBarHeight, editorWidth, kRowHeight);
        field.label->setBuddy(field.editor);
        // A list is as wide as the tone's rate list, which shows no unit either.
        if (!row.unit.empty() && editorWidth == kEditWidth) {
            field.unit = new QLabel(textOf(row.unit), client);
            field.unit->setFont(paramFont);
            field.unit->setGeometry(kDbPlace.left, top - kMenuBarHeight + 4, 30, 17);
        }
        for (QWidget* w : {static_cast<QWidget*>(field.label), field.editor, static_cast<QWidget*>(field.unit)}) {
            if (w == nullptr)
                continue;
            rightColumn.emplace_back(w, w->x());
            w->move(w->x() + extraWidth, w->y());
            w->show();
        }
        setTabOrder(previous, field.editor);
        previous = field.editor;
        signalFields.push_back(field);
        top += kRowPitch;
    }
    if (!signalFields.empty()) {
        setTabOrder(previous, AutoScaleButton);
        chords->watchEditors(*this);
    }
    // The buttons stand below the last row as they stand below the waveshape.
    const int lastTop = top - kRowPitch;
    placeForSignal(signalFields.empty() ? 0 : std::max(0, lastTop + kButtonDrop - kDrawButtonPlace.top));
}

void TMainForm::placeForSignal(int extraHeight)
{
    const int grown = extraHeight - fieldsExtraHeight;
    fieldsExtraHeight = extraHeight;
    for (const auto& [button, place] :
         {std::pair{DrawButton, kDrawButtonPlace}, std::pair{AutoScaleButton, kAutoScaleButtonPlace},
          std::pair{HorizExpandButton, kHorizExpandButtonPlace}})
        button->move(button->x(), place.top - kMenuBarHeight + extraHeight);
    // A larger minimum grows the window at once; the height wanted is the
    // one from before.
    const int wanted = height() + grown;
    setMinimumSize(kDefaultSize + QSize(0, extraHeight));
    resize(width(), wanted);
}

namespace {

constexpr const char* kSignalKey = "mainWindow/signal";

QString fieldKey(const core::SignalKindInfo& signal, const session::ParamInfo& row)
{
    return QStringLiteral("mainWindow/fields/%1/%2").arg(textOf(signal.cliName), fieldName(row));
}

} // namespace

void TMainForm::restoreSignalChoice(QSettings& settings)
{
    for (const core::SignalKindInfo& signal : core::kSignalKinds) {
        for (const session::ParamInfo& row : session::kJobParams) {
            const QVariant text = settings.value(fieldKey(signal, row));
            if (session::hasParam(signal.kind, row) && text.canConvert<QString>())
                keptFieldTexts[{static_cast<int>(signal.kind), row.param}] = text.toString();
        }
    }
    // A name this program does not know (from a later one) leaves the tone.
    const std::string name = settings.value(QString::fromLatin1(kSignalKey)).toString().toStdString();
    const auto kind = core::signalKindOfName(name);
    const int index = SignalSelect->findData(static_cast<int>(kind.value_or(core::SignalKind::Tone)));
    if (index == SignalSelect->currentIndex()) {
        // Already chosen: its fields are built again from the texts just read.
        SignalSelectChange();
    } else {
        SignalSelect->setCurrentIndex(index);
    }
}

void TMainForm::saveSignalChoice(QSettings& settings)
{
    const int shown = SignalSelect->property("shownKind").toInt();
    for (const SignalField& field : signalFields)
        keptFieldTexts[{shown, field.row->param}] = fieldText(field);
    settings.setValue(QString::fromLatin1(kSignalKey),
                      textOf(core::kSignalKinds[static_cast<std::size_t>(signalKind())].cliName));
    for (const auto& [key, text] : keptFieldTexts) {
        const auto& signal = core::kSignalKinds[static_cast<std::size_t>(key.first)];
        for (const session::ParamInfo& row : session::kJobParams) {
            if (row.param == key.second)
                settings.setValue(fieldKey(signal, row), text);
        }
    }
}

void TMainForm::SignalSelectChange()
{
    const bool tone = signalKind() == core::SignalKind::Tone;
    dropSignalFields();
    for (QWidget* w : std::initializer_list<QWidget*>{SigFreqLabel, SigFreq, SigLevelLabel, SigLevel, dB,
                                                      SampleFreq, FsSelect, Label1, WaveSelect})
        w->setVisible(tone);
    buildSignalFields();
    if (tone) {
        // The fields took the buttons into their chain; the tone's order
        // comes back as it always was.
        QWidget* const order[] = {SignalSelect, SigFreq,  SigLevel,   AutoScaleButton,
                                  DrawButton,   FsSelect, WaveSelect, HorizExpandButton};
        for (std::size_t i = 1; i < std::size(order); ++i)
            setTabOrder(order[i - 1], order[i]);
    }
}

std::optional<session::JobDescription> TMainForm::typedJob()
{
    session::JobDescription job;
    job.kind = signalKind();
    job.format = core::SampleFormat::S16;
    job.channels = stereo ? 2 : 1;
    job.refLevel = refLevel;
    for (const SignalField& field : signalFields) {
        const session::ParamInfo& row = *field.row;
        if (row.type == session::ParamType::Flag) {
            session::setParam(job, row.param, static_cast<QCheckBox*>(field.editor)->isChecked() ? 1.0 : 0.0);
        } else if (row.type == session::ParamType::Whole) {
            const auto value = readWhole(fieldText(field));
            if (!value || !session::inRange(row, *value)) {
                box.show((captionWithoutMnemonic(row) +
                          QStringLiteral(" takes a whole number from %1 to %2.").arg(row.minimum).arg(row.maximum))
                             .toStdString(),
                         core::kParameterErrorTitle);
                field.editor->setFocus();
                return std::nullopt;
            }
            session::setWhole(job, row.param, *value);
        } else {
            const auto value = widgets::readLocaleReal(fieldText(field));
            if (!value) {
                box.show(core::kInvalidValueText, core::kParameterErrorTitle);
                field.editor->setFocus();
                return std::nullopt;
            }
            session::setParam(job, row.param, *value);
        }
    }
    return job;
}

} // namespace corvane::windows
