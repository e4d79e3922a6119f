#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>

#include "gfx/draw_context.h"
#include "gfx/scoped_draw.h"
#include "gfx/software/software_surface.h"
#include "gfx/surface.h"

namespace shardfall {
namespace {

// At 1920 × 1080 a cell is 51 pixels: the score panel's font is 61 high and 30 wide.
constexpr int PANEL_HEIGHT = 61;
constexpr int PANEL_WIDTH = 30;

// One score-panel line as a frame draws it, glyphs already cached: the font made and
// dropped around the text, as the game does every frame.
void BM_ScorePanelLine1080p(benchmark::State& state) {
    SoftwareSurface frame(1920, 1080);
    const char* line = "SCORE 1234567";
    const int length = static_cast<int>(std::strlen(line));
    for (auto _ : state) {
        {
            ScopedDC dc(frame);
            ScopedFont font(*dc, PANEL_HEIGHT, PANEL_WIDTH,
                            FontFamily::Modern | FontFamily::FixedPitch);
            dc->setTextColor(0xFFFFFF);
            dc->setBkMode(BackgroundMode::Transparent);
            dc->textOut(1920 - 14 * PANEL_WIDTH, 0, line, length);
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * length);
}
BENCHMARK(BM_ScorePanelLine1080p);

// The whole leaderboard at 1080p: ten rows of 36 characters, 60 high and 30 wide.
void BM_LeaderboardRows1080p(benchmark::State& state) {
    SoftwareSurface frame(1920, 1080);
    char rows[10][40];
    for (int i = 0; i < 10; ++i) {
        std::snprintf(rows[i], sizeof rows[i], "%2i. %-14s %06i %04i %02i:%02i", i + 1, "Player",
                      2000 - 100 * i, 13, 4, 36);
    }
    for (auto _ : state) {
        {
            ScopedDC dc(frame);
            ScopedFont font(*dc, 60, 30, FontFamily::Modern | FontFamily::FixedPitch);
            for (int i = 0; i < 10; ++i) {
                dc->setBkMode(BackgroundMode::Transparent);
                dc->setTextColor(0xFFFFFF);
                dc->textOut(420, 240 + i * 60, rows[i], static_cast<int>(std::strlen(rows[i])));
            }
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 360);
}
BENCHMARK(BM_LeaderboardRows1080p);

}  // namespace
}  // namespace shardfall
