#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace corvane::wavio {

class ByteSource;

// Reads a 16-bit PCM WAV file (plain 44-byte header, mono or stereo) block by
// block into arrays of doubles. The samples pass through a 192000-byte ring
// that is refilled in large reads and keeps recently delivered frames, so the
// caller can step back and read overlapping blocks.
//
// Order of use: construct, ReadWaveHeader, any number of ReadWaveData, FileClose.
// Every operation returns 0 or more on success and a negated catalogue number
// on failure. One thread at a time.
class WaveFileRead {
public:
    static constexpr int kRingBytes = 192000;

    // Opens the file; openError() tells why it could not be (an errno value).
    explicit WaveFileRead(const std::string& fileName);
    // Reads from any source, such as bytes in memory.
    explicit WaveFileRead(std::unique_ptr<ByteSource> source);
    ~WaveFileRead();
    WaveFileRead(const WaveFileRead&) = delete;
    WaveFileRead& operator=(const WaveFileRead&) = delete;

    int openError() const { return openErrno; }

    // Checks the 44-byte header: 0, or -101 to -110, or -1101 for a short file.
    int ReadWaveHeader();

    // Delivers up to dataSize frames as sample / divisor: left and right must
    // hold dataSize doubles each (right gets zeros for a mono file). ptrOffset
    // (0 or negative) first steps back over frames already delivered;
    // keepFrames limits the refill so that many frames before the read
    // position stay available for later step-backs. 0 when frames were
    // delivered and more follow, 1 when the end of the data was reached.
    int ReadWaveData(double* left, double* right, double divisor, int dataSize, int ptrOffset, int keepFrames);

    // Closes the file once: 0, or -1 when closing failed.
    int FileClose();

    // count bytes from buf[offset] as an unsigned integer (count clamped to 2
    // to 4), first byte least significant unless bigEndian. No sign extension.
    static int bytebuf2int(const unsigned char* buf, int offset, int count, bool bigEndian);

    int getNumCh() const { return numCh; }
    int getFs() const { return fs; }
    int getBlockAlign() const { return blockAlign; }
    std::int64_t getChunkSize() const { return chunkSize; }
    std::int64_t getRiffSize() const { return riffSize; }
    // Ring capacity in frames: 96000 mono, 48000 stereo; 0 before the header.
    int capacity() const { return blockAlign > 0 ? kRingBytes / blockAlign : 0; }
    int getLastCount() const { return lastCount; }
    bool isEndDelivered() const { return endDelivered; }
    int getAhead() const { return ahead; }
    int getBehind() const { return behind; }
    int getReadPos() const { return readPos; }
    int getWritePos() const { return writePos; }
    bool isWrapped() const { return wrapped; }

private:
    int readExact(std::uint8_t* to, int byteCount);
    int refill(std::int64_t bytes, std::int64_t& got);
    void deliver(double* left, double* right, double divisor, int frames) const;
    void updateBehind();

    std::unique_ptr<ByteSource> stream;
    int openErrno = 0;
    std::vector<std::uint8_t> ring;

    // Sizes are read as unsigned 32-bit values and kept wide, so a damaged
    // header cannot make them negative or overflow the arithmetic on them.
    std::int64_t riffSize = 0;
    int numCh = 0;
    int fs = 0;
    int byteRate = 0;
    int blockAlign = 0;
    int bitsPerSample = 0;
    std::int64_t chunkSize = 0;
    bool headerDone = false;
    bool stereo = false;

    int writePos = 0;
    int readPos = 0;
    int ahead = 0;
    int behind = 0;
    bool wrapped = false;
    std::int64_t chunkConsumed = 0;
    std::int64_t position = 0;
    bool endOfData = false;
    bool endDelivered = false;
    int lastCount = 0;
};

} // namespace corvane::wavio
