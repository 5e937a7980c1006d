#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The program's code sets, each an enum with one table of its traits. The
// windows fill their lists from these tables, the commands take their names
// and checks from them and the benchmarks walk them, so a new rate, shape or
// format is added here and nowhere else.
namespace corvane::core {

// ---- Sampling rates: the main window's sampling-frequency list ----

enum class SampleRate : int { Hz8000, Hz11025, Hz22050, Hz44100, Hz48000 };

struct SampleRateInfo {
    SampleRate rate;
    int hz;
    std::string_view caption;
};

inline constexpr std::array kSampleRates{
    SampleRateInfo{SampleRate::Hz8000, 8000, "8000"},    SampleRateInfo{SampleRate::Hz11025, 11025, "11025"},
    SampleRateInfo{SampleRate::Hz22050, 22050, "22050"}, SampleRateInfo{SampleRate::Hz44100, 44100, "44100"},
    SampleRateInfo{SampleRate::Hz48000, 48000, "48000"},
};

// ---- Waveshapes: the generator's waveShape codes and the window's list ----

enum class WaveShape : int { Sine, StepUp, StepDown, Square, PulseUp, PulseDown };

struct WaveShapeInfo {
    WaveShape shape;
    std::string_view caption;
    std::string_view cliName;
};

inline constexpr std::array kWaveShapes{
    WaveShapeInfo{WaveShape::Sine, "Sine", "sine"},
    WaveShapeInfo{WaveShape::StepUp, "Step [0,1]", "step+"},
    WaveShapeInfo{WaveShape::StepDown, "Step [0,-1]", "step-"},
    WaveShapeInfo{WaveShape::Square, "Step [-1,1]", "square"},
    WaveShapeInfo{WaveShape::PulseUp, "Pulse [0,1]", "pulse+"},
    WaveShapeInfo{WaveShape::PulseDown, "Pulse [0,-1]", "pulse-"},
};

// ---- Signals the commands generate (the window makes tones only) ----

enum class SignalKind : int { Tone, Sweep, White, Pink, Multitone, Imd, LinSweep, Burst, Mls };

// The parameters a signal takes, each described once in kSignalParams
// (core/SignalParameters.h); a signal's row lists the ones it uses.
enum class SignalParam : int {
    Freq,
    Shape,
    Phase,
    From,
    To,
    Sync,
    Seed,
    Tones,
    Periodic,
    LoopPeriod,
    ImdPreset,
    Ratio,
    Cycles,
    BurstPeriod,
    Window,
    BurstPreset,
    Order,
};

// A set of parameters as bits, one per SignalParam.
using SignalParamSet = unsigned;

constexpr SignalParamSet paramBit(SignalParam p)
{
    return 1u << static_cast<unsigned>(p);
}

template <typename... P>
constexpr SignalParamSet paramSet(P... p)
{
    return (0u | ... | paramBit(p));
}

struct SignalKindInfo {
    SignalKind kind;
    std::string_view cliName;
    std::string_view caption;
    SignalParamSet params;
};

inline constexpr std::array kSignalKinds{
    SignalKindInfo{SignalKind::Tone, "tone", "Tone",
                   paramSet(SignalParam::Freq, SignalParam::Shape, SignalParam::Phase)},
    SignalKindInfo{SignalKind::Sweep, "sweep", "Sweep",
                   paramSet(SignalParam::From, SignalParam::To, SignalParam::Sync)},
    SignalKindInfo{SignalKind::White, "white", "White noise",
                   paramSet(SignalParam::Seed, SignalParam::Periodic, SignalParam::LoopPeriod)},
    SignalKindInfo{SignalKind::Pink, "pink", "Pink noise",
                   paramSet(SignalParam::Seed, SignalParam::Periodic, SignalParam::LoopPeriod)},
    SignalKindInfo{
        SignalKind::Multitone, "multitone", "Multitone",
        paramSet(SignalParam::Tones, SignalParam::Periodic, SignalParam::LoopPeriod, SignalParam::Phase)},
    SignalKindInfo{SignalKind::Imd, "imd", "Two-tone intermodulation",
                   paramSet(SignalParam::ImdPreset, SignalParam::Tones, SignalParam::Ratio)},
    SignalKindInfo{SignalKind::LinSweep, "linsweep", "Linear sweep", paramSet(SignalParam::From, SignalParam::To)},
    SignalKindInfo{SignalKind::Burst, "burst", "Tone burst",
                   paramSet(SignalParam::Freq, SignalParam::Cycles, SignalParam::BurstPeriod, SignalParam::Window,
                            SignalParam::BurstPreset)},
    SignalKindInfo{SignalKind::Mls, "mls", "Maximum-length sequence", paramSet(SignalParam::Order)},
};

inline constexpr const SignalKindInfo& infoOf(SignalKind k)
{
    return kSignalKinds[static_cast<std::size_t>(k)];
}

inline constexpr bool usesParam(SignalKind k, SignalParam p)
{
    return (infoOf(k).params & paramBit(p)) != 0;
}

// ---- Channel routing of a stereo signal ----

enum class ChannelRoute : int { Both, Left, Right, Inverted };

struct ChannelRouteInfo {
    ChannelRoute route;
    std::string_view cliName;
    std::string_view caption;
};

inline constexpr std::array kChannelRoutes{
    ChannelRouteInfo{ChannelRoute::Both, "both", "Both channels"},
    ChannelRouteInfo{ChannelRoute::Left, "left", "Left only"},
    ChannelRouteInfo{ChannelRoute::Right, "right", "Right only"},
    ChannelRouteInfo{ChannelRoute::Inverted, "inverted", "Right inverted"},
};

// ---- Provider sample types: which execStore overload a writer calls ----

enum class SampleType : char { Int8, Int16, Int32, Float32, Float64 };

// ---- WAV sample formats: the export dialog's "Format" list ----

enum class SampleFormat : int { U8, S16, S24, S32, F32, F64 };

enum class HeaderKind {
    Plain, // 44 bytes, format tag 1
    Extensible, // 68 bytes, tag 0xFFFE, integer sub-format
    ExtensibleFact // 80 bytes, tag 0xFFFE, float sub-format and a "fact" chunk
};

struct SampleFormatInfo {
    SampleFormat format;
    std::string_view caption;
    std::string_view cliName;
    int bytes;
    bool isFloat;
    // Provider amplitude to file value: amplitude 10.0 (+20 dB) is integer
    // full scale; the float formats store the amplitude itself.
    double fullScale;
    HeaderKind header;
    // The provider sample type whose values the file takes without scaling.
    SampleType nativeType;
    // The integer formats' sample values, before the 8-bit offset is added:
    // the range they are clipped to (32-bit stops at -2147483647 so it stays
    // symmetric), and the offset that makes 8-bit data unsigned (silence is
    // 128). Zero for the float formats, which are not clipped.
    std::int64_t lowest;
    std::int64_t highest;
    std::int32_t offset;
};

inline constexpr std::array kSampleFormats{
    SampleFormatInfo{SampleFormat::U8, "8-bit Fixed (unsigned)", "u8", 1, false, 12.7, HeaderKind::Plain,
                     SampleType::Int8, -128, 127, 128},
    SampleFormatInfo{SampleFormat::S16, "16-bit Fixed", "s16", 2, false, 32767 * 0.1, HeaderKind::Plain,
                     SampleType::Int16, -32768, 32767, 0},
    SampleFormatInfo{SampleFormat::S24, "24-bit Fixed(Ex)", "s24", 3, false, 8388607 * 0.1, HeaderKind::Extensible,
                     SampleType::Int32, -8388608, 8388607, 0},
    SampleFormatInfo{SampleFormat::S32, "32-bit Fixed(Ex)", "s32", 4, false, 2147483646 * 0.1,
                     HeaderKind::Extensible, SampleType::Int32, -2147483647, 2147483647, 0},
    SampleFormatInfo{SampleFormat::F32, "32-bit Floating(Ex)", "f32", 4, true, 1.0, HeaderKind::ExtensibleFact,
                     SampleType::Float32, 0, 0, 0},
    SampleFormatInfo{SampleFormat::F64, "64-bit Floating(Ex)", "f64", 8, true, 1.0, HeaderKind::ExtensibleFact,
                     SampleType::Float64, 0, 0, 0},
};

// Every table lists its rows in code order: the windows' item indexes and the
// codes the generator and the writer take are the same numbers.
template <typename Table, typename Code>
constexpr bool inCodeOrder(const Table& table, Code Table::value_type::*code)
{
    for (std::size_t i = 0; i < table.size(); ++i)
        if (static_cast<std::size_t>(table[i].*code) != i)
            return false;
    return true;
}
static_assert(inCodeOrder(kSampleRates, &SampleRateInfo::rate));
static_assert(inCodeOrder(kWaveShapes, &WaveShapeInfo::shape));
static_assert(inCodeOrder(kSampleFormats, &SampleFormatInfo::format));
static_assert(inCodeOrder(kSignalKinds, &SignalKindInfo::kind));
static_assert(inCodeOrder(kChannelRoutes, &ChannelRouteInfo::route));

// ---- Look-ups shared by every table ----

// The row of a code as the windows and the writer pass it (the list index);
// nothing outside the table.
template <typename Table>
constexpr auto rowOf(const Table& table, int code) -> std::optional<typename Table::value_type>
{
    if (code < 0 || code >= static_cast<int>(table.size()))
        return std::nullopt;
    return table[static_cast<std::size_t>(code)];
}

inline constexpr int codeOf(SampleFormat f)
{
    return static_cast<int>(f);
}
inline constexpr int codeOf(WaveShape s)
{
    return static_cast<int>(s);
}
inline constexpr int codeOf(SampleType t)
{
    return static_cast<int>(t);
}
inline constexpr int codeOf(SampleRate r)
{
    return static_cast<int>(r);
}

inline constexpr const SampleFormatInfo& infoOf(SampleFormat f)
{
    return kSampleFormats[static_cast<std::size_t>(f)];
}
inline constexpr const WaveShapeInfo& infoOf(WaveShape s)
{
    return kWaveShapes[static_cast<std::size_t>(s)];
}
inline constexpr const SampleRateInfo& infoOf(SampleRate r)
{
    return kSampleRates[static_cast<std::size_t>(r)];
}

// True for the float formats, which store the amplitude times a reference level.
inline constexpr bool isFloatFormat(int dataFormat)
{
    const auto row = rowOf(kSampleFormats, dataFormat);
    return row && row->isFloat;
}
inline constexpr bool isFloatFormat(SampleFormat format)
{
    return infoOf(format).isFloat;
}

// A code given on the command line: a row's name, or its number.
std::optional<int> waveShapeOfName(std::string_view text);
std::optional<int> sampleFormatOfName(std::string_view text);
// The list index of a rate given in hertz ("44100"); empty for other rates.
std::optional<int> sampleRateIndexOfText(std::string_view text);

// A signal by its name only ("sweep").
std::optional<SignalKind> signalKindOfName(std::string_view text);

// "sine, step+, step-, square, pulse+, pulse-" and the like, for help texts.
std::string waveShapeNames();
std::string sampleFormatNames();
std::string signalKindNames();
// "8000, 11025, 22050, 44100 or 48000".
std::string sampleRateList();

} // namespace corvane::core
