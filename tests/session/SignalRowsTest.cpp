// The signals of the table through the job, its check and the chain, as
// export and play get them: the two-tone presets' figures by a direct DFT,
// the periodic multitone's spectrum and loop, channel routing and its
// cancellation in the encoded bytes of every format, padding and the right
// channel's phase.

#include "session/JobCheck.h"
#include "session/SignalChain.h"
#include "signal/TWaveProvider.h"
#include "wavio/WavFormat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstring>
#include <vector>

using namespace corvane;
using session::JobDescription;

namespace {

struct Rendered {
    std::vector<double> left;
    std::vector<double> right; // empty for mono
    session::JobPlan plan;
};

Rendered render(const JobDescription& job, int block = 4096)
{
    const session::CheckResult checked = session::checkJob(job);
    EXPECT_FALSE(checked.refused()) << (checked.findings.empty() ? "" : checked.findings.back().text);
    Rendered r;
    if (!checked.plan)
        return r;
    r.plan = *checked.plan;
    session::SignalChain chain(job, r.plan);
    const auto frames = static_cast<std::size_t>(r.plan.frames);
    r.left.resize(frames);
    if (job.channels == 2)
        r.right.resize(frames);
    for (std::size_t done = 0; done < frames;) {
        const int n = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(block), frames - done));
        const int result = job.channels == 2 ? chain.provider().execStore(&r.left[done], &r.right[done], n)
                                             : chain.provider().execStore(&r.left[done], n);
        EXPECT_EQ(result, 0);
        done += static_cast<std::size_t>(n);
    }
    return r;
}

// A float job at unit reference, so the samples are the amplitudes.
JobDescription unitJob(core::SignalKind kind, int fs = 8000)
{
    JobDescription job;
    job.kind = kind;
    job.format = core::SampleFormat::F64;
    job.refLevel = 1.0;
    job.levelDb = 0.0;
    job.sampleRateHz = fs;
    job.frames = fs;
    job.channels = 1;
    return job;
}

// The amplitude of the sine at bin k of x (a whole number of cycles).
double lineAmplitude(const std::vector<double>& x, std::size_t k)
{
    const auto n = x.size();
    std::complex<double> sum = 0.0;
    for (std::size_t i = 0; i < n; ++i)
        sum += x[i] * std::polar(1.0, -2.0 * M_PI * static_cast<double>((k * i) % n) / static_cast<double>(n));
    return 2.0 * std::abs(sum) / static_cast<double>(n);
}

double dB(double ratio)
{
    return 20.0 * std::log10(ratio);
}

} // namespace

TEST(SignalRows, ImdPresetsMeetTheirRatiosAndLevel)
{
    struct Case {
        core::ImdPreset preset;
        std::size_t lowBin, highBin; // 1 Hz bins
        double ratioDb;
    };
    const std::vector<Case> cases = {
        {core::ImdPreset::Smpte, 60, 7000, 12.0412},
        {core::ImdPreset::Din, 250, 8000, 12.0412},
        {core::ImdPreset::Ccif, 19000, 20000, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.preset));
        JobDescription job = unitJob(core::SignalKind::Imd, 48000);
        job.imdPreset = c.preset;
        const Rendered r = render(job);
        const double low = lineAmplitude(r.left, c.lowBin);
        const double high = lineAmplitude(r.left, c.highBin);
        EXPECT_NEAR(dB(low / high), c.ratioDb, 0.01);
        // The two amplitudes add up to the 0 dB sine's, 1.
        EXPECT_NEAR(dB(low + high), 0.0, 0.01);
        const double peak = std::fabs(*std::max_element(
            r.left.begin(), r.left.end(), [](double a, double b) { return std::fabs(a) < std::fabs(b); }));
        EXPECT_LE(peak, 1.0);
    }
}

