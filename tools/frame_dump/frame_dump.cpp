// Composes frames of the game without a window and writes them as PNG pictures, one per state:
// play with debris in the air, pause, the Game Over banner, and the leaderboard with a pending
// entry. For looking at layout changes and for the README's picture.
//
//   frame_dump OUTPUT_FOLDER [BACKGROUND.bmp] [WIDTHxHEIGHT] [--half]
//
// Without a background a plain gradient stands in. --half also writes each picture at half
// size, box-filtered. The game runs in a scratch folder, so no records.dat is left behind.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bitmap_encoder.h"
#include "game/board.h"
#include "game/game.h"
#include "platform/headless_display_backend.h"
#include "platform/random.h"
#include "platform/software_surface.h"
#include "png_writer.h"
#include "render/display.h"
#include "render/frame.h"

namespace fs = std::filesystem;
using namespace shardfall;

namespace {

// The frames are composed far faster than the game's 100 a second; the FPS counter is shown
// the clock of a real run instead, one 10 ms tick per frame.
uint32_t tickMilliseconds = 0;
uint32_t tickClock() {
    return tickMilliseconds;
}

void render(Display& display, Game& game, int frames = 1) {
    for (int i = 0; i < frames; ++i) {
        tickMilliseconds += 10;
        RunTick(display, game);
    }
}

std::vector<uint8_t> gradientBackground() {
    std::vector<uint32_t> pixels(256 * 256);
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            pixels[y * 256 + x] = static_cast<uint32_t>(((x / 2) << 16) | ((y / 3) << 8) | 0x50);
        }
    }
    return EncodeBitmapFile(pixels.data(), 256, 256);
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

int run(const fs::path& output, int width, int height, bool half) {
    Dumper dumper(output, half);
    seedRandom(7);
    auto game = std::make_unique<Game>();
    HeadlessDisplayBackend backend(width, height);
    Display display;
    if (InitDisplay(display, backend, *game) != 1) {
        for (const auto& box : backend.messageBoxes) {
            std::fprintf(stderr, "frame_dump: %s\n", box.text.c_str());
        }
        return 1;
    }
    display.fpsCounter = FpsCounter(tickClock);
    bool ok = true;

    // Play: the first piece falls for a while, then a four-row clear bursts into debris.
    render(display, *game, 120);
    burstRows(*game);
    game->board->score = 4120;
    render(display, *game, 28);
    ok = dumper.write(*backend.primary(), "play") && ok;

    game->paused = true;
    render(display, *game);
    ok = dumper.write(*backend.primary(), "pause") && ok;
    game->paused = false;

    // Game over, as a piece that cannot enter leaves it; the banner has grown to full size.
    game->state = PLAYING | SHAKE | GAME_OVER;
    game->stateDelay = 400;
    game->stateAfterDelay = SHOW_SCORES;
    game->bannerZoom = -50;
    game->leaderboardY = display.screen.height;
    game->playerName.clear();
    render(display, *game, 80);
    ok = dumper.write(*backend.primary(), "game-over") && ok;

    // The scores: the table has risen to rest and the name is being typed.
    render(display, *game, 320);
    game->playerName = "SHARD";
    render(display, *game, display.screen.height);
    ok = dumper.write(*backend.primary(), "leaderboard") && ok;

    ReleaseDisplay(display);
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr,
                     "usage: frame_dump OUTPUT_FOLDER [BACKGROUND.bmp] [WIDTHxHEIGHT] [--half]\n");
        return 2;
    }
    const fs::path output = fs::absolute(argv[1]);
    std::vector<uint8_t> background = gradientBackground();
    int width = 1920;
    int height = 1080;
    bool half = false;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--half") == 0) {
            half = true;
        } else if (std::sscanf(argv[i], "%dx%d", &width, &height) == 2) {
            if (width < 64 || height < 64 || width > 8192 || height > 8192) {
                std::fprintf(stderr, "frame_dump: screen size out of range\n");
                return 2;
            }
        } else {
            std::ifstream in(argv[i], std::ios::binary);
            if (!in) {
                std::fprintf(stderr, "frame_dump: cannot read %s\n", argv[i]);
                return 2;
            }
            background.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
    }
    fs::create_directories(output);

    std::string pattern = (fs::temp_directory_path() / "frame-dump-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("frame_dump");
        return 1;
    }
    const fs::path scratch = pattern;
    const fs::path previous = fs::current_path();
    fs::current_path(scratch);
    std::ofstream("dx000.bmp", std::ios::binary)
        .write(reinterpret_cast<const char*>(background.data()),
               static_cast<std::streamsize>(background.size()));
    const int result = run(output, width, height, half);
    fs::current_path(previous);
    fs::remove_all(scratch);
    return result;
}
