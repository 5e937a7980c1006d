#pragma once

#include <vector>

namespace corvane::signal {

// Turns white noise into pink: |H(f)|^2 follows 1/f within about 0.1 dB from
// 20 Hz to 0.45 times the sampling rate, for any rate from 8000 to 384000 Hz.
//
// A chain of first-order pole-zero sections, two per octave, with poles from
// a quarter of the sampling rate down to about 3 Hz and each zero a quarter
// octave above its pole: the staircase of +6 and 0 dB/octave slopes averages
// to -3 dB/octave. Near the Nyquist limit the digital sections flatten, so
// the three highest zeros and a final zero on the negative axis are placed
// by a least-squares fit of the log response, done once for the design. The
// poles sit at fixed fractions of the rate, so that fit holds for every rate.
class PinkFilter {
public:
    explicit PinkFilter(double sampleRateHz);

    double process(double x);
    void reset();

    // 10 log10 |H(f)|^2 of the design, for checking it against 1/f.
    double responseDb(double frequencyHz) const;

    // The lowest pole: below it the response levels off, and it sets how long
    // the filter takes to settle.
    double lowestPoleHz() const { return lowestPole; }

private:
    struct Section {
        double zero;   // z-plane zero, on the positive real axis
        double pole;
        double x1 = 0.0;
        double y1 = 0.0;
    };

    std::vector<Section> sections;
    double sampleRate;
    double lowestPole = 0.0;
    double lastIn = 0.0;   // memory of the final zero
};

} // namespace corvane::signal
