#pragma once

#include "cli/Options.h"

#include <iosfwd>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::cli {

// A chart over a logarithmic frequency axis: one trace per named series,
// NaN where a series has no value. Drawn by whoever can make pictures.
struct FrequencyChart {
    struct Trace {
        std::string name;
        std::vector<double> values;
    };
    std::string valueUnit; // "dB"
    std::vector<double> frequencyHz;
    std::vector<Trace> traces;
};

struct ChartSize {
    int width = 640;
    int height = 360;
    double scale = 1.0;
};

inline constexpr int kMinChartWidth = 120;
inline constexpr int kMinChartHeight = 80;
inline constexpr int kMaxChartSide = 4000;

// Writes the chart as a PNG file by the rules of every output; returns the
// exit code (having told err what went wrong).
using ChartWriter = int (*)(const FrequencyChart& chart, const ChartSize& size, const std::string& path,
                            std::ostream& err);

// `corvane deconvolve RECORDING -o IR.wav ...`
int runDeconvolve(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);
std::string deconvolveUsage();
std::vector<OptionSpec> deconvolveOptions();

// `corvane response IR.wav -o OUT.csv|.frd|.png ...`; without a chart writer
// a .png target is refused.
int runResponse(std::span<const std::string_view> args, std::ostream& out, std::ostream& err, ChartWriter chart);
std::string responseUsage();
std::vector<OptionSpec> responseOptions();

// `corvane distortion RECORDING -o OUT.csv|.png SWEEP OPTIONS ...`
int runDistortion(std::span<const std::string_view> args, std::ostream& out, std::ostream& err, ChartWriter chart);
std::string distortionUsage();
std::vector<OptionSpec> distortionOptions();

// Draws the chart as the bytes of a PNG file, for a command that writes it
// with its other files, all or none: true, or false with the reason in why.
using ChartEncoder = bool (*)(const FrequencyChart& chart, const ChartSize& size, std::string& png,
                              std::string& why);

// `corvane measure -o IR.wav ...`: plays a sweep, records it and writes the
// impulse response; without a chart encoder a .png target is refused.
int runMeasure(std::span<const std::string_view> args, std::ostream& out, std::ostream& err, ChartEncoder chart);
std::string measureUsage();
std::vector<OptionSpec> measureOptions();

} // namespace corvane::cli
