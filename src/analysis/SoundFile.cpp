#include "analysis/SoundFile.h"

#include <sndfile.h>

#include <algorithm>
#include <vector>

namespace corvane::analysis {

struct SoundFile::Handle {
    SNDFILE* file = nullptr;
    ~Handle()
    {
        if (file != nullptr)
            sf_close(file);
    }
};

SoundFile::SoundFile() = default;
SoundFile::~SoundFile() = default;

std::string SoundFile::open(const std::string& path)
{
    handle = std::make_unique<Handle>();
    name = path;
    SF_INFO info{};
    handle->file = sf_open(path.c_str(), SFM_READ, &info);
    if (handle->file == nullptr)
        return "cannot read '" + path + "': " + sf_strerror(nullptr);
    if (info.samplerate <= 0 || info.channels <= 0 || info.frames < 0)
        return "cannot read '" + path + "': it has no usable rate, channels or length";
    rate = info.samplerate;
    channelCount = info.channels;
    frameCount = info.frames;
    return {};
}

std::string SoundFile::readChannel(int channel, double* out)
{
    if (!handle || handle->file == nullptr || channel < 0 || channel >= channelCount)
        return "cannot read '" + name + "': no such channel";
    if (sf_seek(handle->file, 0, SEEK_SET) < 0)
        return "cannot read '" + name + "': " + sf_strerror(handle->file);
    constexpr sf_count_t kBlockFrames = 8192;
    const auto stride = static_cast<std::size_t>(channelCount);
    std::vector<double> block(static_cast<std::size_t>(kBlockFrames) * stride);
    std::int64_t done = 0;
    while (done < frameCount) {
        const sf_count_t want = std::min<sf_count_t>(kBlockFrames, frameCount - done);
        const sf_count_t got = sf_readf_double(handle->file, block.data(), want);
        if (got != want) {
            const int e = sf_error(handle->file);
            return "cannot read '" + name + "': " +
                   (e != SF_ERR_NO_ERROR ? std::string(sf_strerror(handle->file))
                                         : std::string("the file ends before its stated length"));
        }
        const double* from = block.data() + channel;
        double* to = out + done;
        for (sf_count_t i = 0; i < got; ++i)
            to[i] = from[static_cast<std::size_t>(i) * stride];
        done += got;
    }
    return {};
}

} // namespace corvane::analysis
