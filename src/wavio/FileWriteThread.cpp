#include "wavio/FileWriteThread.h"

#include "signal/TWaveProvider.h"
#include "wavio/ByteSink.h"
#include "wavio/WavFormat.h"

#include <algorithm>
#include <cmath>
#include <sys/resource.h>
#include <unistd.h>

FileWriteThread::FileWriteThread(ByteSink& stream_, TWaveProvider& provider_, int dataLength_,
                                 int fs_, int numCh_)
    : stream(stream_), provider(provider_), dataLength(dataLength_), fs(fs_), numCh(numCh_),
      stereo(numCh_ == 2)
{
}

FileWriteThread::~FileWriteThread()
{
    terminated.store(true, std::memory_order_release);
    if (worker.joinable())
        worker.join();
}

void FileWriteThread::setDataFormat(char dataType_, char dataFormat_, double scale_)
{
    dataType = dataType_;
    dataFormat = dataFormat_;
    scale = scale_;
    bytesPerSample = wav::bytesPerSample(dataFormat);
    blockAlign = numCh * bytesPerSample;
}

void FileWriteThread::start()
{
    worker = std::thread([this] {
        // One step below the caller, so the window stays responsive. Not being
        // allowed to change it is harmless: the file comes out the same.
        errno = 0;
        const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
        if (errno == 0)
            setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), nice + 1);
        Execute();
    });
}

bool FileWriteThread::waitDone(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(doneMutex);
    return doneSignal.wait_for(lock, timeout,
                               [this] { return storeDone.load(std::memory_order_acquire); });
}

int FileWriteThread::blockFrames()
{
    const int limit = provider.getMaxBlockSize(4, numCh);
    if (blockAlign <= 0)
        return 0;
    int block = wav::kMaxBlockBytes / blockAlign;
    if (stereo)
        block /= 2;
    if (limit != 0 && limit < block)
        block = limit;
    return block;
}

void FileWriteThread::Execute()
{
    int r = writeHeader(dataLength, fs, numCh);
    if (r >= 0) {
        const int block = blockFrames();
        int written = 0;
        r = 0;
        while (block > 0 && written < dataLength && !terminated.load(std::memory_order_acquire)) {
            const int n = std::min(block, dataLength - written);
            r = execStore(n, stereo);
            if (r < 0 || stopRequest.load(std::memory_order_acquire))
                break;
            written += n;
            const double percent = written * 100.0 / dataLength + 0.5;
            progress.store(static_cast<int>(percent), std::memory_order_release);
        }
    }
    storeResult.store(r, std::memory_order_relaxed);
    {
        // The lock only orders the flag against waitDone's check.
        std::lock_guard lock(doneMutex);
        storeDone.store(true, std::memory_order_release);
    }
    doneSignal.notify_all();
}

int FileWriteThread::writeHeader(int length, int rate, int channels)
{
    std::uint8_t header[wav::kMaxHeaderBytes];
    const int bytes = wav::buildHeader(header, dataFormat, channels, rate, length);
    if (bytes == 0)
        return -1111;
    blockAlign = channels * bytesPerSample;
    return stream.write(header, static_cast<std::size_t>(bytes)) ? 0 : -1112;
}

namespace {

// Asks the provider for one block of samples of type T and widens them into
// out, which the encoder then reads.
template <typename T, typename Wide>
int fetch(TWaveProvider& provider, int dataSize, bool stereo, std::vector<T> (&raw)[2],
          std::vector<Wide>& outLeft, std::vector<Wide>& outRight)
{
    const auto n = static_cast<std::size_t>(dataSize);
    raw[0].resize(n);
    raw[1].resize(n);
    const int r = stereo ? provider.execStore(raw[0].data(), raw[1].data(), dataSize)
                         : provider.execStore(raw[0].data(), dataSize);
    if (r < 0)
        return r;
    outLeft.assign(raw[0].begin(), raw[0].end());
    if (stereo)
        outRight.assign(raw[1].begin(), raw[1].end());
    return r;
}

} // namespace

int FileWriteThread::execStore(int dataSize, bool stereoBlock)
{
    const int bytes = wav::bytesPerSample(dataFormat);
    if (bytes == 0)
        return -1111;
    if (dataSize <= 0)
        return 0;
    if (static_cast<long long>(dataSize) * bytes > wav::kMaxBlockBytes)
        return -1111;

    const auto n = static_cast<std::size_t>(dataSize);
    const int channels = stereoBlock ? 2 : 1;
    out.resize(n * static_cast<std::size_t>(bytes * channels));

    // The save command always delivers doubles. Integer types arrive in the
    // file's own units and are only clipped; floats take the double path.
    int r = 0;
    const bool integers = dataType >= 0 && dataType <= 2;
    if (dataType == 0)
        r = fetch(provider, dataSize, stereoBlock, int8Raw, leftInt, rightInt);
    else if (dataType == 1)
        r = fetch(provider, dataSize, stereoBlock, int16Raw, leftInt, rightInt);
    else if (dataType == 2)
        r = fetch(provider, dataSize, stereoBlock, int32Raw, leftInt, rightInt);
    else if (dataType == 3)
        r = fetch(provider, dataSize, stereoBlock, floatRaw, left, right);
    else {
        left.resize(n);
        right.resize(n);
        r = stereoBlock ? provider.execStore(left.data(), right.data(), dataSize)
                        : provider.execStore(left.data(), dataSize);
    }
    if (r < 0)
        return r;

    if (integers)
        wav::encodeIntegerBlock(leftInt.data(), stereoBlock ? rightInt.data() : nullptr, dataSize,
                                dataFormat, scale, out.data());
    else
        wav::encodeBlock(left.data(), stereoBlock ? right.data() : nullptr, dataSize, dataFormat,
                         scale, out.data());
    return stream.write(out.data(), out.size()) ? 0 : -1112;
}
