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

bool FileSink::write(const void* data, std::size_t byteCount)
{
    if (fd < 0)
        return false;
    const auto* p = static_cast<const char*>(data);
    while (byteCount > 0) {
        const ssize_t n = ::write(fd, p, byteCount);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            return false;
        p += n;
        byteCount -= static_cast<std::size_t>(n);
    }
    return true;
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
