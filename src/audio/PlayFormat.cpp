#include "audio/PlayFormat.h"

#include <string>

namespace corvane::audio {

const PlayFormatInfo* playFormatInfo(PlayFormat format)
{
    for (const auto& info : kPlayFormats)
        if (info.format == format)
            return &info;
    return nullptr;
}

const PlayFormatInfo* playFormatOf(core::SampleFormat format)
{
    for (const auto& info : kPlayFormats)
        if (info.sampleFormat == format)
            return &info;
    return nullptr;
}

const PlayFormatInfo* findPlayFormat(std::string_view name)
{
    for (const auto& info : kPlayFormats)
        if (info.cliName() == name)
            return &info;
    return nullptr;
}

std::string playFormatNames()
{
    std::string text;
    for (const auto& info : kPlayFormats) {
        if (!text.empty())
            text += ", ";
        text += info.cliName();
    }
    return text;
}

} // namespace corvane::audio
