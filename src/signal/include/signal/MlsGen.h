#pragma once

#include "signal/FrameGen.h"

#include <cstdint>
#include <vector>

namespace corvane::signal {

inline constexpr int kMinMlsOrder = 4;
inline constexpr int kMaxMlsOrder = 24;

// The feedback taps of a maximum-length shift register of the order: the
// exponents of a primitive polynomial besides 0, highest first.
std::vector<int> mlsTaps(int order);

// A maximum-length sequence of order n (kMinMlsOrder to kMaxMlsOrder):
// 2^n - 1 frames per period of +amplitude or -amplitude, repeated; the
// shift register starts with every bit set. Another order gives silence.
class MlsGen final : public FrameGen {
public:
    void setMls(int order, double amplitude, int numCh);
    void fillFrames(std::int64_t first, double* out, int count) const override;
    std::int64_t period() const { return length; }

private:
    std::vector<std::uint64_t> bits; // one period, bit i of word i / 64
    std::int64_t length = 0;
    double amplitude = 0.0;
};

} // namespace corvane::signal
