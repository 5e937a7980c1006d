// Maximum-length sequences: the two-valued autocorrelation of one period
// against a naive circular autocorrelation, and for every order that each
// nonzero window of n bits appears exactly once per period (which only a
// maximal register gives).

#include "signal/MlsGen.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using namespace corvane;

namespace {

std::vector<double> onePeriod(int order, double amplitude)
{
    signal::MlsGen gen;
    gen.setMls(order, amplitude, 1);
    std::vector<double> x(static_cast<std::size_t>((std::int64_t{1} << order) - 1));
    gen.fillFrames(0, x.data(), static_cast<int>(x.size()));
    return x;
}

} // namespace

TEST(MlsGen, CircularAutocorrelationIsTwoValued)
{
    for (int order = signal::kMinMlsOrder; order <= 12; ++order) {
        SCOPED_TRACE(order);
        const std::vector<double> x = onePeriod(order, 1.0);
        const auto p = static_cast<std::int64_t>(x.size());
        for (std::int64_t lag = 0; lag < p; ++lag) {
            double sum = 0.0;
            for (std::int64_t i = 0; i < p; ++i)
                sum += x[static_cast<std::size_t>(i)] * x[static_cast<std::size_t>((i + lag) % p)];
            ASSERT_EQ(sum, lag == 0 ? static_cast<double>(p) : -1.0) << "lag " << lag;
        }
    }
}

namespace {

// x^e modulo the polynomial of the given bits over GF(2).
std::uint64_t powMod(std::uint64_t e, std::uint64_t poly, int degree)
{
    const auto mulMod = [&](std::uint64_t a, std::uint64_t b) {
        std::uint64_t r = 0;
        for (; b != 0; b >>= 1) {
            if ((b & 1u) != 0)
                r ^= a;
            a <<= 1;
            if (((a >> degree) & 1u) != 0)
                a ^= poly;
        }
        return r;
    };
    std::uint64_t result = 1;
    std::uint64_t base = 2; // x
    for (; e != 0; e >>= 1) {
        if ((e & 1u) != 0)
            result = mulMod(result, base);
        base = mulMod(base, base);
    }
    return result;
}

} // namespace

// Every order's taps make a primitive polynomial: x has order exactly
// 2^n - 1 modulo it, so the register runs through every nonzero state.
TEST(MlsGen, TapsArePrimitivePolynomials)
{
    for (int order = signal::kMinMlsOrder; order <= signal::kMaxMlsOrder; ++order) {
        SCOPED_TRACE(order);
        std::uint64_t poly = 1;
        for (const int t : signal::mlsTaps(order))
            poly |= std::uint64_t{1} << t;
        ASSERT_EQ((poly >> order) & 1u, 1u);
        const std::uint64_t period = (std::uint64_t{1} << order) - 1;
        EXPECT_EQ(powMod(period, poly, order), 1u);
        std::uint64_t rest = period;
        for (std::uint64_t q = 2; rest > 1; ++q) {
            if (q * q > rest)
                q = rest; // what is left is prime
            if (rest % q != 0)
                continue;
            while (rest % q == 0)
                rest /= q;
            EXPECT_NE(powMod(period / q, poly, order), 1u) << "prime factor " << q;
        }
    }
}

// The generator's own use of the taps, where a full period is quick to walk.
TEST(MlsGen, EveryNonzeroWindowOncePerPeriod)
{
    for (int order = signal::kMinMlsOrder; order <= 16; ++order) {
        SCOPED_TRACE(order);
        const std::vector<double> x = onePeriod(order, 0.5);
        const auto p = static_cast<std::int64_t>(x.size());
        std::vector<std::uint8_t> seen(static_cast<std::size_t>(p + 1), false);
        std::uint32_t window = 0;
        const std::uint32_t mask = (1u << order) - 1;
        // The first order - 1 bits, then every window of the circular sequence.
        for (std::int64_t i = 0; i < order - 1; ++i)
            window = (window << 1) | (x[static_cast<std::size_t>(i)] > 0.0 ? 1u : 0u);
        for (std::int64_t i = 0; i < p; ++i) {
            const double v = x[static_cast<std::size_t>((i + order - 1) % p)];
            ASSERT_TRUE(v == 0.5 || v == -0.5);
            window = ((window << 1) | (v > 0.0 ? 1u : 0u)) & mask;
            ASSERT_NE(window, 0u) << "at " << i;
            ASSERT_EQ(seen[window], 0) << "window " << window << " twice, at " << i;
            seen[window] = 1;
        }
    }
}

TEST(MlsGen, RepeatsEveryPeriodWhateverTheBlocks)
{
    signal::MlsGen gen;
    gen.setMls(5, 2.0, 2);
    const int p = 31;
    std::vector<double> byNumber(200);
    gen.fillFrames(0, byNumber.data(), 200);
    for (int i = p; i < 200; ++i)
        ASSERT_EQ(byNumber[static_cast<std::size_t>(i)], byNumber[static_cast<std::size_t>(i - p)]);
    std::vector<double> left(200), right(200);
    for (int done = 0, block = 1; done < 200; done += block, block = block * 2 + 1) {
        block = std::min(block, 200 - done);
        ASSERT_EQ(gen.execStore(left.data() + done, right.data() + done, block), 0);
    }
    EXPECT_EQ(left, byNumber);
    EXPECT_EQ(right, byNumber);
}
