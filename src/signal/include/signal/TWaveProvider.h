#pragma once

#include "core/CodeSets.h"

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

protected:
    TWaveProvider() = default;
    TWaveProvider(const TWaveProvider&) = default;
    TWaveProvider& operator=(const TWaveProvider&) = default;

    int maxBlockSize = 0;
    int numCh = 0;
};

} // namespace corvane::signal
