// Feeds arbitrary bytes to the WAV reader as a file, then runs a sequence of
// block reads, step-backs and refills taken from the same input. Any read or
// write outside the ring or the caller's arrays shows up under the sanitizers.
//
// Input layout: a 2-byte little-endian count K, K bytes of operations (9 bytes
// each: data size, step-back and kept frames as 3-byte values), then the file.
#include "wavio/ByteSource.h"
#include "wavio/WaveFileRead.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

using namespace corvane;

namespace {

int u24(const std::uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    std::size_t opBytes = static_cast<std::size_t>(data[0] | (data[1] << 8));
    if (opBytes > size - 2)
        opBytes = size - 2;
    const std::uint8_t* ops = data + 2;
    const std::size_t opCount = opBytes / 9;
    const std::vector<std::uint8_t> file(data + 2 + opBytes, data + size);

    wavio::WaveFileRead reader(std::make_unique<wavio::MemorySource>(file));
    reader.ReadWaveHeader();

    for (std::size_t i = 0; i < opCount; ++i) {
        const std::uint8_t* op = ops + 9 * i;
        // Mostly small counts, which make for many calls per input; a set
        // top bit asks for the whole range, up to one past the ring.
        const auto count = [](const std::uint8_t* p) {
            const int v = u24(p);
            return (p[2] & 0x80) ? v % 96003 : v % 1500;
        };
        const int dataSize = count(op) - 1; // -1 .. 96001
        const int ptrOffset = 1 - count(op + 3); // 1 .. -96001
        const int keepFrames = count(op + 6) - 1; // -1 .. 96001
        // Both arrays sized to the request exactly, so a write past it is
        // caught; left uninitialised, since filling them would cost more
        // than the reads being tested.
        const auto n = static_cast<std::size_t>(dataSize > 0 ? dataSize : 0);
        const std::unique_ptr<double[]> left(new double[n]);
        const std::unique_ptr<double[]> right(new double[n]);
        const int r = reader.ReadWaveData(left.get(), right.get(), 32768.0, dataSize, ptrOffset, keepFrames);
        if (r > 1)
            __builtin_trap();
        if (r >= 0 && (reader.getLastCount() < 0 || reader.getLastCount() > dataSize))
            __builtin_trap();
        if (reader.getAhead() < 0 || reader.getBehind() < 0 ||
            reader.getAhead() + reader.getBehind() > reader.capacity())
            __builtin_trap();
    }
    reader.FileClose();
    return 0;
}
