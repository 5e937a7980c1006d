#pragma once

#include "core/CodeSets.h"
#include "session/ExportRun.h"

#include <QDialog>

#include <string>

class QProgressBar;
class QPushButton;
class QTimer;
namespace corvane::signal {
class TWaveProvider;
} // namespace corvane::signal

namespace corvane::widgets {

class CancelQuestion;

// "Storing to a WAV File": owns the output file from construction until the
// writing has ended (a temporary file beside the target, renamed over it
// when the writing ends well and removed after a cancel or a failure), starts the writing thread at the first poll
// after it has been drawn, polls every 100 ms and closes itself when the thread is done. "Cancel" and the close
// box ask for confirmation; a confirmed cancel stops the thread after its current block. Results: cancelled,
// storeResult.
class TWaveFileWrite : public QDialog {
    Q_OBJECT
public:
    // Opens the output at once; openError() is the errno value when it could
    // not be. The target stays as it was until the writing has ended well. question must outlive the window (null:
    // the real dialog).
    TWaveFileWrite(QWidget* owner, const std::string& fileName, CancelQuestion* question = nullptr);
    ~TWaveFileWrite() override;

    int openError() const { return openErrno; }

    // What to write: a checked job, or a provider of the caller's. 0, or
    // -1114 for a combination the writer cannot store; the window must then
    // not be shown.
    int setJob(const session::JobDescription& job, const session::JobPlan& plan,
               session::ExportRun::Output output = session::ExportRun::Output::Signal);
    int setParams(signal::TWaveProvider* provider, int dataLength, int fs, int numCh, char dataType,
                  char dataFormat, double scale);
    int setParams(signal::TWaveProvider* source, int frames, int rateHz, int channels, core::SampleType type,
                  core::SampleFormat fileFormat, double factor)
    {
        return setParams(source, frames, rateHz, channels, static_cast<char>(type),
                         static_cast<char>(core::codeOf(fileFormat)), factor);
    }

    bool cancelled() const { return progress.cancelled(); }
    int storeResult() const { return progress.storeResult(); }
    // The errno value when the temporary file of a cancelled or failed
    // writing could not be removed, else 0.
    int removeError() const { return progress.removeErrno(); }

    QProgressBar* FileProgress;
    QPushButton* CancelButton;
    QTimer* Timer1;

    // The handlers, public so tests can drive them as the window system would.
    void Timer1Timer();
    void CancelButtonClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void askToCancel();

    session::ExportRun progress;
    CancelQuestion* question;
    std::unique_ptr<CancelQuestion> ownQuestion;
    int openErrno = 0;
    bool confirmationOpen = false;
};

} // namespace corvane::widgets
