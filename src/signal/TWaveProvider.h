#pragma once

// Abstract source of sample blocks. Whoever needs samples asks a provider to
// fill caller-owned arrays with the next dataSize samples, in one of five
// sample types, mono (one array) or stereo (left and right arrays).
//
// Every fill returns 0 or more on success and a negated catalogue number on
// failure. The base versions write nothing and return 0.
class TWaveProvider {
public:
    // Sample type codes, shared with the file writer.
    enum DataType : char { Int8 = 0, Int16 = 1, Int32 = 2, Float32 = 3, Float64 = 4 };

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

protected:
    TWaveProvider() = default;
    TWaveProvider(const TWaveProvider&) = default;
    TWaveProvider& operator=(const TWaveProvider&) = default;

    int maxBlockSize = 0;
    int numCh = 0;
};
