#include "wavio/FileWriteThread.h"

#include "core/ResultCodes.h"

#include "core/CodeSets.h"
#include "signal/Dither.h"
#include "signal/TWaveProvider.h"
#include "wavio/ByteSink.h"
#include "wavio/ChunkedWrite.h"
#include "wavio/EncodeKernels.h"
#include "wavio/WavFormat.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/resource.h>
#include <system_error>
#include <unistd.h>

namespace corvane::wavio {

namespace {

// One step below the caller, so the window stays responsive. Not being
// allowed to change it is harmless: the file comes out the same.
void lowerPriority()
{
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
    if (errno == 0)
        setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), nice + 1);
}

// Asks the provider for one block of samples of type T and widens them into
// the arrays the encoder reads.
template <typename T, typename Wide>
int fetchAs(signal::TWaveProvider& provider, int dataSize, bool stereo, std::vector<T> (&raw)[2],
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

FileWriteThread::FileWriteThread(ByteSink& stream_, signal::TWaveProvider& provider_, int dataLength_, int fs_,
                                 int numCh_)
    : stream(stream_), provider(provider_), dataLength(dataLength_), fs(fs_), numCh(numCh_), stereo(numCh_ == 2)
{
}

FileWriteThread::~FileWriteThread()
{
    terminated.raise();
    if (worker.joinable())
        worker.join();
}

void FileWriteThread::setDataFormat(char dataType_, char dataFormat_, double scale_)
{
    dataType = dataType_;
    dataFormat = dataFormat_;
    format = formatOfCode(dataFormat);
    scale = scale_;
    bytesPerSample = format ? wavio::bytesPerSample(*format) : 0;
    blockAlign = numCh * bytesPerSample;
}

void FileWriteThread::start()
{
    try {
        worker = std::thread([this] {
            lowerPriority();
            Execute();
        });
    } catch (const std::system_error&) {
        // No thread to write with (the system is out of them): the writing
        // ends at once as a failed write, so the owner reports it and keeps
        // no file.
        handover.finish(core::kFileWriteError);
    }
}

int FileWriteThread::blockFrames()
{
    const int limit = provider.getMaxBlockSize(signal::TWaveProvider::Float64, numCh);
    if (blockAlign <= 0)
        return 0;
    int block = wavio::kMaxBlockBytes / blockAlign;
    if (stereo)
        block /= 2;
    if (limit != 0 && limit < block)
        block = limit;
    return block;
}

void FileWriteThread::Execute()
{
    int r = writeHeader(dataLength, fs, numCh);
    if (r >= 0)
        r = writeBlocks(blockFrames());
    handover.finish(r);
}

// The blocks in order. A helper thread asks the provider for block k + 1
// while this thread encodes and writes block k: the two halves of the work
// then run on two cores. The file, the progress steps, the stop and the
// result are those of doing one block after the other; the provider may only
// be asked for a block or two that are never written.
int FileWriteThread::writeBlocks(int block)
{
    if (block <= 0 || dataLength <= 0)
        return 0;
    // Doubles, what the save command always delivers, go in chunks of blocks
    // with the vectorised encoders; the other sample types, and dithered
    // output, below.
    if (dataType == signal::TWaveProvider::Float64 && dither == nullptr)
        return writeChunked({stream, provider, dataLength, block, numCh, *format, scale, handover, terminated});

    std::mutex m;
    std::condition_variable changed;
    bool filled[2] = {false, false};
    bool quit = false;

    // Started from the worker, it inherits the worker's lowered priority.
    std::thread generator([&] {
        int asked = 0;
        for (int k = 0; asked < dataLength; ++k) {
            Block& b = blocks[k % 2];
            {
                std::unique_lock lock(m);
                changed.wait(lock, [&] { return quit || !filled[k % 2]; });
                if (quit)
                    return;
            }
            b.frames = std::min(block, dataLength - asked);
            b.result = fetch(b, b.frames, stereo);
            asked += b.frames;
            {
                std::lock_guard lock(m);
                filled[k % 2] = true;
            }
            changed.notify_all();
            if (b.result < 0)
                return;
        }
    });

    int r = 0;
    int written = 0;
    for (int k = 0; written < dataLength && !terminated.raised(); ++k) {
        Block& b = blocks[k % 2];
        {
            std::unique_lock lock(m);
            changed.wait(lock, [&] { return filled[k % 2]; });
        }
        const int n = b.frames;
        r = b.result;
        if (r >= 0)
            r = static_cast<long long>(n) * bytesPerSample > wavio::kMaxBlockBytes ? core::kBlockTooLarge
                                                                                   : encodeAndWrite(b, n, stereo);
        {
            std::lock_guard lock(m);
            filled[k % 2] = false;
        }
        changed.notify_all();
        if (r < 0 || handover.stopRequested())
            break;
        written += n;
        const double percent = written * 100.0 / dataLength + 0.5;
        handover.setProgress(static_cast<int>(percent));
    }

    {
        std::lock_guard lock(m);
        quit = true;
    }
    changed.notify_all();
    generator.join();
    return r;
}

int FileWriteThread::writeHeader(int length, int rate, int channels)
{
    if (!format)
        return core::kBlockTooLarge;
    std::uint8_t header[wavio::kMaxHeaderBytes];
    const int bytes = wavio::buildHeader(header, *format, channels, rate, length);
    if (bytes == 0)
        return core::kBlockTooLarge;
    blockAlign = channels * bytesPerSample;
    return stream.write(header, static_cast<std::size_t>(bytes)) ? core::kOk : core::kFileWriteError;
}

// The save command always delivers doubles. Integer types arrive in the
// file's own units and are only clipped; floats take the double path.
int FileWriteThread::fetch(Block& b, int dataSize, bool stereoBlock)
{
    using P = signal::TWaveProvider;
    switch (dataType) {
    case P::Int8: return fetchAs(provider, dataSize, stereoBlock, b.int8, b.leftInt, b.rightInt);
    case P::Int16: return fetchAs(provider, dataSize, stereoBlock, b.int16, b.leftInt, b.rightInt);
    case P::Int32: return fetchAs(provider, dataSize, stereoBlock, b.int32, b.leftInt, b.rightInt);
    case P::Float32: return fetchAs(provider, dataSize, stereoBlock, b.float32, b.left, b.right);
    default:
        b.left.resize(static_cast<std::size_t>(dataSize));
        b.alike = stereoBlock && provider.identicalChannels();
        if (b.alike)
            return provider.execStoreIdentical(b.left.data(), dataSize);
        b.right.resize(static_cast<std::size_t>(dataSize));
        return stereoBlock ? provider.execStore(b.left.data(), b.right.data(), dataSize)
                           : provider.execStore(b.left.data(), dataSize);
    }
}

int FileWriteThread::encodeAndWrite(Block& b, int dataSize, bool stereoBlock)
{
    const auto n = static_cast<std::size_t>(dataSize);
    const int channels = stereoBlock ? 2 : 1;
    out.resize(n * static_cast<std::size_t>(bytesPerSample * channels));

    using P = signal::TWaveProvider;
    if (dataType == P::Int8 || dataType == P::Int16 || dataType == P::Int32) {
        const std::int32_t* right = stereoBlock ? b.rightInt.data() : nullptr;
        wavio::encodeIntegerBlock(b.leftInt.data(), right, dataSize, *format, scale, out.data());
    } else {
        ditherValues.resize(dither != nullptr ? static_cast<std::size_t>(dataSize) : 0);
        const double* right = !stereoBlock ? nullptr : b.alike ? b.left.data() : b.right.data();
        encodeFrames(b.left.data(), right, dataSize, *format, scale, dither, ditherValues.data(), out.data());
    }
    return stream.write(out.data(), out.size()) ? core::kOk : core::kFileWriteError;
}

int FileWriteThread::execStore(int dataSize, bool stereoBlock)
{
    if (!format)
        return core::kBlockTooLarge;
    if (dataSize <= 0)
        return 0;
    if (static_cast<long long>(dataSize) * bytesPerSample > wavio::kMaxBlockBytes)
        return core::kBlockTooLarge;
    if (const int r = fetch(blocks[0], dataSize, stereoBlock); r < 0)
        return r;
    return encodeAndWrite(blocks[0], dataSize, stereoBlock);
}

} // namespace corvane::wavio
