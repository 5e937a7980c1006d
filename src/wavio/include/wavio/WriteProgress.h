#pragma once

#include "core/CodeSets.h"
#include "wavio/ReplaceFile.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace corvane::signal {
class Dither;
class TWaveProvider;
} // namespace corvane::signal

namespace corvane::wavio {

class FileWriteThread;

// What the progress window does while a file is written, without the window:
// it owns the output file, starts the writing thread at the first poll after
// the window has been drawn, passes a confirmed cancel on as the stop request
// and, once the thread has finished, either puts the whole file in place of
// the target or, after a cancel or a failure, throws the new bytes away and
// leaves the target as it was (see ReplaceFile). The window calls these from
// its paint event, its 100 ms timer and its cancel handling; all on the
// window thread.
class WriteProgress {
public:
    WriteProgress();
    ~WriteProgress();
    WriteProgress(const WriteProgress&) = delete;
    WriteProgress& operator=(const WriteProgress&) = delete;

    // Opens the output: a temporary file beside the target, or the target
    // itself when it is not a regular file. The target is not touched until
    // the writing has ended well. 0, or the errno value that explains why it
    // could not be opened. Destroying the object before the end discards the
    // new bytes.
    int create(const std::string& fileName);
    // The output is written in place (standard output, a pipe, a device):
    // what was written before a cancel or failure has already gone out.
    bool writesDirectly() const { return direct; }

    // Checks the combination of format, sample type and scale before anything
    // is written: 0 or -1114. The provider must outlive the writing.
    int setParams(signal::TWaveProvider* provider, int dataLength, int fs, int numCh, char dataType,
                  char dataFormat, double scale);
    int setParams(signal::TWaveProvider* source, int frames, int rateHz, int channels, core::SampleType type,
                  core::SampleFormat fileFormat, double factor)
    {
        return setParams(source, frames, rateHz, channels, static_cast<char>(type),
                         static_cast<char>(core::codeOf(fileFormat)), factor);
    }

    // Optional TPDF dither for the integer formats, handed to the writing
    // thread; must outlive the writing. Before the first poll.
    void setDither(signal::Dither* source) { dither = source; }

    // Asked on the window thread once everything is written, before the file
    // replaces the target: false throws the new bytes away as a failure
    // would and sets `rejected`, for a caller that writes the file again
    // another way. Not asked for a target written directly. Before the
    // first poll.
    void setKeepCheck(std::function<bool()> check) { keepCheck = std::move(check); }

    // The first paint arms the poll timer; true only that once.
    bool firstPaint();

    // The user answered "Yes" to the cancel question; sticky.
    void confirmCancel() { cancelConfirmed = true; }

    // One poll. confirmationOpen: a cancel question is on screen, so the
    // window must not close yet. True when the writing has ended and the
    // window may close.
    bool poll(bool confirmationOpen);

    // Blocks until the writing thread has finished or the timeout has passed,
    // for callers without a timer of their own; returns at once when no
    // thread runs. The next poll still does the closing.
    void waitForThread(std::chrono::milliseconds timeout);

    // Progress bar position, 0 to 100.
    int progress() const;
    bool closeAllowed() const { return finished; }

    // Results, read after the window has closed. storeResult is also -1112
    // when the finished file could not be flushed or renamed into place.
    bool cancelled = false;
    int storeResult = 0;
    // The errno value of a failed write or of the final flush and rename, 0
    // if there was none: tells a full disk from a closed pipe.
    int writeErrno = 0;
    // The keep check said no: the target is as it was.
    bool rejected = false;
    // The errno value when the temporary file of a cancelled or failed
    // writing could not be removed, else 0.
    int removeErrno = 0;

private:
    void finish();

    ReplaceFile stream;
    bool direct = false;
    std::unique_ptr<FileWriteThread> thread;
    signal::TWaveProvider* provider = nullptr; // owned by the save command
    int dataLength = 0;
    int fs = 0;
    int numCh = 0;
    char dataType = static_cast<char>(core::SampleType::Float64);
    char dataFormat = static_cast<char>(core::codeOf(core::SampleFormat::S16));
    double scale = 1.0;
    signal::Dither* dither = nullptr; // owned by the caller
    std::function<bool()> keepCheck;
    bool painted = false;
    bool startPending = false;
    bool cancelConfirmed = false;
    bool finished = false;
    int lastProgress = 0;
};

} // namespace corvane::wavio
