// A fresh, empty folder that a test or a fuzz target works in: the constructor makes it and
// changes into it or throws (failing the test, stopping the fuzzer), the destructor changes back
// and removes it with everything inside.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "sys/scratch_folder.h"

namespace shardfall {

class TempFolder {
  public:
    TempFolder()
        : previous_(std::filesystem::current_path()), path_(makeScratchFolder("shardfall")) {
        std::filesystem::current_path(path_);  // throws for the empty path of no folder
    }
    ~TempFolder() {
        namespace fs = std::filesystem;
        fs::current_path(previous_);
        // A test may have taken write permission away from the folder.
        std::error_code ignored;
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // The names in the folder, sorted.
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(path_)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

  private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};

// The whole contents of a file, empty when it cannot be read.
inline std::vector<unsigned char> fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace shardfall
