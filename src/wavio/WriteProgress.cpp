#include "wavio/WriteProgress.h"

#include "core/ResultCodes.h"

#include "wavio/FileWriteThread.h"
#include "wavio/WavFormat.h"

namespace corvane::wavio {

WriteProgress::WriteProgress() = default;

// A window closed while the thread runs (which the window itself prevents)
// still joins the thread before the file goes.
WriteProgress::~WriteProgress() = default;

int WriteProgress::create(const std::string& fileName)
{
    const int e = stream.open(fileName);
    direct = e == 0 && stream.writesDirectly();
    return e;
}

int WriteProgress::setParams(signal::TWaveProvider* provider_, int dataLength_, int fs_, int numCh_,
                             char dataType_, char dataFormat_, double scale_)
{
    provider = provider_;
    dataLength = dataLength_;
    fs = fs_;
    numCh = numCh_;
    if (const int r = wavio::checkWriteParams(fs, numCh, dataType_, dataFormat_, scale_); r < 0)
        return r;
    dataType = dataType_;
    dataFormat = dataFormat_;
    scale = scale_;
    return 0;
}

bool WriteProgress::firstPaint()
{
    if (painted)
        return false;
    painted = true;
    startPending = true;
    return true;
}

bool WriteProgress::poll(bool confirmationOpen)
{
    if (finished)
        return true;
    if (startPending) {
        startPending = false;
        if (provider == nullptr || !stream.isOpen()) {
            // Nothing to write with: end as a failed write would.
            storeResult = core::kFileWriteError;
            finish();
            return true;
        }
        thread = std::make_unique<FileWriteThread>(stream, *provider, dataLength, fs, numCh);
        thread->setDataFormat(dataType, dataFormat, scale);
        thread->setDither(dither);
        thread->start();
    }
    if (!thread)
        return false;
    lastProgress = thread->progress();
    if (cancelConfirmed) {
        thread->stopRequest();
        cancelled = true;
    }
    if (thread->storeDone() && !confirmationOpen) {
        storeResult = thread->storeResult();
        thread.reset();
        finish();
        return true;
    }
    return false;
}

void WriteProgress::finish()
{
    finished = true;
    writeErrno = stream.writeError();
    if (cancelled || storeResult < 0) {
        removeErrno = stream.discard();
        return;
    }
    if (!direct && keepCheck && !keepCheck()) {
        rejected = true;
        removeErrno = stream.discard();
        return;
    }
    // A write error the disk reports only at the flush or the close counts
    // as a failed write, and so does a rename that did not happen.
    if (const int e = stream.commit(); e != 0) {
        writeErrno = e;
        storeResult = core::kFileWriteError;
    }
}

void WriteProgress::waitForThread(std::chrono::milliseconds timeout)
{
    if (thread)
        thread->waitDone(timeout);
}

int WriteProgress::progress() const
{
    return lastProgress;
}

} // namespace corvane::wavio
