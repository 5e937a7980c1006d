#pragma once

#include "core/CodeSets.h"
#include "core/SignalParameters.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvane::session {

// Everything that describes one signal job, whoever asks for it: the
// command line fills it from options, the window from its controls and its
// last display. The check, the chain and the runs read nothing else.
struct JobDescription {
    core::SignalKind kind = core::SignalKind::Tone;

    // Tone. An empty shape is typed text that matches no waveshape, which
    // the generator answers with silence (the window allows it).
    double freqHz = 400.0;
    std::optional<core::WaveShape> shape = core::WaveShape::Sine;

    // Sweep.
    double fromHz = 20.0;
    double toHz = 20000.0;
    bool synchronised = false;

    // Noise, and the dither's own stream.
    std::uint64_t seed = 1;

    // Multitone, and imd without a preset: the frequencies.
    std::vector<double> tones = {100.0, 1000.0, 10000.0};
    // Multitone and noise: repeat exactly every period. The period, in
    // frames for those and in cycles for a burst; empty: the file's length
    // (multitone), 65536 (noise), 100 cycles (burst).
    bool periodic = false;
    std::optional<double> period;

    // Imd: a preset, or the first two tones at this amplitude ratio.
    std::optional<core::ImdPreset> imdPreset = core::ImdPreset::Smpte;
    double ratio = 4.0;

    // Burst (its tone is freqHz); the preset sets the cycles and the window.
    double cycles = 10.0;
    core::BurstWindow window = core::BurstWindow::None;
    bool cea2010 = false;

    // Mls: 2^order - 1 frames per period.
    int mlsOrder = 16;

    // Silence around the signal, in seconds.
    double padBeforeSeconds = 0.0;
    double padAfterSeconds = 0.0;

    // Stereo only: which channels carry the signal, and the right
    // channel's phase shift in degrees for a sine or a multitone.
    core::ChannelRoute route = core::ChannelRoute::Both;
    double phaseDeg = 0.0;

    double levelDb = 6.0;
    // The level as a linear amplitude, for a front end that holds that
    // rather than the level (the window keeps its last display's); empty:
    // 10^(levelDb / 20).
    std::optional<double> amplitude;
    int sampleRateHz = 44100;
    // The length, in seconds or in frames; neither means ten seconds.
    std::optional<double> seconds;
    std::optional<int> frames;
    core::SampleFormat format = core::SampleFormat::S16;
    int channels = 2;
    double refLevel = 0.1; // what a 0 dB signal is in the float formats
    double fadeInSeconds = 0.0;
    double fadeOutSeconds = 0.0;
    bool dither = false;

    // Where it goes: a file name ("-" for standard output), and for a sweep
    // optionally its inverse filter's.
    std::string outputPath;
    std::string inversePath;

    bool operator==(const JobDescription&) const = default;
};

// The job as the check settled it: what the chain and the writer take.
struct JobPlan {
    int frames = 0; // in the file: the signal and its padding
    int signalFrames = 0; // the signal's own, which its generator and fades take
    int padBefore = 0; // frames of silence before it
    double amplitude = 0.0; // handed to the generator: times the reference level for the float formats
    double scale = 1.0; // the format's full-scale factor
};

// The waveshape code the generator takes: an empty shape is none of them.
int generatorShape(const JobDescription& job);

} // namespace corvane::session
