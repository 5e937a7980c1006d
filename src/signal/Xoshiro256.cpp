#include "signal/Xoshiro256.h"

namespace corvane::signal {
namespace {

// The engine's published jump polynomial for 2^128 steps.
constexpr std::uint64_t kJump[4] = {0x180ec6d33cfd0abaULL, 0xd5a61266f0c9392cULL, 0xa9582618e03fc9aaULL,
                                    0x39abdc4529b1661cULL};

} // namespace

std::uint64_t splitMix64(std::uint64_t& state)
{
    std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

Xoshiro256::Xoshiro256(std::uint64_t seed)
{
    std::uint64_t sm = seed;
    for (std::uint64_t& word : s)
        word = splitMix64(sm);
}

Xoshiro256 Xoshiro256::fromState(const State& state)
{
    Xoshiro256 r;
    r.s = state;
    return r;
}

double Xoshiro256::nextDouble()
{
    return static_cast<double>(next() >> 11) * 0x1.0p-53;
}

void Xoshiro256::jump()
{
    State acc{};
    for (const std::uint64_t word : kJump) {
        for (int b = 0; b < 64; ++b) {
            if (word & (std::uint64_t{1} << b)) {
                for (int i = 0; i < 4; ++i)
                    acc[static_cast<std::size_t>(i)] ^= s[static_cast<std::size_t>(i)];
            }
            next();
        }
    }
    s = acc;
}

} // namespace corvane::signal
