#include "signal/PinkFilter.h"

#include "PinkKernel.h"

#include <algorithm>

namespace corvane::signal {

using pink::kLanes;
using pink::Part;

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
    const pink::Job j{
        {groupPowers.data(), groupResidues.data(), states.data(), &phases[0]},
        {groupPowers.data() + 4 * kLanes, groupResidues.data() + kLanes, states.data() + 2 * kLanes, &phases[1]},
        direct,
        delayed,
        &lastIn,
        in,
        front,
        out,
        count};
    pink::runPinkJob(isa, j, static_cast<Part>(part));
}

void PinkFilter::reset()
{
    std::fill(states.begin(), states.end(), 0.0);
    phases[0] = 0;
    phases[1] = 0;
    lastIn = 0.0;
}

} // namespace corvane::signal
