#include "signal/PinkFilter.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>

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

// Poles in two groups of four: at most eight for every rate up to
// 4 * 7 * 4^7 Hz, well above the 384000 Hz the noise takes.
constexpr std::size_t kLanes = 4;
constexpr std::size_t kPoleSlots = 2 * kLanes;

using V4 = double __attribute__((vector_size(32)));

// Every operation below works on each lane alone or on named lanes in a
// fixed order, so the bits do not depend on the vector width the compiler
// chooses for the instruction set.
[[gnu::always_inline]] inline double laneSum(const V4& v)
{
    return (v[0] + v[1]) + (v[2] + v[3]);
}

// The lane sums of four vectors at once, through a transposition: the same
// additions in the same order as laneSum on each. (Vectors go out through
// references: by value they would change the calling convention between the
// instruction sets.)
[[gnu::always_inline]] inline void laneSums(const V4& a, const V4& b, const V4& c, const V4& d, V4& sums)
{
    const V4 ab0 = __builtin_shufflevector(a, b, 0, 4, 2, 6);
    const V4 ab1 = __builtin_shufflevector(a, b, 1, 5, 3, 7);
    const V4 cd0 = __builtin_shufflevector(c, d, 0, 4, 2, 6);
    const V4 cd1 = __builtin_shufflevector(c, d, 1, 5, 3, 7);
    const V4 lane0 = __builtin_shufflevector(ab0, cd0, 0, 1, 4, 5);
    const V4 lane1 = __builtin_shufflevector(ab1, cd1, 0, 1, 4, 5);
    const V4 lane2 = __builtin_shufflevector(ab0, cd0, 2, 3, 6, 7);
    const V4 lane3 = __builtin_shufflevector(ab1, cd1, 2, 3, 6, 7);
    sums = (lane0 + lane1) + (lane2 + lane3);
}

// One group of four one-pole filters, y[n] = p y[n-1] + r x[n], run four
// samples at a time from the state y before them: sample k of the four is
// p^(k+1) y + t_k with t_0 = r x_0 and t_k = p t_(k-1) + r x_k, and the
// state moves on once per four samples. The recursion from one state to the
// next is then one multiply and one add per four samples instead of per
// sample. The four are counted from the start of the stream (phase), and a
// block may end inside them: t and the state carry over, so every way of
// cutting the stream into blocks gives the same bits.
struct Group {
    V4 power[4]; // p, p^2, p^3, p^4
    V4 r;
    V4 y; // the state before the current four
    V4 t;

    template <int k>
    [[gnu::always_inline]] void sample(double x, V4& out)
    {
        const V4 xv = {x, x, x, x};
        if constexpr (k == 0)
            t = r * xv;
        else
            t = power[0] * t + r * xv;
        out = power[k] * y + t;
        if constexpr (k == 3)
            y = out;
    }

    // Four samples from the start of the four, each summed over the lanes.
    [[gnu::always_inline]] void fourSums(const double* x, V4& sums)
    {
        V4 a, b, c, d;
        sample<0>(x[0], a);
        sample<1>(x[1], b);
        sample<2>(x[2], c);
        sample<3>(x[3], d);
        laneSums(a, b, c, d, sums);
    }

    // Sample k of the four, summed over the lanes.
    [[gnu::always_inline]] double sampleSum(int k, double x)
    {
        V4 out;
        switch (k) {
        case 0: sample<0>(x, out); break;
        case 1: sample<1>(x, out); break;
        case 2: sample<2>(x, out); break;
        default: sample<3>(x, out); break;
        }
        return laneSum(out);
    }
};

// A group's coefficients and its running values, in the filter's arrays.
struct GroupData {
    const double* powers; // 4 x 4
    const double* residues; // 4
    double* state; // y, then t: 8
    int* phase;
};

struct Job {
    GroupData front;
    GroupData back;
    double direct;
    double delayed;
    double* lastIn;
    const double* in;
    const double* frontSums; // the front group's sums, for a back-only run
    double* out; // the output, or the front group's sums for a front-only run
    int count;
};

[[gnu::always_inline]] inline void load(const GroupData& d, Group& g)
{
    std::memcpy(g.power, d.powers, sizeof g.power);
    std::memcpy(&g.r, d.residues, sizeof(V4));
    std::memcpy(&g.y, d.state, sizeof(V4));
    std::memcpy(&g.t, d.state + kLanes, sizeof(V4));
}

[[gnu::always_inline]] inline void store(const Group& g, const GroupData& d)
{
    std::memcpy(d.state, &g.y, sizeof(V4));
    std::memcpy(d.state + kLanes, &g.t, sizeof(V4));
}

