// Makes the recordings in tests/replays: plays a script of keys and frames (NAME.script here,
// one per golden) through the headless game, writes the recording and prints the frames worth a
// checksum beyond those the replay player picks itself ("hash F,F,...").
//
//   replay_maker SCRIPT OUTPUT.sfr
//
// A line holds commands split by ';', "Nx " before it plays it N times, '#' starts a comment.
// How the game starts: "screen W H", "seed N", "records new" (no records.dat: the game makes
// its default table, which is recorded), "records unreadable" (a folder in its place) or
// "records given" with "record SCORE LINES SECONDS NAME" lines (\xNN for any byte of the name)
// and "truncate BYTES". Then "frames N"; "press K...", "release K...", "tap K..." (pressed and
// let go in turn) of LEFT RIGHT UP DOWN PAUSE ENTER BACKSPACE SPACE or a letter; "type G TEXT"
// (each letter or space tapped, then G frames); "away" and "back" (the window's focus lost and
// got back); "hash N..." (frames from now on, 1 the next, whose pixels the golden keeps).
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "game/keyboard.h"
#include "replay/replay_file.h"
#include "scores/high_score_table.h"
#include "session.h"

using namespace shardfall;

namespace {

// A record's name with \xNN for any byte.
std::string unescape(const std::string& text) {
    std::string bytes;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool escape = text.compare(i, 2, "\\x") == 0 && i + 3 < text.size();
        bytes +=
            escape ? static_cast<char>(std::stoul(text.substr(i + 2, 2), nullptr, 16)) : text[i];
        i += escape ? 3 : 0;
    }
    return bytes;
}

class Maker {
  public:
    // One command; false with a message on stderr when it makes no sense.
    bool run(const std::string& command) {
        std::istringstream in(command);
        std::string verb, word;
        in >> verb;
        if (verb.empty()) {
            return true;
        }
        if (verb == "screen" || verb == "seed") {
            return static_cast<bool>(verb == "seed" ? in >> replay_.seed
                                                    : in >> replay_.width >> replay_.height);
        }
        if (verb == "records") {
            replay_.records.emplace();
            return static_cast<bool>(in >> records_);
        }
        if (verb == "record" || verb == "truncate") {
            if (records_ != "given") {
                return fail("a record without \"records given\"");
            }
            int32_t values[3] = {};
            std::vector<uint8_t>& file = *replay_.records;
            if (verb == "truncate") {
                return in >> values[0] && (file.resize(static_cast<size_t>(values[0])), true);
            }
            std::getline(in >> values[0] >> values[1] >> values[2] >> std::ws, word);
            std::string name = unescape(word);
            name.resize(16);
            file.insert(file.end(), name.begin(), name.end());
            const auto* bytes = reinterpret_cast<const uint8_t*>(values);  // little-endian, as read
            file.insert(file.end(), bytes, bytes + sizeof values);
            return !in.bad();
        }
        if (!started_ && !start()) {
            return false;
        }
        if (verb == "frames") {
            int n = 0;
            return in >> n && n > 0 && (frames(n), true);
        }
        if (verb == "away" || verb == "back") {
            replay_.events.push_back(
                {verb == "back" ? ReplayEvent::ACTIVATE : ReplayEvent::DEACTIVATE, 0});
            session_.focus(verb == "back");
            return true;
        }
        if (verb == "type") {
            int gap = 0;
            std::getline((in >> gap).ignore(1), word);  // the text after one space
            for (const char c : word) {
                if (!tap(c == ' ' ? "SPACE" : std::string(1, c))) {
                    return false;
                }
                frames(gap);
            }
            return true;
        }
        bool any = false;
        for (; in >> word; any = true) {
            const bool ok = verb == "hash"
                                ? (hashes_.insert(session_.frames() + std::stoull(word)), true)
                            : verb == "press"   ? key(ReplayEvent::PRESS, word)
                            : verb == "release" ? key(ReplayEvent::RELEASE, word)
                            : verb == "tap"     ? tap(word)
                                                : fail("no command " + verb);
            if (!ok) {
                return false;
            }
        }
        return any;
    }

