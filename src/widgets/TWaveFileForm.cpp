#include "widgets/TWaveFileForm.h"

#include "core/CodeSets.h"
#include "core/Level.h"
#include "core/ParameterTexts.h"
#include "session/JobCheck.h"
#include "shell/OkBox.h"
#include "wavio/ExportSettings.h"
#include "widgets/FormInput.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cmath>
#include <limits>
#include <optional>

namespace corvane::widgets {

namespace {

// Numbers in the user's notation, without group separators, so that what
// is shown reads back as the same value.
QLocale numberLocale()
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale;
}

} // namespace

TWaveFileForm::TWaveFileForm(QWidget* owner, shell::OkBox& boxes_, int fs_, int dataLength_, bool inSeconds_,
                             bool stereo_, double minSeconds_, double maxSeconds_, double levelDb_,
                             int dataFormat_, double refLevel_)
    : QDialog(owner),
      fs(fs_),
      dataLength(dataLength_),
      inSeconds(inSeconds_),
      stereo(stereo_),
      minSeconds(minSeconds_),
      maxSeconds(maxSeconds_),
      levelDb(levelDb_),
      dataFormat(dataFormat_),
      refLevel(refLevel_),
      Length(new QLabel(QStringLiteral("Length"), this)),
      LengthEdit(new QLineEdit(numberLocale().toString(10.0, 'f', 1), this)),
      LengthSelect(new QComboBox(this)),
      Label1(new QLabel(QStringLiteral("Data Format"), this)),
      FormatCombo(new QComboBox(this)),
      ChSelect(new QGroupBox(QStringLiteral("Channel Select"), this)),
      StereoButton(new QRadioButton(QStringLiteral("Stereo"), ChSelect)),
      MonoButton(new QRadioButton(QStringLiteral("Mono"), ChSelect)),
      RefGroup(new QGroupBox(QStringLiteral("Reference Level"), this)),
      Label2(new QLabel(QStringLiteral("for Floating Point"), RefGroup)),
      Label3(new QLabel(QStringLiteral("0dB ="), RefGroup)),
      RefEdit(new QLineEdit(numberLocale().toString(0.1, 'g', 15), RefGroup)),
      OKButton(new QPushButton(QStringLiteral("OK"), this)),
      boxes(boxes_)
{
    setObjectName(QStringLiteral("WaveFileForm"));
    setWindowTitle(QStringLiteral("WAV File Parameters"));
    setModal(true);
    resize(295, 263);
    const auto name = [](QObject* o, const char* n) { o->setObjectName(QString::fromLatin1(n)); };
    name(Length, "Length");
    name(LengthEdit, "LengthEdit");
    name(LengthSelect, "LengthSelect");
    name(Label1, "Label1");
    name(FormatCombo, "FormatCombo");
    name(ChSelect, "ChSelect");
    name(RefGroup, "RefGroup");
    name(Label2, "Label2");
    name(Label3, "Label3");
    name(RefEdit, "RefEdit");
    name(OKButton, "OKButton");

    for (QComboBox* list : {LengthSelect, FormatCombo}) {
        list->setEditable(true);
        list->setInsertPolicy(QComboBox::NoInsert);
        list->installEventFilter(this);
    }
    LengthSelect->addItems({QStringLiteral("Seconds"), QStringLiteral("Samples")});
    widgets::fillList(*FormatCombo, core::kSampleFormats);

    auto* channels = new QVBoxLayout(ChSelect);
    channels->addWidget(StereoButton);
    channels->addWidget(MonoButton);
    auto* reference = new QGridLayout(RefGroup);
    reference->addWidget(Label2, 0, 0, 1, 2);
    reference->addWidget(Label3, 1, 0);
    reference->addWidget(RefEdit, 1, 1);

    auto* grid = new QGridLayout;
    grid->addWidget(Length, 0, 0);
    grid->addWidget(LengthEdit, 0, 1);
    grid->addWidget(LengthSelect, 0, 2);
    grid->addWidget(Label1, 1, 0);
    grid->addWidget(FormatCombo, 1, 1, 1, 2);
    auto* groups = new QHBoxLayout;
    groups->addWidget(ChSelect);
    groups->addWidget(RefGroup);
    auto* button = new QHBoxLayout;
    button->addStretch();
    button->addWidget(OKButton);
    button->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setObjectName(QStringLiteral("FormLayout"));
    layout->addLayout(grid);
    layout->addLayout(groups);
    layout->addLayout(button);
    OKButton->setDefault(true);

    RefGroup->setEnabled(false);
    connect(FormatCombo, &QComboBox::currentIndexChanged, this, &TWaveFileForm::FormatComboSelect);
    connect(FormatCombo, &QComboBox::editTextChanged, this, &TWaveFileForm::FormatComboSelect);
    connect(OKButton, &QPushButton::clicked, this, &TWaveFileForm::OKButtonClick);
}

