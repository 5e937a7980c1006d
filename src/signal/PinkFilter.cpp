#include "signal/PinkFilter.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>

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

// Enough groups of four for every rate from 8000 to 384000 Hz (31 poles at
// the top rate); more groups only cost a slower, generic loop.
constexpr int kMaxGroups = 8;

using V4 = double __attribute__((vector_size(32)));

// One block through the parallel form. Every operation works on each lane
// alone or on named lanes in a fixed order, so the bits do not depend on the
// vector width the compiler chooses for the instruction set.
template <std::size_t G>
[[gnu::always_inline]] inline void parallelLoop(const double* groupPoles, const double* groupResidues,
                                                double* states, double direct, double delayed, double& lastIn,
                                                const double* in, double* out, int count)
{
    V4 p[G];
    V4 r[G];
    V4 y[G];
    for (std::size_t g = 0; g < G; ++g) {
        std::memcpy(&p[g], groupPoles + 4 * g, sizeof(V4));
        std::memcpy(&r[g], groupResidues + 4 * g, sizeof(V4));
        std::memcpy(&y[g], states + 4 * g, sizeof(V4));
    }
    double previous = lastIn;
    for (int i = 0; i < count; ++i) {
        const double x = in[i];
        const V4 xv = {x, x, x, x};
        for (std::size_t g = 0; g < G; ++g)
            y[g] = p[g] * y[g] + r[g] * xv;
        V4 acc = y[0];
        for (std::size_t g = 1; g < G; ++g)
            acc += y[g];
        const double sum = (acc[0] + acc[1]) + (acc[2] + acc[3]);
        out[i] = (direct * x + delayed * previous) + sum;
        previous = x;
    }
    lastIn = previous;
    for (std::size_t g = 0; g < G; ++g)
        std::memcpy(states + 4 * g, &y[g], sizeof(V4));
}

struct Job {
    const double* groupPoles;
    const double* groupResidues;
    double* states;
    int groups;
    double direct;
    double delayed;
    double* lastIn;
    const double* in;
    double* out;
    int count;
};

[[gnu::always_inline]] inline void runJob(const Job& j)
{
    switch (j.groups) {
#define CORVANE_PINK_GROUPS(n)                                                                                    \
    case n:                                                                                                       \
        parallelLoop<n>(j.groupPoles, j.groupResidues, j.states, j.direct, j.delayed, *j.lastIn, j.in, j.out,     \
                        j.count);                                                                                 \
        break;
        CORVANE_PINK_GROUPS(1)
        CORVANE_PINK_GROUPS(2)
        CORVANE_PINK_GROUPS(3)
        CORVANE_PINK_GROUPS(4)
        CORVANE_PINK_GROUPS(5)
        CORVANE_PINK_GROUPS(6)
        CORVANE_PINK_GROUPS(7)
        CORVANE_PINK_GROUPS(8)
#undef CORVANE_PINK_GROUPS
    default: break;
    }
}

void jobBaseline(const Job& j)
{
    runJob(j);
}

[[gnu::target("avx2")]] void jobAvx2(const Job& j)
{
    runJob(j);
}

[[gnu::target("avx512f,avx512dq,avx512vl,avx512bw")]] void jobAvx512(const Job& j)
{
    runJob(j);
}

} // namespace

PinkFilter::PinkFilter(double sampleRateHz) : sampleRate(sampleRateHz)
{
    const double quarterOctave = std::pow(2.0, 0.25);
    double poleHz = kTopPole * sampleRateHz;
    for (std::size_t k = 0; poleHz >= kLowestPoleHz; ++k) {
        const double zeroHz =
            k < std::size(kFittedZeros) ? kFittedZeros[k] * sampleRateHz : poleHz * quarterOctave;
        zeros.push_back(std::exp(-kTwoPi * zeroHz / sampleRateHz));
        poles.push_back(std::exp(-kTwoPi * poleHz / sampleRateHz));
        lowestPole = poleHz;
        poleHz = kTopPole * sampleRateHz * std::pow(2.0, -0.5 * static_cast<double>(k + 1));
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

    groups = static_cast<int>((n + 3) / 4);
    groupPoles.assign(static_cast<std::size_t>(4 * groups), 0.0);
    groupResidues.assign(static_cast<std::size_t>(4 * groups), 0.0);
    states.assign(static_cast<std::size_t>(4 * groups), 0.0);
    for (std::size_t k = 0; k < n; ++k) {
        groupPoles[k] = poles[k];
        groupResidues[k] = static_cast<double>(residues[k]);
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

double PinkFilter::process(double x)
{
    double out = 0.0;
    process(&x, &out, 1);
    return out;
}

void PinkFilter::process(const double* in, double* out, int count)
{
    process(in, out, count, bestIsa());
}

void PinkFilter::process(const double* in, double* out, int count, Isa isa)
{
    if (count <= 0)
        return;
    const Job job{
        groupPoles.data(), groupResidues.data(), states.data(), groups, direct, delayed, &lastIn, in, out, count};
    if (groups > kMaxGroups) {
        // No rate the noise accepts gets here; kept generic and correct.
        for (int i = 0; i < count; ++i) {
            const double x = in[i];
            double sum = 0.0;
            for (std::size_t k = 0; k < groupPoles.size(); ++k) {
                states[k] = groupPoles[k] * states[k] + groupResidues[k] * x;
                sum += states[k];
            }
            out[i] = (direct * x + delayed * lastIn) + sum;
            lastIn = x;
        }
        return;
    }
    if (!isaSupported(isa))
        isa = Isa::Baseline;
    switch (isa) {
    case Isa::Avx512: jobAvx512(job); break;
    case Isa::Avx2: jobAvx2(job); break;
    default: jobBaseline(job); break;
    }
}

void PinkFilter::reset()
{
    std::fill(states.begin(), states.end(), 0.0);
    lastIn = 0.0;
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
