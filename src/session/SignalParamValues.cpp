#include "session/SignalParamValues.h"

#include "core/NumberText.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <sstream>
#include <vector>

namespace corvane::session {

namespace {

std::string number(double v)
{
    std::ostringstream s;
    s.precision(17);
    s << v;
    return s.str();
}

// A whole number's limit as it is typed: the seed's top is 2^64 - 1, which
// a double cannot hold.
std::string whole(double v)
{
    if (v >= 18446744073709551615.0)
        return std::to_string(std::numeric_limits<std::uint64_t>::max());
    return std::to_string(static_cast<long long>(v)); // the table's limits are whole and small
}

std::string outOfRange(const core::SignalParamInfo& row)
{
    const bool integer = row.type == core::ParamType::Integer;
    std::string text = std::string(row.caption) + " takes ";
    if (integer)
        text += "a whole number ";
    // Appended piece by piece: a literal before a temporary string trips a
    // false -Wrestrict in GCC 12's optimised builds.
    text += "from ";
    text += integer ? whole(row.min) : number(row.min);
    if (row.max < core::kNoLimit) {
        text += " to ";
        text += integer ? whole(row.max) : number(row.max);
    }
    if (!row.unit.empty()) {
        text += ' ';
        text += row.unit;
    }
    return text + ".";
}

// The name of a choice among "a|b|c", or nothing.
bool isChoice(std::string_view choices, std::string_view text)
{
    while (!choices.empty()) {
        const std::size_t bar = choices.find('|');
        if (choices.substr(0, bar) == text)
            return true;
        if (bar == std::string_view::npos)
            break;
        choices.remove_prefix(bar + 1);
    }
    return false;
}

} // namespace

std::optional<std::string> setParam(JobDescription& job, core::SignalParam param, std::string_view text)
{
    using core::ParamType;
    using core::SignalParam;
    const core::SignalParamInfo& row = core::infoOf(param);
    const std::string invalid = std::string(row.caption) + ": only a valid value can be accepted.";
    switch (row.type) {
    case ParamType::Flag: {
        if (text != "on" && text != "off")
            return invalid;
        const bool on = text == "on";
        if (param == SignalParam::Sync)
            job.synchronised = on;
        else
            job.periodic = on;
        return std::nullopt;
    }
    case ParamType::Choice: {
        // A preset may be left out: an imd of its own tones, a burst of its own cycles.
        const bool noPreset =
            (param == SignalParam::BurstPreset || param == SignalParam::ImdPreset) && text.empty();
        if (!isChoice(row.choices, text) && !noPreset)
            return std::string(row.caption) + " takes one of " + std::string(row.choices) + ".";
        switch (param) {
        case SignalParam::Shape: {
            const auto code = core::waveShapeOfName(text);
            job.shape = core::kWaveShapes[static_cast<std::size_t>(*code)].shape;
            break;
        }
        case SignalParam::ImdPreset:
            if (noPreset)
                job.imdPreset.reset();
            else
                job.imdPreset = core::rowOfName(core::kImdPresets, text)->preset;
            break;
        case SignalParam::Window: job.window = core::rowOfName(core::kBurstWindows, text)->window; break;
        default: job.cea2010 = text == "cea2010"; break;
        }
        return std::nullopt;
    }
    case ParamType::RealList: {
        std::vector<double> values;
        std::string_view rest = text;
        while (true) {
            const std::size_t comma = rest.find(',');
            const auto v = core::parseReal(rest.substr(0, comma));
            if (!v)
                return invalid;
            if (*v < row.min || *v > row.max)
                return outOfRange(row);
            values.push_back(*v);
            if (comma == std::string_view::npos)
                break;
            rest.remove_prefix(comma + 1);
        }
        if (values.size() > static_cast<std::size_t>(core::kMaxTones))
            return std::string(row.caption) + " takes at most " + std::to_string(core::kMaxTones) + " values.";
        job.tones = std::move(values);
        if (param == SignalParam::Tones && job.kind == core::SignalKind::Imd)
            job.imdPreset.reset();
        return std::nullopt;
    }
    case ParamType::Integer: {
        if (param == SignalParam::Seed) {
            std::uint64_t seed = 0;
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seed);
            if (text.empty() || error != std::errc() || end != text.data() + text.size())
                return outOfRange(row);
            job.seed = seed;
            return std::nullopt;
        }
        if (param == SignalParam::LoopPeriod && text.empty()) {
            job.period.reset();
            return std::nullopt;
        }
        const auto v = core::parseInteger(text);
        if (!v)
            return invalid;
        if (*v < row.min || *v > row.max)
            return outOfRange(row);
        if (param == SignalParam::Order)
            job.mlsOrder = *v;
        else
            job.period = *v;
        return std::nullopt;
    }
    case ParamType::Real: break;
    }
    if (param == SignalParam::BurstPeriod && text.empty()) {
        job.period.reset();
        return std::nullopt;
    }
    const auto v = core::parseReal(text);
    if (!v)
        return invalid;
    if (*v < row.min || *v > row.max)
        return outOfRange(row);
    switch (param) {
    case SignalParam::Freq: job.freqHz = *v; break;
    case SignalParam::Phase: job.phaseDeg = *v; break;
    case SignalParam::From: job.fromHz = *v; break;
    case SignalParam::To: job.toHz = *v; break;
    case SignalParam::Ratio: job.ratio = *v; break;
    case SignalParam::Cycles: job.cycles = *v; break;
    default: job.period = *v; break; // BurstPeriod
    }
    return std::nullopt;
}

std::string paramText(const JobDescription& job, core::SignalParam param)
{
    using core::SignalParam;
    switch (param) {
    case SignalParam::Freq: return number(job.freqHz);
    case SignalParam::Shape: return job.shape ? std::string(core::infoOf(*job.shape).cliName) : std::string();
    case SignalParam::Phase: return number(job.phaseDeg);
    case SignalParam::From: return number(job.fromHz);
    case SignalParam::To: return number(job.toHz);
    case SignalParam::Sync: return job.synchronised ? "on" : "off";
    case SignalParam::Seed: return std::to_string(job.seed);
    case SignalParam::Tones: {
        std::string text;
        for (const double f : job.tones) {
            if (!text.empty())
                text += ',';
            text += number(f);
        }
        return text;
    }
    case SignalParam::Periodic: return job.periodic ? "on" : "off";
    case SignalParam::LoopPeriod:
    case SignalParam::BurstPeriod: return job.period ? number(*job.period) : std::string();
    case SignalParam::ImdPreset:
        return job.imdPreset ? std::string(core::kImdPresets[static_cast<std::size_t>(*job.imdPreset)].cliName)
                             : std::string();
    case SignalParam::Ratio: return number(job.ratio);
    case SignalParam::Cycles: return number(job.cycles);
    case SignalParam::Window:
        return std::string(core::kBurstWindows[static_cast<std::size_t>(job.window)].cliName);
    case SignalParam::BurstPreset: return job.cea2010 ? "cea2010" : "";
    case SignalParam::Order: return std::to_string(job.mlsOrder);
    }
    return {};
}

} // namespace corvane::session
