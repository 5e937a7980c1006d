#include "core/CodeSets.h"

#include "core/NumberText.h"
#include "core/SignalParameters.h"

namespace corvane::core {

namespace {

template <typename Table>
std::optional<int> codeOfName(const Table& table, std::string_view text)
{
    for (std::size_t i = 0; i < table.size(); ++i)
        if (table[i].cliName == text)
            return static_cast<int>(i);
    const auto code = parseInteger(text);
    if (code && rowOf(table, *code))
        return code;
    return std::nullopt;
}

template <typename Table>
std::string namesOf(const Table& table)
{
    std::string text;
    for (const auto& row : table) {
        if (!text.empty())
            text += ", ";
        text += row.cliName;
    }
    return text;
}

} // namespace

std::optional<int> waveShapeOfName(std::string_view text)
{
    return codeOfName(kWaveShapes, text);
}

std::optional<int> sampleFormatOfName(std::string_view text)
{
    return codeOfName(kSampleFormats, text);
}

std::optional<int> sampleRateIndexOfText(std::string_view text)
{
    for (std::size_t i = 0; i < kSampleRates.size(); ++i)
        if (kSampleRates[i].caption == text)
            return static_cast<int>(i);
    return std::nullopt;
}

std::optional<SignalKind> signalKindOfName(std::string_view text)
{
    for (const auto& row : kSignalKinds)
        if (row.cliName == text)
            return row.kind;
    return std::nullopt;
}

std::string signalKindNames()
{
    return namesOf(kSignalKinds);
}

std::string signalsUsing(SignalParam p)
{
    std::string text;
    for (const auto& row : kSignalKinds) {
        if ((row.params & paramBit(p)) == 0)
            continue;
        if (!text.empty())
            text += ", ";
        text += row.cliName;
    }
    return text;
}

std::string waveShapeNames()
{
    return namesOf(kWaveShapes);
}

std::string sampleFormatNames()
{
    return namesOf(kSampleFormats);
}

std::string sampleRateList()
{
    std::string text;
    for (std::size_t i = 0; i < kSampleRates.size(); ++i) {
        if (i > 0)
            text += i + 1 == kSampleRates.size() ? " or " : ", ";
        text += kSampleRates[i].caption;
    }
    return text;
}

} // namespace corvane::core
