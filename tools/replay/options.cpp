#include "options.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <sstream>
#include <string_view>
#include <vector>

namespace shardfall {

namespace {

// Frame numbers and counts are plain decimal digits, at most 18 of them.
bool parseNumber(std::string_view text, uint64_t& out) {
    if (text.empty() || text.size() > 18) {
        return false;
    }
    out = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        out = out * 10 + static_cast<uint64_t>(c - '0');
    }
    return true;
}

bool parseEvery(const std::string& text, uint64_t& every) {
    return parseNumber(text, every) && every != 0;
}

bool parseFrameList(const std::string& text, std::set<uint64_t>& frames) {
    std::stringstream list{text};
    std::string item;
    while (std::getline(list, item, ',')) {
        uint64_t frame = 0;
        if (!parseNumber(item, frame)) {
            return false;
        }
        frames.insert(frame);
    }
    return true;
}

bool parsePng(const std::string& text, std::map<uint64_t, std::string>& pngs) {
    const size_t colon = text.find(':');
    uint64_t frame = 0;
    if (colon == std::string::npos || colon + 1 == text.size() ||
        !parseNumber(std::string_view(text).substr(0, colon), frame)) {
        return false;
    }
    pngs[frame] = text.substr(colon + 1);
    return true;
}

// A check of an option's value by one of the parsers above, made on a scratch result: the
// options are filled in only once the whole command line has been read.
template <typename Result>
CLI::Validator valueCheck(bool (*parse)(const std::string&, Result&), const char* what) {
    return CLI::Validator(
        [parse, what](std::string& text) {
            Result scratch{};
            return parse(text, scratch) ? std::string() : "'" + text + "' is not " + what;
        },
        "", what);
}

}  // namespace

std::optional<int> parseReplayOptions(int argc, char** argv, ReplayOptions& options) {
    CLI::App app{"Plays a recorded game (shardfall --record FILE) without a window and checks it.",
                 "shardfall-replay"};
    // Options start with "--" on every system: a path such as "/tmp/game.sfr" is a file, also
    // where CLI11 would take "/name" for a Windows-style option.
    app.allow_windows_style_options(false);
    app.footer(
        "Exit code: 0 when the run matches the golden and the recording's own final digest, 1\n"
        "when it does not, 2 for a file that cannot be played, a --png frame that the recording\n"
        "never shows or that cannot be written, or bad arguments.");
    app.get_formatter()->column_width(30);
    std::string every;
    std::vector<std::string> hashLists;
    std::vector<std::string> pngs;
    app.add_option("FILE", options.file, "the recording")->required()->type_name("");
    app.add_option("--every", every, "print the state digest every N frames")
        ->type_name("N")
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)
        ->check(valueCheck(parseEvery, "a frame count above 0"));
    app.add_option("--frames-to-hash", hashLists, "print these frames' pixel checksums")
        ->type_name("F,F,...")
        ->allow_extra_args(false)
        ->check(valueCheck(parseFrameList, "a list of frame numbers"));
    app.add_option("--png", pngs, "write frame FRAME as a PNG picture to PATH")
        ->type_name("FRAME:PATH")
        ->allow_extra_args(false)
        ->check(valueCheck(parsePng, "FRAME:PATH"));
    app.add_flag("--coverage", options.coverage,
                 "list which of the game's events the recording reaches");
    CLI::Option* check = app.add_option("--check", options.check,
                                        "compare the run with GOLDEN, naming what differs first");
    CLI::Option* writeGolden = app.add_option("--write-golden", options.writeGolden,
                                              "write a golden file with this system's checksums");
    CLI::Option* addPixels = app.add_option("--add-pixels", options.addPixels,
                                            "check against GOLDEN, put this system's checksums in");
    for (CLI::Option* golden : {check, writeGolden, addPixels}) {
        golden->type_name("GOLDEN")->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    }
    // Adding checksums to a golden is a run of its own.
    addPixels->excludes(check)->excludes(writeGolden);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::fputs(app.help().c_str(), stdout);
        return 0;
    } catch (const CLI::ParseError& e) {
        std::string message = e.what();
        for (char& c : message) {
            c = c == '\n' ? ' ' : c;
        }
        std::fprintf(stderr, "shardfall-replay: %s (--help shows the usage)\n", message.c_str());
        return 2;
    }
    // The values have been checked: these only convert them.
    if (!every.empty()) {
        parseEvery(every, options.every);
    }
    for (const std::string& list : hashLists) {
        parseFrameList(list, options.hashFrames);
    }
    for (const std::string& png : pngs) {
        parsePng(png, options.pngs);
    }
    return std::nullopt;
}

}  // namespace shardfall
