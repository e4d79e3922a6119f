#include "platform/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace shardfall {
namespace {

namespace fs = std::filesystem;

std::span<const std::byte> bytesOf(const std::string& text) {
    return std::as_bytes(std::span(text.data(), text.size()));
}

TEST(AtomicFile, ReadFileHeadTellsMissingFromUnreadable) {
    TempFolder folder;
    std::array<std::byte, 8> buffer{};

    EXPECT_EQ(readFileHead("absent", buffer).status, FileReadStatus::NotOpened);

    fs::create_directory("folder");
    EXPECT_EQ(readFileHead("folder", buffer).status, FileReadStatus::Failed);
    ASSERT_EQ(::mkfifo("pipe", 0600), 0);
    EXPECT_EQ(readFileHead("pipe", buffer).status, FileReadStatus::Failed);

    ASSERT_TRUE(writeFileAtomically("short", bytesOf("abc")));
    const FileReadResult shortRead = readFileHead("short", buffer);
    EXPECT_EQ(shortRead.status, FileReadStatus::Read);
    EXPECT_EQ(shortRead.size, 3u);
    EXPECT_EQ(buffer[2], std::byte{'c'});

    ASSERT_TRUE(writeFileAtomically("long", bytesOf("0123456789")));
    const FileReadResult longRead = readFileHead("long", buffer);
    EXPECT_EQ(longRead.size, buffer.size());
    EXPECT_EQ(buffer[7], std::byte{'7'});
}

TEST(AtomicFile, PlainFileSizeIsOnlyForPlainFiles) {
    TempFolder folder;
    EXPECT_EQ(plainFileSize("absent"), std::nullopt);
    fs::create_directory("folder");
    EXPECT_EQ(plainFileSize("folder"), std::nullopt);
    // Looked up without an open, which would wait here for a writer.
    ASSERT_EQ(::mkfifo("pipe", 0600), 0);
    EXPECT_EQ(plainFileSize("pipe"), std::nullopt);
    EXPECT_EQ(plainFileSize("/dev/zero"), std::nullopt);

    ASSERT_TRUE(writeFileAtomically("empty", bytesOf("")));
    EXPECT_EQ(plainFileSize("empty"), 0u);
    ASSERT_TRUE(writeFileAtomically("ten", bytesOf("0123456789")));
    EXPECT_EQ(plainFileSize("ten"), 10u);
    fs::create_symlink("ten", "link");
    EXPECT_EQ(plainFileSize("link"), 10u);
}

TEST(AtomicFile, ReplacesWholeFilesInAnyFolder) {
    TempFolder folder;
    fs::create_directory("sub");
    ASSERT_TRUE(writeFileAtomically("sub/data", bytesOf(std::string(308, 'x'))));
    // A shorter replacement leaves nothing of the longer file behind.
    ASSERT_TRUE(writeFileAtomically("sub/data", bytesOf("new")));
    const auto contents = fileBytes("sub/data");
    EXPECT_EQ(std::string(contents.begin(), contents.end()), "new");

    const std::string absolute = (folder.path() / "sub" / "data").string();
    ASSERT_TRUE(writeFileAtomically(absolute.c_str(), bytesOf("abs")));
    EXPECT_EQ(fileBytes("sub/data").size(), 3u);
    EXPECT_EQ(fs::directory_iterator("sub")->path().filename(), "data");
}

TEST(AtomicFile, FailureLeavesNoTrace) {
    TempFolder folder;
    EXPECT_FALSE(writeFileAtomically("missing/data", bytesOf("abc")));

    fs::create_directory("taken");
    EXPECT_FALSE(writeFileAtomically("taken", bytesOf("abc")));
    EXPECT_TRUE(fs::is_directory("taken"));

    const std::string tooLong(5000, 'n');
    EXPECT_FALSE(writeFileAtomically(tooLong.c_str(), bytesOf("abc")));
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"taken"});
}

}  // namespace
}  // namespace shardfall
