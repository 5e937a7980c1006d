#pragma once

#include "signal/Isa.h"

#include <cstddef>

// The pink filter's vector kernel: its two groups of four one-pole filters
// run over a block, whole or in the front and back parts two threads share.
namespace corvane::signal::pink {

// Poles in two groups of four: at most eight for every rate up to
// 4 * 7 * 4^7 Hz, well above the 384000 Hz the noise takes.
constexpr std::size_t kLanes = 4;
constexpr std::size_t kPoleSlots = 2 * kLanes;

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

enum class Part { Whole, Front, Back };

// Runs j on isa's build of the kernel (the baseline where the CPU lacks it).
void runPinkJob(Isa isa, const Job& j, Part part);

} // namespace corvane::signal::pink
