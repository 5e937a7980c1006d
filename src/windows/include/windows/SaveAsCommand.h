#pragma once

#include "session/ExportRun.h"
#include "session/JobDescription.h"

#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace corvane::widgets {
class CancelQuestion;
} // namespace corvane::widgets
namespace corvane::shell {
class OkBox;
} // namespace corvane::shell
class QWidget;
namespace corvane::widgets {
class TWaveFileForm;
} // namespace corvane::widgets
namespace corvane::widgets {
class TWaveFileWrite;
} // namespace corvane::widgets
namespace corvane::shell {
struct MainFormState;
} // namespace corvane::shell

namespace corvane::windows {

// The warnings when the typed parameters differ from the displayed ones,
// which are what gets saved or played.
inline constexpr std::string_view kParametersDiffer =
    "Parameters used in displaying the wave will be used in saving the wave to a file instead of "
    "current parameters.";
inline constexpr std::string_view kPlayParametersDiffer =
    "Parameters used in displaying the wave will be played instead of current parameters.";

// "SaveTo(&A)": stores the signal of the last display as a WAV file. First the
// export parameters (the dialog, with the settings of the last save), then a
// file name, then the progress window that writes the file. The signal is
// always the one last displayed; the window warns when its controls differ.
class SaveAsCommand {
public:
    // How the dialogs are shown; tests replace these to answer them.
    struct Dialogs {
        std::function<void(widgets::TWaveFileForm&)> parameters;
        std::function<std::optional<QString>(QWidget* owner, const QString& initialName)> fileName;
        std::function<void(widgets::TWaveFileWrite&)> progress;
        widgets::CancelQuestion* cancelQuestion = nullptr; // null: the real confirmation box
    };

    // state and boxes belong to the main window and outlive the command.
    SaveAsCommand(QWidget* owner, shell::MainFormState& state, shell::OkBox& boxes);
    SaveAsCommand(QWidget* owner, shell::MainFormState& state, shell::OkBox& boxes, Dialogs dialogs);

    // The whole command from the menu: parameters, file name, writing.
    // levelText, freqText and fsIndex are the main window's controls now.
    void run(const QString& levelText, const QString& freqText, int fsIndex);

    // What the displayed signal is about to be used for.
    enum class Use { Save, Play };
    // The typed parameters against the displayed ones: a box for text that is
    // not a number (false), a warning when they differ from the displayed
    // signal, which is what gets written (or played); it says which.
    bool checkTypedParameters(const QString& levelText, const QString& freqText, int fsIndex, Use use = Use::Save);

    // Gathers the export settings; false when a parameter text does not
    // parse, which ends the command before any dialog.
    bool FileSaveAs1BeforeExecute(const QString& levelText, const QString& freqText, int fsIndex);
    // Writes the file under the accepted name.
    void FileSaveAs1Accept(const std::string& fileName);

    // The whole command for a signal typed into the window's fields rather
    // than displayed: the job's check (its findings in boxes), the export
    // parameters (length, format, channels, reference level), a file name,
    // then the same writing as every save.
    void runJob(session::JobDescription job);

    // The save-file dialog starts from the last accepted name.
    QString lastFileName() const { return lastName; }

private:
    // Checks the finished job once more and writes it (or its inverse
    // filter) under fileName; true when the file was written.
    bool writeJob(const session::JobDescription& job, const std::string& fileName,
                  session::ExportRun::Output output);

    QWidget* owner;
    shell::MainFormState& state;
    shell::OkBox& boxes;
    Dialogs dialogs;
    QString lastName;
};

} // namespace corvane::windows
