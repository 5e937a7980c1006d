#pragma once

#include "core/CodeSets.h"

#include <array>
#include <string_view>

namespace corvane::audio {

// The sample formats playback sends to a device: the file formats a device
// takes byte for byte, so the bytes played equal the data chunk of the file
// exported with the same options. Names, sizes and scales come from the
// format table.
enum class PlayFormat { S16, S32, F32 };

struct PlayFormatInfo {
    PlayFormat format;
    core::SampleFormat sampleFormat;

    constexpr const core::SampleFormatInfo& sample() const { return core::infoOf(sampleFormat); }
    constexpr std::string_view cliName() const { return sample().cliName; }
    constexpr core::SampleFormat wavFormat() const { return sampleFormat; }
    constexpr int bytes() const { return sample().bytes; }
    constexpr bool isFloat() const { return sample().isFloat; }
};

inline constexpr std::array kPlayFormats{
    PlayFormatInfo{PlayFormat::S16, core::SampleFormat::S16},
    PlayFormatInfo{PlayFormat::S32, core::SampleFormat::S32},
    PlayFormatInfo{PlayFormat::F32, core::SampleFormat::F32},
};

// The table row of a format; nullptr for a value outside the enum.
const PlayFormatInfo* playFormatInfo(PlayFormat format);

// The row that plays a file's sample format; nullptr for one no device is
// sent as it is (8-bit, 24-bit, 64-bit float).
const PlayFormatInfo* playFormatOf(core::SampleFormat format);

// The row whose name is name ("s16", "s32", "f32"); nullptr for any other text.
const PlayFormatInfo* findPlayFormat(std::string_view name);

// "s16, s32, f32", for help texts.
std::string playFormatNames();

} // namespace corvane::audio
