#pragma once

#include "core/CodeSets.h"
#include "session/JobDescription.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace corvane::signal {
class TWaveProvider;
} // namespace corvane::signal
namespace corvane::wavio {
class WriteProgress;
} // namespace corvane::wavio

namespace corvane::session {

class SignalChain;

// One file written in the background, polled by its owner: a window's timer
// or a command's loop. It owns the output (a temporary file beside the
// target until the whole file is written, see wavio::ReplaceFile), the
// writing thread and, for a job, the chain that makes the signal. Long noise
// whose level turns out to miss is thrown away and written again with its
// level measured, within the same run. All calls on the owner's thread.
class ExportRun {
public:
    // What a job's file holds.
    enum class Output { Signal, InverseFilter };

    ExportRun();
    ~ExportRun(); // discards a file that was not finished
    ExportRun(const ExportRun&) = delete;
    ExportRun& operator=(const ExportRun&) = delete;

    // Opens the output; 0, or the errno value that explains why not. The
    // target is not touched until the writing has ended well.
    int create(const std::string& fileName);
    // The output is written in place (standard output, a pipe, a device).
    bool writesDirectly() const;

    // What to write: a checked job (its plan from checkJob). After create,
    // before the first poll. 0, or -1114 for a combination the writer cannot
    // store. For noise written directly this takes a pass over the whole
    // stream to measure its level first.
    int setJob(const JobDescription& job, const JobPlan& plan, Output output = Output::Signal);
    // Or a provider of the caller's, as the writer takes it; it must outlive
    // the run.
    int setParams(signal::TWaveProvider* provider, int dataLength, int fs, int numCh, char dataType,
                  char dataFormat, double scale);
    int setParams(signal::TWaveProvider* source, int frames, int rateHz, int channels, core::SampleType type,
                  core::SampleFormat fileFormat, double factor)
    {
        return setParams(source, frames, rateHz, channels, static_cast<char>(type),
                         static_cast<char>(core::codeOf(fileFormat)), factor);
    }
    // Told when the noise missed its level and the file is begun again.
    void setRewriteNotice(std::function<void()> notice) { rewriteNotice = std::move(notice); }

    // The progress and cancel interface of a progress window.
    bool firstPaint(); // true only the first time: arm the poll timer
    void confirmCancel(); // the user said yes to cancelling; sticky
    // One poll; confirmationOpen: a cancel question is on screen, so do not
    // end yet. True when the writing has ended for good.
    bool poll(bool confirmationOpen);
    void waitForThread(std::chrono::milliseconds timeout);
    int progress() const; // 0 to 100
    bool closeAllowed() const;

    // Results, once poll has said true.
    bool cancelled() const;
    int storeResult() const;
    int writeErrno() const; // of a failed write, flush or rename; 0 if none
    int removeErrno() const; // when a discarded temporary file stayed; 0 if none
    long long clippedSamples() const; // samples at integer full scale (sweeps and noise)

private:
    int startWriting();

    std::string path;
    // Declared before the writing, which joins its thread when it goes: the
    // providers outlive it.
    std::unique_ptr<SignalChain> chain;
    std::unique_ptr<signal::TWaveProvider> ownProvider; // the inverse filter
    std::unique_ptr<wavio::WriteProgress> writing;
    int rewriteOpenErrno = 0; // the second file could not be opened
    JobDescription job;
    JobPlan plan;
    bool isJob = false;
    std::function<void()> rewriteNotice;
};

} // namespace corvane::session
