// The one check of a job: what it finds, in which order, for which field,
// and the plan it settles. Texts are the program's own, so each row names the
// code and the field; the front ends only print or show them.

#include "session/JobCheck.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

using namespace corvane;
using session::CheckCode;
using session::CheckScope;
using session::JobDescription;
using session::JobField;
using session::Severity;

namespace {

struct Expected {
    Severity severity;
    CheckCode code;
    JobField field;
};

struct Case {
    const char* name;
    JobDescription job;
    CheckScope scope;
    std::vector<Expected> findings;
    bool planned;
};

JobDescription tone()
{
    return {};
}

JobDescription with(JobDescription job, void (*change)(JobDescription&))
{
    change(job);
    return job;
}

TEST(JobCheck, FindingsInOrderWithTheirFields)
{
    const std::vector<Case> cases = {
        {"DefaultToneIsClean", tone(), CheckScope::All, {}, true},
        {"FreqBelowOneHz",
         with(tone(), [](JobDescription& j) { j.freqHz = 0.5; }),
         CheckScope::All,
         {{Severity::Refusal, CheckCode::FreqTooLow, JobField::Frequency}},
         false},
        {"FreqAtHalfTheRate",
         with(tone(), [](JobDescription& j) { j.freqHz = 22050; }),
         CheckScope::All,
         {{Severity::Refusal, CheckCode::FreqTooHigh, JobField::Frequency}},
         false},
        // A sweep has no tone frequency to check.
        {"SweepIgnoresToneFreq",
         with(tone(),
              [](JobDescription& j) {
                  j.kind = core::SignalKind::Sweep;
                  j.freqHz = 0.0;
              }),
         CheckScope::All,
         {},
         true},
        {"LevelWhoseAmplitudeOverflows",
         with(tone(), [](JobDescription& j) { j.levelDb = 7000.0; }),
         CheckScope::All,
         {{Severity::Refusal, CheckCode::LevelNotUsable, JobField::Level}},
         false},
        // Warnings go on to the refusal that ends the check.
        {"QuietLevelThenTooLong",
         with(tone(),
              [](JobDescription& j) {
                  j.levelDb = -60.0;
                  j.seconds = 1000.5;
              }),
         CheckScope::All,
         {{Severity::Warning, CheckCode::LevelTooLow, JobField::Level},
          {Severity::Refusal, CheckCode::LengthOutOfRange, JobField::Length}},
         false},
        {"ClippingLevelAndQuietEightBitNever",
         with(tone(),
              [](JobDescription& j) {
                  j.levelDb = 21.0;
                  j.format = core::SampleFormat::U8;
              }),
         CheckScope::All,
         {{Severity::Warning, CheckCode::LevelClips, JobField::Level}},
         true},
        {"QuietEightBit",
         with(tone(),
              [](JobDescription& j) {
                  j.levelDb = -16.0;
                  j.format = core::SampleFormat::U8;
              }),
         CheckScope::All,
         {{Severity::Warning, CheckCode::QuietEightBit, JobField::Format}},
         true},
        {"FramesBelowOneSecond",
         with(tone(), [](JobDescription& j) { j.frames = 44099; }),
         CheckScope::All,
         {{Severity::Refusal, CheckCode::LengthOutOfRange, JobField::Length}},
         false},
        {"RefLevelNotANumber",
         with(tone(), [](JobDescription& j) { j.refLevel = std::numeric_limits<double>::quiet_NaN(); }),
         CheckScope::All,
         {{Severity::Refusal, CheckCode::RefLevelNotUsable, JobField::RefLevel}},
         false},
        {"RefLevelZero",
         with(tone(), [](JobDescription& j) { j.refLevel = 0.0; }),
         CheckScope::All,
         {{Severity::Refusal, CheckCode::RefLevelNotPositive, JobField::RefLevel}},
         false},
        {"FloatPeakBeyondFloat",
         with(tone(),
              [](JobDescription& j) {
                  j.format = core::SampleFormat::F32;
                  j.levelDb = 800.0;
              }),
         CheckScope::All,
         {{Severity::Warning, CheckCode::LevelClips, JobField::Level},
          {Severity::Refusal, CheckCode::LevelTooLargeForFloat, JobField::Level}},
         false},
        {"SweepStopAboveNyquist",
         with(tone(),
              [](JobDescription& j) {
                  j.kind = core::SignalKind::Sweep;
                  j.toHz = 30000.0;
              }),
         CheckScope::All,
         {{Severity::Refusal, CheckCode::SweepRefused, JobField::Sweep}},
         false},
        {"FadesLongerThanTheSignal",
         with(tone(),
              [](JobDescription& j) {
                  j.seconds = 2.0;
                  j.fadeInSeconds = 1.5;
                  j.fadeOutSeconds = 1.5;
              }),
         CheckScope::All,
         {{Severity::Refusal, CheckCode::FadesRefused, JobField::Fades}},
         false},
        {"DitherOnFloat",
         with(tone(),
              [](JobDescription& j) {
                  j.format = core::SampleFormat::F64;
                  j.dither = true;
              }),
         CheckScope::All,
         {{Severity::Refusal, CheckCode::DitherOnFloat, JobField::Dither}},
         false},
        // A display checks the signal and nothing of the file.
        {"SignalScopeSkipsTheLength",
         with(tone(),
              [](JobDescription& j) {
                  j.levelDb = 25.0;
                  j.frames = 1;
              }),
         CheckScope::Signal,
         {{Severity::Warning, CheckCode::LevelClips, JobField::Level}},
         false},
        // The export dialog checks the file and not the frequency.
        {"OutputScopeSkipsTheFrequency",
         with(tone(),
              [](JobDescription& j) {
                  j.freqHz = 0.0;
                  j.levelDb = -70.0;
              }),
         CheckScope::Output,
         {},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const session::CheckResult r = session::checkJob(c.job, c.scope);
        ASSERT_EQ(r.findings.size(), c.findings.size());
        for (std::size_t i = 0; i < c.findings.size(); ++i) {
            EXPECT_EQ(r.findings[i].severity, c.findings[i].severity) << i;
            EXPECT_EQ(r.findings[i].code, c.findings[i].code) << i;
            EXPECT_EQ(r.findings[i].field, c.findings[i].field) << i;
            EXPECT_FALSE(r.findings[i].text.empty()) << i;
        }
        EXPECT_EQ(r.plan.has_value(), c.planned);
    }
}

// The plan: frames from seconds rounded to the nearest frame, the amplitude
// times the reference level for the float formats only, and the format's
// full-scale factor.
TEST(JobCheck, PlanSettlesFramesAmplitudeAndScale)
{
    JobDescription job;
    job.levelDb = 20.0; // amplitude 10
    job.sampleRateHz = 48000;
    job.seconds = 1.23456;
    job.format = core::SampleFormat::S16;
    auto r = session::checkJob(job);
    ASSERT_TRUE(r.plan);
    EXPECT_EQ(r.plan->frames, 59259); // trunc(59258.88 + 0.5)
    EXPECT_DOUBLE_EQ(r.plan->amplitude, 10.0);
    EXPECT_DOUBLE_EQ(r.plan->scale, 3276.7);

    job.format = core::SampleFormat::F32;
    job.refLevel = 0.25;
    job.frames = 48000;
    r = session::checkJob(job);
    ASSERT_TRUE(r.plan);
    EXPECT_EQ(r.plan->frames, 48000); // frames win over seconds
    EXPECT_DOUBLE_EQ(r.plan->amplitude, 2.5);
    EXPECT_DOUBLE_EQ(r.plan->scale, 1.0);

    // A front end that holds the amplitude (the window's display) gets it as it is.
    job.amplitude = 1.9953;
    r = session::checkJob(job);
    ASSERT_TRUE(r.plan);
    EXPECT_DOUBLE_EQ(r.plan->amplitude, 1.9953 * 0.25);
}

} // namespace
