// Byte strings for building file images in tests: a + b is a followed by b.
#pragma once

#include <cstdint>
#include <vector>

namespace shardfall {

using Bytes = std::vector<uint8_t>;

inline Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace shardfall
