// The folder a fuzz target hands files to the game in under their fixed names (dx000.bmp,
// records.dat): one scratch folder for the run (fuzz/run puts it in /dev/shm, since the table's
// saves sync to disk), removed at exit. The target works in it only for the length of one
// input, so libFuzzer's own relative paths keep their meaning.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <system_error>

#include "sys/atomic_file.h"
#include "sys/scratch_folder.h"

namespace shardfall::fuzzing {

// Reports a broken expectation the way a crash is reported, so libFuzzer keeps the input.
[[noreturn]] inline void fail(const char* what) {
    std::fprintf(stderr, "shardfall fuzz: %s\n", what);
    std::abort();
}

// Works in the run's scratch folder until the end of the scope, then goes back where it was.
class InFolder {
  public:
    InFolder() : previous_(std::filesystem::current_path()) {
        static const struct Scratch {
            std::filesystem::path path = makeScratchFolder("shardfall-fuzz");
            ~Scratch() {
                std::error_code ignored;
                std::filesystem::remove_all(path, ignored);
            }
        } scratch;
        if (scratch.path.empty()) {
            fail("cannot make a scratch folder");
        }
        std::filesystem::current_path(scratch.path);
    }
    ~InFolder() { std::filesystem::current_path(previous_); }
    InFolder(const InFolder&) = delete;
    InFolder& operator=(const InFolder&) = delete;

  private:
    std::filesystem::path previous_;
};

// Replaces the file with exactly these bytes.
inline void writeWholeFile(const char* name, const void* data, size_t size) {
    if (!writeFileAtomically(name, std::span(static_cast<const std::byte*>(data), size))) {
        fail("cannot write a file in the scratch folder");
    }
}

}  // namespace shardfall::fuzzing
