#pragma once

#include "signal/Isa.h"

#include <cstdint>

namespace corvane::wavio {

using signal::Isa;

// How many of the n samples x[i] * scale lie below low or at or above high
// (a NaN is neither): the samples an integer format clips, counted for the
// warning. Long noise comes through here at every sample, so the count runs
// eight, four or two samples at a time on the best path the CPU has; every
// path counts alike.
std::int64_t countOutside(const double* x, int n, double scale, double low, double high);
std::int64_t countOutside(const double* x, int n, double scale, double low, double high, Isa isa);

} // namespace corvane::wavio
