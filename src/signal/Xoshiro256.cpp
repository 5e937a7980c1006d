#include "signal/Xoshiro256.h"

#include <algorithm>
#include <cstring>

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
    jump(State{kJump[0], kJump[1], kJump[2], kJump[3]});
}

// By Cayley-Hamilton, stepping distance times is applying the polynomial
// x^distance mod P to the step: the sum of the states after k steps over the
// polynomial's terms x^k.
void Xoshiro256::jump(const State& polynomial)
{
    State acc{};
    for (const std::uint64_t word : polynomial) {
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

namespace {

using Lanes = std::uint64_t __attribute__((vector_size(8 * XoshiroBlocks::kLanes)));

// After a block each lane stands where the next lane began; the next block
// starts kBlock on from this one.
constexpr Xoshiro256::State kSegmentJump = Xoshiro256::jumpPolynomial(XoshiroBlocks::kSegment);
constexpr Xoshiro256::State kToNextBlock =
    Xoshiro256::jumpPolynomial(std::uint64_t{XoshiroBlocks::kLanes - 1} * XoshiroBlocks::kSegment);

// In place: a vector passed or returned by value changes the calling
// convention between the instruction sets.
[[gnu::always_inline]] inline void rotateLeft(Lanes& x, int k)
{
    x = (x << k) | (x >> (64 - k));
}

[[gnu::always_inline]] inline void step(Lanes& s0, Lanes& s1, Lanes& s2, Lanes& s3)
{
    const Lanes t = s1 << 17;
    s2 ^= s0;
    s3 ^= s1;
    s1 ^= s2;
    s0 ^= s3;
    s2 ^= t;
    rotateLeft(s3, 45);
}

// One block from the lanes' states (word w of lane j at state[w * kLanes + j]),
// then every lane jumps to its place in the next block. The products by 5
// and 9 are shifts and adds, which every vector unit has.
[[gnu::always_inline]] inline void blockKernel(std::uint64_t* state, std::uint64_t* out)
{
    constexpr int kLanes = XoshiroBlocks::kLanes;
    constexpr int kSegment = XoshiroBlocks::kSegment;
    Lanes s[4];
    std::memcpy(s, state, sizeof s);
    for (int m = 0; m < kSegment; ++m) {
        Lanes r = s[1] + (s[1] << 2);
        rotateLeft(r, 7);
        r += r << 3;
        for (int j = 0; j < kLanes; ++j)
            out[j * kSegment + m] = r[j];
        step(s[0], s[1], s[2], s[3]);
    }
    Lanes acc[4] = {};
    for (const std::uint64_t word : kToNextBlock) {
        for (int b = 0; b < 64; ++b) {
            if ((word >> b) & 1u) {
                for (int w = 0; w < 4; ++w)
                    acc[w] ^= s[w];
            }
            step(s[0], s[1], s[2], s[3]);
        }
    }
    std::memcpy(state, acc, sizeof acc);
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

XoshiroBlocks::XoshiroBlocks(std::uint64_t seed, Isa kernel)
    : block(kBlock), isa(isaSupported(kernel) ? kernel : Isa::Baseline)
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
    switch (isa) {
    case Isa::Avx512: blockAvx512(lanes.data(), block.data()); break;
    case Isa::Avx2: blockAvx2(lanes.data(), block.data()); break;
    default: blockBaseline(lanes.data(), block.data()); break;
    }
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
