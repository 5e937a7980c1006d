#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace corvane::widgets {

// "Confirmation Box": asks whether a running export should be cancelled.
// After exec(), confirmed tells whether "Yes" was pressed; the close box
// leaves it false.
class TCancelConfirm : public QDialog {
    Q_OBJECT
public:
    explicit TCancelConfirm(QWidget* owner);

    bool confirmed = false;

    QLabel* Label1;
    QPushButton* YesButton;
    QPushButton* NoButton;

private:
    void YesButtonClick();
    void NoButtonClick();
};

// How the progress window asks its question, so tests can answer it.
class CancelQuestion {
public:
    virtual ~CancelQuestion() = default;
    // Shows the question modally; true when the user confirmed.
    virtual bool ask(QWidget* owner) = 0;

protected:
    CancelQuestion() = default;
    CancelQuestion(const CancelQuestion&) = default;
    CancelQuestion& operator=(const CancelQuestion&) = default;
};

// The real question: a TCancelConfirm shown modally.
class CancelConfirmQuestion final : public CancelQuestion {
public:
    bool ask(QWidget* owner) override;
};

} // namespace corvane::widgets
