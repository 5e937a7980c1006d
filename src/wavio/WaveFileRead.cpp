#include "wavio/WaveFileRead.h"

#include "core/ResultCodes.h"

#include "wavio/ByteSource.h"

#include <algorithm>
#include <cmath>

namespace corvane::wavio {

namespace {

constexpr int kHeaderBytes = 44;
constexpr int kChunkHeaderBytes = 8;

// Chunk identifiers compared as four bytes in file order.
constexpr int id(const char (&s)[5])
{
    return static_cast<int>((static_cast<unsigned>(static_cast<unsigned char>(s[0])) << 24) |
                            (static_cast<unsigned>(static_cast<unsigned char>(s[1])) << 16) |
                            (static_cast<unsigned>(static_cast<unsigned char>(s[2])) << 8) |
                            static_cast<unsigned>(static_cast<unsigned char>(s[3])));
}

std::int64_t unsigned32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(WaveFileRead::bytebuf2int(p, 0, 4, false));
}

} // namespace

WaveFileRead::WaveFileRead(const std::string& fileName) : ring(kRingBytes)
{
    auto file = std::make_unique<FileSource>();
    openErrno = file->open(fileName);
    if (openErrno == 0)
        stream = std::move(file);
}

WaveFileRead::WaveFileRead(std::unique_ptr<ByteSource> source) : stream(std::move(source)), ring(kRingBytes) {}

// Closing here as well keeps a forgotten FileClose from leaking the file.
WaveFileRead::~WaveFileRead() = default;

int WaveFileRead::bytebuf2int(const unsigned char* buf, int offset, int count, bool bigEndian)
{
    count = std::clamp(count, 2, 4);
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i) {
        const std::uint32_t byte = buf[offset + i];
        if (bigEndian)
            value = (value << 8) | byte;
        else
            value |= byte << (8 * i);
    }
    return static_cast<int>(value);
}

int WaveFileRead::readExact(std::uint8_t* to, int byteCount)
{
    if (!stream)
        return core::kReadError;
    const auto wanted = static_cast<std::size_t>(byteCount);
    return stream->read(to, wanted) == wanted ? core::kOk : core::kReadError;
}

int WaveFileRead::ReadWaveHeader()
{
    std::uint8_t* h = ring.data();
    if (readExact(h, kHeaderBytes) < 0)
        return core::kReadError;

    if (bytebuf2int(h, 0, 4, true) != id("RIFF"))
        return core::kFileNotSupported;
    riffSize = unsigned32(h + 4);
    if (bytebuf2int(h, 8, 4, true) != id("WAVE") || bytebuf2int(h, 12, 4, true) != id("fmt "))
        return core::kRiffNotWave;
    if (bytebuf2int(h, 16, 4, false) != 16 || bytebuf2int(h, 20, 2, false) != 1)
        return core::kWaveNotSupported;
    numCh = bytebuf2int(h, 22, 2, false);
    if (numCh != 1 && numCh != 2)
        return core::kIllegalWaveFormat;
    fs = bytebuf2int(h, 24, 4, false);
    if (fs < 0)
        return core::kIllegalWaveFormat;
    byteRate = bytebuf2int(h, 28, 4, false);
    if (byteRate != std::int64_t{fs} * numCh * 2)
        return core::kIllegalWaveFormat;
    blockAlign = bytebuf2int(h, 32, 2, false);
    bitsPerSample = bytebuf2int(h, 34, 2, false);
    if (bitsPerSample != 16) {
        blockAlign = 0;
        return core::kOnly16Bit;
    }
    if (blockAlign != numCh * 2) {
        blockAlign = 0;
        return core::kIllegalWaveFormat;
    }
    if (bytebuf2int(h, 36, 4, true) != id("data"))
        return core::kIllegalDataFormat;
    chunkSize = unsigned32(h + 40);
    if (riffSize - chunkSize < 36)
        return core::kMultichunkNotSupported;

    stereo = numCh == 2;
    position = 36;
    headerDone = true;
    endOfData = false;
    ahead = 0;
    behind = 0;
    return 0;
}

// Reads bytes from the file into the ring at writePos, across the ring's end
// and across further "data" chunks.
int WaveFileRead::refill(std::int64_t bytes, std::int64_t& got)
{
    got = 0;
    while (bytes > 0) {
        if (chunkConsumed >= chunkSize) {
            std::uint8_t header[kChunkHeaderBytes];
            if (readExact(header, kChunkHeaderBytes) < 0)
                return core::kReadError;
            const std::int64_t size = unsigned32(header + 4);
            if (bytebuf2int(header, 0, 4, true) != id("data") || size == 0)
                return core::kIllegalChunkHeader;
            chunkSize = size;
            chunkConsumed = 0;
            position += kChunkHeaderBytes;
            // The RIFF size counts this header too: what is still due may now
            // run past the end of the data, so the end limit is applied again.
            const std::int64_t rest = std::max<std::int64_t>(riffSize - position, 0);
            if (bytes >= rest) {
                bytes = rest - rest % blockAlign;
                endOfData = true;
                if (bytes == 0)
                    break;
            }
        }
        const std::int64_t piece =
            std::min({bytes, std::int64_t{kRingBytes - writePos}, chunkSize - chunkConsumed});
        // What a short read did bring is kept: those frames can still be
        // delivered, and the failure comes where the file really ends.
        const auto n =
            stream
                ? static_cast<std::int64_t>(stream->read(ring.data() + writePos, static_cast<std::size_t>(piece)))
                : 0;
        writePos = static_cast<int>((writePos + n) % kRingBytes);
        position += n;
        chunkConsumed += n;
        bytes -= n;
        got += n;
        if (n < piece)
            return core::kReadError;
    }
    return 0;
}

