#include "analysis/FrequencyBins.h"

#include "analysis/Fft.h"

#include <algorithm>
#include <cmath>

namespace corvane::analysis {

namespace {

constexpr std::size_t kMinTransform = 1 << 16;
constexpr int kPointsPerOctave = 48;

} // namespace

FrequencyBins::FrequencyBins(std::span<const double> frames, std::int64_t lagZero, double sampleRate)
    : rate(sampleRate)
{
    const std::size_t n = frames.size();
    const auto zero = static_cast<std::size_t>(std::clamp<std::int64_t>(lagZero, 0, static_cast<std::int64_t>(n)));
    RealFft fft(RealFft::fastSize(std::max(2 * n, kMinTransform)));
    size = fft.size();
    // Lag 0 goes to the transform's start and what comes before it wraps to
    // the end, so the phase carries no ramp of its position.
    std::vector<double> work(size, 0.0);
    std::copy(frames.begin() + static_cast<std::ptrdiff_t>(zero), frames.end(), work.begin());
    std::copy(frames.begin(), frames.begin() + static_cast<std::ptrdiff_t>(zero),
              work.end() - static_cast<std::ptrdiff_t>(zero));
    bins.resize(fft.bins());
    fft.forward(work.data(), bins.data());
    powerSums.resize(bins.size() + 1);
    powerSums[0] = 0.0;
    for (std::size_t k = 0; k < bins.size(); ++k)
        powerSums[k + 1] = powerSums[k] + std::norm(bins[k]);
}

std::complex<double> FrequencyBins::at(double hz) const
{
    const double x = hz / binHz();
    if (!(x >= 0.0) || x > static_cast<double>(bins.size() - 1))
        return 0.0;
    const auto k = static_cast<std::size_t>(x);
    if (k + 1 >= bins.size())
        return bins.back();
    const double t = x - static_cast<double>(k);
    return bins[k] * (1.0 - t) + bins[k + 1] * t;
}

// The power summed from the start of bin 0 to position bin, where bin k
// covers k - 0.5 .. k + 0.5.
double FrequencyBins::cumulative(double bin) const
{
    const double x = std::clamp(bin + 0.5, 0.0, static_cast<double>(bins.size()));
    const auto whole = static_cast<std::size_t>(x);
    double sum = powerSums[whole];
    if (whole < bins.size())
        sum += (x - static_cast<double>(whole)) * std::norm(bins[whole]);
    return sum;
}

double FrequencyBins::power(double hz, int fraction) const
{
    if (fraction > 0) {
        const double half = std::exp2(0.5 / fraction);
        // A band reaching past half the rate averages what lies below it.
        const double lo = std::max(hz / half / binHz(), -0.5);
        const double hi = std::min(hz * half / binHz(), static_cast<double>(bins.size()) - 0.5);
        if (hi - lo >= 2.0)
            return (cumulative(hi) - cumulative(lo)) / (hi - lo);
    }
    return std::norm(at(hz));
}

std::vector<double> logFrequencies(double fromHz, double toHz)
{
    std::vector<double> points;
    if (!(fromHz > 0.0) || !(toHz >= fromHz))
        return points;
    for (int j = 0;; ++j) {
        const double f = fromHz * std::exp2(static_cast<double>(j) / kPointsPerOctave);
        if (f > toHz * (1.0 + 1e-12))
            break;
        points.push_back(f);
    }
    return points;
}

double powerDb(double power)
{
    constexpr double kFloorDb = -400.0;
    if (!(power > 1e-40))
        return kFloorDb;
    return 10.0 * std::log10(power);
}

} // namespace corvane::analysis
