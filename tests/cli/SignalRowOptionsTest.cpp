// The new signals' options as export and play take them: what each turns
// into in the job, what is refused with which words, and that play sends
// the device exactly the bytes export writes.

#include "cli/SignalOptions.h"
#include "support/Files.h"
#include "support/Process.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

using namespace corvane;

namespace {

namespace fs = std::filesystem;

struct Parsed {
    std::optional<cli::Refusal> refusal;
    session::JobDescription job;
};

Parsed parse(const std::vector<std::string_view>& args)
{
    Parsed p;
    cli::SignalOptions o;
    p.refusal = cli::parseSignalCommand(args, {}, o, [](const cli::ParsedOption&) {
        return std::optional<cli::Refusal>(cli::Refusal{"not a signal option", true});
    });
    if (!p.refusal) {
        std::ostringstream err;
        session::JobPlan plan;
        p.refusal = cli::checkSignal(o, err, plan);
    }
    p.job = o.job;
    return p;
}

} // namespace

TEST(SignalRowOptions, OptionsBecomeTheJob)
{
    struct Case {
        const char* name;
        std::vector<std::string_view> args;
        bool (*holds)(const session::JobDescription&);
    };
    const std::vector<Case> cases = {
        {"Multitone",
         {"--signal", "multitone", "--tones", "100,2000.5", "--periodic", "--period", "4096"},
         [](const session::JobDescription& j) {
             return j.kind == core::SignalKind::Multitone && j.tones == std::vector<double>{100.0, 2000.5} &&
                    j.periodic && j.period == 4096.0;
         }},
        {"ImdPreset",
         {"--signal", "imd", "--preset", "ccif"},
         [](const session::JobDescription& j) { return j.imdPreset == core::ImdPreset::Ccif; }},
        {"ImdDefaultsToSmpte",
         {"--signal", "imd"},
         [](const session::JobDescription& j) { return j.imdPreset == core::ImdPreset::Smpte; }},
        {"ImdOwnPair",
         {"--signal", "imd", "--tones", "100,3000", "--ratio", "2"},
         [](const session::JobDescription& j) { return !j.imdPreset && j.tones.size() == 2 && j.ratio == 2.0; }},
        {"LinSweep",
         {"--signal", "linsweep", "--from", "0", "--to", "1000"},
         [](const session::JobDescription& j) { return j.kind == core::SignalKind::LinSweep && j.fromHz == 0.0; }},
        {"Burst",
         {"--signal", "burst", "--cycles", "3", "--period", "30", "--window", "hann"},
         [](const session::JobDescription& j) {
             return j.cycles == 3.0 && j.period == 30.0 && j.window == core::BurstWindow::Hann && !j.cea2010;
         }},
        {"Cea2010",
         {"--signal", "burst", "--preset", "cea2010", "--freq", "63"},
         [](const session::JobDescription& j) { return j.cea2010 && j.freqHz == 63.0; }},
        {"Mls",
         {"--signal", "mls", "--order", "12"},
         [](const session::JobDescription& j) { return j.mlsOrder == 12; }},
        {"PeriodicPink",
         {"--signal", "pink", "--periodic", "--period", "1024"},
         [](const session::JobDescription& j) { return j.periodic && j.period == 1024.0; }},
        {"PadsRouteAndPhase",
         {"--pad-before", "0.5", "--pad-after", "1", "--route", "inverted", "--phase", "90"},
         [](const session::JobDescription& j) {
             return j.padBeforeSeconds == 0.5 && j.padAfterSeconds == 1.0 &&
                    j.route == core::ChannelRoute::Inverted && j.phaseDeg == 90.0;
         }},
    };
    for (const Case& c : cases) {
        const Parsed p = parse(c.args);
        EXPECT_FALSE(p.refusal) << c.name << ": " << p.refusal->message;
        EXPECT_TRUE(c.holds(p.job)) << c.name;
    }
}

