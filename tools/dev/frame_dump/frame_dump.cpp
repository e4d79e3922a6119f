// Composes frames of the game without a window and writes them as PNG pictures, one per state:
// play with debris in the air, pause, the Game Over banner, and the leaderboard with a pending
// entry. For looking at layout changes and for the README's picture.
//
//   frame_dump OUTPUT_FOLDER [BACKGROUND.bmp] [WIDTHxHEIGHT] [--half]
//
// Without a background the headless game's gradient stands in. --half also writes each picture at
// half size, box-filtered. The game runs in a scratch folder, so no records.dat is left behind.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/game_tick.h"
#include "formats/bitmap_encoder.h"
#include "game/board.h"
#include "game/game.h"
#include "gfx/software/software_surface.h"
#include "gfx/surface.h"
#include "host/headless/headless_game.h"
#include "png_writer.h"
#include "render/display.h"
#include "render/frame.h"
#include "sys/random.h"

namespace fs = std::filesystem;
using namespace shardfall;

namespace {

void render(HeadlessGame& headless, int frames = 1) {
    for (int i = 0; i < frames; ++i) {
        headless.tick();
    }
}

void halve(const SoftwareSurface& from, SoftwareSurface& to) {
    for (int y = 0; y < to.height(); ++y) {
        for (int x = 0; x < to.width(); ++x) {
            uint32_t sum[3] = {0, 0, 0};
            for (int dy = 0; dy < 2; ++dy) {
                for (int dx = 0; dx < 2; ++dx) {
                    const uint32_t p = from.pixel(2 * x + dx, 2 * y + dy);
                    sum[0] += (p >> 16) & 0xFF;
                    sum[1] += (p >> 8) & 0xFF;
                    sum[2] += p & 0xFF;
                }
            }
            to.setPixel(x, y, ((sum[0] / 4) << 16) | ((sum[1] / 4) << 8) | (sum[2] / 4));
        }
    }
}

class Dumper {
  public:
    Dumper(fs::path output, bool half) : output_(std::move(output)), half_(half) {}

    bool write(const SoftwareSurface& screen, const std::string& name) {
        const fs::path path = output_ / (name + ".png");
        if (!writePng(screen, path.string())) {
            std::fprintf(stderr, "frame_dump: cannot write %s\n", path.c_str());
            return false;
        }
        std::printf("%s\n", path.c_str());
        if (half_) {
            SoftwareSurface small(screen.width() / 2, screen.height() / 2);
            halve(screen, small);
            return writePng(small, (output_ / (name + "-half.png")).string());
        }
        return true;
    }

  private:
    fs::path output_;
    bool half_;
};

// A stack of blocks with its four lowest rows full, cleared at once: a shaking well with 80
// blocks of debris in the air.
void burstRows(Game& game) {
    Board& board = *game.board;
    for (int y = 9; y < board.height; ++y) {
        for (int x = 0; x < board.width; ++x) {
            const bool hole =
                y < 16 && (x == (y * 3) % board.width || x == (y * 7 + 2) % board.width);
            if (!hole) {
                board.setCell(x, y, Cell{0, 255, (x + 2 * y) % 7, 0});
            }
        }
    }
    game.clearFullRows();
}

int run(const fs::path& output, const HeadlessGame::Options& options, bool half) {
    Dumper dumper(output, half);
    // Seeded before the game is built, so the default table's names are the same every time.
    seedRandom(7);
    HeadlessGame headless;
    std::string error;
    if (!headless.start(options, error)) {
        std::fprintf(stderr, "frame_dump: %s\n", error.c_str());
        return 1;
    }
    Game* game = &headless.game();
    const Display& display = headless.display();
    const SoftwareSurface& screen = *headless.backend().primary();
    bool ok = true;

    // Play: the first piece falls for a while, then a four-row clear bursts into debris.
    render(headless, 120);
    burstRows(*game);
    game->board->score = 4120;
    render(headless, 28);
    ok = dumper.write(screen, "play") && ok;

    game->paused = true;
    render(headless);
    ok = dumper.write(screen, "pause") && ok;
    game->paused = false;

    // Game over, as a piece that cannot enter leaves it; the banner has grown to full size.
    game->state = PLAYING | SHAKE | GAME_OVER;
    game->stateDelay = 400;
    game->stateAfterDelay = SHOW_SCORES;
    game->bannerZoom = -50;
    game->leaderboardY = display.screen.height;
    game->playerName.clear();
    render(headless, 80);
    ok = dumper.write(screen, "game-over") && ok;

    // The scores: the table has risen to rest and the name is being typed.
    render(headless, 320);
    game->playerName = "SHARD";
    render(headless, display.screen.height);
    ok = dumper.write(screen, "leaderboard") && ok;

    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    // An option where the folder belongs (--help, say) is not taken for a folder's name.
    if (argc < 2 || argv[1][0] == '-') {
        std::fprintf(stderr,
                     "usage: frame_dump OUTPUT_FOLDER [BACKGROUND.bmp] [WIDTHxHEIGHT] [--half]\n");
        return 2;
    }
    const fs::path output = fs::absolute(argv[1]);
    HeadlessGame::Options options;
    options.width = 1920;
    options.height = 1080;
    options.musicStartUp = false;
    bool half = false;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--half") == 0) {
            half = true;
        } else if (std::sscanf(argv[i], "%dx%d", &options.width, &options.height) == 2) {
            if (options.width < 64 || options.height < 64 || options.width > 8192 ||
                options.height > 8192) {
                std::fprintf(stderr, "frame_dump: screen size out of range\n");
                return 2;
            }
        } else {
            std::ifstream in(argv[i], std::ios::binary);
            if (!in) {
                std::fprintf(stderr, "frame_dump: cannot read %s\n", argv[i]);
                return 2;
            }
            options.background.assign(std::istreambuf_iterator<char>(in),
                                      std::istreambuf_iterator<char>());
        }
    }
    fs::create_directories(output);

    return run(output, options, half);
}
