#pragma once

#include <cstddef>
#include <string>

namespace corvane::wavio {

// Where the WAV writer puts its bytes: a file here, memory in tests.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    // Writes all byteCount bytes or reports failure; a short write is a failure.
    virtual bool write(const void* data, std::size_t byteCount) = 0;

protected:
    ByteSink() = default;
    ByteSink(const ByteSink&) = default;
    ByteSink& operator=(const ByteSink&) = default;
};

// Writes all byteCount bytes to the descriptor, going on after interrupted
// or partial writes: 0, or the errno value of the failure (ENOSPC for a write
// that took nothing).
int writeAll(int fd, const void* data, std::size_t byteCount);

// An output file opened for writing, created empty or emptied if it exists.
class FileSink final : public ByteSink {
public:
    FileSink() = default;
    ~FileSink() override;
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    // 0 on success, else the errno value that explains the failure.
    int create(const std::string& path);
    bool write(const void* data, std::size_t byteCount) override;
    // 0 on success, else errno; a delayed write error can show up only here.
    int close();
    bool isOpen() const { return fd >= 0; }

private:
    int fd = -1;
};

} // namespace corvane::wavio