TEST(SignalRows, PeriodicMultitoneHasItsBinsOnlyAndLoopsWithoutAStep)
{
    constexpr int kPeriod = 1024;
    JobDescription job = unitJob(core::SignalKind::Multitone);
    job.frames = 8 * kPeriod;
    job.tones = {50.0, 440.0, 1000.0, 2500.5, 3900.0};
    job.periodic = true;
    job.period = kPeriod;
    const Rendered r = render(job);
    const std::vector<double> first(r.left.begin(), r.left.begin() + kPeriod);
    const std::vector<double> last(r.left.end() - kPeriod, r.left.end());
    EXPECT_EQ(first, last);

    double power = 0.0;
    for (const double v : first)
        power += v * v;
    // Five equal lines whose RMS together is a 0 dB sine's.
    EXPECT_NEAR(std::sqrt(power / kPeriod), std::sqrt(0.5), 1e-12);

    std::vector<std::size_t> bins;
    for (const double f : job.tones)
        bins.push_back(static_cast<std::size_t>(std::llround(f * kPeriod / 8000.0)));
    double strongest = 0.0;
    std::vector<double> mag(kPeriod / 2 + 1);
    for (std::size_t k = 0; k < mag.size(); ++k) {
        mag[k] = lineAmplitude(first, k);
        strongest = std::max(strongest, mag[k]);
    }
    for (std::size_t k = 0; k < mag.size(); ++k) {
        if (std::find(bins.begin(), bins.end(), k) != bins.end()) {
            EXPECT_NEAR(mag[k], 1.0 / std::sqrt(5.0), 1e-12) << "bin " << k;
        } else {
            EXPECT_LT(dB(std::max(mag[k], 1e-300) / strongest), -200.0) << "bin " << k;
        }
    }
}

namespace {

// The sample codes of one channel as the file holds them: the integer
// formats' signed codes (u8 around 128), the float formats' values.
std::vector<double> encodedChannel(const Rendered& r, core::SampleFormat format, double scale, int channel)
{
    const int bytes = core::infoOf(format).bytes;
    const auto frames = static_cast<int>(r.left.size());
    std::vector<std::uint8_t> out(static_cast<std::size_t>(frames) * 2 * static_cast<std::size_t>(bytes));
    wavio::encodeBlock(r.left.data(), r.right.data(), frames, format, scale, out.data());
    std::vector<double> codes;
    for (int i = 0; i < frames; ++i) {
        const std::uint8_t* p = &out[(static_cast<std::size_t>(i) * 2 + static_cast<std::size_t>(channel)) *
                                     static_cast<std::size_t>(bytes)];
        if (format == core::SampleFormat::F32) {
            float f = 0;
            std::memcpy(&f, p, 4);
            codes.push_back(f);
        } else if (format == core::SampleFormat::F64) {
            double d = 0;
            std::memcpy(&d, p, 8);
            codes.push_back(d);
        } else if (format == core::SampleFormat::U8) {
            codes.push_back(static_cast<double>(p[0]) - 128.0);
        } else {
            std::int64_t v = 0;
            for (int b = 0; b < bytes; ++b)
                v |= static_cast<std::int64_t>(p[b]) << (8 * b);
            const int bits = 8 * bytes;
            if ((v >> (bits - 1)) & 1)
                v -= std::int64_t{1} << bits;
            codes.push_back(static_cast<double>(v));
        }
    }
    return codes;
}

} // namespace

TEST(SignalRows, RoutesLeaveSilenceOrCancelExactlyInEveryFormat)
{
    // A tone over full scale, so the codes reach both ends of each integer
    // range, and pink noise, whose channels come as one.
    for (const core::SignalKind kind : {core::SignalKind::Tone, core::SignalKind::Pink}) {
        for (const auto& format : core::kSampleFormats) {
            for (const core::ChannelRoute route :
                 {core::ChannelRoute::Left, core::ChannelRoute::Right, core::ChannelRoute::Inverted}) {
                SCOPED_TRACE(std::string(core::infoOf(kind).cliName) + " " + std::string(format.cliName) + " " +
                             std::string(core::kChannelRoutes[static_cast<std::size_t>(route)].cliName));
                JobDescription job;
                job.kind = kind;
                job.freqHz = 997.0;
                job.levelDb = 20.5;
                job.sampleRateHz = 8000;
                job.frames = 8000;
                job.format = format.format;
                const Rendered both = render(job, 1000);
                const std::vector<double> signal = encodedChannel(both, format.format, both.plan.scale, 0);
                job.route = route;
                const Rendered r = render(job, 1000);
                const std::vector<double> left = encodedChannel(r, format.format, r.plan.scale, 0);
                const std::vector<double> right = encodedChannel(r, format.format, r.plan.scale, 1);
                const double lowest = *std::min_element(signal.begin(), signal.end());
                if (!format.isFloat) {
                    // The signal reaches the bottom code: -2^(bits-1), or
                    // -(2^31 - 1) for s32, which stays symmetric.
                    const double bottom = format.format == core::SampleFormat::S32
                                              ? -2147483647.0
                                              : -std::ldexp(1.0, 8 * format.bytes - 1);
                    ASSERT_EQ(lowest, bottom);
                }
                for (std::size_t i = 0; i < signal.size(); ++i) {
                    switch (route) {
                    case core::ChannelRoute::Left:
                        ASSERT_EQ(left[i], signal[i]) << i;
                        ASSERT_EQ(right[i], 0.0) << i;
                        break;
                    case core::ChannelRoute::Right:
                        ASSERT_EQ(left[i], 0.0) << i;
                        ASSERT_EQ(right[i], signal[i]) << i;
                        break;
                    default:
                        ASSERT_EQ(left[i], signal[i]) << i;
                        if (format.isFloat || format.format == core::SampleFormat::S32 || signal[i] != lowest) {
                            ASSERT_EQ(left[i] + right[i], 0.0) << i;
                        } else { // the bottom code has no negative in range: the nearest
                            ASSERT_EQ(right[i], -lowest - 1.0) << i;
                        }
                        break;
                    }
                }
            }
        }
    }
}

