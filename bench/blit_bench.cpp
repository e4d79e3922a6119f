#include <benchmark/benchmark.h>

#include <cstring>

#include "gfx/software/software_surface.h"
#include "gfx/surface.h"

namespace shardfall {
namespace {

// The background stretched over a 1920 × 1080 frame, the largest copy of every frame.
void BM_StretchBackground1080p(benchmark::State& state) {
    SoftwareSurface background(256, 256);
    SoftwareSurface frame(1920, 1080);
    const Rect dst{0, 0, 1920, 1080};
    for (auto _ : state) {
        frame.blt(dst, background, nullptr, BLT_ROP);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_StretchBackground1080p);

// The bandwidth floor: one plain copy of a 1920 × 1080 frame.
void BM_MemcpyFrame1080p(benchmark::State& state) {
    SoftwareSurface from(1920, 1080);
    SoftwareSurface to(1920, 1080);
    for (auto _ : state) {
        std::memcpy(to.row(0), from.row(0), size_t{1920} * 1080 * 4);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MemcpyFrame1080p);

}  // namespace
}  // namespace shardfall
