#pragma once

#include "signal/Isa.h"

#include <vector>

namespace corvane::signal {

// Turns white noise into pink: |H(f)|^2 follows 1/f within about 0.1 dB from
// 20 Hz to 0.45 times the sampling rate, for any rate from 8000 to 384000 Hz.
//
// The design: a chain of first-order pole-zero sections, one every two
// octaves, with poles from a quarter of the sampling rate down to the first
// below 7 Hz and each zero an octave above its pole: the staircase of +6 and
// 0 dB/octave slopes averages to -3 dB/octave, and with first-order sections
// its ripple stays near 0.01 dB even at that spacing. Near the Nyquist limit
// the digital sections flatten, so the two highest zeros and a final zero on
// the negative axis are placed by a fit of the log response over every rate,
// done once for the design. The poles sit at fixed fractions of the rate, so
// that fit holds for every rate.
//
// The filter runs that transfer function in parallel form: by partial
// fractions, H(z) = d0 + d1 z^-1 + sum_k r_k / (1 - p_k z^-1), one one-pole
// filter per pole (at most eight: two groups of four), all fed by the same
// input. The one-pole filters are independent of each other, so a sample
// updates a group in one vector operation instead of walking a chain of
// dependent sections; each group's recursion steps four samples at a time
// (see Group in PinkKernel.cpp), so its latency does not set the pace.
class PinkFilter {
public:
    explicit PinkFilter(double sampleRateHz);

    double process(double x);
    // out[i] for in[i], count values, in order; the arrays may be the same.
    // The kernel built for isa (the baseline where the CPU lacks it) gives
    // the same bits as every other path and as process.
    void process(const double* in, double* out, int count);
    void process(const double* in, double* out, int count, Isa isa);
    // The same in two parts that two threads can run one after the other on
    // each block: processFront gives the front group's sums for in, and
    // processBack, given in and those sums, the output. Each part keeps its
    // own state, so the front may run ahead of the back; process after such
    // a split needs reset() first, as the two parts must stand at the same
    // sample for it.
    void processFront(const double* in, double* front, int count, Isa isa = bestIsa());
    void processBack(const double* in, const double* front, double* out, int count, Isa isa = bestIsa());
    void reset();

    // 10 log10 |H(f)|^2 of the design, for checking it against 1/f.
    double responseDb(double frequencyHz) const;

    // The sum of the squared impulse response, from the partial fractions:
    // the output's variance for unit-variance white input.
    double impulseEnergy() const { return energy; }

    // The sum over all lags of the output's squared normalised
    // autocorrelation, 1 + 2 sum_m rho(m)^2, for unit-variance white input:
    // the mean square of N output samples scatters with a relative standard
    // deviation of sqrt(2 S / N), where independent samples would give
    // sqrt(2 / N). About 62 at 8 kHz, 185 at 48 kHz and 570 at 384 kHz.
    double correlationSum() const { return correlation; }

    // The lowest pole: below it the response levels off, and it sets how long
    // the filter takes to settle.
    double lowestPoleHz() const { return lowestPole; }

private:
    // part: 0 whole, 1 front, 2 back.
    void run(const double* in, const double* front, double* out, int count, Isa isa, int part);

    std::vector<double> zeros; // z-plane zeros of the design, on the positive real axis
    std::vector<double> poles;
    // The parallel form, in two groups of four (padded with zero poles and
    // residues), and the one-pole filters' states.
    std::vector<double> groupResidues;
    std::vector<double> groupPowers; // per group, p to p^4 of each lane
    std::vector<double> states; // per group, the state and the partial sum
    int phases[2] = {0, 0}; // per group, the sample's place in its four
    double direct = 0.0; // d0
    double delayed = 0.0; // d1
    double lastIn = 0.0;
    double sampleRate;
    double lowestPole = 0.0;
    double energy = 0.0;
    double correlation = 1.0;
};

} // namespace corvane::signal
