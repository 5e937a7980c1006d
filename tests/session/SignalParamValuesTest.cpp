// The parameter table read and written on a job, as a window's controls
// will: every row's default round-trips and is the job's own default, and
// text a row does not take leaves the job as it was.

#include "session/SignalParamValues.h"
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
}
