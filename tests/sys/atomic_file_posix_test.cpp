#include "sys/atomic_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstddef>
#include <filesystem>
#include <iterator>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "support/temp_folder.h"

namespace shardfall {
namespace {

namespace fs = std::filesystem;

std::span<const std::byte> bytesOf(const std::string& text) {
    return std::as_bytes(std::span(text.data(), text.size()));
}

// Missing files and folders are not opened; pipes and devices are no plain files, and their size
// is looked up without an open, which would wait here for a writer.
TEST(AtomicFile, ReadsAndSizesOnlyPlainFiles) {
    TempFolder folder;
    fs::create_directory("folder");
    ASSERT_EQ(::mkfifo("pipe", 0600), 0);
    ASSERT_TRUE(writeFileAtomically("empty", bytesOf("")));
    ASSERT_TRUE(writeFileAtomically("short", bytesOf("012")));
    ASSERT_TRUE(writeFileAtomically("long", bytesOf("0123456789")));
    fs::create_symlink("long", "link");
    using enum FileReadStatus;
    const std::tuple<const char*, FileReadStatus, size_t, std::optional<uint64_t>> files[] = {
        {"absent", NotOpened, 0, std::nullopt},
        {"folder", NotOpened, 0, std::nullopt},
        {"pipe", Failed, 0, std::nullopt},
        {"/dev/zero", Failed, 0, std::nullopt},
        {"empty", Read, 0, 0},
        {"short", Read, 3, 3},
        {"long", Read, 8, 10},
        {"link", Read, 8, 10}};
    for (const auto& [name, status, size, plainSize] : files) {
        std::array<std::byte, 8> buffer{};
        const FileReadResult read = readFileHead(name, buffer);
        EXPECT_EQ(read.status, status) << name;
        EXPECT_EQ(plainFileSize(name), plainSize) << name;
        if (status == Read) {
            EXPECT_EQ(read.size, size) << name;
            EXPECT_TRUE(size == 0 || buffer[size - 1] == std::byte('0' + size - 1)) << name;
        }
    }
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

    // Another copy of the program saving the same file holds its temporary file: this save gives
    // way. Once the lock is gone the leftover is taken over and renamed into place.
    const int other = ::open("sub/data.tmp", O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_EQ(::flock(other, LOCK_EX), 0);
    EXPECT_FALSE(writeFileAtomically("sub/data", bytesOf("late")));
    ::close(other);
    EXPECT_EQ(fileBytes("sub/data").size(), 3u);
    ASSERT_TRUE(writeFileAtomically("sub/data", bytesOf("late")));
    EXPECT_EQ(fileBytes("sub/data").size(), 4u);
    EXPECT_EQ(fs::directory_iterator("sub")->path().filename(), "data");
    EXPECT_EQ(std::distance(fs::directory_iterator("sub"), {}), 1);
}

// A table kept elsewhere through a link: the link stays, and the file it leads to is replaced in
// its own folder, with nothing left over in either folder.
TEST(AtomicFile, WritesThroughLinksAndKeepsThem) {
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::string>> links;  // name, what it points at
        std::string written;  // the file that must end up holding the bytes
        bool existed;
    };
    const Case cases[] = {
        {"link beside its file", {{"game/data", "real"}}, "game/real", true},
        {"dangling link", {{"game/data", "real"}}, "game/real", false},
        {"relative link to another folder", {{"game/data", "../saves/real"}}, "saves/real", true},
        {"chain ending in an absolute link",
         {{"game/data", "hop"}, {"game/hop", "/saves/real"}},
         "saves/real",
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        fs::create_directories("game");
        fs::create_directories("saves");
        for (const auto& [name, target] : c.links) {
            fs::create_symlink(target.starts_with('/') ? folder.path().string() + target : target,
                               name);
        }
        if (c.existed) {
            ASSERT_TRUE(writeFileAtomically(c.written.c_str(), bytesOf(std::string(308, 'o'))));
            ::chmod(c.written.c_str(), 0640);
        }

        ASSERT_TRUE(writeFileAtomically("game/data", bytesOf("new")));
        const auto contents = fileBytes(c.written);
        EXPECT_EQ(std::string(contents.begin(), contents.end()), "new");
        if (c.existed) {
            EXPECT_EQ(fs::status(c.written).permissions(), fs::perms{0640});
        }
        for (const auto& [name, target] : c.links) {
            EXPECT_TRUE(fs::is_symlink(name)) << name;
        }
        // The links and the one file, and no temporary file in either folder.
        EXPECT_EQ(std::distance(fs::directory_iterator("game"), {}) +
                      std::distance(fs::directory_iterator("saves"), {}),
                  std::ssize(c.links) + 1);
    }
}

TEST(AtomicFile, FailureLeavesNoTrace) {
    TempFolder folder;
    EXPECT_FALSE(writeFileAtomically("missing/data", bytesOf("abc")));

    // A folder or a pipe in the file's place is never replaced, nor is a loop of links followed.
    fs::create_directory("taken");
    ASSERT_EQ(::mkfifo("pipe", 0600), 0);
    fs::create_symlink("loop", "loop");
    for (const char* name : {"taken", "pipe", "loop"}) {
        EXPECT_FALSE(writeFileAtomically(name, bytesOf("abc"))) << name;
    }
    EXPECT_TRUE(fs::is_directory("taken"));
    EXPECT_TRUE(fs::is_fifo("pipe"));
    EXPECT_TRUE(fs::is_symlink("loop"));

    const std::string tooLong(5000, 'n');
    EXPECT_FALSE(writeFileAtomically(tooLong.c_str(), bytesOf("abc")));
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"loop", "pipe", "taken"}));
}

}  // namespace
}  // namespace shardfall
