#pragma once

// The options and output kinds the response and distortion commands share.

#include "cli/AnalysisCommands.h"
#include "cli/Options.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace corvane::cli::chartoptions {

enum class OutputKind { Csv, Frd, Png };

std::span<const OptionSpec> chartOptionSpecs();
std::string chartOptionsHelp();

// Takes --width, --height or --scale (taken says whether it was one of them).
std::optional<Refusal> takeChartOption(const ParsedOption& option, ChartSize& size, bool& taken);

// By the file name's extension; "-" and the other names of standard output
// take CSV. nullopt for any other name.
std::optional<OutputKind> outputKindOf(const std::string& path, bool frdAllowed);

// Draws through writer, or refuses when there is none.
int writeChart(const std::string& command, ChartWriter writer, const FrequencyChart& chart, const ChartSize& size,
               const std::string& path, std::ostream& err);

} // namespace corvane::cli::chartoptions
