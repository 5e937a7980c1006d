#include "analysis/Distortion.h"

#include "analysis/FrequencyBins.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <numbers>

namespace corvane::analysis {

namespace {

// The stretch of harmonic k, in frames relative to lag 0 of the linear
// response (negative: before it).
struct Stretch {
    double centre = 0.0;
    double before = 0.0;
    double after = 0.0;
};

Stretch stretchOf(const DistortionParams& p, int k)
{
    const double l = p.rateSeconds * p.sampleRate;
    const auto kd = static_cast<double>(k);
    Stretch s;
    s.centre = -l * std::log(kd);
    s.before = 0.5 * l * std::log((kd + 1.0) / kd);
    s.after = k == 1 ? 0.5 * l * std::log(2.0) : 0.5 * l * std::log(kd / (kd - 1.0));
    return s;
}

// The edges fall off over a fifth of each side's length.
std::unique_ptr<FrequencyBins> harmonicSpectrum(const SweepDeconvolver& d, const DistortionParams& p, int k)
{
    const Stretch s = stretchOf(p, k);
    const double lagZero = static_cast<double>(d.filterFrames() - 1);
    const auto first = static_cast<std::int64_t>(std::ceil(lagZero + s.centre - s.before));
    const auto last = static_cast<std::int64_t>(std::floor(lagZero + s.centre + s.after));
    const double centre = lagZero + s.centre;
    std::vector<double> frames(static_cast<std::size_t>(std::max<std::int64_t>(last - first + 1, 1)), 0.0);
    for (std::int64_t i = first; i <= last; ++i) {
        const double from = static_cast<double>(i) - centre;
        const double side = from < 0.0 ? s.before : s.after;
        const double edge = 0.2 * side;
        const double inside = side - std::fabs(from); // frames to the stretch's end
        double w = 1.0;
        if (inside < edge)
            w = 0.5 * (1.0 - std::cos(std::numbers::pi * std::max(inside, 0.0) / edge));
        frames[static_cast<std::size_t>(i - first)] = w * d.full(i);
    }
    return std::make_unique<FrequencyBins>(frames, std::llround(centre) - first, p.sampleRate);
}

} // namespace

std::int64_t distortionLeadFrames(const DistortionParams& p)
{
    const Stretch s = stretchOf(p, p.harmonics);
    return static_cast<std::int64_t>(std::ceil(-s.centre + s.before));
}

std::string distortionRefusal(const DistortionParams& p, std::int64_t sweepFrames, std::string_view remedy)
{
    const double top = std::min(p.toHz, 0.95 * p.sampleRate / 2.0);
    if (2.0 * p.fromHz >= top)
        return "the sweep's second harmonic lies wholly above " + std::to_string(top) + " Hz: nothing to measure";
    if (distortionLeadFrames(p) > sweepFrames - 1)
        return "the sweep is too short to hold harmonic " + std::to_string(p.harmonics) +
               "'s response before the linear one; " + std::string(remedy);
    return {};
}

HarmonicDistortion harmonicDistortion(const SweepDeconvolver& d, const DistortionParams& p)
{
    HarmonicDistortion r;
    r.sampleRate = p.sampleRate;
    const double top = std::min(p.toHz, 0.95 * p.sampleRate / 2.0);
    r.frequencyHz = logFrequencies(p.fromHz, top / 2.0);
    const auto fundamental = harmonicSpectrum(d, p, 1);
    std::vector<double> fundamentalPower;
    for (const double f : r.frequencyHz) {
        fundamentalPower.push_back(fundamental->power(f, p.smoothing));
        r.fundamentalDb.push_back(powerDb(fundamentalPower.back()));
    }
    std::vector<double> sum(r.frequencyHz.size(), 0.0);
    for (int k = 2; k <= p.harmonics; ++k) {
        const auto harmonic = harmonicSpectrum(d, p, k);
        std::vector<double> levels;
        for (std::size_t j = 0; j < r.frequencyHz.size(); ++j) {
            const double f = r.frequencyHz[j];
            if (f > top / k * (1.0 + 1e-12)) {
                levels.push_back(std::numeric_limits<double>::quiet_NaN());
                continue;
            }
            const double ratio = harmonic->power(k * f, p.smoothing) / fundamentalPower[j];
            sum[j] += std::isfinite(ratio) ? ratio : 0.0;
            levels.push_back(powerDb(ratio));
        }
        r.harmonicDb.push_back(std::move(levels));
    }
    for (const double s : sum)
        r.thdPercent.push_back(100.0 * std::sqrt(s));
    return r;
}

} // namespace corvane::analysis
