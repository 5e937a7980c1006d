#pragma once

#include "signal/NoiseGen.h"
#include "signal/TWaveProvider.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

// The first frames of a mono provider, asked for in blocks of the given size.
inline std::vector<double> generateMono(corvane::signal::TWaveProvider& gen, std::int64_t frames, int block)
{
    std::vector<double> out(static_cast<std::size_t>(frames));
    for (std::int64_t done = 0; done < frames;) {
        const int n = static_cast<int>(std::min<std::int64_t>(block, frames - done));
        EXPECT_EQ(gen.execStore(out.data() + done, n), 0);
        done += n;
    }
    return out;
}

// Noise parameters for a length in seconds.
inline corvane::signal::NoiseParams noiseParams(corvane::signal::NoiseColour colour, double seconds, double fs,
                                                double amplitude, std::uint64_t seed = 1)
{
    corvane::signal::NoiseParams p;
    p.colour = colour;
    p.sampleRateHz = fs;
    p.frameCount = static_cast<std::int64_t>(seconds * fs);
    p.amplitude = amplitude;
    p.seed = seed;
    return p;
}
