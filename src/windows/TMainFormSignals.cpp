#include "windows/TMainForm.h"

#include "MainFormPlaces.h"

#include "core/NumberText.h"
#include "core/ParameterTexts.h"
#include "session/SignalParamValues.h"
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
#include <array>
#include <charconv>
#include <string>

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
// As the level's "dB" stands to its box; a unit keeps a few pixels from the
// window's right edge.
constexpr int kUnitGap = kDbPlace.left - (kSigLevelPlace.left + kSigLevelPlace.width);
constexpr int kUnitMargin = 4;

QString textOf(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString objectNameOf(const session::FieldInfo& row)
{
    return textOf(session::fieldName(row));
}

// Numbers in the user's notation, without group separators, so that what
// is shown reads back as the same value.
QLocale numberLocale()
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale;
}

// A list of numbers is separated by commas, or by semicolons where the
// comma is the decimal separator.
QChar listSeparator()
{
    return numberLocale().decimalPoint() == QStringLiteral(",") ? QLatin1Char(';') : QLatin1Char(',');
}

// '.' text as the user's notation shows it; text that is no number stays.
QString shownNumber(std::string_view text)
{
    const auto value = core::parseReal(text);
    return value ? numberLocale().toString(*value, 'g', QLocale::FloatingPointShortest) : textOf(text);
}

// A row's default text as the field shows it.
QString shownText(const session::FieldInfo& row)
{
    switch (row.type) {
    case core::ParamType::Real: return shownNumber(row.defaultText);
    case core::ParamType::RealList: {
        QStringList shown;
        for (const QString& part : textOf(row.defaultText).split(QLatin1Char(',')))
            shown << shownNumber(part.toStdString());
        return shown.join(listSeparator());
    }
    case core::ParamType::Flag: return row.defaultText == "on" ? QStringLiteral("1") : QStringLiteral("0");
    case core::ParamType::Integer:
    case core::ParamType::Choice: break;
    }
    return textOf(row.defaultText);
}

// The shortest '.' text that reads back as the same double.
std::string dotText(double value)
{
    std::array<char, 64> buffer{};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return error == std::errc() ? std::string(buffer.data(), end) : std::string();
}

