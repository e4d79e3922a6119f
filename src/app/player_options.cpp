#include "app/player_options.h"

#include <toml++/toml.h>
#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <system_error>
#include <utility>

namespace shardfall {

namespace {

std::optional<int> parseNumber(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

// A setting's value, or why it is not one: empty when it was taken.
std::string takeSetting(std::string_view name, const toml::node& value, PlayerOptions& options) {
    const auto integerIn = [&value](int low, int high, int& into) -> std::string {
        const std::optional<int64_t> number = value.value_exact<int64_t>();
        if (!number || *number < low || *number > high) {
            return "not a whole number from " + std::to_string(low) + " to " + std::to_string(high);
        }
        into = static_cast<int>(*number);
        return {};
    };
    if (name == "screen") {
        const std::optional<std::string_view> screen = value.value_exact<std::string_view>();
        if (screen != "window" && screen != "fullscreen") {
            return "not \"window\" or \"fullscreen\"";
        }
        options.window = screen == "window";
    } else if (name == "window-size") {
        const std::optional<std::string_view> text = value.value_exact<std::string_view>();
        const std::optional<WindowSize> size = text ? parseWindowSize(*text) : std::nullopt;
        if (!size) {
            return "not a size \"WIDTHxHEIGHT\" from 320x240 to 16384x16384";
        }
        options.windowSize = *size;
    } else if (name == "display") {
        return integerIn(1, 999, options.display);
    } else if (name == "mute") {
        const std::optional<bool> mute = value.value_exact<bool>();
        if (!mute) {
            return "not true or false";
        }
        options.mute = *mute;
    } else if (name == "music-volume") {
        return integerIn(0, 100, options.musicVolume);
    } else if (name == "effects-volume") {
        return integerIn(0, 100, options.effectsVolume);
    } else {
        return "no such setting";
    }
    return {};
}

// The names in a [keys] or [gamepad] setting's value (one name or a list of them) looked up one
// by one; an empty `why` when all are known and none is another command's.
template <typename Input, typename Lookup>
std::vector<Input> takeInputs(const toml::node& value, Lookup lookup, const char* kind,
                              const std::array<int, 256>& owners, std::string& why) {
    std::vector<const toml::node*> names;
    if (const toml::array* list = value.as_array()) {
        for (const toml::node& name : *list) {
            names.push_back(&name);
        }
    } else {
        names.push_back(&value);
    }
    std::vector<Input> inputs;
    for (const toml::node* node : names) {
        const std::optional<std::string_view> name = node->value_exact<std::string_view>();
        if (!name) {
            why = std::string("not a ") + kind + " name or a list of them";
            return {};
        }
        // Built by appending: GCC 12 sees a false overlap in "\"" + std::string.
        why.assign(1, '"').append(*name).append("\" ");
        const std::optional<Input> input = lookup(*name);
        if (!input) {
            why.append("is no ").append(kind);
            return {};
        }
        const int owner = owners[static_cast<size_t>(*input)];
        if (owner >= 0) {
            why.append("already does ").append(COMMANDS[owner].name);
            return {};
        }
        why.clear();
        inputs.push_back(*input);
    }
    return inputs;
}

// A [keys] or [gamepad] table: each command's keys or controls, line by line in the file's
// order, so that of two commands given one key the later is told.
void takeControls(std::string_view table, const toml::node& value, Controls& controls,
                  std::vector<std::pair<uint32_t, std::string>>& problems) {
    const toml::table* settings = value.as_table();
    if (settings == nullptr) {
        problems.emplace_back(value.source().begin.line,
                              std::string(table) + ": not a table of commands");
        return;
    }
    std::vector<std::pair<uint32_t, std::string_view>> order;
    for (const auto& [key, setting] : *settings) {
        order.emplace_back(key.source().begin.line, key.str());
    }
    std::sort(order.begin(), order.end());
    const bool keys = table == "keys";
    std::array<int, 256> owners;
    owners.fill(-1);
    for (const auto& entry : order) {
        const uint32_t line = entry.first;
        const std::string_view name = entry.second;
        const auto command = std::find_if(COMMANDS.begin(), COMMANDS.end(),
                                          [name](const Command& c) { return c.name == name; });
        const size_t index = static_cast<size_t>(command - COMMANDS.begin());
        std::string why = command == COMMANDS.end() ? "no such command" : "";
        const toml::node& setting = *settings->get(name);
        if (keys && why.empty()) {
            const std::vector<uint8_t> chosen =
                takeInputs<uint8_t>(setting, keyNamed, "key", owners, why);
            if (why.empty()) {
                controls.bindKeys(index, chosen.data(), chosen.size());
                for (const uint8_t key : chosen) {
                    owners[key] = static_cast<int>(index);
                }
            }
        } else if (why.empty()) {
            const std::vector<GamepadControl> chosen = takeInputs<GamepadControl>(
                setting, gamepadControlNamed, "gamepad control", owners, why);
            if (why.empty()) {
                controls.bindGamepad(index, chosen.data(), chosen.size());
                for (const GamepadControl control : chosen) {
                    owners[static_cast<size_t>(control)] = static_cast<int>(index);
                }
            }
        }
        if (!why.empty()) {
            problems.emplace_back(line, std::string(table) + "." + std::string(name) + ": " + why);
        }
    }
}

}  // namespace

std::optional<WindowSize> parseWindowSize(std::string_view text) {
    const size_t x = text.find('x');
    if (x == std::string_view::npos) {
        return std::nullopt;
    }
    const std::optional<int> width = parseNumber(text.substr(0, x));
    const std::optional<int> height = parseNumber(text.substr(x + 1));
    if (!width || !height || *width < SMALLEST_WINDOW.width || *width > LARGEST_WINDOW.width ||
        *height < SMALLEST_WINDOW.height || *height > LARGEST_WINDOW.height) {
        return std::nullopt;
    }
    return WindowSize{*width, *height};
}

void readConfigText(std::string_view text, const std::string& fileName, PlayerOptions& options,
                    std::vector<std::string>& problems) {
    toml::table settings;
    try {
        settings = toml::parse(text, fileName);
    } catch (const toml::parse_error& error) {
        problems.push_back(fileName + ":" + std::to_string(error.source().begin.line) +
                           ": not a TOML file (" + std::string(error.description()) +
                           "); every setting keeps its default");
        return;
    }
    // The table holds its settings by name; the problems are told in the file's order.
    std::vector<std::pair<uint32_t, std::string>> found;
    for (const auto& [key, value] : settings) {
        if (key.str() == "keys" || key.str() == "gamepad") {
            takeControls(key.str(), value, options.controls, found);
            continue;
        }
        const std::string why = takeSetting(key.str(), value, options);
        if (!why.empty()) {
            found.emplace_back(key.source().begin.line, std::string(key.str()) + ": " + why);
        }
    }
    std::sort(found.begin(), found.end());
    for (auto& [line, problem] : found) {
        problems.push_back(fileName + ":" + std::to_string(line) + ": " + problem +
                           "; it keeps its default");
    }
}

void readConfigFile(const std::filesystem::path& file, PlayerOptions& options,
                    std::vector<std::string>& problems) {
    std::error_code error;
    if (!std::filesystem::exists(file, error) && !error) {
        return;
    }
    std::string text;
    const bool folder = std::filesystem::is_directory(file, error);
    std::FILE* in = folder ? nullptr : std::fopen(file.string().c_str(), "rb");
    const int opened = in != nullptr || folder ? 0 : errno;
    char buffer[4096];
    size_t got = 0;
    while (in != nullptr && (got = std::fread(buffer, 1, sizeof buffer, in)) > 0) {
        text.append(buffer, got);
    }
    const bool failed = in == nullptr || std::ferror(in) != 0;
    if (in != nullptr) {
        std::fclose(in);
    }
    if (failed) {
        problems.push_back(file.string() + ": cannot be read (" +
                           (opened != 0 ? std::strerror(opened) : "a folder") +
                           "); every setting keeps its default");
        return;
    }
    readConfigText(text, file.string(), options, problems);
}

}  // namespace shardfall
