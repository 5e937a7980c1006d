// The three commands run in the process on recordings made here: a sweep
// from the closed form, delayed, filtered or bent by a polynomial, stored
// by libsndfile in the formats a recorder would use.

#include "SweepRecordings.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <complex>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <locale>
#include <numbers>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------------------
// deconvolve: where the peak lands, and how flat the response is.

class Delays : public SweepAnalysis, public testing::WithParamInterface<std::int64_t> {};

TEST_P(Delays, PeakAtTheDelayAndAFlatResponse)
{
    const std::int64_t delay = GetParam();
    const fs::path recording = file("recording.wav");
    writeSound(recording, {placed(unitSweep(kSweepSeconds), delay, 2 * kRate)}, SF_FORMAT_WAV | SF_FORMAT_DOUBLE,
               kRate);

    const Sound plain = deconvolve(recording, kSweepSeconds);
    ASSERT_EQ(plain.channels.size(), 1u);
    EXPECT_EQ(plain.rate, kRate);
    // Up to the end of the recording: the delay, the sweep and the silence.
    EXPECT_EQ(plain.channels[0].size(),
              static_cast<std::size_t>(delay + std::llround(kSweepSeconds * kRate) + 2 * kRate));
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
               SF_FORMAT_WAV | SF_FORMAT_DOUBLE, kRate);
    const Sound ir = deconvolve(recording, kSweepSeconds, {"--pre", "0.1"});
    ASSERT_FALSE(ir.channels.empty());
    const Csv r = response(file("ir.wav"), {"--pre", "0.1", "--smooth", "none"});
    // Against the analytic response as it is, and against the quotient of
    // this measurement and that of the sweep alone, which takes the sweep's
    // own unsmoothed ripple (up to 0.17 dB an octave above its start) out.
    const fs::path flatRecording = file("flat.wav");
    writeSound(flatRecording, {placed(unitSweep(kSweepSeconds), 0, 2 * kRate)}, SF_FORMAT_WAV | SF_FORMAT_DOUBLE,
               kRate);
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
        EXPECT_NEAR(r.rows[j][1], db, 0.15) << f << " Hz";
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
    writeSound(recording, {x}, SF_FORMAT_WAV | SF_FORMAT_DOUBLE, kRate);
    const fs::path csv = file("distortion.csv");
    auto words =
        join({recording.string(), "-o", csv.string(), "--smooth", "1/6"}, sweepOptions(kSweepSeconds, sync));
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

// ---------------------------------------------------------------------------
// Recordings as recorders store them.

struct Format {
    const char* name;
    int sndfileFormat;
    double maxErrorDb; // RMS of the difference from the f64 IR, relative to its peak
};

class Formats : public SweepAnalysis, public testing::WithParamInterface<Format> {};

// 16-bit with triangular dither of +-1 LSB, as a careful recorder stores it.
std::vector<double> ditheredS16(const std::vector<double>& x)
{
    std::mt19937_64 engine(7);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    std::vector<double> y(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double v = std::floor(x[i] * 32768.0 + uniform(engine) - uniform(engine) + 0.5);
        y[i] = std::clamp(v, -32768.0, 32767.0) / 32768.0;
    }
    return y;
}

double rms(const std::vector<double>& x, std::size_t from, std::size_t to)
{
    double sum = 0.0;
    for (std::size_t i = from; i < to; ++i)
        sum += x[i] * x[i];
    return std::sqrt(sum / static_cast<double>(to - from));
}

