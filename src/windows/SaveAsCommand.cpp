#include "windows/SaveAsCommand.h"

#include "core/CodeSets.h"
#include "core/Level.h"

#include "core/ParameterTexts.h"
#include "core/ResultCodes.h"

#include "session/JobCheck.h"
#include "shell/DisplayedJob.h"
#include "shell/MainFormState.h"
#include "shell/OkBox.h"
#include "wavio/ExportSettings.h"
#include "widgets/FormInput.h"
#include "widgets/TWaveFileForm.h"
#include "widgets/TWaveFileWrite.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocale>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

namespace corvane::windows {

namespace {

constexpr std::string_view kWarning = "Warning";
// Failures the windows have no catalogue row for are shown under the
// program's name, as any unexpected error would be.
constexpr std::string_view kProgramTitle = "Corvane";

SaveAsCommand::Dialogs realDialogs()
{
    SaveAsCommand::Dialogs d;
    d.parameters = [](widgets::TWaveFileForm& form) { form.exec(); };
    d.fileName = [](QWidget* owner, const QString& initialName) -> std::optional<QString> {
        QFileDialog dialog(owner);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setNameFilters({QStringLiteral("WAV File (*.wav)"), QStringLiteral("All Files (*.*)")});
        dialog.setDefaultSuffix(QStringLiteral("wav"));
        dialog.selectFile(initialName);
        dialog.setOption(QFileDialog::ReadOnly, false);
        dialog.setSizeGripEnabled(true);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return dialog.selectedFiles().front();
    };
    d.progress = [](widgets::TWaveFileWrite& window) { window.exec(); };
    return d;
}

} // namespace

SaveAsCommand::SaveAsCommand(QWidget* owner_, shell::MainFormState& state_, shell::OkBox& boxes_)
    : SaveAsCommand(owner_, state_, boxes_, realDialogs())
{
}

SaveAsCommand::SaveAsCommand(QWidget* owner_, shell::MainFormState& state_, shell::OkBox& boxes_, Dialogs d)
    : owner(owner_), state(state_), boxes(boxes_), dialogs(std::move(d)), lastName(QStringLiteral("*.wav"))
{
}

void SaveAsCommand::run(const QString& levelText, const QString& freqText, int fsIndex)
{
    if (!FileSaveAs1BeforeExecute(levelText, freqText, fsIndex))
        return;
    // Cancelling the file dialog ends the command; the settings just chosen stay.
    const auto name = dialogs.fileName(owner, lastName);
    if (!name || name->isEmpty())
        return;
    lastName = *name;
    FileSaveAs1Accept(name->toStdString());
}

bool SaveAsCommand::checkTypedParameters(const QString& levelText, const QString& freqText, int fsIndex, Use use)
{
    const auto levelDb = widgets::readLocaleReal(levelText);
    const auto freq = widgets::readLocaleReal(freqText);
    for (const auto& [value, text] : {std::pair{levelDb, levelText}, std::pair{freq, freqText}}) {
        if (!value) {
            boxes.show(("'" + text + "' is not a valid number.").toStdString(), kProgramTitle);
            return false;
        }
    }
    const std::optional<double> amplitude = core::amplitudeOfLevel(*levelDb);
    if (*freq != state.signalFreq || amplitude != state.amplitude || fsIndex != state.fsIndex)
        boxes.show(use == Use::Play ? kPlayParametersDiffer : kParametersDiffer, kWarning);
    return true;
}

bool SaveAsCommand::FileSaveAs1BeforeExecute(const QString& levelText, const QString& freqText, int fsIndex)
{
    if (!checkTypedParameters(levelText, freqText, fsIndex))
        return false;
    const auto levelDb = widgets::readLocaleReal(levelText);

    // fs and the length are bounded by the dialog, but a stored length is
    // never trusted to fit an int.
    const double frames = std::trunc(state.fs * state.lengthSec);
    state.dataLength = frames >= 0.0 && frames < 2147483648.0 ? static_cast<int>(frames) : 0;

    widgets::TWaveFileForm form(owner, boxes, state.fs, state.dataLength, state.inSeconds, state.stereo, 1.0,
                                1000.0, *levelDb, state.dataFormat, state.refLevel);
    dialogs.parameters(form);
    state.fs = form.fs;
    state.dataLength = form.dataLength;
    state.lengthSec = state.fs != 0 ? static_cast<double>(state.dataLength) / state.fs : 0.0;
    state.inSeconds = form.inSeconds;
    state.stereo = form.stereo;
    state.dataFormat =
        static_cast<std::int8_t>(core::rowOf(core::kSampleFormats, form.dataFormat) ? form.dataFormat : -1);
    state.refLevel = form.refLevel;
    return true;
}

void SaveAsCommand::FileSaveAs1Accept(const std::string& fileName)
{
    // The format list takes typed text: a format that is none of the rows
    // cannot be written.
    const auto format = core::rowOf(core::kSampleFormats, state.dataFormat);
    if (!format) {
        shell::showErrorMessage(boxes, core::kIncorrectParameter);
        return;
    }
    session::JobDescription job = shell::displayedJob(state, format->format);
    job.seconds.reset();
    job.frames = state.dataLength;
    writeJob(job, fileName, session::ExportRun::Output::Signal);
}

void SaveAsCommand::runJob(session::JobDescription job)
{
    // The typed signal is checked whole before any dialog, with the same
    // findings the command line prints.
    const session::CheckResult typed = session::checkJob(job, session::CheckScope::All);
    for (const session::Finding& finding : typed.findings)
        boxes.show(finding.text, session::titleOf(finding));
    if (typed.refused())
        return;
    widgets::TWaveFileForm form(owner, boxes, job.sampleRateHz, typed.plan->frames, true, state.stereo, 1.0,
                                1000.0, job.levelDb, state.dataFormat, state.refLevel);
    form.offerDither(job.dither);
    if (job.kind == core::SignalKind::Sweep)
        form.offerInverse();
    dialogs.parameters(form);
    state.stereo = form.stereo;
    state.dataFormat =
        static_cast<std::int8_t>(core::rowOf(core::kSampleFormats, form.dataFormat) ? form.dataFormat : -1);
    state.refLevel = form.refLevel;
    const auto format = core::rowOf(core::kSampleFormats, form.dataFormat);
    if (!format) {
        shell::showErrorMessage(boxes, core::kIncorrectParameter);
        return;
    }
    job.seconds.reset();
    job.frames = form.dataLength;
    job.format = format->format;
    job.channels = form.stereo ? 2 : 1;
    job.refLevel = form.refLevel;
    job.dither = form.dither;
    const auto name = dialogs.fileName(owner, lastName);
    if (!name || name->isEmpty())
        return;
    lastName = *name;
    if (form.writeInverse) {
        // Beside the sweep and named after it unless the dialog named it.
        const QFileInfo sweep(*name);
        const QString inverse =
            form.inverseName.isEmpty()
                ? sweep.dir().filePath(sweep.completeBaseName() + QStringLiteral("-inverse.wav"))
                : form.inverseName;
        if (QFileInfo(inverse).absoluteFilePath() == sweep.absoluteFilePath()) {
            boxes.show("The inverse filter needs a file of its own, not the sweep's.", core::kParameterErrorTitle);
            return;
        }
        job.inversePath = inverse.toStdString();
    }
    if (writeJob(job, name->toStdString(), session::ExportRun::Output::Signal) && !job.inversePath.empty())
        writeJob(job, job.inversePath, session::ExportRun::Output::InverseFilter);
}

bool SaveAsCommand::writeJob(const session::JobDescription& job, const std::string& fileName,
                             session::ExportRun::Output output)
{
    // The dialog has shown the warnings; it can be closed without its OK,
    // though, so nothing is opened for a job it would have refused.
    const session::CheckResult checked = session::checkJob(job, session::CheckScope::Output);
    if (checked.refused()) {
        const session::Finding& refusal = checked.findings.back();
        boxes.show(refusal.text, session::titleOf(refusal));
        return false;
    }
    int result = 0;
    int removeError = 0;
    bool written = false;
    {
        widgets::TWaveFileWrite window(owner, fileName, dialogs.cancelQuestion);
        if (window.openError() != 0) {
            boxes.show("Cannot create the file \"" + fileName + "\": " + std::strerror(window.openError()),
                       kProgramTitle);
            return false;
        }
        if (const int r = window.setJob(job, *checked.plan, output); r < 0) {
            // Closing the window throws its temporary file away: a refused
            // export leaves the target as it was.
            result = r;
        } else {
            dialogs.progress(window);
            result = window.storeResult();
            written = !window.cancelled() && result >= 0;
            removeError = window.removeError();
        }
    }
    // A cancelled or failed writing has already been thrown away by the
    // window; what was under the name before is still there.
    if (result < 0)
        shell::showErrorMessage(boxes, result);
    if (removeError != 0)
        shell::showErrorMessage(boxes, core::kCancelFileNotDeleted);
    return written;
}

} // namespace corvane::windows