TEST(SignalRows, PaddingPutsExactSilenceAroundTheSameSignal)
{
    for (const core::SignalKind kind : {core::SignalKind::Sweep, core::SignalKind::Tone, core::SignalKind::Mls}) {
        SCOPED_TRACE(std::string(core::infoOf(kind).cliName));
        JobDescription job = unitJob(kind);
        job.mlsOrder = 8;
        job.toHz = 3000.0;
        job.fadeInSeconds = 0.01;
        const Rendered plain = render(job, 777);
        job.padBeforeSeconds = 0.25;
        job.padAfterSeconds = 0.5;
        const Rendered padded = render(job, 777);
        ASSERT_EQ(padded.plan.frames, 8000 + 2000 + 4000);
        EXPECT_EQ(padded.plan.signalFrames, 8000);
        EXPECT_EQ(padded.plan.padBefore, 2000);
        for (std::size_t i = 0; i < padded.left.size(); ++i) {
            const bool inSignal = i >= 2000 && i < 10000;
            ASSERT_EQ(padded.left[i], inSignal ? plain.left[i - 2000] : 0.0) << i;
        }
    }
}

TEST(SignalRows, PhaseShiftsTheRightChannelOfATone)
{
    for (const double degrees : {90.0, -45.0, 180.0}) {
        JobDescription job = unitJob(core::SignalKind::Tone);
        job.channels = 2;
        job.freqHz = 1000.0;
        job.phaseDeg = degrees;
        const Rendered r = render(job);
        for (std::size_t n = 0; n < r.left.size(); n += 37) {
            const double turns = static_cast<double>((1000 * n) % 8000) / 8000.0;
            ASSERT_NEAR(r.left[n], std::sin(2.0 * M_PI * turns), 1e-14) << n;
            ASSERT_NEAR(r.right[n], std::sin(2.0 * M_PI * turns + degrees * M_PI / 180.0), 1e-14) << n;
        }
    }
}

// The same options give the same samples whatever the block sizes, for
// every signal of the table.
TEST(SignalRows, EverySignalIsDeterministic)
{
    for (const auto& row : core::kSignalKinds) {
        SCOPED_TRACE(std::string(row.cliName));
        JobDescription job;
        job.kind = row.kind;
        job.sampleRateHz = 48000;
        job.frames = 48000;
        job.mlsOrder = 10;
        job.freqHz = 1000.0;
        const Rendered a = render(job, 4096);
        const Rendered b = render(job, 1001);
        EXPECT_EQ(a.left, b.left);
        EXPECT_EQ(a.right, b.right);
        EXPECT_NE(*std::max_element(a.left.begin(), a.left.end()), 0.0);
    }
}

