#include "windows/DisplayProgress.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <utility>

namespace corvane::windows {

DisplayProgress::DisplayProgress(QWidget* owner, std::function<int(core::Handover&)> job)
    : QDialog(owner),
      Progress(new QProgressBar(this)),
      CancelButton(new QPushButton(QStringLiteral("Cancel"), this)),
      Poll(new QTimer(this)),
      work(std::move(job))
{
    setObjectName(QStringLiteral("DisplayProgress"));
    setWindowTitle(QStringLiteral("Display Wave"));
    setModal(true);
    resize(297, 124);
    Progress->setObjectName(QStringLiteral("Progress"));
    Progress->setRange(0, 100);
    Progress->setValue(0);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    Poll->setInterval(50);

    auto* button = new QHBoxLayout;
    button->addStretch();
    button->addWidget(CancelButton);
    button->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Progress);
    layout->addLayout(button);

    connect(Poll, &QTimer::timeout, this, &DisplayProgress::PollTimer);
    connect(CancelButton, &QPushButton::clicked, this, &DisplayProgress::CancelButtonClick);
}

DisplayProgress::~DisplayProgress()
{
    if (worker.joinable()) {
        handover.requestStop();
        worker.join();
    }
}

int DisplayProgress::run()
{
    worker = std::thread([this] { handover.finish(work(handover)); });
    Poll->start();
    exec();
    Poll->stop();
    if (worker.joinable()) {
        // Closed some other way than by the poll (the program ending): the
        // worker's result is not wanted.
        CancelButtonClick();
        worker.join();
        result = handover.result();
    }
    return result;
}

void DisplayProgress::PollTimer()
{
    Progress->setValue(handover.progress());
    if (!handover.finished() || !worker.joinable())
        return;
    worker.join();
    result = handover.result();
    Poll->stop();
    accept();
}

void DisplayProgress::CancelButtonClick()
{
    cancelRequested = true;
    handover.requestStop();
    CancelButton->setEnabled(false);
}

void DisplayProgress::reject()
{
    // Escape and the close box cancel; the window closes when the worker has
    // stopped.
    CancelButtonClick();
}

} // namespace corvane::windows
