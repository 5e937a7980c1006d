#include "signal/PinkFilter.h"

#include <cmath>
#include <complex>

namespace corvane::signal {
namespace {

constexpr double kTwoPi = 6.283185307179586;

// Poles at kTopPole * fs * 2^(-k/2) down to kLowestPoleHz.
constexpr double kTopPole = 0.25;
constexpr double kLowestPoleHz = 3.0;
// The fitted zeros of the three highest sections, as fractions of fs (the
// first two coincide), and the final zero at -kNyquistZero. The rest sit at
// pole * 2^(1/4), where digital and analogue sections agree.
constexpr double kFittedZeros[] = {0.2335056, 0.2335056, 0.1558887};
constexpr double kNyquistZero = 0.169781;

} // namespace

PinkFilter::PinkFilter(double sampleRateHz) : sampleRate(sampleRateHz)
{
    const double quarterOctave = std::pow(2.0, 0.25);
    double poleHz = kTopPole * sampleRateHz;
    for (std::size_t k = 0; poleHz >= kLowestPoleHz; ++k) {
        const double zeroHz =
            k < std::size(kFittedZeros) ? kFittedZeros[k] * sampleRateHz : poleHz * quarterOctave;
        sections.push_back(Section{std::exp(-kTwoPi * zeroHz / sampleRateHz),
                                   std::exp(-kTwoPi * poleHz / sampleRateHz)});
        lowestPole = poleHz;
        poleHz = kTopPole * sampleRateHz * std::pow(2.0, -0.5 * static_cast<double>(k + 1));
    }
}

double PinkFilter::process(double x)
{
    double v = x;
    for (Section& s : sections) {
        const double y = v - s.zero * s.x1 + s.pole * s.y1;
        s.x1 = v;
        s.y1 = y;
        v = y;
    }
    const double out = v + kNyquistZero * lastIn;
    lastIn = v;
    return out;
}

void PinkFilter::reset()
{
    for (Section& s : sections)
        s.x1 = s.y1 = 0.0;
    lastIn = 0.0;
}

double PinkFilter::responseDb(double frequencyHz) const
{
    const std::complex<double> zInv = std::polar(1.0, -kTwoPi * frequencyHz / sampleRate);
    std::complex<double> h = 1.0 + kNyquistZero * zInv;
    for (const Section& s : sections)
        h *= (1.0 - s.zero * zInv) / (1.0 - s.pole * zInv);
    return 10.0 * std::log10(std::norm(h));
}

} // namespace corvane::signal
