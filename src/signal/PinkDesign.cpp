#include "signal/PinkFilter.h"

#include "PinkKernel.h"

#include <cmath>
#include <complex>

// The filter's design: poles and zeros, the parallel form's coefficients
// from them, and the statistics of its output.
namespace corvane::signal {
namespace {

constexpr double kTwoPi = 6.283185307179586;

// Poles at kTopPole * fs * 4^-k, down to the first below kLowestPoleHz.
constexpr double kTopPole = 0.25;
constexpr double kLowestPoleHz = 7.0;
// The fitted zeros of the two highest sections, as fractions of fs, and the
// final zero at -kNyquistZero. The rest sit an octave above their pole,
// where digital and analogue sections agree.
constexpr double kFittedZeros[] = {0.2900010, 0.1325112};
constexpr double kNyquistZero = 0.1806977;

} // namespace

using pink::kLanes;
using pink::kPoleSlots;

PinkFilter::PinkFilter(double sampleRateHz) : sampleRate(sampleRateHz)
{
    // Past eight poles (rates above the noise's range) the response levels
    // off higher up instead.
    for (std::size_t k = 0; k < kPoleSlots; ++k) {
        const double poleHz = kTopPole * sampleRateHz * std::pow(4.0, -static_cast<double>(k));
        const double zeroHz = k < std::size(kFittedZeros) ? kFittedZeros[k] * sampleRateHz : 2.0 * poleHz;
        zeros.push_back(std::exp(-kTwoPi * zeroHz / sampleRateHz));
        poles.push_back(std::exp(-kTwoPi * poleHz / sampleRateHz));
        lowestPole = poleHz;
        if (poleHz < kLowestPoleHz)
            break;
    }

    // Partial fractions of (1 + a w) prod (1 - z_j w) / prod (1 - p_j w), w = z^-1,
    // in extended precision: the residue at p_k is the rest of the product at
    // w = 1 / p_k; the constant d0 = H(0) - sum r_k = 1 - sum r_k; and as w
    // grows, H(w) - d0 tends to d1 w with d1 = a prod (z_j / p_j).
    const std::size_t n = poles.size();
    std::vector<long double> residues(n);
    long double residueSum = 0.0L;
    long double slope = kNyquistZero;
    for (std::size_t k = 0; k < n; ++k) {
        const long double pk = poles[k];
        long double v = 1.0L + kNyquistZero / pk;
        for (std::size_t j = 0; j < n; ++j) {
            v *= 1.0L - zeros[j] / pk;
            if (j != k)
                v /= 1.0L - poles[j] / pk;
        }
        residues[k] = v;
        residueSum += v;
        slope *= static_cast<long double>(zeros[k]) / static_cast<long double>(poles[k]);
    }
    direct = static_cast<double>(1.0L - residueSum);
    delayed = static_cast<double>(slope);

    // The poles are only needed here: the kernel takes their powers.
    std::vector<double> groupPoles(kPoleSlots, 0.0);
    groupResidues.assign(kPoleSlots, 0.0);
    states.assign(2 * kPoleSlots, 0.0);
    for (std::size_t k = 0; k < n; ++k) {
        groupPoles[k] = poles[k];
        groupResidues[k] = static_cast<double>(residues[k]);
    }
    // Per group, the four lanes' p, p^2, p^3 and p^4, each power from the
    // one before.
    groupPowers.assign(4 * kPoleSlots, 0.0);
    for (std::size_t g = 0; g < 2; ++g) {
        for (std::size_t lane = 0; lane < kLanes; ++lane) {
            double power = groupPoles[g * kLanes + lane];
            for (std::size_t k = 0; k < 4; ++k) {
                groupPowers[(g * 4 + k) * kLanes + lane] = power;
                power *= groupPoles[g * kLanes + lane];
            }
        }
    }

    // The impulse response h[0] = d0 + sum r, h[1] = d1 + sum r p and
    // h[m] = sum r p^m after: its energy in closed form, with the coefficients
    // the filter really uses.
    long double h0 = direct;
    long double h1 = delayed;
    long double tail = 0.0L;
    for (std::size_t k = 0; k < n; ++k) {
        const long double rk = groupResidues[k];
        const long double pk = groupPoles[k];
        h0 += rk;
        h1 += rk * pk;
        for (std::size_t j = 0; j < n; ++j) {
            const long double rj = groupResidues[j];
            const long double pj = groupPoles[j];
            tail += rk * rj * (pk * pk) * (pj * pj) / (1.0L - pk * pj);
        }
    }
    energy = static_cast<double>(h0 * h0 + h1 * h1 + tail);

    // The autocorrelation R(m) = sum_n h[n] h[n+m], with h = d0 at 0, d1 at 1
    // and g[n] = sum_k r_k p_k^n on top from 0 on. For m >= 2 it is a sum of
    // the poles' powers, R(m) = sum_j c_j p_j^m, where
    //   c_j = h0 r_j + h1 r_j p_j + r_j p_j^2 sum_k r_k p_k^2 / (1 - p_k p_j)
    // (the last term from sum_{n >= 2} g[n] g[n+m]), so sum_{m >= 2} R(m)^2 =
    // sum_{j,l} c_j c_l (p_j p_l)^2 / (1 - p_j p_l); R(1) = h0 h1 + h1 g[2] +
    // sum_j p_j t_j with t_j the last term of c_j.
    std::vector<long double> c(n);
    long double r1 = h0 * h1;
    for (std::size_t j = 0; j < n; ++j) {
        const long double rj = groupResidues[j];
        const long double pj = groupPoles[j];
        long double inner = 0.0L;
        for (std::size_t k = 0; k < n; ++k) {
            const long double rk = groupResidues[k];
            const long double pk = groupPoles[k];
            inner += rk * pk * pk / (1.0L - pk * pj);
        }
        const long double t = rj * pj * pj * inner;
        c[j] = h0 * rj + h1 * rj * pj + t;
        r1 += h1 * rj * pj * pj + pj * t;
    }
    long double later = 0.0L;
    for (std::size_t j = 0; j < n; ++j) {
        for (std::size_t l = 0; l < n; ++l) {
            const long double pjl = static_cast<long double>(groupPoles[j]) * groupPoles[l];
            later += c[j] * c[l] * pjl * pjl / (1.0L - pjl);
        }
    }
    const long double r0 = h0 * h0 + h1 * h1 + tail;
    correlation = static_cast<double>(1.0L + 2.0L * (r1 * r1 + later) / (r0 * r0));
}

double PinkFilter::responseDb(double frequencyHz) const
{
    const std::complex<double> zInv = std::polar(1.0, -kTwoPi * frequencyHz / sampleRate);
    std::complex<double> h = 1.0 + kNyquistZero * zInv;
    for (std::size_t k = 0; k < poles.size(); ++k)
        h *= (1.0 - zeros[k] * zInv) / (1.0 - poles[k] * zInv);
    return 10.0 * std::log10(std::norm(h));
}

} // namespace corvane::signal