TEST_P(Formats, TheSameImpulseResponseWithinTheQuantisation)
{
    const Format format = GetParam();
    // +14 dB: 10^(14/20) / 10 of full scale, as export levels it.
    const double amplitude = std::pow(10.0, 14.0 / 20.0) / 10.0;
    auto x = placed(unitSweep(kSweepSeconds), 100, kRate);
    for (double& v : x)
        v *= amplitude;
    const bool s16 = (format.sndfileFormat & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_16;
    writeSound(file("exact.wav"), {s16 ? ditheredS16(x) : x}, SF_FORMAT_WAV | SF_FORMAT_DOUBLE, kRate);
    writeSound(file("stored"), {s16 ? ditheredS16(x) : x}, format.sndfileFormat, kRate);
    const auto exact = deconvolve(file("exact.wav"), kSweepSeconds, {}, false, "exact-ir.wav").channels.at(0);
    auto reference = exact;
    if (s16) { // against the undithered signal, so the difference is the noise
        writeSound(file("plain.wav"), {x}, SF_FORMAT_WAV | SF_FORMAT_DOUBLE, kRate);
        reference = deconvolve(file("plain.wav"), kSweepSeconds, {}, false, "plain-ir.wav").channels.at(0);
    }
    const auto stored = deconvolve(file("stored"), kSweepSeconds).channels.at(0);
    ASSERT_EQ(stored.size(), reference.size());
    EXPECT_EQ(peakIndex(stored), 100u);
    const double peak = std::fabs(reference[100]);
    // The impulse holds the band F1 .. F2 of a flat spectrum: its peak is
    // that band's share of the whole.
    EXPECT_NEAR(peak, amplitude * (kF2 - kF1) / (kRate / 2.0), 0.01 * amplitude);
    std::vector<double> difference(stored.size());
    for (std::size_t i = 0; i < stored.size(); ++i)
        difference[i] = stored[i] - reference[i];
    const double errorDb = 20.0 * std::log10(std::max(rms(difference, 0, difference.size()), 1e-300) / peak);
    EXPECT_LT(errorDb, format.maxErrorDb) << format.name;
    RecordProperty("error_db", std::to_string(errorDb));
    if (s16) {
        // Peak to noise of the 16-bit recording: the noise is what lies
        // half a second and more after the impulse.
        const double noise = rms(stored, 100 + kRate / 2, stored.size());
        EXPECT_GT(20.0 * std::log10(peak / noise), 90.0);
        RecordProperty("peak_to_noise_db", std::to_string(20.0 * std::log10(peak / noise)));
    }
}

INSTANTIATE_TEST_SUITE_P(Recorders, Formats,
                         // The limits: 16-bit noise spread by the inverse filter lies near -146
                         // dB of the peak here; each 8 bits more take 48 dB off, float's 24-bit
                         // mantissa is finer still, and 64-bit samples come through untouched.
                         testing::Values(Format{"s16 TPDF", SF_FORMAT_WAV | SF_FORMAT_PCM_16, -130.0},
                                         Format{"s24", SF_FORMAT_WAV | SF_FORMAT_PCM_24, -175.0},
                                         Format{"f32", SF_FORMAT_WAV | SF_FORMAT_FLOAT, -180.0},
                                         Format{"FLAC", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, -175.0},
                                         Format{"RF64", SF_FORMAT_RF64 | SF_FORMAT_DOUBLE, -1000.0},
                                         Format{"W64 s32", SF_FORMAT_W64 | SF_FORMAT_PCM_32, -220.0},
                                         Format{"AIFF s24", SF_FORMAT_AIFF | SF_FORMAT_PCM_24, -175.0}),
                         [](const auto& param) {
                             std::string name = param.param.name;
                             std::replace_if(
                                 name.begin(), name.end(),
                                 [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
                             return name;
                         });

// ---------------------------------------------------------------------------
// Smoothing and the text formats.

TEST_F(SweepAnalysis, SmoothingAFlatResponseKeepsItFlat)
{
    std::vector<double> impulse(4800, 0.0);
    impulse[480] = 1.0;
    writeSound(file("impulse.wav"), {impulse}, SF_FORMAT_WAV | SF_FORMAT_DOUBLE, kRate);
    for (const std::string smooth : {"none", "1/1", "1/3", "1/6", "1/12", "1/24", "1/48"}) {
        const Csv r = response(file("impulse.wav"), {"--pre", "0.01", "--smooth", smooth});
        ASSERT_FALSE(r.rows.empty());
        EXPECT_NEAR(r.rows.front()[0], 10.0, 1e-6);
        EXPECT_NEAR(r.rows.back()[0], kRate / 2.0, kRate / 2.0 * (std::exp2(1.0 / 48) - 1.0));
        for (const auto& row : r.rows) {
            EXPECT_NEAR(row[1], 0.0, 0.001) << smooth << " at " << row[0] << " Hz";
            EXPECT_NEAR(row[2], 0.0, 1e-6) << smooth << " at " << row[0] << " Hz";
        }
    }
    // A whole-frame delay after lag 0 turns the phase by -360 f d / fs.
    const Csv late = response(file("impulse.wav"), {"--from", "100", "--to", "1000"});
    for (const auto& row : late.rows) {
        double expected = -360.0 * row[0] * 480.0 / kRate;
        expected -= 360.0 * std::round(expected / 360.0);
        EXPECT_NEAR(std::remainder(row[2] - expected, 360.0), 0.0, 1e-3) << row[0];
    }

    const fs::path frd = file("impulse.frd");
    ASSERT_EQ(run(Command::Response, {file("impulse.wav").string(), "-o", frd.string(), "--pre=0.01"}).code,
              cli::Ok);
    std::istringstream lines(textOf(frd));
    int points = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.front() == '*')
            continue;
        std::istringstream fields(line);
        double f = 0, m = 1, p = 1;
        ASSERT_TRUE(fields >> f >> m >> p) << line;
        EXPECT_NEAR(m, 0.0, 1e-6);
        ++points;
    }
    EXPECT_EQ(static_cast<std::size_t>(points), response(file("impulse.wav"), {}).rows.size());
}

TEST_F(SweepAnalysis, TheWindowGatesOutALateReflection)
{
    // The direct sound at lag 0 and a reflection of half its amplitude
    // 100 ms later: a comb of +3.5 / -6 dB, until the gate shuts it out.
    std::vector<double> ir(kRate / 2, 0.0);
    ir[480] = 1.0;
    ir[480 + kRate / 10] = 0.5;
    writeSound(file("room.wav"), {ir}, SF_FORMAT_WAV | SF_FORMAT_DOUBLE, kRate);
    const Csv whole = response(file("room.wav"), {"--pre", "0.01", "--from", "100", "--to", "1000"});
    double lo = HUGE_VAL;
    double hi = -HUGE_VAL;
    for (const auto& row : whole.rows) {
        lo = std::min(lo, row[1]);
        hi = std::max(hi, row[1]);
    }
    EXPECT_NEAR(hi, 20.0 * std::log10(1.5), 0.1);
    EXPECT_LT(lo, 20.0 * std::log10(0.5) + 1.0);
    const Csv gated =
        response(file("room.wav"), {"--pre", "0.01", "--window", "0.05", "--from", "100", "--to", "1000"});
    for (const auto& row : gated.rows)
        EXPECT_NEAR(row[1], 0.0, 1e-9) << row[0] << " Hz";
}

TEST_F(SweepAnalysis, TextIsTheSameUnderACommaLocale)
{
    std::vector<double> decay(4800);
    for (std::size_t i = 0; i < decay.size(); ++i)
        decay[i] = std::exp(-static_cast<double>(i) / 300.0) * std::cos(0.05 * static_cast<double>(i));
    writeSound(file("decay.wav"), {decay}, SF_FORMAT_WAV | SF_FORMAT_DOUBLE, kRate);
    const std::vector<std::string> words{
        file("decay.wav").string(), "--smooth", "1/6", "--pre", "0.001", "--window", "0.05"};
    ASSERT_EQ(run(Command::Response, join({"-o", file("c.csv").string()}, words)).code, cli::Ok);

    // The German locale writes 0,5 for a half; generated into a folder of
    // the test's own when the system has none.
    const std::string name = "de_DE.UTF-8";
    if (std::setlocale(LC_ALL, name.c_str()) == nullptr) {
        const fs::path locales = dir / "locales";
        fs::create_directories(locales);
        const std::string command = "localedef -i de_DE -f UTF-8 '" + (locales / name).string() + "' 2>/dev/null";
        if (std::system(command.c_str()) == 0) {
            setenv("LOCPATH", locales.c_str(), 1);
        }
    }
    if (std::setlocale(LC_ALL, name.c_str()) == nullptr) {
        unsetenv("LOCPATH");
        GTEST_SKIP() << "no " << name << " locale here and localedef could not make one";
    }
    const std::locale previous = std::locale::global(std::locale(name));
    char half[16];
    std::snprintf(half, sizeof half, "%.1f", 0.5);
    const Outcome german = run(Command::Response, join({"-o", file("de.csv").string()}, words));
    std::locale::global(previous);
    std::setlocale(LC_ALL, "C");
    unsetenv("LOCPATH");
    EXPECT_STREQ(half, "0,5") << "the locale is not in force";
    ASSERT_EQ(german.code, cli::Ok) << german.err;
    EXPECT_EQ(textOf(file("de.csv")), textOf(file("c.csv")));
}

// ---------------------------------------------------------------------------
// Refusals: exit 2 for what the user asked, 3 for a file that cannot be
// read; nothing is written either way.

struct Refused {
    const char* name;
    SweepAnalysis::Command command;
    std::vector<std::string> words; // RECORDING, STEREO, SHORT, RATE, TEXT and OUT stand for files
    int code;
    const char* says;
};

class Refusals : public SweepAnalysis, public testing::WithParamInterface<Refused> {};

TEST_P(Refusals, SayWhyAndWriteNothing)
{
    const Refused& row = GetParam();
    const auto sweep = unitSweep(1.0);
    writeSound(file("recording.wav"), {placed(sweep, 0, 100)}, SF_FORMAT_WAV | SF_FORMAT_FLOAT, kRate);
    writeSound(file("stereo.wav"), {placed(sweep, 0, 100), placed(sweep, 0, 100)}, SF_FORMAT_WAV | SF_FORMAT_FLOAT,
               kRate);
    writeSound(file("short.wav"), {std::vector<double>(sweep.begin(), sweep.end() - 1)},
               SF_FORMAT_WAV | SF_FORMAT_FLOAT, kRate);
    writeSound(file("rate.wav"), {placed(sweep, 0, 100)}, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100);
    {
        std::ofstream text(file("text.wav"));
        text << "not a sound file\n";
    }
    std::vector<std::string> words;
    const std::pair<const char*, const char*> names[] = {
        {"RECORDING", "recording.wav"}, {"STEREO", "stereo.wav"}, {"SHORT", "short.wav"},    {"RATE", "rate.wav"},
        {"TEXT", "text.wav"},           {"OUT", "out.csv"},       {"MISSING", "missing.wav"}};
    for (std::string word : row.words) {
        for (const auto& [token, name] : names)
            if (word == token)
                word = file(name).string();
        words.push_back(word);
    }
    const Outcome r = run(row.command, words);
    EXPECT_EQ(r.code, row.code) << r.err;
    EXPECT_NE(r.err.find(row.says), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());
    EXPECT_FALSE(fs::exists(file("out.csv")));
    EXPECT_TRUE(leftovers(dir).empty());
}

using C = SweepAnalysis::Command;
const std::vector<std::string> kSweep1s{"--signal", "sweep", "--fs", "48000", "--seconds", "1"};

std::vector<std::string> with(std::vector<std::string> words, const std::vector<std::string>& more = kSweep1s)
{
    words.insert(words.end(), more.begin(), more.end());
    return words;
}

INSTANTIATE_TEST_SUITE_P(
    Table, Refusals,
    testing::Values(
        Refused{"RateMismatch", C::Deconvolve, with({"RATE", "-o", "OUT"}), 2, "44100 Hz, the sweep's 48000 Hz"},
        Refused{"DistortionRateMismatch", C::Distortion, with({"RATE", "-o", "OUT"}), 2, "44100 Hz"},
        Refused{"ShorterThanTheSweep", C::Deconvolve, with({"SHORT", "-o", "OUT"}), 2, "shorter than the sweep"},
        Refused{"DistortionShorter", C::Distortion, with({"SHORT", "-o", "OUT"}), 2, "shorter than the sweep"},
        Refused{"NoSuchChannel", C::Deconvolve, with({"STEREO", "-o", "OUT", "--channel", "3"}), 2,
                "no channel 3"},
        Refused{"ChannelZero", C::Deconvolve, with({"STEREO", "-o", "OUT", "--channel", "0"}), 2, "--channel"},
        Refused{"DistortionNoSuchChannel", C::Distortion, with({"RECORDING", "-o", "OUT", "--channel", "2"}), 2,
                "no channel 2"},
        Refused{
            "ResponseNoSuchChannel", C::Response, {"RECORDING", "-o", "OUT", "--channel", "2"}, 2, "no channel 2"},
        Refused{"HarmonicsAboveNine", C::Distortion, with({"RECORDING", "-o", "OUT", "--harmonics", "10"}), 2,
                "--harmonics takes a whole number from 2 to 9"},
        Refused{"HarmonicsBelowTwo", C::Distortion, with({"RECORDING", "-o", "OUT", "--harmonics=1"}), 2,
                "--harmonics"},
        Refused{
            "ToneNotSweep", C::Deconvolve, {"RECORDING", "-o", "OUT", "--signal", "tone"}, 2, "exponential sweep"},
        Refused{"NoiseNotSweep",
                C::Distortion,
                {"RECORDING", "-o", "OUT", "--signal", "pink"},
                2,
                "exponential sweep"},
        Refused{"NoSweepDescribed", C::Deconvolve, {"RECORDING", "-o", "OUT"}, 2, "the sweep is not described"},
        Refused{"InverseAndSweepOptions", C::Deconvolve,
                with({"RECORDING", "-o", "OUT", "--inverse", "RECORDING"}), 2, "does not go with it"},
        Refused{"ExportOnlyOption", C::Deconvolve, with({"RECORDING", "-o", "OUT", "--level", "3"}), 2,
                "unknown option '--level'"},
        Refused{"SweepBadlyDescribed",
                C::Deconvolve,
                {"RECORDING", "-o", "OUT", "--signal", "sweep", "--fs", "48000", "--to", "30000"},
                2,
                "Parameter Error"},
        Refused{"PreBeyondTheSweep", C::Deconvolve, with({"RECORDING", "-o", "OUT", "--pre", "1.5"}), 2, "--pre"},
        Refused{"NegativePre", C::Deconvolve, with({"RECORDING", "-o", "OUT", "--pre", "-0.1"}), 2, "--pre"},
        Refused{"LengthBeyondTheRecording", C::Deconvolve, with({"RECORDING", "-o", "OUT", "--length", "2"}), 2,
                "--length"},
        Refused{"PreNotANumber", C::Deconvolve, with({"RECORDING", "-o", "OUT", "--pre", "nan"}), 2,
                "Only a valid value"},
        Refused{"FormatS16", C::Deconvolve, with({"RECORDING", "-o", "OUT", "--format", "s16"}), 2, "f32 or f64"},
        Refused{"SmoothingUnknown",
                C::Response,
                {"RECORDING", "-o", "OUT", "--smooth", "1/5"},
                2,
                "--smooth takes none|1/1|1/3|1/6|1/12|1/24|1/48"},
        Refused{"ExtensionUnknown", C::Response, {"RECORDING", "-o", "out.txt"}, 2, ".csv, .frd or .png"},
        Refused{"FrdForDistortion", C::Distortion, with({"RECORDING", "-o", "out.frd"}), 2, ".csv or .png"},
        Refused{"PngWithoutCharts", C::Response, {"RECORDING", "-o", "out.png"}, 2, "draws no charts"},
        Refused{"ToAboveHalfTheRate", C::Response, {"RECORDING", "-o", "OUT", "--to", "30000"}, 2, "--to"},
        Refused{"ToBelowFrom",
                C::Response,
                {"RECORDING", "-o", "OUT", "--from", "100", "--to", "50"},
                2,
                "--to must be above --from"},
        Refused{"WindowZero", C::Response, {"RECORDING", "-o", "OUT", "--window", "0"}, 2, "--window"},
        Refused{"WidthTooSmall", C::Response, {"RECORDING", "-o", "OUT", "--width", "10"}, 2, "--width"},
        Refused{"TwoRecordings", C::Deconvolve, with({"RECORDING", "STEREO", "-o", "OUT"}), 2, "one recording"},
        Refused{"NoOutput", C::Distortion, with({"RECORDING"}), 2, "no output file"},
        Refused{"HarmonicBeyondTheSweep",
                C::Distortion,
                {"RECORDING", "-o", "OUT", "--signal", "sweep", "--fs", "48000", "--seconds", "1", "--from",
                 "1000", "--to", "3000", "--harmonics", "9"},
                2,
                "too short to hold harmonic 9"},
        Refused{"UnreadableRecording", C::Deconvolve, with({"TEXT", "-o", "OUT"}), 3, "cannot read"},
        Refused{"MissingRecording", C::Distortion, with({"MISSING", "-o", "OUT"}), 3, "cannot read"},
        Refused{"UnreadableResponse", C::Response, {"TEXT", "-o", "OUT"}, 3, "cannot read"},
        Refused{
            "UnreadableInverse", C::Deconvolve, {"RECORDING", "-o", "OUT", "--inverse", "TEXT"}, 3, "cannot read"},
        Refused{"StereoInverse",
                C::Deconvolve,
                {"RECORDING", "-o", "OUT", "--inverse", "STEREO"},
                2,
                "has 2 channels"}),
    [](const auto& param) { return std::string(param.param.name); });

} // namespace
