#include "wavio/ByteSink.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace corvane::wavio {

FileSink::~FileSink()
{
    close();
}

int FileSink::create(const std::string& path)
{
    close();
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    return fd < 0 ? errno : 0;
}

int writeAll(int fd, const void* data, std::size_t byteCount)
{
    const auto* p = static_cast<const char*>(data);
    while (byteCount > 0) {
        const ssize_t n = ::write(fd, p, byteCount);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            return ENOSPC;
        p += n;
        byteCount -= static_cast<std::size_t>(n);
    }
    return 0;
}

bool FileSink::write(const void* data, std::size_t byteCount)
{
    return fd >= 0 && writeAll(fd, data, byteCount) == 0;
}

int FileSink::close()
{
    if (fd < 0)
        return 0;
    const int result = ::close(fd);
    fd = -1;
    return result == 0 ? 0 : errno;
}

} // namespace corvane::wavio
