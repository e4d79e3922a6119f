// The bytes a replay file is made of, shared by its reader and its writers (see the README's
// table of the format).
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "game/state_digest.h"

namespace shardfall::replay_codes {

inline constexpr char MAGIC[4] = {'S', 'F', 'R', 'P'};
inline constexpr uint8_t NO_RECORDS = 0;
inline constexpr uint8_t HAS_RECORDS = 1;
inline constexpr uint8_t END = 0x00;
inline constexpr uint8_t LONG_RUN = 0x80;
inline constexpr uint8_t KEY_DOWN_CODE = 0x81;
inline constexpr uint8_t KEY_UP_CODE = 0x82;
inline constexpr uint8_t ACTIVATE_CODE = 0x83;
inline constexpr uint8_t DEACTIVATE_CODE = 0x84;
inline constexpr int MAX_SIDE = 8192;
inline constexpr long MAX_FILE_SIZE = 64L << 20;

// Little-endian base-128: 7 bits a byte, low first, the top bit set on all but the last.
void putVarint(std::vector<uint8_t>& out, uint64_t value);
// The low `bytes` bytes of value, low first.
void putLittle(std::vector<uint8_t>& out, uint64_t value, int bytes);
// A run of frames: nothing for none, one byte below 0x80, else 0x80 and a varint.
void putRun(std::vector<uint8_t>& out, uint64_t frames);
// The magic, the version, the screen size, the seed and the records.dat the game started with.
void putHeader(std::vector<uint8_t>& out, int width, int height, uint32_t seed,
               const std::optional<std::vector<uint8_t>>& records);
// The end record: the frame count and the final digest's fields.
void putEnd(std::vector<uint8_t>& out, uint64_t frames, const StateDigest& digest);

}  // namespace shardfall::replay_codes