namespace {

// Converts count frames starting at p. Scale is either a division by the
// divisor or, when the divisor is a power of two, the multiplication by its
// reciprocal, which gives the very same doubles much faster.
template <bool Stereo, bool Multiply>
void convert(const std::uint8_t* p, int count, double factor, double* left, double* right)
{
    const auto scaled = [factor](const std::uint8_t* q) {
        const double s = static_cast<std::int16_t>(q[0] | (q[1] << 8));
        return Multiply ? s * factor : s / factor;
    };
    for (int i = 0; i < count; ++i, p += Stereo ? 4 : 2) {
        left[i] = scaled(p);
        if (right != nullptr)
            right[i] = Stereo ? scaled(p + 2) : 0.0;
    }
}

template <bool Stereo>
void convertRun(const std::uint8_t* p, int count, double divisor, double* left, double* right)
{
    int exponent = 0;
    if (std::frexp(divisor, &exponent) == 0.5 && exponent > -1000 && exponent < 1000)
        convert<Stereo, true>(p, count, 1.0 / divisor, left, right);
    else
        convert<Stereo, false>(p, count, divisor, left, right);
}

} // namespace

void WaveFileRead::deliver(double* left, double* right, double divisor, int frames) const
{
    // At most two runs: up to the ring's end, then from its start.
    const int first = readPos / blockAlign;
    const int run = std::min(frames, capacity() - first);
    const auto convertAt = [&](int frame, int count, int offset) {
        const std::uint8_t* p = ring.data() + frame * blockAlign;
        double* r = right != nullptr ? right + offset : nullptr;
        if (stereo)
            convertRun<true>(p, count, divisor, left + offset, r);
        else
            convertRun<false>(p, count, divisor, left + offset, r);
    };
    convertAt(first, run, 0);
    if (frames > run)
        convertAt(0, frames - run, run);
}

int WaveFileRead::ReadWaveData(double* left, double* right, double divisor, int dataSize, int ptrOffset,
                               int keepFrames)
{
    endDelivered = false;
    std::int64_t bytes = 0;

    if (!headerDone)
        return core::kReadBeforeHeader;
    const int cap = capacity();
    // A negative size has no meaning; it is refused with the size error.
    if (dataSize > cap || dataSize < 0)
        return core::kReadExceedsBuffer;
    if (behind < -std::int64_t{ptrOffset})
        return core::kOffsetBeyondStart;
    if (ptrOffset > 0)
        return core::kOffsetBeyondEnd;
    keepFrames = std::min(keepFrames, cap);

    // Step back over frames already delivered.
    int pos = readPos + ptrOffset * blockAlign;
    if (pos < 0) {
        if (!wrapped)
            return core::kOffsetBeyondStart;
        pos += kRingBytes;
    }
    readPos = pos;
    behind += ptrOffset;

    // Frames from readPos up to writePos. Kept as a count rather than taken
    // from the positions: with equal positions the ring is either empty or
    // full, and only the count tells which.
    ahead -= ptrOffset;

    if (dataSize > ahead) {
        // Top the ring up to capacity, keeping t frames: the block itself plus
        // up to keepFrames - dataSize of history before the read position.
        const int t = std::min(std::max(keepFrames, dataSize), behind + dataSize);
        bytes = (std::int64_t{dataSize - ahead} + (cap - t)) * blockAlign;
    }
    if (bytes > 0) {
        const std::int64_t rest = std::max<std::int64_t>(riffSize - position, 0);
        if (bytes >= rest) {
            // A trailing part frame could never be delivered; leave it unread
            // so the end is reached exactly at a frame boundary.
            bytes = rest - rest % blockAlign;
            endOfData = true;
        }
    }

    int ready = ahead;
    if (bytes > 0) {
        std::int64_t got = 0;
        const int r = refill(bytes, got);
        // Only whole frames count. A part frame is left only by a failed
        // read at the end of the file; its bytes are dropped so later frames
        // stay aligned.
        writePos = static_cast<int>((writePos - got % blockAlign + kRingBytes) % kRingBytes);
        ready = static_cast<int>(std::min<std::int64_t>(ahead + got / blockAlign, cap));
        if (r < 0) {
            // A file cut short has not reached the end its header announced.
            endOfData = false;
            ahead = ready;
            lastCount = 0;
            updateBehind();
            return r;
        }
    }
    int frames = dataSize;
    if (bytes > 0 || (endOfData && dataSize > ahead))
        frames = std::min(dataSize, ready);

    deliver(left, right, divisor, frames);
    lastCount = frames;
    readPos += frames * blockAlign;
    if (readPos >= kRingBytes) {
        readPos -= kRingBytes;
        wrapped = true;
    }
    ahead = ready - frames;
    if (endOfData && ahead == 0)
        endDelivered = true;
    updateBehind();
    return endDelivered ? 1 : 0;
}

// History is what the ring holds that is not ahead: before the first wrap
// only the frames from index 0 up to the read position, and of those only
// the ones a refill has not written over.
void WaveFileRead::updateBehind()
{
    const int notAhead = capacity() - ahead;
    behind = wrapped ? notAhead : std::min(readPos / blockAlign, notAhead);
}

int WaveFileRead::FileClose()
{
    if (!stream)
        return 0;
    const int e = stream->close();
    stream.reset();
    return e == 0 ? 0 : -1;
}

} // namespace corvane::wavio