TEST(SignalRows, CheckRefusesWhatTheNewOptionsCannotDo)
{
    struct Case {
        const char* name;
        void (*change)(JobDescription&);
        session::CheckCode code;
        session::JobField field;
    };
    using session::CheckCode;
    using session::JobField;
    const std::vector<Case> cases = {
        {"MultitoneAboveHalfTheRate",
         [](JobDescription& j) { j.kind = core::SignalKind::Multitone, j.tones = {30000}; },
         CheckCode::TonesRefused, JobField::Tones},
        {"ImdWithOneTone",
         [](JobDescription& j) { j.kind = core::SignalKind::Imd, j.imdPreset.reset(), j.tones = {1000}; },
         CheckCode::TonesRefused, JobField::Tones},
        {"ImdRatioZero",
         [](JobDescription& j) {
             j.kind = core::SignalKind::Imd, j.imdPreset.reset(), j.tones = {1, 2}, j.ratio = 0;
         },
         CheckCode::TonesRefused, JobField::Tones},
        {"PeriodNotWhole",
         [](JobDescription& j) { j.kind = core::SignalKind::Multitone, j.periodic = true, j.period = 10.5; },
         CheckCode::PeriodRefused, JobField::Period},
        {"PeriodWithoutPeriodic", [](JobDescription& j) { j.kind = core::SignalKind::White, j.period = 1024; },
         CheckCode::PeriodRefused, JobField::Period},
        {"BurstPeriodTooShort",
         [](JobDescription& j) { j.kind = core::SignalKind::Burst, j.cycles = 10, j.period = 5; },
         CheckCode::BurstRefused, JobField::Burst},
        {"BurstAtHalfTheRate", [](JobDescription& j) { j.kind = core::SignalKind::Burst, j.freqHz = 22050; },
         CheckCode::FreqTooHigh, JobField::Frequency},
        {"MlsOrderTooHigh", [](JobDescription& j) { j.kind = core::SignalKind::Mls, j.mlsOrder = 25; },
         CheckCode::MlsOrderOutOfRange, JobField::Mls},
        {"LinSweepAboveHalfTheRate",
         [](JobDescription& j) { j.kind = core::SignalKind::LinSweep, j.toHz = 30000; }, CheckCode::SweepRefused,
         JobField::Sweep},
        {"PadNegative", [](JobDescription& j) { j.padBeforeSeconds = -1; }, CheckCode::PaddingRefused,
         JobField::Padding},
        {"PadNotFinite", [](JobDescription& j) { j.padAfterSeconds = NAN; }, CheckCode::PaddingRefused,
         JobField::Padding},
        {"PadBeyondTheLongestFile", [](JobDescription& j) { j.seconds = 999, j.padAfterSeconds = 2; },
         CheckCode::PaddingRefused, JobField::Padding},
        {"RouteOnMono", [](JobDescription& j) { j.channels = 1, j.route = core::ChannelRoute::Left; },
         CheckCode::RouteNeedsStereo, JobField::Route},
        {"PhaseOnASquare", [](JobDescription& j) { j.shape = core::WaveShape::Square, j.phaseDeg = 90; },
         CheckCode::PhaseRefused, JobField::Phase},
        {"PhaseOnMono", [](JobDescription& j) { j.channels = 1, j.phaseDeg = 90; }, CheckCode::PhaseRefused,
         JobField::Phase},
        {"DitherOnInverted", [](JobDescription& j) { j.dither = true, j.route = core::ChannelRoute::Inverted; },
         CheckCode::DitherOnInverted, JobField::Dither},
    };
    for (const Case& c : cases) {
        JobDescription job;
        c.change(job);
        const session::CheckResult r = session::checkJob(job);
        ASSERT_TRUE(r.refused()) << c.name;
        EXPECT_EQ(r.findings.back().code, c.code) << c.name;
        EXPECT_EQ(r.findings.back().field, c.field) << c.name;
        EXPECT_FALSE(r.plan) << c.name;
    }
}

TEST(SignalRows, PeriodicNoiseLoopsWithoutAStepAtItsLevel)
{
    for (const core::SignalKind kind : {core::SignalKind::White, core::SignalKind::Pink}) {
        SCOPED_TRACE(std::string(core::infoOf(kind).cliName));
        JobDescription job = unitJob(kind);
        job.frames = 8 * 1024;
        job.periodic = true;
        job.period = 1024;
        const Rendered r = render(job, 1000);
        EXPECT_TRUE(std::equal(r.left.begin(), r.left.begin() + 1024, r.left.end() - 1024));
        double power = 0.0;
        for (const double v : r.left)
            power += v * v;
        EXPECT_NEAR(std::sqrt(power / static_cast<double>(r.left.size())), std::sqrt(0.5), 1e-12);
        job.period = 1000;
        EXPECT_EQ(session::checkJob(job).findings.back().code, session::CheckCode::PeriodRefused);
    }
}
