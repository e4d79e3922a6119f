#include "game/state_digest.h"

#include <cstring>
#include <type_traits>

#include "game/game.h"
#include "sys/random.h"

namespace shardfall {

namespace {

// FNV-1a over the bytes of plain values; doubles are hashed by their bits, so the digest tells
// apart results that print alike.
class Hasher {
  public:
    template <typename T>
    Hasher& add(const T& value) {
        static_assert(std::is_arithmetic_v<T> || std::is_enum_v<T>);
        unsigned char bytes[sizeof(T)];
        std::memcpy(bytes, &value, sizeof(T));
        return addBytes(bytes, sizeof(T));
    }
    Hasher& add(const Cell& cell) {
        return add(cell.shrink).add(cell.solid).add(cell.tile).add(cell.yOffset);
    }
    Hasher& addBytes(const void* data, size_t size) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < size; ++i) {
            hash_ = (hash_ ^ bytes[i]) * 0x100000001B3ull;
        }
        return *this;
    }
    uint64_t value() const { return hash_; }

  private:
    uint64_t hash_ = 0xCBF29CE484222325ull;
};

uint64_t boardHash(const Board& board) {
    Hasher h;
    h.add(board.width).add(board.height).add(board.cellSize);
    for (const Cell& cell : board.cells) {
        h.add(cell);
    }
    return h.value();
}

uint64_t pieceHash(const Piece& piece) {
    Hasher h;
    h.add(piece.width).add(piece.height).add(piece.yOffset).add(piece.blockTemplate);
    return h.addBytes(piece.mask, sizeof piece.mask).value();
}

uint64_t debrisHash(const Game& game) {
    Hasher h;
    h.add(game.liveParticleCount).add(game.particleFrameCounter);
    for (int i = 0; i < game.liveParticleCount && i < MAX_PARTICLES; ++i) {
        const Particle& p = game.particles[i];
        h.add(p.tile).add(p.x).add(p.y).add(p.vx).add(p.vy).add(p.ax).add(p.ay);
        h.add(p.size).add(p.shrink).add(p.initialSize);
    }
    return h.value();
}

uint64_t tableHash(const Game& game) {
    Hasher h;
    for (int i = 0; i < TABLE_PLACES; ++i) {
        const ScoreRecord& r = game.highScores.records[i];
        h.addBytes(r.name, sizeof r.name).add(r.score).add(r.lines).add(r.seconds);
    }
    return h.addBytes(game.playerName.data(), game.playerName.size()).value();
}

}  // namespace

uint64_t StateDigest::combined() const {
    Hasher h;
    for (uint64_t field : fields) {
        h.add(field);
    }
    return h.value();
}

int StateDigest::firstDifference(const StateDigest& other) const {
    for (size_t i = 0; i < fields.size(); ++i) {
        if (fields[i] != other.fields[i]) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

StateDigest digestOf(const Game& game) {
    const Board* board = game.board.get();
    StateDigest digest;
    digest.fields = {
        board ? boardHash(*board) : 0,
        pieceHash(game.piece),
        Hasher().add(game.pieceColumn).add(game.pieceRow).value(),
        board ? Hasher().add(board->score).add(board->pendingScore).value() : 0,
        board ? Hasher().add(board->lines).value() : 0,
        board ? Hasher().add(board->elapsedSeconds).value() : 0,
        Hasher()
            .add(game.state)
            .add(game.stateDelay)
            .add(game.stateAfterDelay)
            .add(game.paused)
            .add(game.fastDrop)
            .add(game.leftHeld)
            .add(game.rightHeld)
            .add(game.sidewaysRepeat)
            .add(game.shakeCounter)
            .add(game.bannerZoom)
            .value(),
        debrisHash(game),
        tableHash(game),
        Hasher().add(randomState()).value(),
    };
    return digest;
}

}  // namespace shardfall
