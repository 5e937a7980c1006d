#pragma once

// What the analysis suites share: sweeps from the closed form, recordings
// stored by libsndfile, and the three commands run in the process.

#include "cli/AnalysisCommands.h"
#include "cli/ExitCode.h"
#include "cli/ExportCommand.h"
#include "signal/SweepGen.h"
#include "support/Files.h"
#include "support/SoundFiles.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <locale>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace corvane;

namespace fs = std::filesystem;

// The figures hold for a 10 s sweep: a shorter one ripples more where it
// starts and its inverse is scaled at a frequency the ripple lifts.
constexpr double kSweepSeconds = 10.0;
constexpr int kRate = 48000;
constexpr double kF1 = 20.0;
constexpr double kF2 = 20000.0;

std::string secondsText(double seconds)
{
    std::ostringstream text;
    text.imbue(std::locale::classic());
    text << seconds;
    return text.str();
}

std::vector<std::string> sweepOptions(double seconds, bool sync = false)
{
    std::vector<std::string> words{"--signal",          "sweep", "--fs", std::to_string(kRate), "--seconds",
                                   secondsText(seconds)};
    if (sync)
        words.push_back("--sync");
    return words;
}

// The unit sweep from its closed form, as a recorder would have captured it.
std::vector<double> unitSweep(double seconds, bool sync = false)
{
    signal::SweepParams p;
    p.frameCount = std::llround(seconds * kRate);
    p.sampleRateHz = kRate;
    p.startHz = kF1;
    p.stopHz = kF2;
    p.synchronised = sync;
    const double l = signal::sweepRateSeconds(p);
    std::vector<double> x(static_cast<std::size_t>(p.frameCount));
    for (std::int64_t n = 0; n < p.frameCount; ++n)
        x[static_cast<std::size_t>(n)] = signal::unitSweepSample(p, l, n);
    return x;
}

// delay frames of silence, the signal, then tail frames of silence.
std::vector<double> placed(const std::vector<double>& x, std::int64_t delay, std::int64_t tail)
{
    std::vector<double> y(static_cast<std::size_t>(delay), 0.0);
    y.insert(y.end(), x.begin(), x.end());
    y.resize(y.size() + static_cast<std::size_t>(tail), 0.0);
    return y;
}

struct Csv {
    std::vector<std::string> header;
    std::vector<std::vector<double>> rows; // NaN for an empty cell
};

Csv readCsv(const std::string& text)
{
    Csv csv;
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);
    std::istringstream head(line);
    for (std::string cell; std::getline(head, cell, ',');)
        csv.header.push_back(cell);
    while (std::getline(in, line)) {
        std::vector<double> row;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, ',');)
            row.push_back(cell.empty() ? NAN : std::strtod(cell.c_str(), nullptr));
        if (line.back() == ',')
            row.push_back(NAN);
        csv.rows.push_back(row);
    }
    return csv;
}

struct Outcome {
    int code = -1;
    std::string out;
    std::string err;
};

class SweepAnalysis : public testing::Test {
public:
    enum class Command { Deconvolve, Response, Distortion, Export };

protected:
    void SetUp() override { dir = freshTestFolder("corvane-analysis"); }
    void TearDown() override { fs::remove_all(dir); }

    fs::path file(const std::string& name) const { return dir / name; }

    static Outcome run(Command command, const std::vector<std::string>& words)
    {
        const std::vector<std::string_view> args(words.begin(), words.end());
        std::ostringstream out;
        std::ostringstream err;
        Outcome r;
        switch (command) {
        case Command::Deconvolve: r.code = cli::runDeconvolve(args, out, err); break;
        case Command::Response: r.code = cli::runResponse(args, out, err, nullptr); break;
        case Command::Distortion: r.code = cli::runDistortion(args, out, err, nullptr); break;
        case Command::Export: r.code = cli::runExport(args, out, err); break;
        }
        r.out = out.str();
        r.err = err.str();
        return r;
    }

    static std::vector<std::string> join(std::vector<std::string> a, const std::vector<std::string>& b)
    {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    }

    // deconvolve with the sweep's options, then the IR as read back.
    Sound deconvolve(const fs::path& recording, double seconds, std::vector<std::string> extra = {},
                     bool sync = false, const std::string& irName = "ir.wav")
    {
        const fs::path ir = file(irName);
        auto words = join({recording.string(), "-o", ir.string(), "--quiet"}, sweepOptions(seconds, sync));
        const Outcome r = run(Command::Deconvolve, join(words, extra));
        EXPECT_EQ(r.code, cli::Ok) << r.err;
        return readSound(ir);
    }

    Csv response(const fs::path& ir, std::vector<std::string> extra)
    {
        const fs::path csv = file("response.csv");
        const Outcome r = run(Command::Response, join({ir.string(), "-o", csv.string()}, extra));
        EXPECT_EQ(r.code, cli::Ok) << r.err;
        return readCsv(textOf(csv));
    }

    fs::path dir;
};

} // namespace
