// The asset generator writes the same files on every run and every build: a change to a picture,
// an effect or a tune shows as a different size or hash here (record the new ones when the
// change is meant).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace shardfall {
namespace {

namespace fs = std::filesystem;

const char* const GENERATOR = SHARDFALL_BINARY_DIR "/tools/assets/shardfall_assets";

// Runs the generator; returns its exit status, or -1 when it did not exit normally.
int runGenerator(const std::string& arguments) {
    const std::string command = std::string("\"") + GENERATOR + "\" " + arguments + " 2>/dev/null";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// 64-bit FNV-1a of the file's bytes.
uint64_t hashOf(const std::vector<char>& bytes) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (const char c : bytes) {
        hash = (hash ^ static_cast<uint8_t>(c)) * 0x100000001b3ull;
    }
    return hash;
}

TEST(Assets, EveryFileIsTheRecordedOneAndFailuresEndWithAnErrorStatus) {
    const struct {
        const char* name;
        size_t size;
        uint64_t hash;
    } files[] = {
        {"dx000.bmp", 196662, 0x2f8147b83f22bf71ull},
        {"Sounds/pop.wav", 13274, 0x8d10f8f8199ef32aull},
        {"Sounds/xplode2.wav", 70604, 0x6f965fee77f64e05ull},
        {"Sounds/explode.wav", 132344, 0x0f6c8a9ba8c07a54ull},
        {"Sounds/gem.wav", 88244, 0xd76690e44ab10bb6ull},
        {"Sounds/EXORCISM.wav", 238184, 0xa25840d465fb3e90ull},
        {"music/music0.mid", 43709, 0x11bb893ac930d508ull},
        {"music/music1.mid", 15202, 0xc96a51b2950ef842ull},
        {"music/music2.mid", 21582, 0x5be887cd19bcfcacull},
        {"music/music3.mid", 37769, 0x3b0b8e6419ac97bcull},
    };
    const fs::path previous = fs::current_path();
    const fs::path folder =
        fs::temp_directory_path() / ("shardfall_assets_" + std::to_string(getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    fs::current_path(folder);
    ASSERT_EQ(runGenerator("out"), 0);
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        std::ifstream in(folder / "out" / file.name, std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
        EXPECT_EQ(bytes.size(), file.size);
        EXPECT_EQ(hashOf(bytes), file.hash);
    }
    EXPECT_NE(runGenerator(""), 0);
    // A regular file where the output folder should be: nothing can be written beneath it.
    std::ofstream("blocked") << "not a folder";
    EXPECT_NE(runGenerator("blocked"), 0);
    fs::current_path(previous);
    fs::remove_all(folder);
}

}  // namespace
}  // namespace shardfall
