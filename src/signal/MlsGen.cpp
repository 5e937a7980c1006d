#include "signal/MlsGen.h"

#include <bit>

namespace corvane::signal {

std::vector<int> mlsTaps(int order)
{
    switch (order) {
    case 4: return {4, 3};
    case 5: return {5, 3};
    case 6: return {6, 5};
    case 7: return {7, 6};
    case 8: return {8, 6, 5, 4};
    case 9: return {9, 5};
    case 10: return {10, 7};
    case 11: return {11, 9};
    case 12: return {12, 6, 4, 1};
    case 13: return {13, 4, 3, 1};
    case 14: return {14, 5, 3, 1};
    case 15: return {15, 14};
    case 16: return {16, 15, 13, 4};
    case 17: return {17, 14};
    case 18: return {18, 11};
    case 19: return {19, 6, 2, 1};
    case 20: return {20, 17};
    case 21: return {21, 19};
    case 22: return {22, 21};
    case 23: return {23, 18};
    case 24: return {24, 23, 22, 17};
    default: return {};
    }
}

void MlsGen::setMls(int order, double amplitude_, int channels)
{
    const std::vector<int> taps = mlsTaps(order);
    bits.clear();
    length = 0;
    amplitude = amplitude_;
    setChannels(channels);
    if (taps.empty())
        return;
    // Bit j of the state is the sequence's value j frames ahead; a tap t
    // feeds back the value n - t frames ahead, so the recurrence's
    // polynomial is the reciprocal of the tap polynomial (primitive too).
    std::uint32_t mask = 0;
    for (const int t : taps)
        mask |= 1u << (order - t);
    length = (std::int64_t{1} << order) - 1;
    bits.assign(static_cast<std::size_t>((length + 63) / 64), 0);
    std::uint32_t state = (1u << order) - 1;
    for (std::int64_t i = 0; i < length; ++i) {
        if ((state & 1u) != 0)
            bits[static_cast<std::size_t>(i / 64)] |= std::uint64_t{1} << (i % 64);
        const std::uint32_t feedback = static_cast<std::uint32_t>(std::popcount(state & mask)) & 1u;
        state = (state >> 1) | (feedback << (order - 1));
    }
}

void MlsGen::fillFrames(std::int64_t first, double* out, int count) const
{
    for (int i = 0; i < count; ++i) {
        const std::int64_t n = first + i;
        if (length == 0 || n < 0) {
            out[i] = 0.0;
            continue;
        }
        const std::int64_t k = n % length;
        const bool one = ((bits[static_cast<std::size_t>(k / 64)] >> (k % 64)) & 1u) != 0;
        out[i] = one ? amplitude : -amplitude;
    }
}

} // namespace corvane::signal
