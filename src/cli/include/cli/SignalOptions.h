#pragma once

#include "cli/Options.h"
#include "core/CodeSets.h"

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace corvane::signal {
class Dither;
class Fade;
class TWaveProvider;
} // namespace corvane::signal

namespace corvane::cli {

// What `export` and `play` both take to describe a signal, as given.
struct SignalOptions {
    core::SignalKind kind = core::SignalKind::Tone;
    double freq = 400.0;
    double level = 6.0;
    int fs = 44100;
    int shape = 0;
    std::optional<double> seconds;
    std::optional<int> samples;
    int format = core::codeOf(core::SampleFormat::S16);
    int channels = 2;
    double refLevel = 0.1;
    double fromHz = 20.0;
    double toHz = 20000.0;
    bool sync = false;
    std::uint64_t seed = 1;
    double fadeInSeconds = 0.0;
    double fadeOutSeconds = 0.0;
    bool dither = false;

    // The options that belong to one signal only, as given (for refusing
    // them with another).
    std::string toneOnly;
    std::string sweepOnly;
    bool seedGiven = false;
};

inline constexpr int kMinCommandRateHz = 8000;
inline constexpr int kMaxCommandRateHz = 384000;

// The option table entries of the signal options.
std::span<const OptionSpec> signalOptionSpecs();

// Takes one parsed option if it is a signal option. nullopt when it was
// taken; a refusal when its value is refused; `taken` says whether it was one.
std::optional<Refusal> takeSignalOption(const ParsedOption& option, SignalOptions& o, bool& taken);

// Reads the words of a command that takes the signal options (export, play)
// besides its own: `own` lists those, and `takeOwn` takes each of them (a
// refusal, or nothing when it was taken).
std::optional<Refusal>
parseSignalCommand(std::span<const std::string_view> args, std::span<const OptionSpec> own, SignalOptions& o,
                   const std::function<std::optional<Refusal>(const ParsedOption&)>& takeOwn);

// Every option of a command that takes the signal options: its own, then those.
std::vector<OptionSpec> signalCommandSpecs(std::span<const OptionSpec> own);

// Whether a signal command's words ask for its help (see wantsHelp).
bool signalCommandWantsHelp(std::span<const std::string_view> args, std::span<const OptionSpec> own);

// The settled signal: frame count and the amplitude handed to the generator.
struct SignalPlan {
    int dataLength = 0;
    double amplitude = 0.0; // times the reference level for the float formats
    double scale = 1.0; // the format's full-scale factor
};

// Checks the whole set as the window's dialogs would, in the same order for a
// tone, printing warnings ("Warning: ...") on err. A refusal, or the plan.
std::optional<Refusal> checkSignal(const SignalOptions& o, std::ostream& err, SignalPlan& plan);

// The providers that make the signal: the generator, the fades around it and
// a count of the samples the integer formats clip. Built once per command.
class SignalChain {
public:
    // forLoop: the signal plays on past its length (a sweep starts again,
    // tones and noise run on; the fade-out is left out).
    // mayRewrite: the output can be thrown away and written again, so long
    // pink noise may take its level from the expected power (see levelHeld).
    SignalChain(const SignalOptions& o, const SignalPlan& plan, bool forLoop = false, bool mayRewrite = false);
    ~SignalChain();
    SignalChain(const SignalChain&) = delete;
    SignalChain& operator=(const SignalChain&) = delete;

    signal::TWaveProvider& provider();
    // Non-null when dither was asked for.
    signal::Dither* dither();
    // Samples at or beyond the integer format's full scale so far (sweeps and
    // noise; a tone's clipping is the level warning's business); read after
    // the writing or playing thread has finished.
    long long clippedSamples() const;

    // False when noise that took its level from the expected power missed
    // the target over the frames generated: the output is to be thrown away
    // and written again by a chain built without mayRewrite. Read after the
    // writing thread has finished.
    bool levelHeld() const;
    // Only before anything is generated, for an output that turns out to be
    // written directly: the level is decided by a measuring pass after all,
    // as a chain without mayRewrite decides it (the same samples).
    void measureLevel();

private:
    struct Parts;
    std::unique_ptr<Parts> parts;
};

// The sweep's inverse filter for --inverse: a mono provider of N frames at
// unit scale, to be written as 64-bit float.
std::unique_ptr<signal::TWaveProvider> makeInverseFilter(const SignalOptions& o, const SignalPlan& plan);

// The signal options' lines of a help text.
std::string signalOptionsHelp();

} // namespace corvane::cli
