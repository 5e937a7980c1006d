#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace corvane::wavio {

// Where the WAV reader takes its bytes from: a file here, memory in tests.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to byteCount bytes; fewer only at the end of the data or on an
    // error. Returns the count read.
    virtual std::size_t read(void* data, std::size_t byteCount) = 0;
    // 0 on success, else an errno value.
    virtual int close() { return 0; }

protected:
    ByteSource() = default;
    ByteSource(const ByteSource&) = default;
    ByteSource& operator=(const ByteSource&) = default;
};

// An existing file opened for reading.
class FileSource final : public ByteSource {
public:
    FileSource() = default;
    ~FileSource() override;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    // 0 on success, else the errno value that explains the failure.
    int open(const std::string& path);
    std::size_t read(void* data, std::size_t byteCount) override;
    int close() override;

private:
    int fd = -1;
};

// Bytes held by the caller; they must outlive the source.
class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::span<const std::uint8_t> data) : bytes(data) {}
    std::size_t read(void* data, std::size_t byteCount) override;

private:
    std::span<const std::uint8_t> bytes;
    std::size_t offset = 0;
};

} // namespace corvane::wavio
