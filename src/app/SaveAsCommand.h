#pragma once

#include <QString>

#include <functional>
#include <optional>
#include <string>

class CancelQuestion;
class OkBox;
class QWidget;
class TWaveFileForm;
class TWaveFileWrite;
struct MainFormState;

// "SaveTo(&A)": stores the signal of the last display as a WAV file. First the
// export parameters (the dialog, with the settings of the last save), then a
// file name, then the progress window that writes the file. The signal is
// always the one last displayed; the window warns when its controls differ.
class SaveAsCommand {
public:
    // How the dialogs are shown; tests replace these to answer them.
    struct Dialogs {
        std::function<void(TWaveFileForm&)> parameters;
        std::function<std::optional<QString>(QWidget* owner, const QString& initialName)> fileName;
        std::function<void(TWaveFileWrite&)> progress;
        CancelQuestion* cancelQuestion = nullptr;   // null: the real confirmation box
    };

    // state and boxes belong to the main window and outlive the command.
    SaveAsCommand(QWidget* owner, MainFormState& state, OkBox& boxes);
    SaveAsCommand(QWidget* owner, MainFormState& state, OkBox& boxes, Dialogs dialogs);

    // The whole command from the menu: parameters, file name, writing.
    // levelText, freqText and fsIndex are the main window's controls now.
    void run(const QString& levelText, const QString& freqText, int fsIndex);

    // Gathers the export settings; false when a parameter text does not
    // parse, which ends the command before any dialog.
    bool FileSaveAs1BeforeExecute(const QString& levelText, const QString& freqText, int fsIndex);
    // Writes the file under the accepted name.
    void FileSaveAs1Accept(const std::string& fileName);

    // The save-file dialog starts from the last accepted name.
    QString lastFileName() const { return lastName; }

private:
    QWidget* owner;
    MainFormState& state;
    OkBox& boxes;
    Dialogs dialogs;
    QString lastName;
};
