// The three commands run in the process on recordings made here: a sweep
// from the closed form, delayed, filtered or bent by a polynomial, stored
// by libsndfile in the formats a recorder would use.
//

#include "cli/AnalysisCommands.h"
#include "cli/ExitCode.h"
#include "signal/SweepGen.h"
#include "support/Files.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <complex>
#include <cstdlib>
#include <filesystem>
#include <locale>
#include <numbers>
#include <random>
#include <sstream>
#include <string>
#include <vector>

using namespace corvane;

namespace {

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
    std::vector<std::string> words{"--signal", "sweep", "--fs", std::to_string(kRate), "--seconds",
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

struct Sound {
    int rate = 0;
    std::vector<std::vector<double>> channels;
};

void writeSound(const fs::path& path, const std::vector<std::vector<double>>& channels, int format,
                int rate = kRate)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = static_cast<int>(channels.size());
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
    const std::size_t frames = channels.front().size();
    std::vector<double> interleaved(frames * channels.size());
    for (std::size_t i = 0; i < frames; ++i)
        for (std::size_t c = 0; c < channels.size(); ++c)
            interleaved[i * channels.size() + c] = channels[c][i];
    EXPECT_EQ(sf_writef_double(f, interleaved.data(), static_cast<sf_count_t>(frames)),
              static_cast<sf_count_t>(frames));
    sf_close(f);
}

Sound readSound(const fs::path& path)
{
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    EXPECT_NE(f, nullptr) << path << ": " << sf_strerror(nullptr);
    if (f == nullptr)
        return {};
    std::vector<double> x(static_cast<std::size_t>(info.frames * info.channels));
    EXPECT_EQ(sf_readf_double(f, x.data(), info.frames), info.frames);
    sf_close(f);
    Sound s;
    s.rate = info.samplerate;
    s.channels.assign(static_cast<std::size_t>(info.channels), {});
    for (std::size_t i = 0; i < x.size(); ++i)
        s.channels[i % s.channels.size()].push_back(x[i]);
    return s;
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
protected:
    void SetUp() override { dir = freshTestFolder("corvane-analysis"); }
    void TearDown() override { fs::remove_all(dir); }

    fs::path file(const std::string& name) const { return dir / name; }

    enum class Command { Deconvolve, Response, Distortion };

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
                     bool sync = false)
    {
        const fs::path ir = file("ir.wav");
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

std::size_t peakIndex(const std::vector<double>& x)
{
    return static_cast<std::size_t>(
        std::max_element(x.begin(), x.end(), [](double a, double b) { return std::fabs(a) < std::fabs(b); }) -
        x.begin());
}

// ---------------------------------------------------------------------------
// deconvolve: where the peak lands, and how flat the response is.

class Delays : public SweepAnalysis, public testing::WithParamInterface<std::int64_t> {};

TEST_P(Delays, PeakAtTheDelayAndAFlatResponse)
{
    const std::int64_t delay = GetParam();
    const fs::path recording = file("recording.wav");
    writeSound(recording, {placed(unitSweep(kSweepSeconds), delay, 2 * kRate)}, SF_FORMAT_WAV | SF_FORMAT_DOUBLE);

    const Sound plain = deconvolve(recording, kSweepSeconds);
    ASSERT_EQ(plain.channels.size(), 1u);
    EXPECT_EQ(plain.rate, kRate);
    // Up to the end of the recording: the delay, the sweep and the silence.
    EXPECT_EQ(plain.channels[0].size(), static_cast<std::size_t>(delay + std::llround(kSweepSeconds * kRate) +
                                                                 2 * kRate));
    EXPECT_EQ(peakIndex(plain.channels[0]), static_cast<std::size_t>(delay));

    const Sound pre = deconvolve(recording, kSweepSeconds, {"--pre", "0.1"});
    EXPECT_EQ(peakIndex(pre.channels[0]), static_cast<std::size_t>(delay + kRate / 10));
    // The same frames, 0.1 s later in the file.
    for (std::size_t i = 0; i < 1000; ++i)
        ASSERT_EQ(pre.channels[0][i + kRate / 10], plain.channels[0][i]) << i;

    // Lag 0 is where the delay puts it; a delay shifts the phase reference.
    const double pre_s = 0.1 + static_cast<double>(delay) / kRate;
    const Csv r = response(file("ir.wav"), {"--pre", secondsText(pre_s), "--smooth", "1/3"});
    ASSERT_EQ(r.header, (std::vector<std::string>{"frequency_hz", "magnitude_db", "phase_deg"}));
    int checked = 0;
    for (const auto& row : r.rows)
        if (row[0] >= 2 * kF1 && row[0] <= kF2 / 2) {
            ++checked;
            EXPECT_NEAR(row[1], 0.0, 0.05) << row[0] << " Hz";
        }
    EXPECT_GT(checked, 48 * 7);
}

INSTANTIATE_TEST_SUITE_P(Frames, Delays, testing::Values(0, 1, 4799, 48000));

// ---------------------------------------------------------------------------
// A known linear system: a peaking filter (+6 dB, Q 2, 1 kHz) after a
// second-order high-pass (50 Hz, Q 1/sqrt 2), both from the bilinear
// transform with the usual prewarping.

struct Biquad {
    double b0, b1, b2, a1, a2; // a0 = 1

    std::complex<double> at(double hz) const
    {
        const std::complex<double> z1 = std::polar(1.0, -2.0 * std::numbers::pi * hz / kRate);
        return (b0 + b1 * z1 + b2 * z1 * z1) / (1.0 + a1 * z1 + a2 * z1 * z1);
    }

    std::vector<double> apply(const std::vector<double>& x) const
    {
        std::vector<double> y(x.size());
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
        for (std::size_t i = 0; i < x.size(); ++i) {
            y[i] = b0 * x[i] + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
            x2 = x1;
            x1 = x[i];
            y2 = y1;
            y1 = y[i];
        }
        return y;
    }
};

Biquad peaking(double hz, double q, double gainDb)
{
    const double a = std::pow(10.0, gainDb / 40.0);
    const double w = 2.0 * std::numbers::pi * hz / kRate;
    const double alpha = std::sin(w) / (2.0 * q);
    const double a0 = 1.0 + alpha / a;
    return {(1.0 + alpha * a) / a0, -2.0 * std::cos(w) / a0, (1.0 - alpha * a) / a0, -2.0 * std::cos(w) / a0,
            (1.0 - alpha / a) / a0};
}

Biquad highPass(double hz, double q)
{
    const double w = 2.0 * std::numbers::pi * hz / kRate;
    const double alpha = std::sin(w) / (2.0 * q);
    const double c = std::cos(w);
    const double a0 = 1.0 + alpha;
    return {(1.0 + c) / 2.0 / a0, -(1.0 + c) / a0, (1.0 + c) / 2.0 / a0, -2.0 * c / a0, (1.0 - alpha) / a0};
}

TEST_F(SweepAnalysis, AKnownFilterMatchesItsAnalyticResponse)
{
    const Biquad hp = highPass(50.0, 1.0 / std::numbers::sqrt2);
    const Biquad peak = peaking(1000.0, 2.0, 6.0);
    const fs::path recording = file("recording.wav");
    writeSound(recording, {peak.apply(hp.apply(placed(unitSweep(kSweepSeconds), 0, 2 * kRate)))},
               SF_FORMAT_WAV | SF_FORMAT_DOUBLE);
    const Sound ir = deconvolve(recording, kSweepSeconds, {"--pre", "0.1"});
    ASSERT_FALSE(ir.channels.empty());
    const Csv r = response(file("ir.wav"), {"--pre", "0.1", "--smooth", "none"});
    // The sweep's own response, unsmoothed, ripples by up to 0.17 dB an
    // octave above its start (the deconvolution is not regularised): the
    // filter alone is the quotient of the two measurements, the whole chain
    // stays within twice the tolerance.
    const fs::path flatRecording = file("flat.wav");
    writeSound(flatRecording, {placed(unitSweep(kSweepSeconds), 0, 2 * kRate)}, SF_FORMAT_WAV | SF_FORMAT_DOUBLE);
    deconvolve(flatRecording, kSweepSeconds, {"--pre", "0.1"});
    const Csv flat = response(file("ir.wav"), {"--pre", "0.1", "--smooth", "none"});
    ASSERT_EQ(flat.rows.size(), r.rows.size());
    int checked = 0;
    for (std::size_t j = 0; j < r.rows.size(); ++j) {
        const double f = r.rows[j][0];
        if (f < 2 * kF1 || f > kF2 / 2)
            continue;
        ++checked;
        const std::complex<double> h = hp.at(f) * peak.at(f);
        const double db = 20.0 * std::log10(std::abs(h));
        const double deg = std::arg(h) * 180.0 / std::numbers::pi;
        const auto wrapped = [](double d) { return d - 360.0 * std::round(d / 360.0); };
        EXPECT_NEAR(r.rows[j][1] - flat.rows[j][1], db, 0.15) << f << " Hz";
        EXPECT_NEAR(wrapped(r.rows[j][2] - flat.rows[j][2] - deg), 0.0, 2.0) << f << " Hz";
        EXPECT_NEAR(r.rows[j][1], db, 0.3) << f << " Hz";
        EXPECT_NEAR(wrapped(r.rows[j][2] - deg), 0.0, 2.0) << f << " Hz";
    }
    EXPECT_GT(checked, 48 * 7);
}

// ---------------------------------------------------------------------------
// Harmonic distortion of y = x + x^2 / 4 + x^3 / 8 for x = sin: the
// fundamental is 1 + 3/32, the second harmonic 1/8, the third 1/32.

class Polynomial : public SweepAnalysis, public testing::WithParamInterface<bool> {};

TEST_P(Polynomial, SecondAndThirdHarmonicsAtTheirLevels)
{
    const bool sync = GetParam();
    auto x = placed(unitSweep(kSweepSeconds, sync), 0, kRate);
    for (double& v : x)
        v = v + 0.25 * v * v + 0.125 * v * v * v;
    const fs::path recording = file("recording.wav");
    writeSound(recording, {x}, SF_FORMAT_WAV | SF_FORMAT_DOUBLE);
    const fs::path csv = file("distortion.csv");
    auto words = join({recording.string(), "-o", csv.string(), "--smooth", "1/6"}, sweepOptions(kSweepSeconds, sync));
    const Outcome r = run(Command::Distortion, words);
    ASSERT_EQ(r.code, cli::Ok) << r.err;
    const Csv d = readCsv(textOf(csv));
    ASSERT_EQ(d.header, (std::vector<std::string>{"frequency_hz", "fundamental_db", "h2_db", "h3_db", "h4_db",
                                                  "h5_db", "thd_percent"}));
    const double fundamental = 1.0 + 3.0 / 32.0;
    const double h2 = 20.0 * std::log10(0.125 / fundamental);
    const double h3 = 20.0 * std::log10(0.03125 / fundamental);
    ASSERT_NEAR(h2, -18.84, 0.005);
    ASSERT_NEAR(h3, -30.88, 0.005);
    int checked = 0;
    for (const auto& row : d.rows) {
        const double f = row[0];
        if (f < 2 * kF1)
            continue;
        for (int k = 2; k <= 5; ++k) {
            const double level = row[static_cast<std::size_t>(k)];
            if (f > kF2 / (2 * k))
                continue;
            ++checked;
            if (k == 2)
                EXPECT_NEAR(level, h2, 0.3) << f << " Hz";
            else if (k == 3)
                EXPECT_NEAR(level, h3, 0.5) << f << " Hz";
            else
                EXPECT_LT(level, -45.0) << "h" << k << " at " << f << " Hz";
        }
        if (f <= kF2 / 10) {
            // Every harmonic has a value here, so THD is theirs.
            double sum = 0.0;
            for (int k = 2; k <= 5; ++k)
                sum += std::pow(10.0, row[static_cast<std::size_t>(k)] / 10.0);
            EXPECT_NEAR(row[6], 100.0 * std::sqrt(sum), 1e-4 * row[6]) << f << " Hz";
        }
        // Beyond its range a harmonic's cell is empty.
        if (f > std::min(kF2, 0.95 * kRate / 2) / 5 * 1.0001) {
            EXPECT_TRUE(std::isnan(row[5])) << f << " Hz";
        }
    }
    EXPECT_GT(checked, 48 * 7);
}

INSTANTIATE_TEST_SUITE_P(SyncAndPlain, Polynomial, testing::Values(true, false),
                         [](const auto& param) { return param.param ? "Sync" : "Plain"; });

} // namespace
