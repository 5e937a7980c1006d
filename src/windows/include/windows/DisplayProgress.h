#pragma once

#include "core/Handover.h"

#include <QDialog>

#include <functional>
#include <thread>

class QProgressBar;
class QPushButton;
class QTimer;

namespace corvane::windows {

// "Display Wave" for a long signal: the reading runs on a worker thread
// while this small window shows how far it has got. "Cancel" (or Escape, or
// the close box) asks the worker to stop after its current block; nothing
// is lost by that, so there is no question first. Window thread only.
class DisplayProgress : public QDialog {
public:
    // work runs on the worker with the hand-over it reports to and returns
    // its result; it must touch nothing the window thread uses meanwhile.
    DisplayProgress(QWidget* owner, std::function<int(core::Handover&)> work);
    // Stops and waits for a worker still running.
    ~DisplayProgress() override;
    DisplayProgress(const DisplayProgress&) = delete;
    DisplayProgress& operator=(const DisplayProgress&) = delete;

    // Starts the worker and shows the window modally until it has ended.
    // The work's result; false cancelled() when it ran to its end.
    int run();
    bool cancelled() const { return cancelRequested; }

    QProgressBar* Progress;
    QPushButton* CancelButton;
    QTimer* Poll;

    // The handlers, public so tests can drive them as the window system would.
    void PollTimer();
    void CancelButtonClick();

protected:
    void reject() override;

private:
    std::function<int(core::Handover&)> work;
    core::Handover handover;
    std::thread worker;
    bool cancelRequested = false;
    int result = 0;
};

} // namespace corvane::windows
