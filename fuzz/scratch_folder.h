// A private folder for the files a fuzz target hands to the game under their fixed names
// (dx000.bmp, records.dat). It lives in /dev/shm where that exists, because the table's saves
// sync to disk and on a real disk that would cost milliseconds per input. The target works in
// it only for the length of one input, so libFuzzer's own relative paths keep their meaning.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace shardfall::fuzzing {

class ScratchFolder {
  public:
    ScratchFolder() {
        const char* base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : nullptr;
        std::string pattern =
            (base ? std::filesystem::path(base) : std::filesystem::temp_directory_path()) /
            "shardfall-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("shardfall fuzz: mkdtemp");
            std::abort();
        }
        path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// Works in the folder until the end of the scope, then goes back where it was.
class InFolder {
  public:
    explicit InFolder(const ScratchFolder& folder) : previous_(::open(".", O_RDONLY | O_CLOEXEC)) {
        if (previous_ < 0 || ::chdir(folder.path().c_str()) != 0) {
            std::perror("shardfall fuzz: chdir");
            std::abort();
        }
    }
    ~InFolder() {
        if (::fchdir(previous_) != 0) {
            std::perror("shardfall fuzz: fchdir");
            std::abort();
        }
        ::close(previous_);
    }
    InFolder(const InFolder&) = delete;
    InFolder& operator=(const InFolder&) = delete;

  private:
    int previous_;
};

// Replaces the file with exactly these bytes.
inline void writeWholeFile(const char* name, const void* data, size_t size) {
    std::FILE* f = std::fopen(name, "wb");
    if (f == nullptr || (size != 0 && std::fwrite(data, 1, size, f) != size) ||
        std::fclose(f) != 0) {
        std::perror("shardfall fuzz: write");
        std::abort();
    }
}

// Reads the whole file into `out`; false when it cannot be opened.
inline bool readWholeFile(const char* name, std::string& out) {
    std::FILE* f = std::fopen(name, "rb");
    if (f == nullptr) {
        return false;
    }
    out.clear();
    char chunk[512];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
        out.append(chunk, n);
    }
    std::fclose(f);
    return true;
}

// Reports a broken expectation the way a crash is reported, so libFuzzer keeps the input.
[[noreturn]] inline void fail(const char* what) {
    std::fprintf(stderr, "shardfall fuzz: %s\n", what);
    std::abort();
}

}  // namespace shardfall::fuzzing
