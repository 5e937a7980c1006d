#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace corvane::analysis {

// A recording or impulse response read through libsndfile: WAV (plain and
// extensible), W64, RF64, AIFF, FLAC and the rest it knows, in any sample
// format and channel count; integer samples come scaled to +-1.0, float
// samples as they are stored.
class SoundFile {
public:
    SoundFile();
    ~SoundFile();
    SoundFile(const SoundFile&) = delete;
    SoundFile& operator=(const SoundFile&) = delete;

    // Empty on success, else why the file cannot be read (for the user).
    std::string open(const std::string& path);

    int sampleRate() const { return rate; }
    int channels() const { return channelCount; }
    std::int64_t frames() const { return frameCount; }

    // Reads channel (0-based) from the start, frames() values into out.
    // Empty on success, else why the read failed.
    std::string readChannel(int channel, double* out);

private:
    struct Handle;
    std::unique_ptr<Handle> handle;
    std::string name;
    int rate = 0;
    int channelCount = 0;
    std::int64_t frameCount = 0;
};

} // namespace corvane::analysis
