#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

namespace corvane::windows {

// The version window: program name, version and a short notice beside the
// program's icon. Built once at start-up and shown again at each request.
class TAboutBox : public QDialog {
public:
    explicit TAboutBox(QWidget* parent = nullptr);

    QFrame* Panel1;
    QLabel* ProgramIcon;
    QLabel* ProductName;
    QLabel* Version;
    QLabel* Copyright;
    QLabel* Comments;
    QPushButton* OKButton;
};

// The program's own 48 x 48 icon.
QPixmap corvaneIcon();

} // namespace corvane::windows
