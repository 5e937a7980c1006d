#include "widgets/TWaveFileWrite.h"

#include "widgets/TCancelConfirm.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace corvane::widgets {

TWaveFileWrite::TWaveFileWrite(QWidget* owner, const std::string& fileName, CancelQuestion* q)
    : QDialog(owner),
      FileProgress(new QProgressBar(this)),
      CancelButton(new QPushButton(QStringLiteral("Cancel"), this)),
      Timer1(new QTimer(this)),
      question(q)
{
    setObjectName(QStringLiteral("WaveFileWrite"));
    setWindowTitle(QStringLiteral("Storing to a WAV File"));
    setModal(true);
    resize(297, 124);
    FileProgress->setObjectName(QStringLiteral("FileProgress"));
    FileProgress->setRange(0, 100);
    FileProgress->setValue(0);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);

    auto* button = new QHBoxLayout;
    button->addStretch();
    button->addWidget(CancelButton);
    button->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FileProgress);
    layout->addLayout(button);

    if (question == nullptr) {
        ownQuestion = std::make_unique<CancelConfirmQuestion>();
        question = ownQuestion.get();
    }
    connect(Timer1, &QTimer::timeout, this, &TWaveFileWrite::Timer1Timer);
    connect(CancelButton, &QPushButton::clicked, this, &TWaveFileWrite::CancelButtonClick);
    openErrno = progress.create(fileName);
}

TWaveFileWrite::~TWaveFileWrite() = default;

int TWaveFileWrite::setJob(const session::JobDescription& job, const session::JobPlan& plan,
                           session::ExportRun::Output output)
{
    return progress.setJob(job, plan, output);
}

int TWaveFileWrite::setParams(signal::TWaveProvider* provider, int dataLength, int fs, int numCh, char dataType,
                              char dataFormat, double scale)
{
    return progress.setParams(provider, dataLength, fs, numCh, dataType, dataFormat, scale);
}

void TWaveFileWrite::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    // The writing starts one poll after the window is first on screen, so
    // even a file written in a few milliseconds shows its window.
    if (progress.firstPaint())
        Timer1->start();
}

void TWaveFileWrite::Timer1Timer()
{
    const bool done = progress.poll(confirmationOpen);
    FileProgress->setValue(progress.progress());
    if (done) {
        Timer1->stop();
        accept();
    }
}

void TWaveFileWrite::askToCancel()
{
    confirmationOpen = true;
    if (question->ask(this))
        progress.confirmCancel();
    confirmationOpen = false;
}

void TWaveFileWrite::CancelButtonClick()
{
    askToCancel();
}

void TWaveFileWrite::closeEvent(QCloseEvent* event)
{
    if (progress.closeAllowed()) {
        event->accept();
        return;
    }
    // The close box never closes the window directly: it asks, and a
    // confirmed cancel ends the writing; the next poll then closes.
    event->ignore();
    askToCancel();
}

void TWaveFileWrite::reject()
{
    // Escape goes the same way as the close box.
    if (progress.closeAllowed()) {
        QDialog::reject();
        return;
    }
    askToCancel();
}

} // namespace corvane::widgets
