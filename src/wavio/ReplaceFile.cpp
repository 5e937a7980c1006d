#include "wavio/ReplaceFile.h"

#include <array>
#include <cerrno>
#include <climits>
#include <ctime>
#include <fcntl.h>
#include <optional>
#include <string_view>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane::wavio {

namespace {

// Paths that name one of this process's descriptors. Opening them by name
// would reach the file behind the descriptor through a new open file
// description, at offset 0 and past the shell's append mode, and replacing
// that file would leave the descriptor pointing at the old one.
std::optional<int> descriptorOfPath(std::string_view path)
{
    if (path == "-" || path == "/dev/stdout")
        return STDOUT_FILENO;
    if (path == "/dev/stderr")
        return STDERR_FILENO;
    for (const std::string_view prefix : {std::string_view("/dev/fd/"), std::string_view("/proc/self/fd/")}) {
        if (path.substr(0, prefix.size()) != prefix)
            continue;
        const std::string_view digits = path.substr(prefix.size());
        if (digits.empty() || digits.size() > 6)
            return std::nullopt;
        int n = 0;
        for (const char c : digits) {
            if (c < '0' || c > '9')
                return std::nullopt;
            n = n * 10 + (c - '0');
        }
        return n;
    }
    return std::nullopt;
}

std::string folderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string baseOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Follows symbolic links to the file they finally name, which may not exist
// yet (a link to a file still to be written). 0, or an errno value.
int resolveLinks(const std::string& path, std::string& resolved)
{
    resolved = path;
    // As many hops as the kernel allows before it says ELOOP.
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(resolved.c_str(), &st) != 0)
            return errno == ENOENT ? 0 : errno;
        if (!S_ISLNK(st.st_mode))
            return 0;
        std::array<char, PATH_MAX> buffer{};
        const ssize_t n = ::readlink(resolved.c_str(), buffer.data(), buffer.size());
        if (n < 0)
            return errno;
        if (static_cast<std::size_t>(n) >= buffer.size())
            return ENAMETOOLONG;
        std::string next(buffer.data(), static_cast<std::size_t>(n));
        if (next.empty())
            return ENOENT;
        if (next.front() != '/') {
            const auto slash = resolved.find_last_of('/');
            next = slash == std::string::npos ? next : resolved.substr(0, slash + 1) + next;
        }
        resolved = std::move(next);
    }
    return ELOOP;
}

// Six letters or digits; the name only has to be new in its folder, and
// O_EXCL checks that.
std::string randomSuffix()
{
    static constexpr std::string_view kLetters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::array<unsigned char, 6> bytes{};
    if (::getrandom(bytes.data(), bytes.size(), GRND_NONBLOCK) != static_cast<ssize_t>(bytes.size())) {
        // No entropy yet: the pid and the clock still make clashes rare.
        auto seed = static_cast<unsigned long long>(::getpid()) * 2654435761ULL ^
                    static_cast<unsigned long long>(::time(nullptr));
        for (auto& b : bytes) {
            seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
            b = static_cast<unsigned char>(seed >> 56);
        }
    }
    std::string suffix;
    for (const unsigned char b : bytes)
        suffix += kLetters[b % kLetters.size()];
    return suffix;
}

// The temporary name: ".NAME.corvane-XXXXXX", shortened so that it still
// fits a file name when NAME itself is long.
std::string temporaryName(const std::string& folder, std::string base)
{
    constexpr std::size_t kExtra = std::string_view(".").size() + std::string_view(".corvane-XXXXXX").size();
    constexpr std::size_t kNameMax = 255;
    if (base.size() > kNameMax - kExtra)
        base.resize(kNameMax - kExtra);
    return (folder == "/" ? std::string() : folder) + "/." + base + ".corvane-" + randomSuffix();
}

} // namespace

ReplaceFile::~ReplaceFile()
{
    discard();
}

