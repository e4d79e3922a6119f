#include "host/win32/wide_text.h"

#include <windows.h>

namespace shardfall {

std::wstring wideFromUtf8(const char* text) {
    // With the terminating NUL, so that the count is never 0 for a valid call.
    const int length = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    if (length <= 1) {
        return {};
    }
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), length);
    wide.pop_back();
    return wide;
}

}  // namespace shardfall
