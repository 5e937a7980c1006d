#pragma once

#include "analysis/Deconvolution.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::analysis {

inline constexpr int kMaxHarmonics = 9;

struct DistortionParams {
    double sampleRate = 48000.0;
    double rateSeconds = 0.0; // the sweep's L
    double fromHz = 20.0; // the sweep's start
    double toHz = 20000.0; // and stop
    int harmonics = 5; // the highest harmonic, 2 .. kMaxHarmonics
    int smoothing = 0; // 1/N octave, 0 for none
};

// Per point of a 1/48-octave grid from the sweep's start up to the top of
// the second harmonic's range: the fundamental's level in dB (relative to
// the unit sweep), each harmonic's level in dB relative to the fundamental
// (NaN beyond its range, min(stop, 0.95 fs/2) / k), and the THD in percent
// of the harmonics that have a value there.
struct HarmonicDistortion {
    double sampleRate = 0.0;
    std::vector<double> frequencyHz;
    std::vector<double> fundamentalDb;
    std::vector<std::vector<double>> harmonicDb; // [k - 2][point]
    std::vector<double> thdPercent;
};

// Frames before lag 0 that the highest harmonic's stretch reaches back to;
// the whole convolution holds filterFrames - 1 of them.
std::int64_t distortionLeadFrames(const DistortionParams& p);

// Why a sweep of sweepFrames frames cannot give the distortion asked for:
// its second harmonic lies wholly above the top of the range, or the highest
// harmonic's response would not fit before the linear one (remedy, the
// user's way out, is added to that message). Empty when it can.
std::string distortionRefusal(const DistortionParams& p, std::int64_t sweepFrames, std::string_view remedy);

// From a deconvolver that has run: harmonic k's response lies L ln k before
// the linear one; each is cut out halfway to its neighbours, with tapered
// edges.
HarmonicDistortion harmonicDistortion(const SweepDeconvolver& d, const DistortionParams& p);

} // namespace corvane::analysis
