#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace corvane::analysis {

// An impulse response as deconvolution gives it: one array per channel,
// lag 0 at frame lagZero of each.
struct ImpulseResponse {
    double sampleRate = 0.0;
    std::int64_t lagZero = 0;
    std::vector<std::vector<double>> channels;
};

struct ResponseParams {
    double fromHz = 10.0;
    double toHz = 0.0; // half the rate when 0
    int smoothing = 0; // 1/N octave, 0 for none
    std::int64_t lagZero = 0; // the frame the phase refers to
    // Gate: frames kept after lag 0 (those before it stay), the last tenth
    // of them tapered by a half Hann window. None: the whole response.
    std::optional<std::int64_t> windowFrames;
};

// Magnitude in dB and phase in degrees (-180 .. 180, relative to lag 0) at
// 1/48-octave points.
struct FrequencyResponse {
    double sampleRate = 0.0;
    std::vector<double> frequencyHz;
    std::vector<double> magnitudeDb;
    std::vector<double> phaseDeg;
};

FrequencyResponse frequencyResponse(std::span<const double> ir, double sampleRate, const ResponseParams& p);

// The smoothing fractions offered, for parsing and help: 1, 3, 6, 12, 24, 48.
std::span<const int> smoothingFractions();

} // namespace corvane::analysis