    bool write(const char* path) {
        replay_.endDigest = digestOf(session_.game());
        const std::vector<uint8_t> bytes = encodeReplay(replay_);
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        std::printf("%s: %zu bytes, %" PRIu64 " frames\n", path, bytes.size(), session_.frames());
        const char* separator = "hash ";
        for (const uint64_t frame : hashes_) {
            std::printf("%s%" PRIu64, separator, frame);
            separator = ",";
        }
        std::fputs(hashes_.empty() ? "" : "\n", stdout);
        return out.good();
    }

  private:
    bool fail(const std::string& what) {
        std::fprintf(stderr, "replay_maker: %s\n", what.c_str());
        return false;
    }

    // The game starts with the first thing the player does.
    bool start() {
        started_ = true;
        if (records_ != "given") {
            replay_.records.reset();
        }
        std::string error;
        if (!session_.start(replay_, error, records_ == "new")) {
            return fail(error);
        }
        if (records_ == "new") {
            replay_.records = readRecordsFile(RECORDS_FILE_NAME);
        }
        return true;
    }

    bool key(ReplayEvent::Kind kind, const std::string& name) {
        static const std::map<std::string, uint32_t> named = {
            {"LEFT", KEY_LEFT},   {"RIGHT", KEY_RIGHT},        {"UP", KEY_UP},
            {"DOWN", KEY_DOWN},   {"PAUSE", KEY_PAUSE},        {"ENTER", KEY_ENTER},
            {"SPACE", KEY_SPACE}, {"BACKSPACE", KEY_BACKSPACE}};
        const auto found = named.find(name);
        const bool letter = name.size() == 1 && name[0] >= 'A' && name[0] <= 'Z';
        if (found == named.end() && !letter) {
            return fail("no key " + name);
        }
        const uint32_t code = letter ? static_cast<uint32_t>(name[0]) : found->second;
        replay_.events.push_back({kind, code});
        session_.key(kind == ReplayEvent::PRESS, code);
        return true;
    }
    bool tap(const std::string& name) {
        return key(ReplayEvent::PRESS, name) && key(ReplayEvent::RELEASE, name);
    }

    void frames(int n) {
        for (int i = 0; i < n; ++i) {
            if (replay_.events.empty() || replay_.events.back().kind != ReplayEvent::FRAMES) {
                replay_.events.push_back({ReplayEvent::FRAMES, 0});
            }
            replay_.events.back().value += 1;
            session_.frame();
        }
    }

    ReplaySession session_;
    Replay replay_;
    std::string records_ = "new";
    bool started_ = false;
    std::set<uint64_t> hashes_;
};

}  // namespace

int main(int argc, char** argv) {
    std::ifstream script(argc == 3 ? argv[1] : "");
    if (!script) {
        std::fprintf(stderr, "usage: replay_maker SCRIPT OUTPUT.sfr\n");
        return 2;
    }
    // The game runs in a scratch folder of its own.
    const std::string out = std::filesystem::absolute(argv[2]).string();
    Maker maker;
    std::string line;
    for (int number = 1; std::getline(script, line); ++number) {
        int times = 1;
        if (const size_t x = line.find("x ");
            x != std::string::npos && x > 0 && line.find_first_not_of("0123456789") == x) {
            times = std::atoi(line.c_str());
            line.erase(0, x + 2);
        }
        for (int t = 0; t < times && line[0] != '#'; ++t) {
            std::istringstream commands(line);
            for (std::string command; std::getline(commands, command, ';');) {
                if (!maker.run(command)) {
                    std::fprintf(stderr, "replay_maker: %s:%d: cannot do '%s'\n", argv[1], number,
                                 command.c_str());
                    return 2;
                }
            }
        }
    }
    return maker.write(out.c_str()) ? 0 : 2;
}