bool TWaveFileForm::eventFilter(QObject* watched, QEvent* event)
{
    // An editable list's editor takes Enter for itself whenever it has
    // selected text (as it has after Tab, or while it completes a typed
    // item), so the dialog would never see it: Enter in a list is "OK", as
    // from every other control. The list's own popup gets its keys first.
    if (event->type() == QEvent::KeyPress && (watched == LengthSelect || watched == FormatCombo)) {
        const auto* key = static_cast<const QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && mods == Qt::NoModifier) {
            OKButton->click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TWaveFileForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TWaveFileForm::FormShow()
{
    const QLocale locale = numberLocale();
    if (inSeconds) {
        LengthSelect->setCurrentIndex(0);
        LengthEdit->setText(locale.toString(static_cast<double>(dataLength) / fs, 'g', 10));
    } else {
        LengthEdit->setText(locale.toString(dataLength));
        LengthSelect->setCurrentIndex(1);
    }
    (stereo ? StereoButton : MonoButton)->setChecked(true);
    FormatCombo->setCurrentIndex(dataFormat);
    RefEdit->setText(locale.toString(refLevel, 'g', 15));
    if (core::isFloatFormat(dataFormat))
        RefGroup->setEnabled(true);
}

void TWaveFileForm::offerDither(bool on)
{
    DitherCheck = new QCheckBox(QStringLiteral("TPDF &dither (integer formats)"), this);
    DitherCheck->setObjectName(QStringLiteral("DitherCheck"));
    DitherCheck->setChecked(on);
    // Above the "OK" row, after the groups in reading and tab order.
    auto* layout = static_cast<QVBoxLayout*>(this->layout());
    layout->insertWidget(layout->count() - 1, DitherCheck);
    setTabOrder(RefEdit, DitherCheck);
    setTabOrder(DitherCheck, OKButton);
    dither = on;
    FormatComboSelect();
}

void TWaveFileForm::offerInverse()
{
    InverseCheck = new QCheckBox(QStringLiteral("Also write the &inverse filter"), this);
    InverseCheck->setObjectName(QStringLiteral("InverseCheck"));
    InverseEdit = new QLineEdit(this);
    InverseEdit->setObjectName(QStringLiteral("InverseEdit"));
    InverseEdit->setPlaceholderText(QStringLiteral("beside the sweep, NAME-inverse.wav"));
    InverseEdit->setEnabled(false);
    connect(InverseCheck, &QCheckBox::toggled, InverseEdit, &QLineEdit::setEnabled);
    auto* layout = static_cast<QVBoxLayout*>(this->layout());
    layout->insertWidget(layout->count() - 1, InverseCheck);
    layout->insertWidget(layout->count() - 1, InverseEdit);
    QWidget* before = DitherCheck != nullptr ? static_cast<QWidget*>(DitherCheck) : RefEdit;
    setTabOrder(before, InverseCheck);
    setTabOrder(InverseCheck, InverseEdit);
    setTabOrder(InverseEdit, OKButton);
}

void TWaveFileForm::FormatComboSelect()
{
    const int format = widgets::selectedCode(*FormatCombo);
    RefGroup->setEnabled(core::isFloatFormat(format));
    // Dither belongs to the integer formats; the float formats store the
    // signal as it is.
    if (DitherCheck != nullptr)
        DitherCheck->setEnabled(format >= 0 && !core::isFloatFormat(format));
}

void TWaveFileForm::OKButtonClick()
{
    inSeconds = widgets::selectedIndex(*LengthSelect) != 1;
    if (inSeconds) {
        const auto seconds = widgets::readLocaleReal(LengthEdit->text());
        const auto frames = seconds ? wavio::framesForSeconds(fs, *seconds) : std::nullopt;
        if (!seconds) {
            boxes.show(core::kInvalidValueText, core::kParameterErrorTitle);
            return;
        }
        // A length too large to count in frames is refused as too long.
        if (!frames) {
            boxes.show(wavio::lengthMessage(minSeconds, maxSeconds), core::kParameterErrorTitle);
            return;
        }
        dataLength = *frames;
    } else {
        const auto samples = widgets::readLocaleInteger(LengthEdit->text());
        if (!samples) {
            boxes.show(core::kInvalidValueText, core::kParameterErrorTitle);
            return;
        }
        dataLength = *samples;
    }
    // The reference level is read before the check, which refuses text that
    // is not a number in its place (after the length and the format).
    const auto reference = widgets::readLocaleReal(RefEdit->text());
    const int format = widgets::selectedCode(*FormatCombo);
    const auto formatRow = core::rowOf(core::kSampleFormats, format);
    session::JobDescription job;
    job.levelDb = levelDb;
    job.sampleRateHz = fs;
    job.frames = dataLength;
    // Typed text that names no format is checked as a format none of whose
    // rules apply (16-bit has none of its own); the save then refuses it.
    job.format = formatRow ? formatRow->format : core::SampleFormat::S16;
    job.channels = MonoButton->isChecked() ? 1 : 2;
    job.refLevel = reference.value_or(std::numeric_limits<double>::quiet_NaN());
    if (DitherCheck != nullptr) {
        dither = DitherCheck->isChecked() && DitherCheck->isEnabled();
        job.dither = dither;
    }
    if (InverseCheck != nullptr) {
        writeInverse = InverseCheck->isChecked();
        inverseName = InverseEdit->text().trimmed();
    }
    const session::CheckResult checked = session::checkJob(job, session::CheckScope::Output);
    // The channels and the format are taken once the length is.
    if (!checked.refused() || checked.findings.back().field != session::JobField::Length) {
        stereo = job.channels == 2;
        dataFormat = format;
    }
    for (const session::Finding& finding : checked.findings) {
        // A refused reference level is kept as typed, for the next save to offer.
        if (finding.code == session::CheckCode::RefLevelNotPositive)
            refLevel = *reference;
        boxes.show(finding.text, session::titleOf(finding));
    }
    if (checked.refused())
        return;
    refLevel = *reference;
    accept();
}

} // namespace corvane::widgets
