// POSIX version. A Windows build keeps the same steps with CreateFile, WriteFile,
// FlushFileBuffers and MoveFileEx(MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH).
//
// Nothing here allocates: the game reads its records file on every frame of the score display,
// and a forked test child may save from here.
#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace shardfall {

namespace {

int openRetrying(const char* path, int flags, mode_t mode = 0) {
    int fd;
    do {
        fd = ::open(path, flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

bool writeAll(int fd, std::span<const std::byte> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        // A full disk or a file size limit shows as a short write first and an error next.
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return false;
        }
    }
    return true;
}

// The rename is only durable once the folder's entry is on disk too. Some file systems refuse
// fsync on a folder; by then the new file is in place and there is nothing left to undo, so
// this is done on a best-effort basis.
void syncFolderOf(const char* path) {
    char folder[4096];
    const char* slash = std::strrchr(path, '/');
    if (slash == nullptr) {
        std::strcpy(folder, ".");
    } else {
        const std::size_t length = slash == path ? 1 : static_cast<std::size_t>(slash - path);
        if (length >= sizeof folder) {
            return;
        }
        std::memcpy(folder, path, length);
        folder[length] = '\0';
    }
    const int fd = openRetrying(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

}  // namespace

FileReadResult readFileHead(const char* path, std::span<std::byte> buffer) {
    // Opening a FIFO without a writer would block forever; the type test below rejects it.
    const int fd = openRetrying(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return {FileReadStatus::NotOpened, 0};
    }
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return {FileReadStatus::Failed, 0};
    }
    std::size_t done = 0;
    while (done < buffer.size()) {
        const ssize_t n = ::read(fd, buffer.data() + done, buffer.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            ::close(fd);
            return {FileReadStatus::Failed, 0};
        }
    }
    ::close(fd);
    return {FileReadStatus::Read, done};
}

std::optional<std::uint64_t> plainFileSize(const char* path) {
    struct stat info;
    if (::stat(path, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(info.st_size);
}

bool writeFileAtomically(const char* path, std::span<const std::byte> bytes) {
    if (::faccessat(AT_FDCWD, path, W_OK, AT_EACCESS) != 0 && errno != ENOENT) {
        return false;
    }
    struct stat old;
    const bool replacing = ::stat(path, &old) == 0 && S_ISREG(old.st_mode);

    // One temporary name per process, so two copies of the program in one folder never write
    // into the same temporary file. A leftover from a killed process is simply replaced.
    char temporary[4096];
    const int length = std::snprintf(temporary, sizeof temporary, "%s.%ld.tmp", path,
                                     static_cast<long>(::getpid()));
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof temporary) {
        return false;
    }
    ::unlink(temporary);
    const int fd = openRetrying(temporary, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        return false;
    }
    if (replacing) {
        // Not checked: on a file system without permission bits the data matters more.
        ::fchmod(fd, old.st_mode & 07777);
    }
    bool written = writeAll(fd, bytes) && ::fsync(fd) == 0;
    // close can report a delayed write error (NFS, a full disk); it counts as a failed write.
    written = ::close(fd) == 0 && written;
    if (!written || ::rename(temporary, path) != 0) {
        ::unlink(temporary);
        return false;
    }
    syncFolderOf(path);
    return true;
}

}  // namespace shardfall
