// A fresh, empty folder that a test works in: the constructor makes it and changes into it, the
// destructor changes back and removes it with everything inside.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
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
    TempFolder() : previous_(std::filesystem::current_path()) {
        path_ = makeScratchFolder("shardfall");
        if (path_.empty()) {
            ADD_FAILURE() << "cannot make a temporary folder";
            return;
        }
        std::filesystem::current_path(path_);
    }
    ~TempFolder() {
        std::filesystem::current_path(previous_);
        if (!path_.empty()) {
            // A test may have taken write permission away from the folder.
            std::error_code ignored;
            std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
            std::filesystem::remove_all(path_, ignored);
        }
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
