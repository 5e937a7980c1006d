#pragma once

#include "cli/AnalysisCommands.h"

#include <QImage>

namespace corvane::app {

// The chart of a frequency series drawn through the plot layer: a
// logarithmic frequency axis labelled at 1, 2 and 5 times the powers of
// ten, a dB axis, the grid and one trace per series (a key names them when
// there are several), with the scale labels around the plot as the window
// places them. Needs the GUI application.
QImage drawFrequencyChart(const cli::FrequencyChart& chart, const cli::ChartSize& size);

// The cli's chart writer: drawFrequencyChart stored as PNG.
int writeFrequencyChart(const cli::FrequencyChart& chart, const cli::ChartSize& size, const std::string& path,
                        std::ostream& err);

int runResponseCommand(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);
int runDistortionCommand(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);
int runMeasureCommand(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);

} // namespace corvane::app
