#pragma once

#include "wavio/ByteSink.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

// Keeps every byte in memory and the size of each write. With failAtWrite set,
// that write (counting from 1) takes only keepOnFailure bytes and fails, like
// a disk that fills up in the middle of a block.
class MemorySink : public corvane::wavio::ByteSink {
public:
    bool write(const void* data, std::size_t byteCount) override
    {
        ++writeCount;
        if (beforeWrite)
            beforeWrite(writeCount);
        const auto* p = static_cast<const std::uint8_t*>(data);
        if (writeCount == failAtWrite) {
            const std::size_t kept = keepOnFailure < byteCount ? keepOnFailure : byteCount;
            bytes.insert(bytes.end(), p, p + kept);
            return false;
        }
        bytes.insert(bytes.end(), p, p + byteCount);
        writeSizes.push_back(byteCount);
        return true;
    }

    std::vector<std::uint8_t> bytes;
    std::vector<std::size_t> writeSizes;
    int writeCount = 0;
    int failAtWrite = 0;
    std::size_t keepOnFailure = 0;
    // Called with the write's number (from 1) before it lands.
    std::function<void(int)> beforeWrite;
};
