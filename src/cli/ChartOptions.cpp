#include "ChartOptions.h"

#include "SweepInput.h"
#include "cli/ExitCode.h"
#include "core/NumberText.h"

#include <algorithm>
#include <cctype>
#include <ostream>

namespace corvane::cli::chartoptions {

namespace {

constexpr OptionSpec kChartOptions[] = {
    {"--width", "", true, "W", "640", "The PNG chart's plot area width in pixels, 120 to 4000."},
    {"--height", "", true, "H", "360", "The PNG chart's plot area height in pixels, 80 to 4000."},
    {"--scale", "", true, "S", "1", "Device pixels per pixel of the PNG chart, 1 to 4."},
};
constexpr double kMaxScale = 4.0;

bool endsWith(std::string_view text, std::string_view tail)
{
    if (text.size() < tail.size())
        return false;
    return std::equal(tail.begin(), tail.end(), text.end() - static_cast<std::ptrdiff_t>(tail.size()),
                      [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

} // namespace

std::span<const OptionSpec> chartOptionSpecs()
{
    return kChartOptions;
}

std::string chartOptionsHelp()
{
    return "  --width W, --height H: the PNG chart's plot area in pixels, " + std::to_string(kMinChartWidth) +
           " to " + std::to_string(kMaxChartSide) + " by " + std::to_string(kMinChartHeight) + " to " +
           std::to_string(kMaxChartSide) + " (default 640 by 360)\n" +
           "  --scale S: device pixels per pixel of the PNG chart, 1 to 4 (default 1)\n";
}

std::optional<Refusal> takeChartOption(const ParsedOption& option, ChartSize& size, bool& taken)
{
    const std::string_view name = option.name;
    const std::string_view value = option.value;
    taken = name == "--width" || name == "--height" || name == "--scale";
    if (!taken)
        return std::nullopt;
    if (name == "--scale") {
        const auto r = core::parseReal(value);
        if (!r || !(*r >= 1.0 && *r <= kMaxScale))
            return Refusal{"--scale takes a number from 1 to 4, not '" + std::string(value) + "'", false};
        size.scale = *r;
        return std::nullopt;
    }
    const bool isWidth = name == "--width";
    const int low = isWidth ? kMinChartWidth : kMinChartHeight;
    const auto n = core::parseInteger(value);
    if (!n || *n < low || *n > kMaxChartSide)
        return Refusal{std::string(name) + " takes a whole number from " + std::to_string(low) + " to " +
                           std::to_string(kMaxChartSide) + ", not '" + std::string(value) + "'",
                       false};
    (isWidth ? size.width : size.height) = *n;
    return std::nullopt;
}

std::optional<OutputKind> outputKindOf(const std::string& path, bool frdAllowed)
{
    if (sweepinput::isStandardOutput(path) || endsWith(path, ".csv"))
        return OutputKind::Csv;
    if (frdAllowed && endsWith(path, ".frd"))
        return OutputKind::Frd;
    if (endsWith(path, ".png"))
        return OutputKind::Png;
    return std::nullopt;
}

int writeChart(const std::string& command, ChartWriter writer, const FrequencyChart& chart, const ChartSize& size,
               const std::string& path, std::ostream& err)
{
    if (writer == nullptr) {
        err << "corvane " << command << ": this build draws no charts; write a .csv file instead\n";
        return UsageError;
    }
    return writer(chart, size, path, err);
}

} // namespace corvane::cli::chartoptions
