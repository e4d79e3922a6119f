// Small files read and replaced whole. A replacement is written to a temporary file beside the
// target and renamed over it, so a program that dies or a disk that fills up half-way leaves the
// old file exactly as it was; nobody ever sees a truncated file.
// Use: records.dat and the files tools write; one thread at a time for a given file. Only
// readFileHead may run in a frame (the scores screen reads the table every frame): it reads into
// the caller's buffer and allocates nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace shardfall {

enum class FileReadStatus {
    NotOpened,  // missing, a folder, or not openable for reading
    Read,       // read up to the end of the file or of the buffer
    Failed,     // opened, but a pipe or a device, or a read went wrong: the buffer means nothing
};

struct FileReadResult {
    FileReadStatus status;
    std::size_t size;  // bytes read; only meaningful with Read
};

// Reads from the start of the file into `buffer` until the buffer is full or the file ends.
// Bytes after the buffer's size are ignored. Pipes and devices count as Failed, so that a strange
// file in place of a data file can neither hang nor feed the caller.
FileReadResult readFileHead(const char* path, std::span<std::byte> buffer);

// The size of the file when it is a plain file; nothing when it is missing, a folder, a pipe or a
// device. Looked up without opening the file, since opening a pipe that has no writer waits.
std::optional<std::uint64_t> plainFileSize(const char* path);

// Replaces the file's contents with `bytes` and returns true, or returns false and leaves the
// file as it was. A file that exists but may not be written is not replaced, as it would not be
// overwritten in place either, and neither is a folder, pipe or device. The replacement keeps the
// old file's permission bits. When `path` is a symbolic link, the file it leads to is replaced
// (or created, for a dangling link) in that file's own folder, and the link stays. The temporary
// file is `<file>.tmp`; a save killed half-way may leave it, and the next save reuses it.
bool writeFileAtomically(const char* path, std::span<const std::byte> bytes);

}  // namespace shardfall
