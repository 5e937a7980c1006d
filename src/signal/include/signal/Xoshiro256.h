#pragma once

#include "signal/Isa.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace corvane::signal {

namespace detail {

// The engine's step, output and jump, written once for one state (W a 64-bit
// word) and for several run side by side (W a vector of such words).
// Vectors go by reference: by value they would change the calling
// convention between the instruction sets.
template <class W>
[[gnu::always_inline]] inline void rotateLeft(W& x, int k)
{
    x = (x << k) | (x >> (64 - k));
}

// rotl(s1 * 5, 7) * 9, the products as shifts and adds, which every vector
// unit has.
template <class W>
[[gnu::always_inline]] inline void scramble(const W& s1, W& out)
{
    out = s1 + (s1 << 2);
    rotateLeft(out, 7);
    out += out << 3;
}

template <class W>
[[gnu::always_inline]] inline void advance(W& s0, W& s1, W& s2, W& s3)
{
    const W t = s1 << 17;
    s2 ^= s0;
    s3 ^= s1;
    s1 ^= s2;
    s0 ^= s3;
    s2 ^= t;
    rotateLeft(s3, 45);
}

// By Cayley-Hamilton, stepping d times is applying the polynomial x^d mod P
// (P the characteristic polynomial) to the step: the sum of the states after
// k steps over the polynomial's terms x^k.
template <class W>
[[gnu::always_inline]] inline void jumpState(W& s0, W& s1, W& s2, W& s3,
                                             const std::array<std::uint64_t, 4>& polynomial)
{
    W a0{};
    W a1{};
    W a2{};
    W a3{};
    for (const std::uint64_t word : polynomial) {
        for (int b = 0; b < 64; ++b) {
            if ((word >> b) & 1u) {
                a0 ^= s0;
                a1 ^= s1;
                a2 ^= s2;
                a3 ^= s3;
            }
            advance(s0, s1, s2, s3);
        }
    }
    s0 = a0;
    s1 = a1;
    s2 = a2;
    s3 = a3;
}

} // namespace detail

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
        std::uint64_t result = 0;
        detail::scramble(s[1], result);
        detail::advance(s[0], s[1], s[2], s[3]);
        return result;
    }

    // The top 53 bits as a double in [0, 1): every value is a multiple of
    // 2^-53, so the conversion is exact and needs no rounding mode.
    double nextDouble();

    // Advances the stream by 2^128 outputs, giving a second stream that the
    // first will never reach.
    void jump();
    // Advances the stream as far as the polynomial from jumpPolynomial says.
    void jump(const State& polynomial);
    // x^distance modulo the engine's characteristic polynomial, as the
    // coefficients of x^0 to x^255: a jump of distance outputs.
    static constexpr State jumpPolynomial(std::uint64_t distance);

    const State& state() const { return s; }

private:
    Xoshiro256() = default;

    State s{};
};

// One SplitMix64 step: advances state and returns the mixed output.
std::uint64_t splitMix64(std::uint64_t& state);

namespace detail {

// The engine's characteristic polynomial without its x^256 term, from the
// Berlekamp-Massey algorithm over one state bit; the test checks it against
// the published jump of 2^128.
inline constexpr Xoshiro256::State kCharacteristic = {0x9d116f2bb0f0f001ULL, 0x0280002bcefd1a5eULL,
                                                      0x04b4edcf26259f85ULL, 0x0003c03c3f3ecb19ULL};

// a * b modulo the characteristic polynomial, over GF(2).
constexpr Xoshiro256::State mulModCharacteristic(Xoshiro256::State a, Xoshiro256::State b)
{
    Xoshiro256::State r{};
    for (int bit = 0; bit < 256; ++bit) {
        if ((b[static_cast<std::size_t>(bit / 64)] >> (bit % 64)) & 1u) {
            for (std::size_t w = 0; w < 4; ++w)
                r[w] ^= a[w];
        }
        // a *= x, reduced.
        const bool carry = (a[3] >> 63) != 0;
        for (std::size_t w = 3; w > 0; --w)
            a[w] = (a[w] << 1) | (a[w - 1] >> 63);
        a[0] <<= 1;
        if (carry) {
            for (std::size_t w = 0; w < 4; ++w)
                a[w] ^= kCharacteristic[w];
        }
    }
    return r;
}

} // namespace detail

constexpr Xoshiro256::State Xoshiro256::jumpPolynomial(std::uint64_t distance)
{
    State result{1, 0, 0, 0};
    State power{2, 0, 0, 0}; // x
    for (; distance != 0; distance >>= 1) {
        if (distance & 1u)
            result = detail::mulModCharacteristic(result, power);
        power = detail::mulModCharacteristic(power, power);
    }
    return result;
}

// The engine's outputs in their order, made a block at a time in kLanes
// lanes that the vector units run side by side: lane j makes the j-th
// kSegment outputs of each block, from the state the engine reaches there
// (jumps, not steps, get it there). The outputs are those of next(), one
// after the other; only the work is spread.
class XoshiroBlocks {
public:
    static constexpr int kLanes = 8;
    static constexpr int kSegment = 2048;
    static constexpr int kBlock = kLanes * kSegment;

    // The lanes run on isa's kernel (the baseline where the CPU lacks it);
    // every kernel gives the same outputs.
    explicit XoshiroBlocks(std::uint64_t seed, Isa isa = bestIsa());

    // Back to the start of seed's stream, keeping the buffer.
    void reseed(std::uint64_t seed);

    // The next count outputs into out, as 64-bit patterns (out may be an
    // array of doubles that takes them as bits).
    void fill(void* out, std::size_t count);

private:
    void refill();

    // Word w of lane j's state at lanes[w * kLanes + j], so that a word of
    // every lane loads as one vector.
    std::array<std::uint64_t, 4 * kLanes> lanes{};
    std::vector<std::uint64_t> block;
    std::size_t at = kBlock;
    Isa isa;
};

} // namespace corvane::signal
