// The parameter table read and written on a job, as a window's controls
// will: every row's default round-trips and is the job's own default, and
// text a row does not take leaves the job as it was.

#include "session/SignalParamValues.h"
#include "session/JobParams.h"
#include "session/SignalParams.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace corvane;

TEST(SignalParamValues, EveryDefaultRoundTripsAndIsTheJobsOwn)
{
    for (const auto& row : core::kSignalParams) {
        SCOPED_TRACE(std::string(row.option) + " " + std::string(row.caption));
        const session::JobDescription defaults;
        if (row.defaultText.empty())
            continue;
        session::JobDescription job;
        EXPECT_EQ(session::setParam(job, row.param, row.defaultText), std::nullopt);
        EXPECT_EQ(session::paramText(job, row.param), row.defaultText);
        if (row.param == core::SignalParam::BurstPeriod) {
            // The job leaves the period open; a burst then takes the row's.
            EXPECT_EQ(session::paramText(defaults, row.param), "");
            EXPECT_EQ(session::burstParams(defaults, 1.0).periodCycles, 100.0);
        } else {
            EXPECT_EQ(session::paramText(defaults, row.param), row.defaultText);
        }
    }
}

TEST(SignalParamValues, TextARowDoesNotTakeLeavesTheJob)
{
    struct Case {
        core::SignalParam param;
        const char* text;
    };
    const std::vector<Case> cases = {
        {core::SignalParam::Freq, "0.5"},          {core::SignalParam::Freq, "abc"},
        {core::SignalParam::Phase, "361"},         {core::SignalParam::Order, "25"},
        {core::SignalParam::Order, "4.5"},         {core::SignalParam::Tones, "100,,200"},
        {core::SignalParam::Tones, "0.5"},         {core::SignalParam::Window, "kaiser"},
        {core::SignalParam::ImdPreset, "cea2010"}, {core::SignalParam::Shape, "triangle"},
        {core::SignalParam::Periodic, "yes"},      {core::SignalParam::Seed, "-1"},
        {core::SignalParam::LoopPeriod, "512"},    {core::SignalParam::Ratio, "0"},
        {core::SignalParam::Cycles, "0.25"},
    };
    for (const Case& c : cases) {
        session::JobDescription job;
        const std::string before = session::paramText(job, c.param);
        EXPECT_NE(session::setParam(job, c.param, c.text), std::nullopt) << c.text;
        EXPECT_EQ(session::paramText(job, c.param), before) << c.text;
    }
}

TEST(SignalParamValues, ValuesReachTheJob)
{
    session::JobDescription job;
    job.kind = core::SignalKind::Imd;
    ASSERT_EQ(session::setParam(job, core::SignalParam::Tones, "250,8000"), std::nullopt);
    EXPECT_EQ(job.tones, (std::vector<double>{250.0, 8000.0}));
    EXPECT_FALSE(job.imdPreset); // own tones replace the preset
    ASSERT_EQ(session::setParam(job, core::SignalParam::BurstPreset, "cea2010"), std::nullopt);
    EXPECT_TRUE(job.cea2010);
    ASSERT_EQ(session::setParam(job, core::SignalParam::Periodic, "on"), std::nullopt);
    EXPECT_TRUE(job.periodic);
    ASSERT_EQ(session::setParam(job, core::SignalParam::Seed, "18446744073709551615"), std::nullopt);
    EXPECT_EQ(job.seed, 18446744073709551615u);
    ASSERT_EQ(session::setParam(job, core::SignalParam::LoopPeriod, "4096"), std::nullopt);
    EXPECT_EQ(job.period, 4096.0);
    // A preset left empty is the tones typed.
    ASSERT_EQ(session::setParam(job, core::SignalParam::ImdPreset, "din"), std::nullopt);
    EXPECT_EQ(job.imdPreset, core::ImdPreset::Din);
    ASSERT_EQ(session::setParam(job, core::SignalParam::ImdPreset, ""), std::nullopt);
    EXPECT_FALSE(job.imdPreset);
}

// The refusals name the limits as they are typed.
TEST(SignalParamValues, RefusalsSayWhatIsTaken)
{
    session::JobDescription job;
    EXPECT_EQ(session::setParam(job, core::SignalParam::Seed, "-1"),
              "Seed takes a whole number from 0 to 18446744073709551615.");
    EXPECT_EQ(session::setParam(job, core::SignalParam::Order, "25"), "Order takes a whole number from 4 to 24.");
    EXPECT_EQ(session::setParam(job, core::SignalParam::Ratio, "0"), "Ratio takes from 0.001 to 1000.");
}

// The fields a front end shows: a signal's own rows, then the common ones,
// each set from the same text the command line takes.
TEST(JobFields, EachSignalHasItsOwnRowsThenTheCommonOnes)
{
    EXPECT_EQ(session::fieldsOf(core::SignalKind::Tone).count, 0u);
    for (const core::SignalKindInfo& signal : core::kSignalKinds) {
        if (signal.kind == core::SignalKind::Tone)
            continue;
        std::vector<std::string> options;
        for (const session::FieldInfo& field : session::fieldsOf(signal.kind))
            options.emplace_back(field.option);
        std::vector<std::string> expected;
        for (const core::SignalParamInfo& row : core::kSignalParams)
            if (core::usesParam(signal.kind, row.param))
                expected.emplace_back(row.option);
        expected.insert(expected.end(), {"--level", "--fs", "--seconds", "--fade-in", "--fade-out"});
        EXPECT_EQ(options, expected) << signal.cliName;
    }
    const auto burst = session::fieldsOf(core::SignalKind::Burst);
    EXPECT_EQ(session::captionWithMnemonic(*burst.begin()), "&Frequency");
    EXPECT_EQ(session::captionWithMnemonic(*session::fieldOfOption(core::SignalKind::Burst, "--period")),
              "P&eriod");
    EXPECT_EQ(session::captionWithMnemonic(*session::fieldOfOption(core::SignalKind::Sweep, "--sync")),
              "S&ynchronized");
    EXPECT_FALSE(session::fieldOfOption(core::SignalKind::Sweep, "--seed"));
}

TEST(JobFields, CommonRowsSetTheJob)
{
    session::JobDescription job;
    job.frames = 1000;
    const auto set = [&job](const char* option, const char* text) {
        return session::setField(job, *session::fieldOfOption(core::SignalKind::White, option), text);
    };
    EXPECT_EQ(set("--fs", "44100.5"), "Rate takes a whole number from 8000 to 384000.");
    EXPECT_EQ(set("--fs", "7999"), "Rate takes a whole number from 8000 to 384000.");
    EXPECT_EQ(job.sampleRateHz, 44100);
    EXPECT_EQ(set("--fs", "384000"), std::nullopt);
    EXPECT_EQ(job.sampleRateHz, 384000);
    EXPECT_NE(set("--level", "loud"), std::nullopt);
    EXPECT_EQ(set("--level", "-3.5"), std::nullopt);
    EXPECT_EQ(job.levelDb, -3.5);
    EXPECT_EQ(set("--seconds", "2.5"), std::nullopt);
    EXPECT_EQ(job.seconds, 2.5);
    EXPECT_FALSE(job.frames);
    EXPECT_EQ(set("--fade-in", "0.25"), std::nullopt);
    EXPECT_EQ(set("--fade-out", "0.5"), std::nullopt);
    EXPECT_EQ(job.fadeInSeconds, 0.25);
    EXPECT_EQ(job.fadeOutSeconds, 0.5);
    EXPECT_EQ(set("--seed", "9"), std::nullopt);
    EXPECT_EQ(job.seed, 9u);
}