// The names a choice offers; an empty one first when the row may be left
// empty (a preset not used).
QStringList choiceItems(const session::FieldInfo& row)
{
    QStringList items = textOf(row.choices).split(QLatin1Char('|'));
    session::JobDescription scratch;
    if (!session::setField(scratch, row, ""))
        items.prepend(QString());
    return items;
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
    SignalLabel = new QLabel(textOf(session::kSignalChoiceCaption), corner);
    SignalLabel->setObjectName(QStringLiteral("SignalLabel"));
    SignalSelect = new QComboBox(corner);
    SignalSelect->setObjectName(QStringLiteral("SignalSelect"));
    SignalSelect->setFixedHeight(kMenuBarHeight - 2);
    for (std::size_t i = 0; i < core::kSignalKinds.size(); ++i)
        widgets::addCodeItem(*SignalSelect, core::kSignalKinds[i].caption, static_cast<int>(i));
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
        keptFieldTexts[{kind, objectNameOf(field.row)}] = fieldText(field);
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
    for (const session::FieldInfo& row : session::fieldsOf(kind)) {
        const QString name = objectNameOf(row);
        const auto kept = keptFieldTexts.find({code, name});
        const QString text = kept != keptFieldTexts.end() ? kept->second : shownText(row);
        SignalField field{row, new QLabel(QString::fromStdString(session::captionWithMnemonic(row)), client),
                          nullptr, nullptr};
        field.label->setObjectName(name + QStringLiteral("Label"));
        field.label->setFont(paramFont);
        field.label->setGeometry(kSigFreqLabelPlace.left, top - kMenuBarHeight + 4, kLabelWidth, 17);
        int editorWidth = kEditWidth;
        if (row.type == core::ParamType::Flag) {
            auto* check = new QCheckBox(client);
            check->setChecked(text == QStringLiteral("1"));
            field.editor = check;
        } else if (row.type == core::ParamType::Choice) {
            // Only the names it offers: a typed name would be refused anyway.
            auto* list = new QComboBox(client);
            list->addItems(choiceItems(row));
            const int index = list->findText(text);
            list->setCurrentIndex(index >= 0 ? index : list->findText(textOf(row.defaultText)));
            field.editor = list;
            editorWidth = kListWidth;
        } else if (!row.choices.empty()) {
            // Values offered beside what is typed (the rates).
            auto* list = new QComboBox(client);
            list->setEditable(true);
            list->setInsertPolicy(QComboBox::NoInsert);
            for (const QString& value : textOf(row.choices).split(QLatin1Char('|')))
                list->addItem(shownNumber(value.toStdString()));
            list->setCurrentText(text);
            field.editor = list;
            editorWidth = kListWidth;
        } else {
            auto* edit = new QLineEdit(text, client);
            edit->setCursorPosition(0); // a long list shows its start
            field.editor = edit;
            // A list of numbers takes the room a list does.
            if (row.type == core::ParamType::RealList)
                editorWidth = kListWidth;
        }
        field.editor->setObjectName(name);
        field.editor->setFont(paramFont);
        field.editor->setGeometry(kSigFreqPlace.left, top - kMenuBarHeight, editorWidth, kRowHeight);
        field.label->setBuddy(field.editor);
        // A wide field reaches the unit column, as the tone's rate list does,
        // which shows no unit either.
        if (!row.unit.empty() && editorWidth == kEditWidth) {
            field.unit = new QLabel(textOf(row.unit), client);
            field.unit->setFont(paramFont);
            // A unit longer than the tone's "dB" takes room from its field
            // rather than run past the window's edge.
            const int unitWidth = field.unit->sizeHint().width();
            const int unitLeft = std::min(kDbPlace.left, kDefaultSize.width() - kUnitMargin - unitWidth);
            field.unit->setGeometry(unitLeft, top - kMenuBarHeight + 4, unitWidth, 17);
            field.editor->resize(std::min(editorWidth, unitLeft - kUnitGap - kSigFreqPlace.left), kRowHeight);
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
        // Below the fields the buttons come in reading order, top to bottom;
        // the tone keeps its own order (SignalSelectChange).
        setTabOrder(previous, DrawButton);
        setTabOrder(DrawButton, AutoScaleButton);
        setTabOrder(AutoScaleButton, HorizExpandButton);
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

QString fieldKey(const core::SignalKindInfo& signal, const QString& field)
{
    return QStringLiteral("mainWindow/fields/%1/%2").arg(textOf(signal.cliName), field);
}

} // namespace

void TMainForm::restoreSignalChoice(QSettings& settings)
{
    for (const core::SignalKindInfo& signal : core::kSignalKinds) {
        for (const session::FieldInfo& row : session::fieldsOf(signal.kind)) {
            const QVariant text = settings.value(fieldKey(signal, objectNameOf(row)));
            if (text.isValid() && text.canConvert<QString>())
                keptFieldTexts[{static_cast<int>(signal.kind), objectNameOf(row)}] = text.toString();
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
        keptFieldTexts[{shown, objectNameOf(field.row)}] = fieldText(field);
    settings.setValue(QString::fromLatin1(kSignalKey),
                      textOf(core::kSignalKinds[static_cast<std::size_t>(signalKind())].cliName));
    for (const auto& [key, text] : keptFieldTexts) {
        settings.setValue(fieldKey(core::kSignalKinds[static_cast<std::size_t>(key.first)], key.second), text);
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

std::optional<std::string> TMainForm::setterText(const SignalField& field)
{
    const QString text = fieldText(field).trimmed();
    const auto notANumber = [&]() -> std::optional<std::string> {
        box.show(core::kInvalidValueText, core::kParameterErrorTitle);
        field.editor->setFocus();
        return std::nullopt;
    };
    switch (field.row.type) {
    case core::ParamType::Flag: return text == QStringLiteral("1") ? "on" : "off";
    case core::ParamType::Choice: return text.toStdString();
    case core::ParamType::Integer: {
        // Digits in the user's notation; anything else goes as typed, for
        // the setter to refuse in its own words.
        QLocale locale;
        locale.setNumberOptions(QLocale::RejectGroupSeparator);
        bool ok = false;
        const qulonglong value = locale.toULongLong(text, &ok);
        return ok ? std::to_string(value) : text.toStdString();
    }
    case core::ParamType::Real: {
        if (text.isEmpty()) {
            // Empty is a value of its own for some rows (a default period).
            session::JobDescription scratch;
            if (session::setField(scratch, field.row, ""))
                return notANumber();
            return std::string();
        }
        const auto value = widgets::readLocaleReal(text);
        if (!value)
            return notANumber();
        return dotText(*value);
    }
    case core::ParamType::RealList: {
        std::string list;
        for (const QString& part : text.split(listSeparator())) {
            const auto value = widgets::readLocaleReal(part);
            if (!value)
                return notANumber();
            if (!list.empty())
                list += ',';
            list += dotText(*value);
        }
        return list;
    }
    }
    return std::nullopt;
}

std::optional<session::JobDescription> TMainForm::typedJob()
{
    session::JobDescription job;
    job.kind = signalKind();
    job.format = core::SampleFormat::S16;
    job.channels = stereo ? 2 : 1;
    job.refLevel = refLevel;
    for (const SignalField& field : signalFields) {
        const auto text = setterText(field);
        if (!text)
            return std::nullopt;
        if (const auto refusal = session::setField(job, field.row, *text)) {
            box.show(*refusal, core::kParameterErrorTitle);
            field.editor->setFocus();
            return std::nullopt;
        }
    }
    return job;
}

} // namespace corvane::windows
