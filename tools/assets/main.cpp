// shardfall_assets <output folder>: paints the background, synthesises the sound effects and
// composes the music that the game loads at run time, all from code, the same bytes every run.
// shardfall_assets --icons <folder>: paints the application icon in the hicolor theme's sizes
// and layout, for the installed game's menu entry.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "background.h"
#include "effects.h"
#include "formats/bitmap_encoder.h"
#include "formats/midi_file.h"
#include "icon.h"
#include "synth.h"
#include "tunes.h"
#include "wave_writer.h"

namespace {

bool report(bool ok, const std::filesystem::path& path) {
    if (!ok) {
        std::fprintf(stderr, "shardfall_assets: cannot write %s\n", path.string().c_str());
    }
    return ok;
}

int writeAssets(const std::filesystem::path& out) {
    using namespace shardfall;
    std::error_code error;
    std::filesystem::create_directories(out, error);

    bool ok = true;
    const auto picture = out / "dx000.bmp";
    ok &=
        report(writeBitmap24(picture.string(), BACKGROUND_SIZE, BACKGROUND_SIZE, paintBackground()),
               picture);

    struct Effect {
        const char* fileName;
        std::vector<double> (*make)();
    };
    const Effect effects[] = {
        {"pop.wav", makeLandingPop},         {"xplode2.wav", makeLineBurst},
        {"explode.wav", makeBigExplosion},   {"gem.wav", makeGemChime},
        {"EXORCISM.wav", makeGameOverSting},
    };
    std::filesystem::create_directories(out / "Sounds", error);
    for (const auto& effect : effects) {
        const auto path = out / "Sounds" / effect.fileName;
        ok &= report(writeWave(path.string(), effect.make(), SAMPLE_RATE), path);
    }

    std::filesystem::create_directories(out / "music", error);
    for (int number = 0; number < TUNE_COUNT; ++number) {
        const auto path = out / "music" / ("music" + std::to_string(number) + ".mid");
        ok &= report(writeMidiFile(path.string(), composeTune(number)), path);
    }
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const bool icons = argc == 3 && std::string(argv[1]) == "--icons";
    if (argc != 2 && !icons) {
        std::fprintf(stderr,
                     "usage: shardfall_assets <output folder>\n"
                     "       shardfall_assets --icons <folder>\n");
        return 2;
    }
    if (icons) {
        return shardfall::writeIcons(argv[2]) ? 0 : 1;
    }
    try {
        return writeAssets(argv[1]);
    } catch (const std::exception& error) {
        // A score that does not add up is a mistake in the generator, not in its input.
        std::fprintf(stderr, "shardfall_assets: %s\n", error.what());
        return 1;
    }
}
