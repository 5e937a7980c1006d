#include "PinkKernel.h"

#include <cstring>

namespace corvane::signal::pink {
namespace {

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

} // namespace

void runPinkJob(Isa isa, const Job& j, Part part)
{
    if (j.count <= 0)
        return;
    pickIsa(isa, jobBaseline, jobAvx2, jobAvx512)(j, part);
}

} // namespace corvane::signal::pink
