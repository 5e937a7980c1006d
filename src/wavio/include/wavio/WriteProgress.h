#pragma once

#include "wavio/ByteSink.h"

#include <chrono>
#include <memory>
#include <string>

namespace corvane::signal { class Dither; class TWaveProvider; }

namespace corvane::wavio {

class FileWriteThread;

// What the progress window does while a file is written, without the window:
// it owns the output file, starts the writing thread at the first poll after
// the window has been drawn, passes a confirmed cancel on as the stop request
// and, once the thread has finished, closes the file and keeps the results.
// The window calls these from its paint event, its 100 ms timer and its
// cancel handling; all on the window thread.
// Removes a file this program wrote but must not keep. Only a regular file
// is ours to remove: a device such as /dev/null or a pipe given as the output
// stays where it is. 0, or the errno value of a failed removal (a file
// that is already gone counts as one: something else took it).
int removeWrittenFile(const std::string& path);

class WriteProgress {
public:
    WriteProgress();
    ~WriteProgress();
    WriteProgress(const WriteProgress&) = delete;
    WriteProgress& operator=(const WriteProgress&) = delete;

    // Creates the output file, empty (an existing one is emptied). 0, or the
    // errno value that explains why it could not be.
    int create(const std::string& fileName);

    // Checks the combination of format, sample type and scale before anything
    // is written: 0 or -1114. The provider must outlive the writing.
    int setParams(signal::TWaveProvider* provider, int dataLength, int fs, int numCh, char dataType,
                  char dataFormat, double scale);

    // Optional TPDF dither for the integer formats, handed to the writing
    // thread; must outlive the writing. Before the first poll.
    void setDither(signal::Dither* source) { dither = source; }

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

    // Results, read after the window has closed.
    bool cancelled = false;
    int storeResult = 0;

private:
    FileSink stream;
    std::unique_ptr<FileWriteThread> thread;
    signal::TWaveProvider* provider = nullptr;   // owned by the save command
    int dataLength = 0;
    int fs = 0;
    int numCh = 0;
    char dataType = 4;
    char dataFormat = 1;
    double scale = 1.0;
    signal::Dither* dither = nullptr;   // owned by the caller
    bool painted = false;
    bool startPending = false;
    bool cancelConfirmed = false;
    bool finished = false;
    int lastProgress = 0;
};

} // namespace corvane::wavio
