#pragma once

#include "shell/LicenseText.h"

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace corvane::windows {

// The licence agreement, read when the window is built from "license.txt" in
// the working folder, or beside the program, or from the installed
// share/doc/corvane/copyright (see licenseFileCandidates). When the file cannot be read the window closes as soon
// as it is shown and readError tells the caller to report it.
class TDisplayLicense : public QDialog, public shell::LicenseText {
public:
    explicit TDisplayLicense(QWidget* parent = nullptr);

    void FormCreate();
    void FormShow();
    void ExitButtonClick();

    QPlainTextEdit* Memo1;
    QPushButton* ExitButton;

protected:
    void showEvent(QShowEvent* event) override;
};

} // namespace corvane::windows
