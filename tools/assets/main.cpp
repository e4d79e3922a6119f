// shardfall_assets <output folder>: paints the background, synthesises the sound effects and
// composes the music that the game loads at run time, all from code, the same bytes every run.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "background.h"
#include "bitmap_file.h"
#include "effects.h"
#include "synth.h"
#include "wave_file.h"

namespace {

bool report(bool ok, const std::filesystem::path& path) {
    if (!ok) {
        std::fprintf(stderr, "shardfall_assets: cannot write %s\n", path.string().c_str());
    }
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace shardfall;
    if (argc != 2) {
        std::fprintf(stderr, "usage: shardfall_assets <output folder>\n");
        return 2;
    }
    const std::filesystem::path out = argv[1];
    std::error_code error;
    std::filesystem::create_directories(out, error);

    bool ok = true;
    const auto picture = out / "dx000.bmp";
    ok &= report(writeBitmap24(picture.string(), BACKGROUND_SIZE, BACKGROUND_SIZE, paintBackground()),
                 picture);

    struct Effect {
        const char* fileName;
        std::vector<double> (*make)();
    };
    const Effect effects[] = {
        {"pop.wav", makeLandingPop},   {"xplode2.wav", makeLineBurst},
        {"explode.wav", makeBigExplosion}, {"gem.wav", makeGemChime},
        {"EXORCISM.wav", makeGameOverSting},
    };
    std::filesystem::create_directories(out / "Sounds", error);
    for (const auto& effect : effects) {
        const auto path = out / "Sounds" / effect.fileName;
        ok &= report(writeWave(path.string(), effect.make(), SAMPLE_RATE), path);
    }
    return ok ? 0 : 1;
}
