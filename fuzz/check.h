// A fuzz target's expectation. A broken one is reported the way a crash is, so libFuzzer keeps
// the input.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace shardfall::fuzzing {

inline void check(bool holds, const char* what, const std::string& detail = {}) {
    if (!holds) {
        std::fprintf(stderr, "shardfall fuzz: %s%s\n", what, detail.c_str());
        std::abort();
    }
}

}  // namespace shardfall::fuzzing
