// The Windows file code, run under Wine: the same promises as on Linux, kept with Windows' means.
#include "sys/atomic_file.h"

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace shardfall {
namespace {

namespace fs = std::filesystem;

std::span<const std::byte> bytesOf(const std::string& text) {
    return std::as_bytes(std::span(text.data(), text.size()));
}

std::string textOf(const char* path) {
    const std::vector<unsigned char> bytes = fileBytes(path);
    return {bytes.begin(), bytes.end()};
}

TEST(WindowsAtomicFile, ReadsOnlyPlainFilesAndNoFurtherThanTheBuffer) {
    TempFolder folder;
    std::ofstream("data", std::ios::binary) << "0123456789";
    fs::create_directory("folder");
    std::array<std::byte, 4> buffer{};

    const FileReadResult head = readFileHead("data", buffer);
    EXPECT_EQ(head.status, FileReadStatus::Read);
    EXPECT_EQ(head.size, buffer.size());
    EXPECT_EQ(static_cast<char>(buffer[3]), '3');
    EXPECT_EQ(readFileHead("missing", buffer).status, FileReadStatus::NotOpened);
    EXPECT_EQ(readFileHead("folder", buffer).status, FileReadStatus::NotOpened);

    EXPECT_EQ(plainFileSize("data"), 10u);
    EXPECT_EQ(plainFileSize("folder"), std::nullopt);
    EXPECT_EQ(plainFileSize("missing"), std::nullopt);
}

TEST(WindowsAtomicFile, ReplacesWholeFilesAndLeavesWhatItMayNotReplace) {
    TempFolder folder;
    EXPECT_TRUE(writeFileAtomically("new", bytesOf("first")));
    std::ofstream("old", std::ios::binary) << "a longer old text";
    EXPECT_TRUE(writeFileAtomically("old", bytesOf("short")));
    EXPECT_EQ(textOf("new"), "first");
    EXPECT_EQ(textOf("old"), "short");

    // A folder or a read-only file in the file's place stays as it is, and so does a file whose
    // temporary another copy of the game is writing at that moment.
    fs::create_directory("taken");
    std::ofstream("locked", std::ios::binary) << "locked";
    std::ofstream("readonly", std::ios::binary) << "readonly";
    fs::permissions("readonly",
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    {
        std::ofstream otherCopy("locked.tmp", std::ios::binary);
        ASSERT_TRUE(otherCopy.is_open());
        EXPECT_FALSE(writeFileAtomically("locked", bytesOf("mine")));
    }
    EXPECT_FALSE(writeFileAtomically("taken", bytesOf("abc")));
    EXPECT_FALSE(writeFileAtomically("readonly", bytesOf("abc")));
    EXPECT_FALSE(writeFileAtomically("missing/data", bytesOf("abc")));
    EXPECT_TRUE(fs::is_directory("taken"));
    EXPECT_EQ(textOf("locked"), "locked");
    EXPECT_EQ(textOf("readonly"), "readonly");
    fs::permissions("readonly", fs::perms::owner_write, fs::perm_options::add);

    // Once the other copy is done, the next save goes through and takes its temporary over.
    EXPECT_TRUE(writeFileAtomically("locked", bytesOf("mine")));
    EXPECT_EQ(textOf("locked"), "mine");
    EXPECT_EQ(folder.entries(),
              (std::vector<std::string>{"locked", "new", "old", "readonly", "taken"}));
}

}  // namespace
}  // namespace shardfall
