#include <benchmark/benchmark.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "game/board.h"
#include "game/game.h"
#include "gfx/surface.h"
#include "host/headless/headless_game.h"
#include "render/display.h"

namespace shardfall {
namespace {

// A 1920 × 1080 headless display in a scratch folder, with a background picture, a well full
// of blocks and debris particles that neither move nor fade, so every frame costs the same.
class BusyFrame {
  public:
    explicit BusyFrame(int particles) {
        HeadlessGame::Options options;
        options.width = 1920;
        options.height = 1080;
        std::string error;
        if (!headless_.start(options, error)) {
            std::fprintf(stderr, "frame_bench: %s\n", error.c_str());
            std::abort();
        }
        fillWell();
        scatterDebris(particles);
    }

    void render() { headless_.tick(); }

  private:
    // Every cell taken but one per row, so nothing clears; no steps run while the delay lasts.
    void fillWell() {
        Board& board = *headless_.game().board;
        for (int y = 0; y < board.height; ++y) {
            for (int x = 0; x < board.width; ++x) {
                board.setCell(x, y,
                              x == y % board.width ? EMPTY_CELL : Cell{y % 5, 255, (x + y) % 8, 0});
            }
        }
        board.score = 123456;
        board.lines = 789;
        headless_.game().stateDelay = 1 << 30;
        headless_.game().stateAfterDelay = headless_.game().state;
    }

    void scatterDebris(int count) {
        for (int i = 0; i < count; ++i) {
            Particle& p = headless_.game().particles[i];
            p.tile = i % 8;
            p.x = 100 + (i * 37) % 1700;
            p.y = 50 + (i * 53) % 950;
            p.initialSize = headless_.display().screen.cellSize;
            p.size = headless_.display().screen.cellSize - (i % 20);
        }
        headless_.game().liveParticleCount = count;
    }

    HeadlessGame headless_;
};

// A plain copy of one 1920 × 1080 frame, row by row as a copy between surfaces makes it: the
// floor a frame is measured against. Both buffers start on a page boundary: heap blocks can
// leave a destination a few bytes past its source modulo 4 KiB, where every row copy stalls on
// false store-to-load aliasing and the floor would come out several times too high.
class PlainFrameCopy {
  public:
    static constexpr size_t ROW = 1920 * sizeof(uint32_t);
    static constexpr size_t FRAME = ROW * 1080;

    PlainFrameCopy()
        : from_(static_cast<uint8_t*>(std::aligned_alloc(4096, FRAME))),
          to_(static_cast<uint8_t*>(std::aligned_alloc(4096, FRAME))) {
        std::memset(from_.get(), 0x40, FRAME);
        std::memset(to_.get(), 0, FRAME);
    }

    void copy() {
        for (size_t y = 0; y < 1080; ++y) {
            std::memcpy(to_.get() + y * ROW, from_.get() + y * ROW, ROW);
        }
        benchmark::ClobberMemory();
    }

  private:
    struct Free {
        void operator()(void* p) const { std::free(p); }
    };
    std::unique_ptr<uint8_t, Free> from_;
    std::unique_ptr<uint8_t, Free> to_;
};

// CPU time of this thread, so that other processes on a busy machine do not count.
double threadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// A whole frame: background, credit line, 190 cells, the frame, the debris (none, the 80 that
// four cleared rows make, or all 800 particles), the score panel, the FPS counter and the flip.
// "x_copy" is the frame's time over that of a plain frame copy measured in the same run, each
// in a loop of its own with warm caches, both in CPU time of this thread.
void BM_RenderFrame1080p(benchmark::State& state) {
    PlainFrameCopy plain;
    constexpr int COPIES = 200;
    for (int i = 0; i < COPIES / 10; ++i) {
        plain.copy();
    }
    const double copyStart = threadSeconds();
    for (int i = 0; i < COPIES; ++i) {
        plain.copy();
    }
    const double copySeconds = (threadSeconds() - copyStart) / COPIES;

    BusyFrame frame(static_cast<int>(state.range(0)));
    double frameSeconds = 0;
    for (auto _ : state) {
        const double start = threadSeconds();
        frame.render();
        benchmark::ClobberMemory();
        const double elapsed = threadSeconds() - start;
        state.SetIterationTime(elapsed);
        frameSeconds += elapsed;
    }
    const auto frames = static_cast<double>(state.iterations());
    state.counters["x_copy"] = frameSeconds / frames / copySeconds;
}
BENCHMARK(BM_RenderFrame1080p)
    ->Arg(0)
    ->Arg(80)
    ->Arg(MAX_PARTICLES)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

// The plain copy alone.
void BM_PlainFrameCopy1080p(benchmark::State& state) {
    PlainFrameCopy plain;
    for (auto _ : state) {
        plain.copy();
    }
}
BENCHMARK(BM_PlainFrameCopy1080p)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace shardfall
