#include "analysis/Response.h"

#include "analysis/FrequencyBins.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace corvane::analysis {

namespace {

constexpr int kFractions[] = {1, 3, 6, 12, 24, 48};

} // namespace

std::span<const int> smoothingFractions()
{
    return kFractions;
}

FrequencyResponse frequencyResponse(std::span<const double> ir, double sampleRate, const ResponseParams& p)
{
    const auto total = static_cast<std::int64_t>(ir.size());
    const std::int64_t zero = std::clamp<std::int64_t>(p.lagZero, 0, total);
    std::vector<double> gated;
    std::span<const double> used = ir;
    if (p.windowFrames) {
        const std::int64_t after = std::min(*p.windowFrames, total - zero);
        gated.assign(ir.begin(), ir.begin() + static_cast<std::ptrdiff_t>(zero + after));
        // The taper's length is a tenth of the whole window, wherever it is cut.
        const std::int64_t taper = std::max<std::int64_t>(*p.windowFrames / 10, 1);
        const std::int64_t taperStart = zero + *p.windowFrames - taper;
        for (std::int64_t j = std::max(taperStart, zero); j < zero + after; ++j) {
            const double x = static_cast<double>(j - taperStart + 1) / static_cast<double>(taper + 1);
            gated[static_cast<std::size_t>(j)] *= 0.5 * (1.0 + std::cos(std::numbers::pi * x));
        }
        used = gated;
    }
    const FrequencyBins spectrum(used, zero, sampleRate);
    FrequencyResponse r;
    r.sampleRate = sampleRate;
    const double to = p.toHz > 0.0 ? p.toHz : sampleRate / 2.0;
    r.frequencyHz = logFrequencies(p.fromHz, to);
    for (const double f : r.frequencyHz) {
        const std::complex<double> value = spectrum.at(f);
        r.magnitudeDb.push_back(powerDb(spectrum.power(f, p.smoothing)));
        r.phaseDeg.push_back(std::arg(value) * 180.0 / std::numbers::pi);
    }
    return r;
}

} // namespace corvane::analysis
