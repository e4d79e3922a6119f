// POSIX version. A Windows build keeps the same steps with CreateFile, WriteFile,
// FlushFileBuffers and MoveFileEx(MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH).
//
// Nothing here allocates: the game reads its records file on every frame of the score display,
// and a forked test child may save from here.
#include "sys/atomic_file.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
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

// Links followed before giving up; the kernel's own limit for a path is 40.
constexpr int MAX_LINK_HOPS = 40;

// Follows `path` through symbolic links to the name of the file itself, so that a file kept
// elsewhere through a link is replaced there and the link stays. The name found may not exist
// yet (a dangling link: its target is created). False for a loop of links or a name too long.
bool followLinks(const char* path, char (&resolved)[PATH_MAX]) {
    const std::size_t length = std::strlen(path);
    if (length >= sizeof resolved) {
        return false;
    }
    std::memcpy(resolved, path, length + 1);
    for (int hop = 0; hop < MAX_LINK_HOPS; ++hop) {
        char target[PATH_MAX];
        const ssize_t n = ::readlink(resolved, target, sizeof target);
        if (n < 0) {
            // Not a link (EINVAL), nothing there yet, or a folder on the way that is missing or
            // closed: the name is final, and the steps that follow report what is wrong with it.
            return true;
        }
        const auto size = static_cast<std::size_t>(n);
        if (size >= sizeof target) {
            return false;
        }
        // An absolute link replaces the whole name; a relative one is read from the link's own
        // folder.
        std::size_t keep = 0;
        if (target[0] != '/') {
            const char* slash = std::strrchr(resolved, '/');
            keep = slash == nullptr ? 0 : static_cast<std::size_t>(slash - resolved) + 1;
        }
        if (keep + size >= sizeof resolved) {
            return false;
        }
        std::memcpy(resolved + keep, target, size);
        resolved[keep + size] = '\0';
    }
    return false;
}

// The temporary file of `path` has one fixed name, `<path>.tmp`, rather than one per process or
// per save: a save killed half-way leaves at most that one file, and the next save takes it over.
// Within the game two saves never meet, as the game saves from its main thread only. Two copies
// of the game started in one folder could meet, so the writer holds an exclusive lock on the
// temporary file from before it is emptied until it has been renamed into place; a save that
// finds the lock taken fails, as if the disk were busy, and the other copy's table is the one
// written. Returns the file opened, locked and empty, or -1.
int openTemporary(const char* temporary) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        // Not emptied at open: until the lock is ours this may be another copy's save in
        // progress. O_NONBLOCK keeps a pipe put in its place from stopping the game.
        const int fd =
            openRetrying(temporary, O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666);
        if (fd < 0) {
            return -1;
        }
        // A file system that keeps no locks at all still gets its saves, unguarded against a
        // second copy.
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
            ::close(fd);
            return -1;
        }
        // The lock belongs to the file, not to its name: between the open and the lock the
        // holder may have renamed this file into place or removed it. Only the file that is
        // still under the temporary name may be written.
        struct stat opened;
        struct stat named;
        if (::fstat(fd, &opened) == 0 && ::lstat(temporary, &named) == 0 &&
            opened.st_dev == named.st_dev && opened.st_ino == named.st_ino) {
            if (S_ISREG(opened.st_mode) && ::ftruncate(fd, 0) == 0) {
                return fd;
            }
            ::close(fd);
            return -1;
        }
        ::close(fd);
    }
    return -1;
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
    const bool known = ::fstat(fd, &info) == 0;
    if (!known || !S_ISREG(info.st_mode)) {
        ::close(fd);
        // Elsewhere a folder cannot be opened as a file at all, so here it counts as not opened
        // either; a pipe or a device opens, but is not read.
        const bool folder = known && S_ISDIR(info.st_mode);
        return {folder ? FileReadStatus::NotOpened : FileReadStatus::Failed, 0};
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
    char target[PATH_MAX];
    if (!followLinks(path, target)) {
        return false;
    }
    // Only a plain file is ever replaced: a folder, a pipe or a device in its place stays.
    struct stat old;
    const bool replacing = ::stat(target, &old) == 0;
    if (!replacing && errno != ENOENT) {
        return false;
    }
    if (replacing &&
        (!S_ISREG(old.st_mode) || ::faccessat(AT_FDCWD, target, W_OK, AT_EACCESS) != 0)) {
        return false;
    }

    char temporary[PATH_MAX];
    const int length = std::snprintf(temporary, sizeof temporary, "%s.tmp", target);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof temporary) {
        return false;
    }
    const int fd = openTemporary(temporary);
    if (fd < 0) {
        return false;
    }
    if (replacing) {
        // Not checked: on a file system without permission bits the data matters more.
        ::fchmod(fd, old.st_mode & 07777);
    }
    // Renamed while the lock is still held, so no other copy can empty the file in between. A
    // delayed write error (NFS, a full disk) shows at fsync, before the rename.
    if (!writeAll(fd, bytes) || ::fsync(fd) != 0 || ::rename(temporary, target) != 0) {
        ::unlink(temporary);
        ::close(fd);
        return false;
    }
    ::close(fd);
    syncFolderOf(target);
    return true;
}

}  // namespace shardfall
