#pragma once

#include "core/CodeSets.h"

#include <cstdint>
#include <optional>

namespace corvane::signal {

// Abstract source of sample blocks. Whoever needs samples asks a provider to
// fill caller-owned arrays with the next dataSize samples, in one of five
// sample types, mono (one array) or stereo (left and right arrays).
//
// Every fill returns 0 or more on success and a negated catalogue number on
// failure. The base versions write nothing and return 0.
class TWaveProvider {
public:
    // Sample type codes, shared with the file writer.
    static constexpr char Int8 = static_cast<char>(core::SampleType::Int8);
    static constexpr char Int16 = static_cast<char>(core::SampleType::Int16);
    static constexpr char Int32 = static_cast<char>(core::SampleType::Int32);
    static constexpr char Float32 = static_cast<char>(core::SampleType::Float32);
    static constexpr char Float64 = static_cast<char>(core::SampleType::Float64);

    virtual ~TWaveProvider() = default;

    virtual int execStore(double* data, int dataSize);
    virtual int execStore(double* left, double* right, int dataSize);
    virtual int execStore(float* data, int dataSize);
    virtual int execStore(float* left, float* right, int dataSize);
    virtual int execStore(int* data, int dataSize);
    virtual int execStore(int* left, int* right, int dataSize);
    virtual int execStore(short* data, int dataSize);
    virtual int execStore(short* left, short* right, int dataSize);
    virtual int execStore(char* data, int dataSize);
    virtual int execStore(char* left, char* right, int dataSize);

    // Largest dataSize one fill accepts; 0 means no limit.
    virtual int getMaxBlockSize(char dataType, int numCh);

    // A stereo provider whose two channels carry the same samples, always,
    // may say so; then a writer can ask it for one array of doubles that
    // stands for both (execStoreIdentical, as the stereo fill's left) and
    // skip copying and comparing the right one. The base: no, and kChannelCountIncorrect.
    virtual bool identicalChannels() const { return false; }
    virtual int execStoreIdentical(double* data, int dataSize);

    // What else a provider can do, declared here so that writers and chains
    // never need to know its class. A class that derives from a provider and
    // changes its samples must withdraw the capabilities whose samples it
    // changes (override them to say no).

    // Back to the first frame, for a player that loops the signal; a provider
    // that wraps another restarts it too. False (and nothing happens) for one
    // that cannot.
    virtual bool restart() { return false; }

    // A sine whose samples are amplitude * sin(phase) for the phases that
    // execStorePhases hands out: a writer may take those and compute the
    // samples itself. The amplitude, or nothing when the samples are not
    // such a sine.
    virtual std::optional<double> sineAmplitude() const { return std::nullopt; }
    // The phases of the next dataSize frames instead of their values,
    // advancing the provider exactly as a fill of that layout would. The
    // base: kChannelCountIncorrect.
    virtual int execStorePhases(double* phases, int dataSize, int channels);

    // Frames that depend on their number alone: fillFrames computes any
    // stretch of one channel's values (a stereo provider carries the same in
    // both) without moving the position, so several threads may compute
    // parts of one stretch at once; takeFrames moves the position on by count
    // and returns where it was. The base has no such frames and fills zeros.
    virtual bool framesByNumber() const { return false; }
    virtual void fillFrames(std::int64_t first, double* out, int count) const;
    virtual std::int64_t takeFrames(int count);

protected:
    TWaveProvider() = default;
    TWaveProvider(const TWaveProvider&) = default;
    TWaveProvider& operator=(const TWaveProvider&) = default;

    int maxBlockSize = 0;
    int numCh = 0;
};

} // namespace corvane::signal
