#include "signal/Xoshiro256.h"

#include <algorithm>
#include <cstring>

namespace corvane::signal {
namespace {

// The engine's published jump polynomial for 2^128 steps.
constexpr Xoshiro256::State kJump = {0x180ec6d33cfd0abaULL, 0xd5a61266f0c9392cULL, 0xa9582618e03fc9aaULL,
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
    jump(kJump);
}

void Xoshiro256::jump(const State& polynomial)
{
    detail::jumpState(s[0], s[1], s[2], s[3], polynomial);
}

namespace {

using Lanes = std::uint64_t __attribute__((vector_size(8 * XoshiroBlocks::kLanes)));

// After a block each lane stands where the next lane began; the next block
// starts kBlock on from this one.
constexpr Xoshiro256::State kSegmentJump = Xoshiro256::jumpPolynomial(XoshiroBlocks::kSegment);
constexpr Xoshiro256::State kToNextBlock =
    Xoshiro256::jumpPolynomial(std::uint64_t{XoshiroBlocks::kLanes - 1} * XoshiroBlocks::kSegment);

// One block from the lanes' states (word w of lane j at state[w * kLanes + j]),
// then every lane jumps to its place in the next block.
[[gnu::always_inline]] inline void blockKernel(std::uint64_t* state, std::uint64_t* out)
{
    constexpr int kLanes = XoshiroBlocks::kLanes;
    constexpr int kSegment = XoshiroBlocks::kSegment;
    Lanes s[4];
    std::memcpy(s, state, sizeof s);
    for (int m = 0; m < kSegment; ++m) {
        Lanes r;
        detail::scramble(s[1], r);
        for (int j = 0; j < kLanes; ++j)
            out[j * kSegment + m] = r[j];
        detail::advance(s[0], s[1], s[2], s[3]);
    }
    detail::jumpState(s[0], s[1], s[2], s[3], kToNextBlock);
    std::memcpy(state, s, sizeof s);
}

void blockBaseline(std::uint64_t* state, std::uint64_t* out)
{
    blockKernel(state, out);
}

[[gnu::target("avx2")]] void blockAvx2(std::uint64_t* state, std::uint64_t* out)
{
    blockKernel(state, out);
}

[[gnu::target("avx512f,avx512dq,avx512vl,avx512bw")]] void blockAvx512(std::uint64_t* state, std::uint64_t* out)
{
    blockKernel(state, out);
}

} // namespace

XoshiroBlocks::XoshiroBlocks(std::uint64_t seed, Isa kernel) : block(kBlock), isa(kernel)
{
    reseed(seed);
}

void XoshiroBlocks::reseed(std::uint64_t seed)
{
    at = block.size();
    Xoshiro256 lane(seed);
    for (int j = 0; j < kLanes; ++j) {
        if (j > 0)
            lane.jump(kSegmentJump);
        for (int w = 0; w < 4; ++w)
            lanes[static_cast<std::size_t>(w * kLanes + j)] = lane.state()[static_cast<std::size_t>(w)];
    }
}

void XoshiroBlocks::refill()
{
    pickIsa(isa, blockBaseline, blockAvx2, blockAvx512)(lanes.data(), block.data());
    at = 0;
}

void XoshiroBlocks::fill(void* out, std::size_t count)
{
    auto* bytes = static_cast<unsigned char*>(out);
    while (count > 0) {
        if (at == block.size())
            refill();
        const std::size_t n = std::min(count, block.size() - at);
        std::memcpy(bytes, block.data() + at, n * sizeof(std::uint64_t));
        at += n;
        bytes += n * sizeof(std::uint64_t);
        count -= n;
    }
}

} // namespace corvane::signal
