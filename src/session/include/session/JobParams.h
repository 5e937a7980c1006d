#pragma once

#include "core/CodeSets.h"
#include "core/SignalParameters.h"
#include "session/JobDescription.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The fields a front end offers for a signal: the rows of kSignalParams its
// signal uses (each parameter described once, in core), then the rows every
// signal but the tone takes, which belong to the job rather than to a
// signal (level, rate, length, fades). A window builds a control per field
// from these, so a row added to either table appears there without code.
namespace corvane::session {

enum class CommonParam { LevelDb, RateHz, Seconds, FadeIn, FadeOut };

struct CommonParamInfo {
    CommonParam param;
    std::string_view caption;
    char mnemonic; // as kSignalParams' own
    std::string_view option;
    std::string_view unit;
    core::ParamType type; // Real: any number, the job check judges it; Integer: within [min, max]
    double min;
    double max;
    std::string_view defaultText;
    std::string_view offered; // values a list offers beside what is typed, '|' between them
};

inline constexpr std::array kCommonParams{
    CommonParamInfo{CommonParam::LevelDb, "Level", 'V', "--level", "dB", core::ParamType::Real, 0, 0, "6", ""},
    // The window's five rates and the common measurement rates.
    CommonParamInfo{CommonParam::RateHz, "Rate", 'R', "--fs", "Hz", core::ParamType::Integer, 8000, 384000,
                    "44100", "8000|11025|22050|44100|48000|88200|96000|192000"},
    CommonParamInfo{CommonParam::Seconds, "Length", 'N', "--seconds", "s", core::ParamType::Real, 0, 0, "10", ""},
    CommonParamInfo{CommonParam::FadeIn, "Fade in", 'I', "--fade-in", "s", core::ParamType::Real, 0, 0, "0", ""},
    CommonParamInfo{CommonParam::FadeOut, "Fade out", 'O', "--fade-out", "s", core::ParamType::Real, 0, 0, "0",
                    ""},
};
static_assert(core::inCodeOrder(kCommonParams, &CommonParamInfo::param));

// The window's signal choice, whose mnemonic no field may take.
inline constexpr std::string_view kSignalChoiceCaption = "&Signal";
inline constexpr char kSignalChoiceMnemonic = 'S';

// One field: a signal's own parameter or a common one.
struct FieldInfo {
    std::optional<core::SignalParam> param; // empty: the common row
    CommonParam common = CommonParam::LevelDb;
    std::string_view caption;
    char mnemonic = '\0';
    std::string_view option;
    std::string_view unit;
    core::ParamType type = core::ParamType::Real;
    std::string_view defaultText; // as it would be typed with '.'
    std::string_view choices; // a Choice's names; for another type the values a list offers
};

constexpr FieldInfo fieldOf(const core::SignalParamInfo& row)
{
    return {row.param, CommonParam::LevelDb, row.caption, row.mnemonic, row.option, row.unit,
            row.type,  row.defaultText,      row.choices};
}

constexpr FieldInfo fieldOf(const CommonParamInfo& row)
{
    return {std::nullopt, row.param, row.caption,     row.mnemonic, row.option,
            row.unit,     row.type,  row.defaultText, row.offered};
}

inline constexpr std::size_t kMaxFields = core::kSignalParams.size() + kCommonParams.size();

struct FieldList {
    std::array<FieldInfo, kMaxFields> rows{};
    std::size_t count = 0;
    constexpr const FieldInfo* begin() const { return rows.data(); }
    constexpr const FieldInfo* end() const { return rows.data() + count; }
};

// A signal's fields in reading order: its own rows in the table's order,
// then the common rows. The tone has none: its controls are the window's own.
constexpr FieldList fieldsOf(core::SignalKind kind)
{
    FieldList list;
    if (kind == core::SignalKind::Tone)
        return list;
    for (const core::SignalParamInfo& row : core::kSignalParams)
        if (core::usesParam(kind, row.param))
            list.rows[list.count++] = fieldOf(row);
    for (const CommonParamInfo& row : kCommonParams)
        list.rows[list.count++] = fieldOf(row);
    return list;
}

// The name of a field's control and of its saved text: its option without
// the dashes ("from", "fade-in"); unique among a signal's fields.
constexpr std::string_view fieldName(const FieldInfo& field)
{
    return field.option.substr(2);
}

// Where the mnemonic stands in the caption (its first occurrence, either
// case), or npos.
constexpr std::size_t mnemonicIndex(std::string_view caption, char mnemonic)
{
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (std::size_t i = 0; i < caption.size(); ++i)
        if (lower(caption[i]) == lower(mnemonic))
            return i;
    return std::string_view::npos;
}

// Every signal's fields have letters of their own captions, none twice and
// none the signal choice's, so Alt+letter reaches each of them.
constexpr bool mnemonicsAreUnique()
{
    const auto bit = [](char c) {
        return 1U << static_cast<unsigned>((c >= 'a' && c <= 'z' ? c - 'a' : c - 'A') & 31);
    };
    for (const core::SignalKindInfo& signal : core::kSignalKinds) {
        unsigned taken = bit(kSignalChoiceMnemonic);
        for (const FieldInfo& field : fieldsOf(signal.kind)) {
            const char m = field.mnemonic;
            if (!((m >= 'A' && m <= 'Z') || (m >= 'a' && m <= 'z')) ||
                mnemonicIndex(field.caption, m) == std::string_view::npos || (taken & bit(m)) != 0)
                return false;
            taken |= bit(m);
        }
    }
    return true;
}
static_assert(mnemonicsAreUnique(), "a signal's fields need letters of their own captions, each once");

// The caption with '&' before its mnemonic, as a label shows it.
std::string captionWithMnemonic(const FieldInfo& field);

// Sets the field's parameter of job from text as setParam takes it ('.' as
// the decimal separator; a flag "on" or "off"; a choice by name). Nothing,
// or the sentence that says why the text was not taken; the job is
// unchanged then. A common row's real number is any finite one: the job
// check judges it.
std::optional<std::string> setField(JobDescription& job, const FieldInfo& field, std::string_view text);

// The field of a signal that stands for a command-line option, if it has one.
std::optional<FieldInfo> fieldOfOption(core::SignalKind kind, std::string_view option);

} // namespace corvane::session
