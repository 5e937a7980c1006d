#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Builds small WAV files in memory, with any field wrong on purpose.
struct WavBytes {
    std::vector<std::uint8_t> bytes;

    void id(const char* four)
    {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<std::uint8_t>(four[i]));
    }
    void u16(unsigned v)
    {
        bytes.push_back(static_cast<std::uint8_t>(v));
        bytes.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    void u32(std::uint32_t v)
    {
        u16(v & 0xFFFF);
        u16(v >> 16);
    }
    void samples(const std::vector<std::int16_t>& s)
    {
        for (const auto v : s)
            u16(static_cast<std::uint16_t>(v));
    }
    void patch32(std::size_t at, std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    }
};

// The plain 16-bit header followed by the interleaved samples in one chunk.
inline WavBytes wav16(int numCh, int fs, const std::vector<std::int16_t>& interleaved)
{
    WavBytes w;
    const auto dataBytes = static_cast<std::uint32_t>(interleaved.size() * 2);
    w.id("RIFF");
    w.u32(36 + dataBytes);
    w.id("WAVE");
    w.id("fmt ");
    w.u32(16);
    w.u16(1);
    w.u16(static_cast<unsigned>(numCh));
    w.u32(static_cast<std::uint32_t>(fs));
    w.u32(static_cast<std::uint32_t>(fs * numCh * 2));
    w.u16(static_cast<unsigned>(numCh * 2));
    w.u16(16);
    w.id("data");
    w.u32(dataBytes);
    w.samples(interleaved);
    return w;
}
