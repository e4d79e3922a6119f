// The game's texts are UTF-8; the wide Windows calls take UTF-16.
#pragma once

#include <string>

namespace shardfall {

// The UTF-8 text as UTF-16; bytes that are not UTF-8 come out as U+FFFD.
std::wstring wideFromUtf8(const char* text);

}  // namespace shardfall