TEST(SignalRowOptions, RefusalsSayWhatIsWrong)
{
    struct Case {
        const char* name;
        std::vector<std::string_view> args;
        const char* words;
    };
    const std::vector<Case> cases = {
        {"TonesForASweep",
         {"--signal", "sweep", "--tones", "1,2"},
         "--tones is for --signal multitone, imd, not sweep"},
        {"OrderForATone", {"--order", "5"}, "--order is for --signal mls, not tone"},
        {"FromForBurst",
         {"--signal", "burst", "--from", "5"},
         "--from is for --signal sweep, linsweep, not burst"},
        {"PresetForMls", {"--signal", "mls", "--preset", "din"}, "--preset is for --signal imd, burst, not mls"},
        {"UnknownImdPreset", {"--signal", "imd", "--preset", "cea2010"}, "--preset takes smpte, din or ccif"},
        {"UnknownBurstPreset", {"--signal", "burst", "--preset", "smpte"}, "--preset takes cea2010"},
        {"BadWindow", {"--signal", "burst", "--window", "kaiser"}, "--window takes none or hann"},
        {"BadRoute", {"--route", "middle"}, "--route takes both, left, right or inverted"},
        {"BadList", {"--signal", "multitone", "--tones", "100,,200"}, "Only a valid value can be accepted."},
        {"TooManyTones",
         {"--signal", "multitone", "--tones",
          "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,"
          "21,22,23,24,25,26,27,28,29,30,31,32,33,34,35,36,37,"
          "38,39,40,41,42,43,44,45,46,47,48,49,50,51,52,53,54,"
          "55,56,57,58,59,60,61,62,63,64,65"},
         "at most 64"},
        {"PhaseForNoise", {"--signal", "white", "--phase", "90"}, "--phase is for --signal tone, multitone"},
        {"MlsOrder", {"--signal", "mls", "--order", "3"}, "--order takes a whole number from 4 to 24"},
        {"NoisePeriod", {"--signal", "white", "--periodic", "--period", "1000"}, "power of two"},
    };
    for (const Case& c : cases) {
        const Parsed p = parse(c.args);
        ASSERT_TRUE(p.refusal) << c.name;
        EXPECT_NE(p.refusal->message.find(c.words), std::string::npos) << c.name << ": " << p.refusal->message;
    }
}

// The same options give export's bytes to the device, for every new signal.
TEST(SignalRowOptions, PlaySendsExactlyWhatExportWrites)
{
    const fs::path dir = freshTestFolder("corvane-signal-rows");
    const std::vector<std::vector<std::string>> signals = {
        {"--signal", "multitone", "--periodic", "--tones", "100,1000,3000"},
        {"--signal", "imd", "--preset", "din", "--fs", "48000"},
        {"--signal", "linsweep", "--from", "10", "--to", "3900"},
        {"--signal", "burst", "--preset", "cea2010", "--freq", "100", "--period", "20"},
        {"--signal", "mls", "--order", "10", "--route", "inverted"},
        {"--signal", "pink", "--periodic", "--period", "4096", "--route", "left"},
        {"--phase", "45", "--pad-before", "0.1", "--pad-after", "0.2"},
    };
    for (const auto& s : signals) {
        std::vector<std::string> args = s;
        args.insert(args.begin(), {"--fs", "8000", "--seconds", "1", "--format", "s16"});
        SCOPED_TRACE(s[1]);
        const fs::path raw = dir / "x.raw";
        std::vector<std::string> exportArgs = {"export", "-o", "-", "--quiet"};
        exportArgs.insert(exportArgs.end(), args.begin(), args.end());
        const ProcessResult written = runProcess(CORVANE_EXE, exportArgs);
        ASSERT_EQ(written.exitCode, 0) << written.err;
        std::vector<std::string> playArgs = {"play", "--quiet", "--device", "file:'" + raw.string() + "',raw"};
        playArgs.insert(playArgs.end(), args.begin(), args.end());
        const ProcessResult played = runProcess(CORVANE_EXE, playArgs);
        ASSERT_EQ(played.exitCode, 0) << played.err;
        const std::vector<std::uint8_t> bytes = bytesOf(raw);
        ASSERT_GE(written.out.size(), 44u);
        EXPECT_EQ(std::string(written.out.begin() + 44, written.out.end()),
                  std::string(bytes.begin(), bytes.end()));
        fs::remove(raw);
    }
    fs::remove_all(dir);
}
