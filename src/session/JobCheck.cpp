#include "session/JobCheck.h"

#include "core/Level.h"
#include "core/ParameterTexts.h"
#include "session/SignalParams.h"
#include "signal/Fade.h"
#include "signal/MlsGen.h"
#include "signal/NoiseGen.h"
#include "signal/SweepGen.h"
#include "wavio/ExportSettings.h"
#include "wavio/WavFormat.h"

#include <cmath>
#include <limits>
#include <string>

namespace corvane::session {

int generatorShape(const JobDescription& job)
{
    // The generator answers a code outside its table with silence.
    return job.shape ? core::codeOf(*job.shape) : -1;
}

std::string_view titleOf(const Finding& finding)
{
    return finding.severity == Severity::Refusal ? core::kParameterErrorTitle : core::kWarningTitle;
}

namespace {

// Infinity for a level whose amplitude does not fit a double.
double levelAmplitude(const JobDescription& job)
{
    return job.amplitude ? *job.amplitude : core::amplitudeOfLevel(job.levelDb).value_or(HUGE_VAL);
}

class Findings {
public:
    explicit Findings(CheckResult& r) : result(r) {}
    void refuse(CheckCode code, JobField field, std::string_view text)
    {
        result.findings.push_back({Severity::Refusal, code, field, std::string(text)});
    }
    void warn(CheckCode code, JobField field, std::string_view text)
    {
        result.findings.push_back({Severity::Warning, code, field, std::string(text)});
    }
    bool refused() const { return result.refused(); }

private:
    CheckResult& result;
};

// The frequency and the level: what a display of the signal checks.
void checkSignal(const JobDescription& job, Findings& f)
{
    if (job.kind == core::SignalKind::Tone || job.kind == core::SignalKind::Burst) {
        if (job.freqHz < 1.0)
            return f.refuse(CheckCode::FreqTooLow, JobField::Frequency, core::kFreqTooLowText);
        if (!(job.freqHz < job.sampleRateHz * 0.5))
            return f.refuse(CheckCode::FreqTooHigh, JobField::Frequency, core::kFreqTooHighText);
    }
    if (!std::isfinite(levelAmplitude(job)))
        return f.refuse(CheckCode::LevelNotUsable, JobField::Level, core::kInvalidValueText);
    if (job.levelDb <= -60.0)
        f.warn(CheckCode::LevelTooLow, JobField::Level, core::kLevelTooLowText);
    if (job.levelDb > 20.0)
        f.warn(CheckCode::LevelClips, JobField::Level, core::kLevelClipsText);
}

// Length, format, reference level and the signal's own parameters: what the
// export dialog checks. The plan, unless something was refused.
std::optional<JobPlan> checkOutput(const JobDescription& job, Findings& f)
{
    const int fs = job.sampleRateHz;
    int frames = 0;
    if (job.frames) {
        frames = *job.frames;
    } else {
        // Out of int range means far outside the length limits anyway.
        frames = wavio::framesForSeconds(fs, job.seconds.value_or(10.0)).value_or(std::numeric_limits<int>::min());
    }
    if (!wavio::lengthAllowed(frames, fs, wavio::kMinSeconds, wavio::kMaxSeconds)) {
        f.refuse(CheckCode::LengthOutOfRange, JobField::Length,
                 wavio::lengthMessage(wavio::kMinSeconds, wavio::kMaxSeconds));
        return std::nullopt;
    }
    // The silence around the signal: whole frames, and the file no longer
    // than the longest signal.
    const auto padFrames = [fs](double seconds) -> std::optional<int> {
        if (!std::isfinite(seconds) || seconds < 0.0 || seconds > wavio::kMaxSeconds)
            return std::nullopt;
        return static_cast<int>(std::round(seconds * fs));
    };
    const auto before = padFrames(job.padBeforeSeconds);
    const auto after = padFrames(job.padAfterSeconds);
    const double maxFrames = static_cast<double>(wavio::kMaxSeconds) * fs;
    if (!before || !after || static_cast<double>(frames) + *before + *after > maxFrames) {
        f.refuse(
            CheckCode::PaddingRefused, JobField::Padding,
            "--pad-before and --pad-after take seconds from 0, and the file with its padding may be at most " +
                std::to_string(static_cast<int>(wavio::kMaxSeconds)) + " seconds long.");
        return std::nullopt;
    }
    const core::SampleFormat format = job.format;
    if (wavio::warnQuietEightBit(format, job.levelDb))
        f.warn(CheckCode::QuietEightBit, JobField::Format, core::kLevelTooLowFor8Bit);
    if (std::isnan(job.refLevel) || std::isinf(job.refLevel)) {
        f.refuse(CheckCode::RefLevelNotUsable, JobField::RefLevel, core::kInvalidValueText);
        return std::nullopt;
    }
    if (!(job.refLevel > 0.0)) {
        f.refuse(CheckCode::RefLevelNotPositive, JobField::RefLevel, core::kRefLevelNotPositive);
        return std::nullopt;
    }
    // Samples beyond the float format's range would be written as infinity.
    const double amplitude = levelAmplitude(job);
    if (const auto cause = wavio::floatRangeCause(amplitude, format, job.refLevel);
        cause != wavio::FloatRangeCause::None) {
        const bool level = cause == wavio::FloatRangeCause::Level;
        f.refuse(level ? CheckCode::LevelTooLargeForFloat : CheckCode::RefLevelTooLargeForFloat,
                 level ? JobField::Level : JobField::RefLevel, wavio::floatRangeMessage(cause));
        return std::nullopt;
    }
    JobPlan plan;
    plan.frames = frames + *before + *after;
    plan.signalFrames = frames;
    plan.padBefore = *before;
    plan.amplitude = wavio::exportAmplitude(amplitude, format, job.refLevel);
    plan.scale = wavio::fullScale(format);

    if (job.kind == core::SignalKind::Sweep) {
        if (const std::string why = signal::checkSweepParams(sweepParams(job, frames, 1.0)); !why.empty()) {
            f.refuse(CheckCode::SweepRefused, JobField::Sweep, why);
            return std::nullopt;
        }
    }
    if (job.kind == core::SignalKind::LinSweep) {
        if (const std::string why = signal::checkLinSweepParams(linSweepParams(job, frames, 1.0)); !why.empty()) {
            f.refuse(CheckCode::SweepRefused, JobField::Sweep, why);
            return std::nullopt;
        }
    }
    if (job.channels != 2 && (job.route != core::ChannelRoute::Both || job.phaseDeg != 0.0)) {
        const bool route = job.route != core::ChannelRoute::Both;
        f.refuse(route ? CheckCode::RouteNeedsStereo : CheckCode::PhaseRefused,
                 route ? JobField::Route : JobField::Phase,
                 std::string(route ? "--route" : "--phase") + " is for --channels 2.");
        return std::nullopt;
    }
    if (job.phaseDeg != 0.0 && (!std::isfinite(job.phaseDeg) || std::fabs(job.phaseDeg) > 360.0 ||
                                (job.kind == core::SignalKind::Tone && job.shape != core::WaveShape::Sine))) {
        f.refuse(CheckCode::PhaseRefused, JobField::Phase,
                 "--phase takes degrees from -360 to 360, for a sine tone or a multitone.");
        return std::nullopt;
    }
    if (job.period && !job.periodic && job.kind != core::SignalKind::Burst) {
        f.refuse(CheckCode::PeriodRefused, JobField::Period, "--period goes with --periodic.");
        return std::nullopt;
    }
    if (job.kind == core::SignalKind::Multitone && job.periodic && multitonePeriod(job, plan) < 0) {
        f.refuse(CheckCode::PeriodRefused, JobField::Period, "--period takes a whole number of frames from 4 up.");
        return std::nullopt;
    }
    if (job.kind == core::SignalKind::Imd && !job.imdPreset &&
        (job.tones.size() != 2 || !std::isfinite(job.ratio) || !(job.ratio > 0.0))) {
        f.refuse(CheckCode::TonesRefused, JobField::Tones,
                 "Without --preset, imd takes two tones (--tones F1,F2) and a ratio above 0 (--ratio).");
        return std::nullopt;
    }
    if (isToneSum(job)) {
        if (const std::string why = signal::checkToneSum(toneSumParams(job, plan)); !why.empty()) {
            f.refuse(CheckCode::TonesRefused, JobField::Tones, why);
            return std::nullopt;
        }
    }
    if (job.kind == core::SignalKind::Burst) {
        if (const std::string why = signal::checkBurstParams(burstParams(job, 1.0)); !why.empty()) {
            f.refuse(CheckCode::BurstRefused, JobField::Burst, why);
            return std::nullopt;
        }
    }
    if (job.kind == core::SignalKind::Mls && signal::mlsTaps(job.mlsOrder).empty()) {
        f.refuse(CheckCode::MlsOrderOutOfRange, JobField::Mls,
                 "--order takes a whole number from " + std::to_string(signal::kMinMlsOrder) + " to " +
                     std::to_string(signal::kMaxMlsOrder) + ".");
        return std::nullopt;
    }
    if (isNoise(job.kind)) {
        if (const std::string why = signal::checkNoiseParams(noiseParams(job, plan, false)); !why.empty()) {
            f.refuse(CheckCode::NoiseRefused, JobField::Noise, why);
            return std::nullopt;
        }
    }
    if (isNoise(job.kind) && job.periodic) {
        if (const std::string why = signal::checkPeriodicNoise(periodicNoiseParams(job, plan)); !why.empty()) {
            f.refuse(CheckCode::PeriodRefused, JobField::Period, why);
            return std::nullopt;
        }
    }
    if (const std::string why = signal::checkFades(job.fadeInSeconds, job.fadeOutSeconds, fs, frames);
        !why.empty()) {
        f.refuse(CheckCode::FadesRefused, JobField::Fades, why);
        return std::nullopt;
    }
    if (job.dither && core::infoOf(job.format).isFloat) {
        f.refuse(CheckCode::DitherOnFloat, JobField::Dither,
                 "--dither tpdf is for the integer formats; the float formats store the signal as it is.");
        return std::nullopt;
    }
    if (job.dither && job.route == core::ChannelRoute::Inverted) {
        f.refuse(CheckCode::DitherOnInverted, JobField::Dither,
                 "--dither tpdf and --route inverted do not go together: the channels would no longer cancel.");
        return std::nullopt;
    }
    return plan;
}

} // namespace

CheckResult checkJob(const JobDescription& job, CheckScope scope)
{
    CheckResult result;
    Findings f(result);
    if (scope != CheckScope::Output) {
        checkSignal(job, f);
        if (f.refused())
            return result;
    }
    if (scope != CheckScope::Signal)
        result.plan = checkOutput(job, f);
    return result;
}

} // namespace corvane::session
