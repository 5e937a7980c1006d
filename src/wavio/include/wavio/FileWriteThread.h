#pragma once

#include "core/CodeSets.h"
#include "core/Handover.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <thread>
#include <vector>

namespace corvane::signal {
class Dither;
class TWaveProvider;
} // namespace corvane::signal

namespace corvane::wavio {

class ByteSink;

// Writes one WAV file in the background: the header, then the samples block by
// block, pulled from a provider and encoded. It never opens, closes or deletes
// the file and never shows anything; the owner polls storeDone.
//
// Contract: construct, setDataFormat, start. The stream and the provider must
// outlive the thread object and are touched only by the worker (and its
// generating helper) until storeDone is seen. The destructor asks a running
// worker to end and joins it.
class FileWriteThread {
public:
    FileWriteThread(ByteSink& stream, signal::TWaveProvider& provider, int dataLength, int fs, int numCh);
    ~FileWriteThread();
    FileWriteThread(const FileWriteThread&) = delete;
    FileWriteThread& operator=(const FileWriteThread&) = delete;

    // Called once, before start. The codes as the caller has them (a code
    // outside the tables makes every block fail with -1111), or a format
    // from the table.
    void setDataFormat(char dataType, char dataFormat, double scale);
    void setDataFormat(core::SampleType type, core::SampleFormat fileFormat, double factor)
    {
        setDataFormat(static_cast<char>(type), static_cast<char>(core::codeOf(fileFormat)), factor);
    }
    // TPDF dither for the integer formats, drawn in block order and added to
    // both channels alike (they carry one signal); optional, before start.
    // Must outlive the thread; used by the worker only.
    void setDither(signal::Dither* source) { dither = source; }
    // Starts the worker at one priority step below normal (where the system allows).
    void start();

    // Blocks until storeDone is set or the timeout passes; true when done.
    // A convenience for headless callers; the window polls storeDone instead.
    bool waitDone(std::chrono::milliseconds timeout) { return handover.waitFinished(timeout); }

    // The owner's side: the stop request (honoured between blocks), the
    // completion flag and the result, which is final once storeDone is seen.
    void stopRequest() { handover.requestStop(); }
    bool storeDone() const { return handover.finished(); }
    int storeResult() const { return handover.result(); }
    // Progress bar position 0 to 100, moved by the worker after each block.
    int progress() const { return handover.progress(); }

    // The steps of the worker, public so tests can drive them one at a time.
    int writeHeader(int dataLength, int fs, int numCh);
    // One block: fetch from the provider, encode, write.
    int execStore(int dataSize, bool stereo);
    // Frames per block for this format, channel count and provider limit.
    int blockFrames();

private:
    // One block's samples as the provider delivered them.
    struct Block {
        std::vector<char> int8[2];
        std::vector<short> int16[2];
        std::vector<int> int32[2];
        std::vector<float> float32[2];
        std::vector<double> left, right;
        std::vector<std::int32_t> leftInt, rightInt;
        int frames = 0;
        int result = 0;
        bool alike = false; // left stands for both channels
    };

    void Execute();
    int writeBlocks(int block);
    int fetch(Block& b, int dataSize, bool stereo);
    int encodeAndWrite(Block& b, int dataSize, bool stereo);

    ByteSink& stream; // owned by the caller
    signal::TWaveProvider& provider; // owned by the caller
    int dataLength;
    int fs;
    int numCh;
    bool stereo;
    char dataType = static_cast<char>(core::SampleType::Float64);
    char dataFormat = static_cast<char>(core::codeOf(core::SampleFormat::S16)); // the code as given
    std::optional<core::SampleFormat> format = core::SampleFormat::S16; // empty when the code is none
    double scale = 1.0;
    signal::Dither* dither = nullptr;
    std::vector<double> ditherValues;
    int bytesPerSample = 2;
    int blockAlign = 0;

    core::Handover handover;
    core::StopFlag terminated; // raised by the destructor
    std::thread worker;

    // Two blocks, so the next can be generated while the current one is
    // encoded and written; reused so a long file costs no allocation per block.
    Block blocks[2];
    std::vector<std::uint8_t> out;
};

} // namespace corvane::wavio
