#include "wavio/ByteSource.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace corvane::wavio {

FileSource::~FileSource()
{
    close();
}

int FileSource::open(const std::string& path)
{
    close();
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    return fd < 0 ? errno : 0;
}

std::size_t FileSource::read(void* data, std::size_t byteCount)
{
    if (fd < 0)
        return 0;
    auto* p = static_cast<char*>(data);
    std::size_t done = 0;
    while (done < byteCount) {
        const ssize_t n = ::read(fd, p + done, byteCount - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

int FileSource::close()
{
    if (fd < 0)
        return 0;
    const int result = ::close(fd);
    fd = -1;
    return result == 0 ? 0 : errno;
}

std::size_t MemorySource::read(void* data, std::size_t byteCount)
{
    const std::size_t n = std::min(byteCount, bytes.size() - offset);
    if (n > 0)
        std::memcpy(data, bytes.data() + offset, n);
    offset += n;
    return n;
}

} // namespace corvane::wavio
