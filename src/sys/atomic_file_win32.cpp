// Windows version of the small-file reads and atomic replacement. The steps are the POSIX ones:
// write `<file>.tmp`, flush it to the disk, then move it over the file, so a program that dies
// or a disk that fills up half-way leaves the old file as it was.
//
// Differences that Windows brings: the temporary file is opened sharing nothing but its move,
// which is the lock that keeps two copies of the game from writing it at once (the second open
// fails with a sharing violation and that save fails, as on Linux), held until the file has been
// moved into place; a read-only file is one that may not be
// written; and symbolic links are rare enough there that the name given is the one replaced.
#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "sys/atomic_file.h"

namespace shardfall {

namespace {

// Closes the handle when it goes out of scope.
class FileHandle {
  public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() { close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }
    void close() {
        if (valid()) {
            CloseHandle(handle_);
            handle_ = INVALID_HANDLE_VALUE;
        }
    }

  private:
    HANDLE handle_;
};

bool writeAll(HANDLE file, std::span<const std::byte> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk =
            static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) {
            return false;
        }
        done += written;
    }
    return true;
}

}  // namespace

FileReadResult readFileHead(const char* path, std::span<std::byte> buffer) {
    // Without FILE_FLAG_BACKUP_SEMANTICS a folder does not open, which counts as not opened.
    FileHandle file(CreateFileA(path, GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return {FileReadStatus::NotOpened, 0};
    }
    // A pipe or a device opens, but is not read.
    if (GetFileType(file.get()) != FILE_TYPE_DISK) {
        return {FileReadStatus::Failed, 0};
    }
    std::size_t done = 0;
    while (done < buffer.size()) {
        const DWORD chunk =
            static_cast<DWORD>(std::min<std::size_t>(buffer.size() - done, 1u << 20));
        DWORD read = 0;
        if (!ReadFile(file.get(), buffer.data() + done, chunk, &read, nullptr)) {
            return {FileReadStatus::Failed, 0};
        }
        if (read == 0) {
            break;
        }
        done += read;
    }
    return {FileReadStatus::Read, done};
}

std::optional<std::uint64_t> plainFileSize(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA info;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) {
        return std::nullopt;
    }
    return (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
}

bool writeFileAtomically(const char* path, std::span<const std::byte> bytes) {
    // Only a plain, writable file is ever replaced: a folder or a read-only file stays.
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND) {
            return false;
        }
    } else if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE |
                              FILE_ATTRIBUTE_READONLY)) != 0) {
        return false;
    }

    char temporary[MAX_PATH + 8];
    const int length = std::snprintf(temporary, sizeof temporary, "%s.tmp", path);
    if (length < 0 || static_cast<std::size_t>(length) >= sizeof temporary) {
        return false;
    }
    FileHandle file(CreateFileA(temporary, GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return false;
    }
    // A delayed write error (a full disk) shows at the flush, before the move.
    if (!writeAll(file.get(), bytes) || !FlushFileBuffers(file.get()) ||
        !MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        file.close();
        DeleteFileA(temporary);
        return false;
    }
    return true;
}

}  // namespace shardfall