enum class Part { Whole, Front, Back };

// The parallel form: the front group (the four highest poles) and the back
// group each give the sum of their lanes, and the output is
// (d0 x + d1 x_prev) + (front + back). Split into its front and back parts,
// two threads can share the work and get the same bits.
template <Part part>
[[gnu::always_inline]] inline void parallelLoop(const Job& j)
{
    constexpr bool kFront = part != Part::Back;
    constexpr bool kBack = part != Part::Front;
    Group g0;
    Group g1;
    if constexpr (kFront)
        load(j.front, g0);
    if constexpr (kBack)
        load(j.back, g1);
    // The two parts run in step within a call, so one phase serves.
    int phase = kFront ? *j.front.phase : *j.back.phase;
    // Only the back part owns the last input: the front may run on another
    // thread while the back writes it.
    double previous = kBack ? *j.lastIn : 0.0;
    const auto one = [&](int i) {
        const double x = j.in[i];
        double front = 0.0;
        if constexpr (kFront)
            front = g0.sampleSum(phase, x);
        else
            front = j.frontSums[i];
        if constexpr (kBack) {
            j.out[i] = (j.direct * x + j.delayed * previous) + (front + g1.sampleSum(phase, x));
            previous = x;
        } else {
            j.out[i] = front;
        }
        phase = (phase + 1) & 3;
    };
    int i = 0;
    for (; i < j.count && phase != 0; ++i)
        one(i);
    for (; i + 4 <= j.count; i += 4) {
        const double* x = j.in + i;
        V4 front;
        if constexpr (kFront) {
            g0.fourSums(x, front);
        } else {
            std::memcpy(&front, j.frontSums + i, sizeof front);
        }
        if constexpr (kBack) {
            V4 back;
            g1.fourSums(x, back);
            const V4 xs = {x[0], x[1], x[2], x[3]};
            const V4 before = {previous, x[0], x[1], x[2]};
            const V4 out = (j.direct * xs + j.delayed * before) + (front + back);
            previous = x[3]; // before the store: the output may overwrite the input
            std::memcpy(j.out + i, &out, sizeof out);
        } else {
            std::memcpy(j.out + i, &front, sizeof front);
        }
    }
    for (; i < j.count; ++i)
        one(i);
    if constexpr (kFront) {
        store(g0, j.front);
        *j.front.phase = phase;
    }
    if constexpr (kBack) {
        store(g1, j.back);
        *j.back.phase = phase;
        *j.lastIn = previous;
    }
}

[[gnu::always_inline]] inline void runJob(const Job& j, Part part)
{
    switch (part) {
    case Part::Front: parallelLoop<Part::Front>(j); break;
    case Part::Back: parallelLoop<Part::Back>(j); break;
    default: parallelLoop<Part::Whole>(j); break;
    }
}

void jobBaseline(const Job& j, Part part)
{
    runJob(j, part);
}

[[gnu::target("avx2")]] void jobAvx2(const Job& j, Part part)
{
    runJob(j, part);
}

[[gnu::target("avx512f,avx512dq,avx512vl,avx512bw")]] void jobAvx512(const Job& j, Part part)
{
    runJob(j, part);
}

void runOn(Isa isa, const Job& j, Part part)
{
    if (j.count <= 0)
        return;
    if (!isaSupported(isa))
        isa = Isa::Baseline;
    switch (isa) {
    case Isa::Avx512: jobAvx512(j, part); break;
    case Isa::Avx2: jobAvx2(j, part); break;
    default: jobBaseline(j, part); break;
    }
}

} // namespace

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
    run(in, nullptr, out, count, isa, static_cast<int>(Part::Whole));
}

void PinkFilter::processFront(const double* in, double* front, int count, Isa isa)
{
    run(in, nullptr, front, count, isa, static_cast<int>(Part::Front));
}

void PinkFilter::processBack(const double* in, const double* front, double* out, int count, Isa isa)
{
    run(in, front, out, count, isa, static_cast<int>(Part::Back));
}

void PinkFilter::run(const double* in, const double* front, double* out, int count, Isa isa, int part)
{
    const Job j{
        {groupPowers.data(), groupResidues.data(), states.data(), &phases[0]},
        {groupPowers.data() + 4 * kLanes, groupResidues.data() + kLanes, states.data() + 2 * kLanes, &phases[1]},
        direct,
        delayed,
        &lastIn,
        in,
        front,
        out,
        count};
    runOn(isa, j, static_cast<Part>(part));
}

void PinkFilter::reset()
{
    std::fill(states.begin(), states.end(), 0.0);
    phases[0] = 0;
    phases[1] = 0;
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
