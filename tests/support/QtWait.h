#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <functional>
#include <memory>

// Runs the event loop until done() holds or the timeout passes; true when it
// held. Timers, paints and queued calls all get their turn meanwhile.
inline bool processEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    QDeadlineTimer deadline(timeout);
    while (!done()) {
        if (deadline.hasExpired())
            return done();
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// For a test that opens a modal window with exec(): once a modal window is
// shown, act on it (click its button, read it). Should none appear in time,
// or should it still be open a timeout after act, the test fails and the
// window is rejected, so exec() always returns. Call before the code that
// opens the window.
inline void whenModalShown(const std::function<void(QWidget*)>& act,
                           std::chrono::milliseconds timeout = std::chrono::seconds(10))
{
    struct State {
        QDeadlineTimer deadline;
        bool acted = false;
    };
    auto* poll = new QTimer(QApplication::instance());
    auto state = std::make_shared<State>(State{QDeadlineTimer(timeout)});
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act, state, timeout] {
        QWidget* modal = QApplication::activeModalWidget();
        const bool open = modal != nullptr && modal->isVisible();
        if (!state->acted && open) {
            state->acted = true;
            state->deadline = QDeadlineTimer(timeout);
            act(modal);
            return;
        }
        if (state->acted && !open) {
            poll->stop();
            poll->deleteLater();
            return;
        }
        if (!state->deadline.hasExpired())
            return;
        ADD_FAILURE() << (state->acted ? "the modal window stayed open" : "no modal window within the timeout");
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        poll->stop();
        poll->deleteLater();
    });
    poll->start(5);
}

// A safety net for an exec() the code under test is expected to end by
// itself: while the guard lives, a modal dialog still open after the timeout
// fails the test and is rejected.
class ModalGuard {
public:
    explicit ModalGuard(std::chrono::milliseconds timeout = std::chrono::seconds(10))
    {
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, [] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                ADD_FAILURE() << "a modal window stayed open";
                dialog->reject();
            }
        });
        timer.start(timeout);
    }

private:
    QTimer timer;
};
