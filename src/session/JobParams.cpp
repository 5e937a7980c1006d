#include "session/JobParams.h"

#include "core/NumberText.h"
#include "session/SignalParamValues.h"

namespace corvane::session {

namespace {

std::optional<std::string> setCommon(JobDescription& job, const FieldInfo& field, std::string_view text)
{
    if (field.common == CommonParam::RateHz) {
        const CommonParamInfo& row = kCommonParams[static_cast<std::size_t>(CommonParam::RateHz)];
        const auto rate = core::parseInteger(text);
        if (!rate || *rate < row.min || *rate > row.max)
            return std::string(row.caption) + " takes a whole number from " +
                   std::to_string(static_cast<int>(row.min)) + " to " + std::to_string(static_cast<int>(row.max)) +
                   ".";
        job.sampleRateHz = *rate;
        return std::nullopt;
    }
    const auto value = core::parseReal(text);
    if (!value)
        return std::string(field.caption) + ": only a valid value can be accepted.";
    switch (field.common) {
    case CommonParam::LevelDb: job.levelDb = *value; break;
    case CommonParam::Seconds:
        job.seconds = *value;
        job.frames.reset();
        break;
    case CommonParam::FadeIn: job.fadeInSeconds = *value; break;
    case CommonParam::FadeOut: job.fadeOutSeconds = *value; break;
    case CommonParam::RateHz: break;
    }
    return std::nullopt;
}

} // namespace

std::string captionWithMnemonic(const FieldInfo& field)
{
    std::string caption(field.caption);
    const std::size_t at = mnemonicIndex(field.caption, field.mnemonic);
    if (at != std::string_view::npos)
        caption.insert(at, 1, '&');
    return caption;
}

std::optional<std::string> setField(JobDescription& job, const FieldInfo& field, std::string_view text)
{
    if (field.param)
        return setParam(job, *field.param, text);
    return setCommon(job, field, text);
}

std::optional<FieldInfo> fieldOfOption(core::SignalKind kind, std::string_view option)
{
    for (const FieldInfo& field : fieldsOf(kind))
        if (field.option == option)
            return field;
    return std::nullopt;
}

} // namespace corvane::session