int ReplaceFile::open(const std::string& target)
{
    discard();
    firstWriteError = 0;
    written = 0;
    kicked = 0;
    keepMode = false;
    direct = false;
    prepared = false;

    if (const auto descriptor = descriptorOfPath(target)) {
        if (::fcntl(*descriptor, F_GETFD) < 0)
            return errno;
        fd = *descriptor;
        ownsFd = false;
        direct = true;
        return 0;
    }

    if (const int e = resolveLinks(target, finalPath); e != 0)
        return e;
    struct stat st {};
    if (::stat(finalPath.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            // A device, a FIFO (which waits here for its reader) or a folder,
            // whose open fails with EISDIR.
            fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
            if (fd < 0)
                return errno;
            ownsFd = true;
            direct = true;
            return 0;
        }
        // Replacing needs only the folder's permission, but a file the user
        // may not write should not change under them.
        if (::faccessat(AT_FDCWD, finalPath.c_str(), W_OK, AT_EACCESS) != 0)
            return errno;
        keepMode = true;
        mode = st.st_mode & 07777;
        owner = st.st_uid;
        group = st.st_gid;
    } else if (errno != ENOENT) {
        return errno;
    }

    const std::string folder = folderOf(finalPath);
    const std::string base = baseOf(finalPath);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = temporaryName(folder, base);
        // 0666 less the umask, as a newly created target would get.
        fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            temporary = std::move(name);
            ownsFd = true;
            break;
        }
        if (errno != EEXIST)
            return errno;
    }
    if (fd < 0)
        return EEXIST;
    if (keepMode) {
        struct stat mine {};
        // Only root may give a file away; anyone else keeps their own.
        if (::fstat(fd, &mine) == 0 && (mine.st_uid != owner || mine.st_gid != group))
            (void)!::fchown(fd, owner, group);
        if (::fchmod(fd, mode) != 0) {
            const int e = errno;
            discard();
            return e;
        }
    }
    return 0;
}

bool ReplaceFile::write(const void* data, std::size_t byteCount)
{
    if (fd < 0)
        return false;
    if (firstWriteError != 0)
        return false;
    firstWriteError = writeAll(fd, data, byteCount);
    if (firstWriteError != 0)
        return false;
    written += byteCount;
    // Start the disk on what is written so far while the next bytes are
    // computed, so that the flush before the rename has only the tail left
    // to wait for. Advisory: a failure here shows up at that flush.
    if (!direct && written - kicked >= kWritebackBytes) {
        (void)::sync_file_range(fd, static_cast<off_t>(kicked), static_cast<off_t>(written - kicked),
                                SYNC_FILE_RANGE_WRITE);
        kicked = written;
    }
    return true;
}

int ReplaceFile::closeFile()
{
    if (fd < 0)
        return 0;
    int e = 0;
    if (ownsFd && ::close(fd) != 0)
        e = errno;
    fd = -1;
    ownsFd = false;
    return e;
}

int ReplaceFile::prepare()
{
    if (prepared)
        return 0;
    if (direct) {
        const int w = firstWriteError;
        const int c = closeFile();
        if (w != 0 || c != 0) {
            direct = false;
            return w != 0 ? w : c;
        }
        prepared = true;
        return 0;
    }
    if (temporary.empty())
        return EBADF;
    if (firstWriteError != 0) {
        const int e = firstWriteError;
        discard();
        return e;
    }
    // The bytes must be on the disk before the name points at them, or a
    // crash could leave an empty or partial file under the target's name.
    int e = ::fsync(fd) == 0 ? 0 : errno;
    if (const int c = closeFile(); e == 0)
        e = c;
    if (e != 0) {
        discard();
        return e;
    }
    prepared = true;
    return 0;
}

int ReplaceFile::commit()
{
    if (const int e = prepare(); e != 0)
        return e;
    prepared = false;
    if (direct) {
        direct = false;
        return 0;
    }
    if (::rename(temporary.c_str(), finalPath.c_str()) != 0) {
        const int e = errno;
        discard();
        return e;
    }
    temporary.clear();
    // The rename itself lasts once the folder is on the disk; a folder that
    // cannot be opened or synced still holds the new name.
    const int folderFd = ::open(folderOf(finalPath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folderFd >= 0) {
        (void)::fsync(folderFd);
        ::close(folderFd);
    }
    return 0;
}

int ReplaceFile::discard()
{
    closeFile();
    direct = false;
    prepared = false;
    if (temporary.empty())
        return 0;
    const int e = ::unlink(temporary.c_str()) == 0 ? 0 : errno;
    temporary.clear();
    return e;
}

int replaceFileContents(const std::string& path, const void* data, std::size_t byteCount)
{
    ReplaceFile file;
    if (const int e = file.open(path); e != 0)
        return e;
    if (!file.write(data, byteCount))
        return file.writeError();
    return file.commit();
}

} // namespace corvane::wavio
