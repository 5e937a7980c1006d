#pragma once

#include "wavio/ByteSink.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>

namespace corvane::wavio {

// Every file this program writes goes through here, so that its target ends
// up either whole and new or exactly as it was (absent, or its old bytes).
//
// A regular target (or one that does not exist yet) is written to a
// temporary file beside it, ".NAME.corvane-XXXXXX", which commit() flushes to
// the disk, closes and renames over the target; discard() removes it. For a
// symbolic link the temporary file goes beside the file the link points to,
// and that file is replaced, so the link stays a link. A replaced file keeps
// its permission bits (and its owner, where the process may set it).
//
// Targets that are not regular files are written directly and never renamed
// or removed: "-" and /dev/stdout are the process's standard output,
// /dev/stderr, /dev/fd/N and /proc/self/fd/N the descriptor they name, and
// devices such as /dev/null or a FIFO are opened by name.
//
// One thread at a time; the writing thread may own it between open() and the
// end of its last write, the opener calls commit() or discard() after that.
class ReplaceFile final : public ByteSink {
public:
    ReplaceFile() = default;
    // Whatever was not committed is discarded.
    ~ReplaceFile() override;
    ReplaceFile(const ReplaceFile&) = delete;
    ReplaceFile& operator=(const ReplaceFile&) = delete;

    // Creates the temporary file (or opens a direct target). 0, or the errno
    // value that explains the failure; an existing target that this process
    // may not write is refused with EACCES, as opening it would be.
    int open(const std::string& target);
    bool write(const void* data, std::size_t byteCount) override;
    // Flushes, closes and renames: 0, or the errno value of the step that
    // failed, after which the temporary file is gone and the target untouched.
    int commit();
    // The first half of commit(): flushes the temporary file to the disk and
    // closes it (a direct target is only closed), so that several files can
    // all be made ready before any of them is renamed. 0, or the errno value
    // of the step that failed, after which the file is discarded. commit()
    // then only renames.
    int prepare();
    // Closes and removes the temporary file: 0, or the errno value of a
    // failed removal (a temporary file that is already gone counts: something
    // else took it). A direct target is only closed.
    int discard();

    bool isOpen() const { return fd >= 0; }
    bool isPrepared() const { return prepared; }
    bool writesDirectly() const { return direct; }
    // The errno value of the first failed write, 0 if none failed.
    int writeError() const { return firstWriteError; }
    // Empty for a direct target or once committed or discarded.
    const std::string& temporaryPath() const { return temporary; }

private:
    int closeFile();

    int fd = -1;
    bool ownsFd = false;
    bool direct = false;
    bool keepMode = false;
    bool prepared = false;
    mode_t mode = 0;
    uid_t owner = 0;
    gid_t group = 0;
    int firstWriteError = 0;
    // Bytes written, and how far the disk has been asked to write them back.
    static constexpr std::uint64_t kWritebackBytes = 2u << 20;
    std::uint64_t written = 0;
    std::uint64_t kicked = 0;
    std::string finalPath;
    std::string temporary;
};

// Stores byteCount bytes as the whole new content of path by the rules above:
// 0, or the errno value of the failure (the target then stays as it was).
int replaceFileContents(const std::string& path, const void* data, std::size_t byteCount);

} // namespace corvane::wavio
