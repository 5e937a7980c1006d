#include "analysis/NumberColumns.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace corvane::analysis {

void appendNumber(std::string& text, double value, int significantDigits)
{
    char buffer[64];
    // to_chars never looks at the locale.
    const auto r =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, significantDigits);
    text.append(buffer, r.ptr);
}

std::string responseCsv(const FrequencyResponse& r)
{
    std::string text = "frequency_hz,magnitude_db,phase_deg\n";
    for (std::size_t j = 0; j < r.frequencyHz.size(); ++j) {
        appendNumber(text, r.frequencyHz[j]);
        text += ',';
        appendNumber(text, r.magnitudeDb[j]);
        text += ',';
        appendNumber(text, r.phaseDeg[j]);
        text += '\n';
    }
    return text;
}

std::string responseFrd(const FrequencyResponse& r)
{
    std::string text = "* frequency response written by corvane\n* Hz dB degrees\n";
    for (std::size_t j = 0; j < r.frequencyHz.size(); ++j) {
        appendNumber(text, r.frequencyHz[j]);
        text += ' ';
        appendNumber(text, r.magnitudeDb[j]);
        text += ' ';
        appendNumber(text, r.phaseDeg[j]);
        text += '\n';
    }
    return text;
}

std::string distortionCsv(const HarmonicDistortion& d)
{
    std::string text = "frequency_hz,fundamental_db";
    for (std::size_t k = 0; k < d.harmonicDb.size(); ++k)
        text += ",h" + std::to_string(k + 2) + "_db";
    text += ",thd_percent\n";
    for (std::size_t j = 0; j < d.frequencyHz.size(); ++j) {
        appendNumber(text, d.frequencyHz[j]);
        text += ',';
        appendNumber(text, d.fundamentalDb[j]);
        for (const auto& harmonic : d.harmonicDb) {
            text += ',';
            if (std::isfinite(harmonic[j]))
                appendNumber(text, harmonic[j]);
        }
        text += ',';
        appendNumber(text, d.thdPercent[j]);
        text += '\n';
    }
    return text;
}

namespace {

void put16(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void put32(std::uint8_t* p, std::uint32_t v)
{
    put16(p, v & 0xFFFFu);
    put16(p + 2, v >> 16);
}

} // namespace

std::vector<std::uint8_t> floatWavHeader(int channels, int sampleRate, std::int64_t frames, int bytesPerSample)
{
    constexpr std::int64_t kMax32 = std::numeric_limits<std::uint32_t>::max();
    constexpr std::int64_t kHeaderBytes = 80;
    if (channels < 1 || channels > 0xFFFF || sampleRate <= 0 || frames < 0 ||
        (bytesPerSample != 4 && bytesPerSample != 8))
        return {};
    const std::int64_t blockAlign = std::int64_t{channels} * bytesPerSample;
    if (frames > kMax32 / blockAlign || blockAlign > 0xFFFF)
        return {};
    const std::int64_t dataBytes = frames * blockAlign;
    const std::int64_t byteRate = std::int64_t{sampleRate} * blockAlign;
    if (dataBytes + kHeaderBytes - 8 > kMax32 || byteRate > kMax32)
        return {};
    std::vector<std::uint8_t> h(kHeaderBytes, 0);
    const auto u32 = [](std::int64_t v) { return static_cast<std::uint32_t>(v); };
    std::memcpy(h.data(), "RIFF", 4);
    put32(h.data() + 4, u32(dataBytes + kHeaderBytes - 8));
    std::memcpy(h.data() + 8, "WAVEfmt ", 8);
    put32(h.data() + 16, 40);
    put16(h.data() + 20, 0xFFFE);
    put16(h.data() + 22, u32(channels));
    put32(h.data() + 24, u32(sampleRate));
    put32(h.data() + 28, u32(byteRate));
    put16(h.data() + 32, u32(blockAlign));
    put16(h.data() + 34, u32(8 * bytesPerSample));
    put16(h.data() + 36, 22);
    put16(h.data() + 38, u32(8 * bytesPerSample));
    // Front centre for one channel, front left and right for two, no
    // speaker positions for more.
    put32(h.data() + 40, channels == 1 ? 4 : channels == 2 ? 3 : 0);
    // The IEEE float sub-format GUID.
    constexpr std::uint8_t kFloatGuid[16] = {0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                             0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    std::memcpy(h.data() + 44, kFloatGuid, sizeof kFloatGuid);
    std::memcpy(h.data() + 60, "fact", 4);
    put32(h.data() + 64, 4);
    put32(h.data() + 68, u32(frames));
    std::memcpy(h.data() + 72, "data", 4);
    put32(h.data() + 76, u32(dataBytes));
    return h;
}

} // namespace corvane::analysis
