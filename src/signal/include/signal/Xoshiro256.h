#pragma once

#include <array>
#include <cstdint>

namespace corvane::signal {

// The random engine behind the noise and the dither: xoshiro256** seeded
// through SplitMix64, with our own conversion to doubles. Nothing here comes
// from <random>, whose distributions differ between standard libraries, so
// a seed gives the same numbers on every build.
class Xoshiro256 {
public:
    using State = std::array<std::uint64_t, 4>;

    // The four state words are four SplitMix64 outputs from the seed, as the
    // engine's authors recommend; every 64-bit seed is valid.
    explicit Xoshiro256(std::uint64_t seed);

    // For checks against published outputs; the all-zero state is a fixed point.
    static Xoshiro256 fromState(const State& state);

    // Inline: the noise draws a value every few nanoseconds.
    std::uint64_t next()
    {
        const std::uint64_t result = rotl(s[1] * 5, 7) * 9;
        const std::uint64_t t = s[1] << 17;
        s[2] ^= s[0];
        s[3] ^= s[1];
        s[1] ^= s[2];
        s[0] ^= s[3];
        s[2] ^= t;
        s[3] = rotl(s[3], 45);
        return result;
    }

    // The top 53 bits as a double in [0, 1): every value is a multiple of
    // 2^-53, so the conversion is exact and needs no rounding mode.
    double nextDouble();

    // Advances the stream by 2^128 outputs, giving a second stream that the
    // first will never reach.
    void jump();

    const State& state() const { return s; }

private:
    Xoshiro256() = default;

    static constexpr std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

    State s{};
};

// One SplitMix64 step: advances state and returns the mixed output.
std::uint64_t splitMix64(std::uint64_t& state);

} // namespace corvane::signal
