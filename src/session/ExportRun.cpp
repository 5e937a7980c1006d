#include "session/ExportRun.h"

#include "core/CodeSets.h"
#include "core/ResultCodes.h"
#include "session/SignalChain.h"
#include "signal/TWaveProvider.h"
#include "wavio/WriteProgress.h"

#include <cerrno>

namespace corvane::session {

namespace {

constexpr char kDoubles = static_cast<char>(core::SampleType::Float64);

char formatCode(core::SampleFormat format)
{
    return static_cast<char>(core::codeOf(format));
}

} // namespace

ExportRun::ExportRun() : writing(std::make_unique<wavio::WriteProgress>()) {}

ExportRun::~ExportRun() = default;

int ExportRun::create(const std::string& fileName)
{
    path = fileName;
    return writing->create(fileName);
}

bool ExportRun::writesDirectly() const
{
    return writing->writesDirectly();
}

int ExportRun::setJob(const JobDescription& job_, const JobPlan& plan_, Output output)
{
    job = job_;
    plan = plan_;
    if (output == Output::InverseFilter) {
        // The inverse belongs to the unit sweep: 64-bit float, stored as it is.
        ownProvider = makeInverseFilter(job, plan);
        return writing->setParams(ownProvider.get(), plan.signalFrames, job.sampleRateHz, 1, kDoubles,
                                  formatCode(core::SampleFormat::F64), 1.0);
    }
    isJob = true;
    // Long pink noise takes its level from the expected power, which saves a
    // whole pass over the stream; the rare file that misses is written again.
    chain = std::make_unique<SignalChain>(job, plan, false, true);
    return startWriting();
}

int ExportRun::startWriting()
{
    if (const int r = writing->setParams(&chain->provider(), plan.frames, job.sampleRateHz, job.channels, kDoubles,
                                         formatCode(job.format), plan.scale);
        r < 0)
        return r;
    writing->setDither(chain->dither());
    if (writing->writesDirectly()) {
        // What went out cannot be taken back: measure first.
        chain->measureLevel();
    } else {
        SignalChain* held = chain.get();
        writing->setKeepCheck([held] { return held->levelHeld(); });
    }
    return core::kOk;
}

int ExportRun::setParams(signal::TWaveProvider* provider, int dataLength, int fs, int numCh, char dataType,
                         char dataFormat, double scale)
{
    return writing->setParams(provider, dataLength, fs, numCh, dataType, dataFormat, scale);
}

bool ExportRun::firstPaint()
{
    return writing->firstPaint();
}

void ExportRun::confirmCancel()
{
    writing->confirmCancel();
}

bool ExportRun::poll(bool confirmationOpen)
{
    if (rewriteOpenErrno != 0)
        return true;
    if (!writing->poll(confirmationOpen))
        return false;
    if (!writing->rejected || !isJob)
        return true;
    // The noise missed its level: begin again with the level measured, which
    // always holds. The old writing has ended and thrown its file away.
    if (rewriteNotice)
        rewriteNotice();
    writing = std::make_unique<wavio::WriteProgress>();
    chain = std::make_unique<SignalChain>(job, plan);
    if (const int e = writing->create(path); e != 0) {
        rewriteOpenErrno = e;
        return true;
    }
    if (writing->setParams(&chain->provider(), plan.frames, job.sampleRateHz, job.channels, kDoubles,
                           formatCode(job.format), plan.scale) < 0) {
        rewriteOpenErrno = EINVAL;
        return true;
    }
    writing->setDither(chain->dither());
    writing->firstPaint();
    return false;
}

void ExportRun::waitForThread(std::chrono::milliseconds timeout)
{
    writing->waitForThread(timeout);
}

int ExportRun::progress() const
{
    return writing->progress();
}

bool ExportRun::closeAllowed() const
{
    return rewriteOpenErrno != 0 || writing->closeAllowed();
}

bool ExportRun::cancelled() const
{
    return writing->cancelled;
}

int ExportRun::storeResult() const
{
    return rewriteOpenErrno != 0 ? core::kFileWriteError : writing->storeResult;
}

int ExportRun::writeErrno() const
{
    return rewriteOpenErrno != 0 ? rewriteOpenErrno : writing->writeErrno;
}

int ExportRun::removeErrno() const
{
    return writing->removeErrno;
}

long long ExportRun::clippedSamples() const
{
    return chain ? chain->clippedSamples() : 0;
}

} // namespace corvane::session
