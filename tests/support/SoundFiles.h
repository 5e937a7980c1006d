#pragma once

// Sound files read and written through libsndfile, the peer the suites
// check our files against, as one vector of samples per channel.

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <filesystem>
#include <vector>

namespace {

struct Sound {
    int rate = 0;
    std::vector<std::vector<double>> channels;
};

inline void writeSound(const std::filesystem::path& path, const std::vector<std::vector<double>>& channels,
                       int format, int rate)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = static_cast<int>(channels.size());
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
    const std::size_t frames = channels.front().size();
    std::vector<double> interleaved(frames * channels.size());
    for (std::size_t i = 0; i < frames; ++i)
        for (std::size_t c = 0; c < channels.size(); ++c)
            interleaved[i * channels.size() + c] = channels[c][i];
    EXPECT_EQ(sf_writef_double(f, interleaved.data(), static_cast<sf_count_t>(frames)),
              static_cast<sf_count_t>(frames));
    sf_close(f);
}

inline Sound readSound(const std::filesystem::path& path)
{
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    EXPECT_NE(f, nullptr) << path << ": " << sf_strerror(nullptr);
    if (f == nullptr)
        return {};
    std::vector<double> x(static_cast<std::size_t>(info.frames * info.channels));
    EXPECT_EQ(sf_readf_double(f, x.data(), info.frames), info.frames);
    sf_close(f);
    Sound s;
    s.rate = info.samplerate;
    s.channels.assign(static_cast<std::size_t>(info.channels), {});
    for (std::size_t i = 0; i < x.size(); ++i)
        s.channels[i % s.channels.size()].push_back(x[i]);
    return s;
}

// Where the largest magnitude lies (the first of equals).
inline std::size_t peakIndex(const std::vector<double>& x)
{
    return static_cast<std::size_t>(
        std::max_element(x.begin(), x.end(), [](double a, double b) { return std::fabs(a) < std::fabs(b); }) -
        x.begin());
}

} // namespace
