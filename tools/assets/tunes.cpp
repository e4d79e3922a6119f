#include "tunes.h"

#include <stdexcept>

#include "composition.h"

namespace shardfall {

namespace {

using Groove = std::vector<Composer::DrumLine>;

// General MIDI percussion keys.
constexpr uint8_t KICK = 36;
constexpr uint8_t SIDE_STICK = 37;
constexpr uint8_t SNARE = 38;
constexpr uint8_t LOW_TOM = 45;
constexpr uint8_t FLOOR_TOM = 41;
constexpr uint8_t MID_TOM = 47;
constexpr uint8_t HIGH_TOM = 50;
constexpr uint8_t CLOSED_HAT = 42;
constexpr uint8_t OPEN_HAT = 46;
constexpr uint8_t CRASH = 49;
constexpr uint8_t RIDE = 51;
constexpr uint8_t TAMBOURINE = 54;
constexpr uint8_t SHAKER = 70;
constexpr uint8_t TRIANGLE = 81;

// ---- 0: Shard Runner, E minor, driving ---------------------------------------------------------

Score shardRunner() {
    Score score;
    score.title = "Shard Runner";
    score.keySharps = 1;
    score.minorKey = true;
    Composer c(score, 4, 0x5A4D0);
    const int lead = c.addPart("Saw lead", 0, 81, 90, 64, 40);
    const int strings = c.addPart("Strings", 1, 48, 78, 44, 70);
    const int pad = c.addPart("Warm pad", 2, 89, 72, 84, 80);
    const int arp = c.addPart("Square arpeggio", 3, 80, 58, 96, 50);
    const int bass = c.addPart("Synth bass", 4, 38, 100, 64, 10);
    const int kit = c.addPart("Drums", DRUM_CHANNEL, 0, 100, 64, 30);

    const Phrase motif = phrase("1'/4. 7/8 1'/8 2'/8 3'/4");
    const Phrase front = motif + phrase(
                                     "3'/8 2'/8 1'/4 5/4. r/8 | 3/8 5/8 1'/8 5/8 2'/8 1'/8 7/4 | "
                                     "2'/4. 1'/8 7/2");
    const Phrase frontVaried = phrase(
        ">1'/8 1'/8 7/8 1'/8 r/8 2'/8 3'/4 | 5'/8 3'/8 2'/8 1'/8 5/4 r/8 5/8 | "
        "3/8 5/8 1'/8 5/8 2'/8 3'/8 5'/4 | 4'/8 3'/8 2'/4 r/8 7/8 1'/8 2'/8");
    const Phrase climb = motif + phrase("5'/8 4'/8 3'/4 2'/8 1'/8 3'/4");
    const Phrase open = climb + phrase("1'/4 4'/4 3'/8 2'/8 1'/4 | 2'/4 #7/4. 5/8 #7/4");
    const Phrase close = climb + phrase("1'/8 3'/8 4'/4 #7/4 2'/4 | 1'/2. r/4");
    const Phrase bridge = phrase(
        "3'/2 2'/4 1'/4 | 2'/2. 7/8 1'/8 | 2'/4 5/4 7/4 2'/4 | 3'/2. r/4 | "
        "4'/4. 3'/8 1'/4 4'/4 | 5'/4. 4'/8 2'/2 | 3'/8 2'/8 1'/8 7/8 3'/4 5'/4 | 2'/4. #7/8 5/4 "
        "#7/4");
    // The break walks the opening motif down the scale, a step per bar.
    const Phrase descent = motif + shifted(motif, -1) + shifted(motif, -2) + shifted(motif, -3) +
                           motif + shifted(motif, -1) + phrase("1'/2 6/4 1'/4 | #7/1");

    const char* verse = "1 | 6 | 3 | 7 | 1 | 6 | 4 | 5M";
    const char* verseHome = "1 | 6 | 3 | 7 | 1 | 6 | 4 5M | 1";
    const char* chorus = "6 | 7 | 5 | 1 | 4 | 7 | 3 | 5M";
    const char* fall = "6 | 5 | 4 | 3 | 6 | 5 | 4 | 5M";

    const Groove drive{
        {KICK, "x.....x.x.....x."}, {SNARE, "....X.......X..."}, {CLOSED_HAT, "xoxoxoxoxoxoxoxo"}};
    const Groove fill{{KICK, "x.....x.x......."},
                      {SNARE, "....X...x.x.XXXX"},
                      {HIGH_TOM, ".........x......"},
                      {MID_TOM, "...........x...."},
                      {CLOSED_HAT, "x.x.x.x........."}};
    const Groove halfTime{
        {KICK, "x.........x....."}, {SNARE, "........X......."}, {RIDE, "x.x.x.x.x.x.x.x."}};
    const Groove hatsOnly{{KICK, "x.......x......."}, {CLOSED_HAT, "x.x.x.x.x.x.x.x."}};
    const Groove crash{{CRASH, "X..............."}};

    auto drums = [&](uint32_t start, int bars, const Groove& groove, int velocity) {
        c.drums(kit, start, 1, crash, velocity);
        c.drums(kit, start, bars - 1, groove, velocity);
        c.drums(kit, start + c.bars(bars - 1), 1, fill, velocity);
    };
    auto band = [&](const Key& key, const char* progression, uint32_t start, int velocity,
                    bool withStrings) {
        const auto harmony = c.chords(key, progression, start);
        c.bass(bass, harmony, "RrRrRrOA", 28, velocity + 4);
        c.pad(pad, harmony, 52, 67, velocity - 22);
        c.arpeggio(arp, harmony, "01231321", TICKS_PER_BEAT / 2, 64, velocity - 20);
        if (withStrings) {
            c.counterLine(strings, harmony, 55, 72, TICKS_PER_BEAT * 2, velocity - 14);
        }
    };

    const Key em{64, MINOR};
    const Key fsm{66, MINOR};  // the last round climbs a whole tone
    c.tempo(0, 140.0);
    uint32_t at = 0;

    // Intro: the riff gathers, drums come in on the third bar.
    c.drums(kit, at, 2, hatsOnly, 70);
    c.drums(kit, at + c.bars(2), 1, drive, 84);
    c.drums(kit, at + c.bars(3), 1, fill, 88);
    {
        const auto harmony = c.chords(em, "1 | 6 | 3 | 7", at);
        c.bass(bass, harmony, "RrRrRrOA", 28, 84);
        c.arpeggio(arp, harmony, "01231321", TICKS_PER_BEAT / 2, 64, 62);
        c.swell(pad, at, c.bars(4), 40, 127);
        c.pad(pad, harmony, 52, 67, 60);
    }
    at += c.bars(4);

    auto verseBlock = [&](const Key& key, int velocity, bool withStrings, bool varied) {
        band(key, verse, at, velocity, withStrings);
        c.melody(lead, key, varied ? frontVaried + open : front + open, at, 8, velocity + 6);
        drums(at, 8, drive, velocity + 2);
        at += c.bars(8);
        band(key, verseHome, at, velocity, withStrings);
        c.melody(lead, key, front + close, at, 8, velocity + 8);
        drums(at, 8, drive, velocity + 4);
        at += c.bars(8);
    };
    auto chorusBlock = [&](const Key& key, int velocity) {
        band(key, chorus, at, velocity, true);
        c.melody(lead, key, bridge, at, 8, velocity + 10, 0.96);
        drums(at, 8, drive, velocity + 6);
        at += c.bars(8);
    };

    verseBlock(em, 80, false, false);
    chorusBlock(em, 82);
    verseBlock(em, 84, true, true);

    // Break: half time, the motif falls step by step over a descending bass.
    {
        const auto harmony = c.chords(em, fall, at);
        c.bass(bass, harmony, "R---R-F-", 28, 80);
        c.pad(pad, harmony, 52, 67, 64);
        c.arpeggio(arp, harmony, "0123", TICKS_PER_BEAT / 2, 64, 54);
        c.melody(strings, em, descent, at, 8, 76, 0.97);
        c.drums(kit, at, 7, halfTime, 72);
        c.drums(kit, at + c.bars(7), 1, fill, 84);
        at += c.bars(8);
    }
    chorusBlock(em, 86);

    // Interlude: the band alone, the arpeggio to the front.
    {
        const auto harmony = c.chords(em, verse, at);
        c.bass(bass, harmony, "RrRrRrOA", 28, 88);
        c.pad(pad, harmony, 52, 67, 62);
        c.arpeggio(arp, harmony, "0123423121324321", TICKS_PER_BEAT / 4, 64, 74);
        c.counterLine(strings, harmony, 55, 72, TICKS_PER_BEAT * 4, 70);
        drums(at, 8, drive, 88);
        at += c.bars(8);
    }

    verseBlock(fsm, 88, true, false);
    chorusBlock(fsm, 90);
    verseBlock(fsm, 90, true, true);

    // Outro: the riff once more, slowing into a last held chord.
    {
        const auto harmony = c.chords(fsm, "1 | 6 | 4 | 5M | 1", at);
        c.bass(bass, harmony, "RrRrRrOA", 30, 86);
        c.pad(pad, harmony, 54, 69, 64);
        c.arpeggio(arp, harmony, "01231321", TICKS_PER_BEAT / 2, 66, 64);
        c.drums(kit, at, 1, crash, 90);
        c.drums(kit, at, 3, drive, 86);
        c.drums(kit, at + c.bars(3), 1, fill, 90);
        c.melody(lead, fsm, phrase("5/2. r/4 | 6/2. r/4 | 4'/2 3'/2 | 2'/2 #7/2 | 1'/1"), at, 5, 90,
                 0.98);
        c.ritardando(at + c.bars(3), c.bars(2), 140.0, 96.0);
        at += c.bars(4);
        c.drums(kit, at, 1, Groove{{CRASH, "X..............."}, {KICK, "X..............."}}, 96);
        c.swell(pad, at, c.bars(1), 127, 50);
        at += c.bars(1);
    }
    c.finish(at + TICKS_PER_BEAT);
    return score;
}

// ---- 1: Glasswater Waltz, F major, calm -------------------------------------------------------

Score glasswaterWaltz() {
    Score score;
    score.title = "Glasswater Waltz";
    score.keySharps = -1;
    Composer c(score, 3, 0x6A172);
    const int flute = c.addPart("Flute", 0, 73, 108, 58, 70);
    const int vibes = c.addPart("Vibraphone", 1, 11, 110, 72, 70);
    const int piano = c.addPart("Electric piano", 2, 4, 100, 48, 60);
    const int strings = c.addPart("Strings", 3, 48, 88, 80, 85);
    const int bass = c.addPart("Fretless bass", 4, 35, 110, 64, 30);
    const int kit = c.addPart("Drums", DRUM_CHANNEL, 0, 88, 64, 50);

    const Phrase opening = phrase("3'/2 2'/8 1'/8 | 3'/4 7/4 5/4 | 6/4. 5/8 4/4 | 5/2 r/4");
    const Phrase first = opening + phrase("3'/2 4'/8 3'/8 | 2'/4 1'/4 6/4 | 1'/4. 7/8 6/4 | 5/2.");
    const Phrase second = opening + phrase("3'/2 4'/8 5'/8 | 6'/4 5'/4 4'/4 | 2'/2 7/4 | 1'/2.");
    const Phrase middle = phrase(
        "6/8 1'/8 3'/4 2'/8 1'/8 | 7/4. 1'/8 7/8 5/8 | 4/8 6/8 1'/4 2'/8 1'/8 | 3'/2 r/4 | "
        "2'/8 4'/8 6'/4 5'/8 4'/8 | 3'/4. 4'/8 3'/8 1'/8 | 4'/4 2'/4 6/4 | 7/2.");
    // The bridge drifts a major third down and lets the opening figure sink through it.
    const Phrase drift = phrase(
        "3'/2 2'/8 1'/8 | 2'/2 1'/8 7/8 | 1'/2 7/8 6/8 | 5/2. | "
        "4'/4. 3'/8 2'/4 | 3'/2 5/4 | 6/4 1'/4 3'/4 | 7/2 r/4");
    const Phrase farewell = phrase("6/2. | 5/2. | 4/2 6/4 | 7/2. | 1'/2.+2.");

    const char* firstChords = "1maj7 | 3m7 | 4maj7 | 5 | 6m7 | 4maj7 | 2m7 | 5sus";
    const char* secondChords = "1maj7 | 3m7 | 4maj7 | 5 | 6m7 | 2m7 | 5D7 | 1";
    const char* middleChords = "6 | 3 | 4 | 1 | 2 | 6 | 4 | 5";
    const char* driftChords = "1maj7 | 2m7 | 6m7 | 5sus | 4maj7 | 1maj7 | 2m7 | 7D7";

    const Groove sway{
        {KICK, "x....."}, {RIDE, "x.x.x."}, {SHAKER, "oxoxox"}, {SIDE_STICK, "....o."}};
    const Groove chime{{TRIANGLE, "x....."}};

    const Key f{65, MAJOR};
    const Key db{61, MAJOR};
    c.tempo(0, 88.0);
    uint32_t at = 0;

    enum class Strings { Pad, Line };
    auto band = [&](const Key& key, const char* progression, int velocity, Strings part,
                    bool drums) {
        const auto harmony = c.chords(key, progression, at);
        c.arpeggio(piano, harmony, "012432", TICKS_PER_BEAT / 2, 53, velocity - 8);
        c.bass(bass, harmony, "R-F", 33, velocity);
        if (part == Strings::Pad) {
            c.pad(strings, harmony, 53, 69, velocity - 22);
        } else {
            c.counterLine(strings, harmony, 60, 76, TICKS_PER_BEAT * 3, velocity - 12);
        }
        const int bars = static_cast<int>(harmony.size());
        c.drums(kit, at, 1, chime, velocity - 20);
        if (drums) {
            c.drums(kit, at, bars, sway, velocity - 12);
        }
    };
    auto verse = [&](int lead, int velocity, Strings part, bool drums) {
        band(f, firstChords, velocity, part, drums);
        c.melody(lead, f, first, at, 8, velocity + 4, 0.95);
        at += c.bars(8);
        band(f, secondChords, velocity + 2, part, true);
        c.melody(lead, f, second, at, 8, velocity + 6, 0.95);
        at += c.bars(8);
    };
    auto chorus = [&](int lead, int velocity) {
        band(f, middleChords, velocity, Strings::Pad, true);
        c.melody(lead, f, middle, at, 8, velocity + 6, 0.9);
        at += c.bars(8);
    };

    // Intro: the piano alone, the strings fading in under it.
    {
        const auto harmony = c.chords(f, "1maj7 | 4maj7 | 1maj7 | 5sus", at);
        c.arpeggio(piano, harmony, "012432", TICKS_PER_BEAT / 2, 53, 64);
        c.swell(strings, at, c.bars(4), 30, 110);
        c.pad(strings, harmony, 53, 69, 56);
        c.bass(bass, harmony, "R--", 33, 60);
        at += c.bars(4);
    }
    verse(flute, 70, Strings::Pad, false);
    chorus(flute, 74);
    verse(vibes, 72, Strings::Line, true);
    {
        band(db, driftChords, 66, Strings::Pad, false);
        c.melody(flute, db, drift, at, 8, 70, 0.97);
        at += c.bars(8);
    }
    chorus(vibes, 76);
    verse(flute, 76, Strings::Line, true);

    // Coda: a last descent, slowing into a long F major chord.
    {
        const auto harmony = c.chords(f, "4maj7 | 5sus | 2m7 | 5 | 1maj7 | 1", at);
        c.arpeggio(piano, harmony, "012432", TICKS_PER_BEAT / 2, 53, 62);
        c.bass(bass, harmony, "R-F", 33, 68);
        c.pad(strings, harmony, 53, 69, 54);
        c.melody(flute, f, farewell, at, 6, 68, 0.98);
        c.drums(kit, at, 1, chime, 60);
        c.drums(kit, at + c.bars(4), 1, chime, 56);
        c.ritardando(at + c.bars(3), c.bars(3), 88.0, 60.0);
        c.swell(strings, at + c.bars(4), c.bars(2), 110, 40);
        at += c.bars(6);
    }
    c.finish(at + TICKS_PER_BEAT);
    return score;
}

// ---- 2: Hollow Geode, D minor, mysterious -----------------------------------------------------

Score hollowGeode() {
    Score score;
    score.title = "Hollow Geode";
    score.keySharps = -1;
    score.minorKey = true;
    Composer c(score, 4, 0x6E0DE);
    const int celesta = c.addPart("Celesta", 0, 8, 120, 72, 90);
    const int oboe = c.addPart("Oboe", 1, 68, 100, 56, 75);
    const int pizzicato = c.addPart("Pizzicato strings", 2, 45, 110, 40, 60);
    const int choir = c.addPart("Choir", 3, 52, 88, 88, 100);
    const int bass = c.addPart("Double bass", 4, 32, 120, 64, 40);
    const int cello = c.addPart("Cello", 5, 42, 110, 48, 70);
    const int kit = c.addPart("Drums", DRUM_CHANNEL, 0, 100, 64, 60);

    const Phrase motif = phrase("5/4. 6/8 5/4 3/4");
    const Phrase opening = motif + phrase(
                                       "4/4. 3/8 1/2 | 6,/4 1/4 2/4 3/4 | 2/4. 1/8 #7,/2 | "
                                       "5/4. 6/8 5/4 1'/4 | 7/4. 6/8 4/2");
    const Phrase question = opening + phrase("6/4 4/4 2/4 4/4 | 5,/4 #7,/4 2/4 4/4");
    const Phrase answer = opening + phrase("6/4 4/4 #7,/4 2/4 | 1/1");
    const Phrase deeper = phrase(
        "3/2. 4/8 3/8 | 2/2 1/4 7,/4 | 2/2. 1/8 2/8 | 3/1 | "
        "4/4. 6/8 1'/4 6/4 | b2'/2 6/4 4/4 | #7/4. 2'/8 #7/4 6/4 | 5/1");
    // In the bridge the cellos take the opening motif and rock it between D minor and E flat.
    const Phrase rocking = motif + shifted(motif, 1) + motif + shifted(motif, 1) +
                           phrase("3/2. 4/4 | 6/2. 4/4 | #7,/1 | 2/1");
    const Phrase fading = motif + phrase("6/1") + motif + phrase("5/1 | 1/1");

    const char* questionChords = "1 | 6 | 4 | 5M | 1 | 6 | 2m7b5 | 5D7";
    const char* answerChords = "1 | 6 | 4 | 5M | 1 | 6 | 2m7b5 5D7 | 1";
    const char* deeperChords = "6 | 7 | 5 | 1 | 4 | b2M | 5M | 5D7";
    const char* rockingChords = "1 | b2M | 1 | b2M | 6 | b2M | 5M | 5D7";

    const Groove pulse{{KICK, "x.........x....."},
                       {SIDE_STICK, "........x......."},
                       {SHAKER, "oxoxoxoxoxoxoxox"},
                       {LOW_TOM, "..............o."}};
    const Groove ritual{{KICK, "x.......x......."},
                        {FLOOR_TOM, "x..x..x...x.x..."},
                        {LOW_TOM, "......x.......x."},
                        {SHAKER, "oxoxoxoxoxoxoxox"}};
    const Groove chime{{TRIANGLE, "x..............."}};

    const Key high{74, MINOR};
    const Key low{50, MINOR};
    c.tempo(0, 92.0);
    uint32_t at = 0;

    auto band = [&](const char* progression, int velocity, const Groove* groove) {
        const auto harmony = c.chords(high, progression, at);
        c.arpeggio(pizzicato, harmony, "02123212", TICKS_PER_BEAT / 2, 50, velocity - 6);
        c.pad(choir, harmony, 57, 72, velocity - 18);
        c.bass(bass, harmony, "R-----F-", 33, velocity);
        const int bars = static_cast<int>(harmony.size());
        c.drums(kit, at, 1, chime, velocity - 10);
        if (groove != nullptr) {
            c.drums(kit, at, bars, *groove, velocity);
        }
        return harmony;
    };

    // Intro: the pizzicato figure alone, the choir rising behind it.
    {
        const auto harmony = c.chords(high, "1 | 6 | 1 | 5M", at);
        c.arpeggio(pizzicato, harmony, "02123212", TICKS_PER_BEAT / 2, 50, 66);
        c.swell(choir, at, c.bars(4), 20, 120);
        c.pad(choir, harmony, 57, 72, 56);
        c.bass(bass, harmony, "R-------", 33, 64);
        at += c.bars(4);
    }
    band(questionChords, 70, nullptr);
    c.melody(celesta, high, question, at, 8, 74);
    at += c.bars(8);
    band(answerChords, 72, &pulse);
    c.melody(celesta, high, answer, at, 8, 76);
    at += c.bars(8);
    band(deeperChords, 74, &pulse);
    c.melody(oboe, high, deeper, at, 8, 80, 0.96);
    at += c.bars(8);
    {
        const auto harmony = band(answerChords, 76, &pulse);
        c.melody(celesta, high, answer, at, 8, 80);
        c.counterLine(oboe, harmony, 62, 76, TICKS_PER_BEAT * 2, 62);
        at += c.bars(8);
    }
    {
        const auto harmony = c.chords(high, rockingChords, at);
        c.arpeggio(pizzicato, harmony, "02123212", TICKS_PER_BEAT / 2, 50, 74);
        c.pad(choir, harmony, 57, 72, 62);
        c.bass(bass, harmony, "R---R---", 33, 80);
        c.melody(cello, low, rocking, at, 8, 84, 0.97);
        c.drums(kit, at, 8, ritual, 80);
        at += c.bars(8);
    }
    {
        const auto harmony = band(deeperChords, 78, &pulse);
        c.melody(oboe, high, deeper, at, 8, 84, 0.96);
        c.counterLine(celesta, harmony, 74, 88, TICKS_PER_BEAT * 4, 60);
        at += c.bars(8);
    }
    band(questionChords, 76, &pulse);
    c.melody(celesta, high, question, at, 8, 80);
    at += c.bars(8);
    {
        const auto harmony = band(answerChords, 74, &pulse);
        c.melody(celesta, high, answer, at, 8, 78);
        c.counterLine(oboe, harmony, 62, 76, TICKS_PER_BEAT * 2, 60);
        at += c.bars(8);
    }

    // Outro: the motif twice more over the E flat shadow, then a bare D.
    {
        const auto harmony = c.chords(high, "1 | b2M | 1 | b2M | 1", at);
        c.arpeggio(pizzicato, harmony, "02123212", TICKS_PER_BEAT / 2, 50, 60);
        c.pad(choir, harmony, 57, 72, 54);
        c.bass(bass, harmony, "R-------", 33, 66);
        c.melody(celesta, high, fading, at, 5, 70, 0.98);
        c.drums(kit, at, 1, chime, 60);
        c.drums(kit, at + c.bars(4), 1, chime, 56);
        c.ritardando(at + c.bars(3), c.bars(2), 92.0, 66.0);
        c.swell(choir, at + c.bars(3), c.bars(2), 120, 30);
        at += c.bars(5);
    }
    c.finish(at + TICKS_PER_BEAT);
    return score;
}

// ---- 3: Prism Pop, G major, upbeat ------------------------------------------------------------

Score prismPop() {
    Score score;
    score.title = "Prism Pop";
    score.keySharps = 1;
    Composer c(score, 4, 0x9815A);
    const int lead = c.addPart("Square lead", 0, 80, 100, 64, 40);
    const int glockenspiel = c.addPart("Glockenspiel", 1, 9, 80, 82, 60);
    const int brass = c.addPart("Synth brass", 2, 62, 92, 44, 50);
    const int keys = c.addPart("Electric piano", 3, 5, 96, 92, 40);
    const int bass = c.addPart("Finger bass", 4, 33, 115, 64, 10);
    const int strings = c.addPart("Synth strings", 5, 50, 80, 36, 70);
    const int kit = c.addPart("Drums", DRUM_CHANNEL, 0, 100, 64, 40);

    const Phrase hook = phrase(
        "5/8 5/8 r/8 3/8 5/8 6/8 5/4 | 2/8 3/8 r/8 2/8 7,/4 5,/4 | "
        "3/8 3/8 r/8 1/8 3/8 5/8 6/4 | 6/4 5/8 3/8 4/2");
    const Phrase hookAgain = phrase("5/8 5/8 r/8 3/8 5/8 6/8 5/4");
    const Phrase open =
        hook + hookAgain + phrase("1'/8 7/8 r/8 6/8 5/4 2/4 | 3/8 4/8 5/8 6/8 5/4 3/4 | 2/2. r/4");
    const Phrase close =
        hook + hookAgain + phrase("1'/8 7/8 r/8 6/8 5/4 2'/4 | 3/4 4/4 6/4 7/4 | 1'/2. r/4");
    const Phrase lift = phrase(
        "3/4. 3/8 r/8 2/8 3/4 | 5/4. 5/8 r/8 4/8 3/4 | 6/4. 6/8 r/8 5/8 6/8 1'/8 | "
        "7/2 6/8 5/8 2/4 | 1'/4. 1'/8 r/8 7/8 6/4 | 7/4. 7/8 r/8 6/8 5/4 | 6/4 1'/4 3'/4 2'/4 | "
        "2'/1");
    // The breakdown answers the brass with pieces of the hook, each a step higher.
    const Phrase answers = phrase(
        "r/2 5/8 6/8 5/8 3/8 | 5/1 | r/2 6/8 1'/8 6/8 5/8 | 6/1 | r/2 1'/8 2'/8 1'/8 6/8 | "
        "1'/2 2'/2 | 3'/4 2'/4 1'/4 6/4 | 5/1");
    const Phrase goodbye = phrase(
        "5/8 5/8 r/8 3/8 5/8 6/8 5/4 | 6/4 5/8 3/8 4/2 | "
        "5/8 5/8 r/8 3/8 5/8 6/8 5/4 | 2'/2 7/2 | 1'/1");

    const char* hookChords = "1 | 5 | 6 | 4 | 1 | 5 | 4 | 5";
    const char* hookHome = "1 | 5 | 6 | 4 | 1 | 5 | 4 5 | 1";
    const char* liftChords = "6 | 3 | 4 | 5 | 6 | 3 | 2 | 5sus 5";

    const Groove disco{{KICK, "x...x...x...x..."},
                       {SNARE, "....X.......X..."},
                       {CLOSED_HAT, "x...x...x...x..."},
                       {OPEN_HAT, "..x...x...x...x."},
                       {TAMBOURINE, "....o.......o..."}};
    const Groove fill{
        {KICK, "x...x...x...x..."}, {SNARE, "....X...x.x.xxXX"}, {OPEN_HAT, "..x...x........."}};
    const Groove quiet{{KICK, "x...x...x...x..."}, {CLOSED_HAT, "oxoxoxoxoxoxoxox"}};
    const Groove crash{{CRASH, "X..............."}};

    const Key g{67, MAJOR};
    const Key a{69, MAJOR};  // the last round rises a whole tone
    c.tempo(0, 148.0);
    uint32_t at = 0;

    auto drums = [&](int bars, const Groove& groove, int velocity) {
        c.drums(kit, at, 1, crash, velocity);
        c.drums(kit, at, bars - 1, groove, velocity);
        c.drums(kit, at + c.bars(bars - 1), 1, fill, velocity + 4);
    };
    auto band = [&](const Key& key, const char* progression, int velocity, bool lifted) {
        const auto harmony = c.chords(key, progression, at);
        c.bass(bass, harmony, lifted ? "R..R..RA" : "RORORORO", 31, velocity + 6);
        c.strum(keys, harmony, lifted ? "x..x..x." : ".x.x.x.x", 58, 72, velocity - 6);
        c.pad(strings, harmony, 55, 69, velocity - 24);
        drums(static_cast<int>(harmony.size()), disco, velocity);
        return harmony;
    };
    auto hookBlock = [&](const Key& key, int melodyPart, int velocity, bool dressed) {
        for (const bool home : {false, true}) {
            const auto harmony = band(key, home ? hookHome : hookChords, velocity, false);
            const Key voiced{key.tonic - (melodyPart == brass ? 12 : 0), key.mode};
            c.melody(melodyPart, voiced, home ? close : open, at, 8, velocity + 6, 0.85);
            if (dressed) {
                c.melody(glockenspiel, Key{key.tonic + 12, key.mode}, home ? close : open, at, 8,
                         velocity - 8, 0.6);
                c.counterLine(brass, harmony, 58, 72, TICKS_PER_BEAT * 2, velocity - 10);
            }
            at += c.bars(8);
        }
    };
    auto liftBlock = [&](const Key& key, int velocity, bool dressed) {
        band(key, liftChords, velocity, true);
        c.melody(lead, key, lift, at, 8, velocity + 8, 0.9);
        if (dressed) {
            c.melody(glockenspiel, Key{key.tonic + 12, key.mode}, lift, at, 8, velocity - 8, 0.6);
        }
        at += c.bars(8);
    };

    // Intro: bass, keys and drums set the bounce.
    {
        const auto harmony = c.chords(g, "1 | 4 | 1 | 5", at);
        c.bass(bass, harmony, "RORORORO", 31, 84);
        c.strum(keys, harmony, ".x.x.x.x", 58, 72, 70);
        c.drums(kit, at, 2, quiet, 80);
        c.drums(kit, at + c.bars(2), 1, disco, 84);
        c.drums(kit, at + c.bars(3), 1, fill, 88);
        at += c.bars(4);
    }
    hookBlock(g, lead, 82, false);
    liftBlock(g, 84, false);
    hookBlock(g, lead, 86, true);

    // Breakdown: the brass calls, the lead answers, the drums build back up.
    {
        const auto harmony = c.chords(g, hookChords, at);
        c.bass(bass, harmony, "R...R.RA", 31, 84);
        c.strum(brass, harmony, "X..X..X.", 58, 72, 80);
        c.pad(strings, harmony, 55, 69, 60);
        c.melody(lead, g, answers, at, 8, 82, 0.85);
        c.drums(kit, at, 4, quiet, 76);
        const Groove build1{{KICK, "x...x...x...x..."}, {SNARE, "x...x...x...x..."}};
        const Groove build2{{KICK, "x...x...x...x..."}, {SNARE, "x.x.x.x.x.x.x.x."}};
        const Groove build3{{KICK, "x...x...x...x..."}, {SNARE, "xxxxxxxxxxxxxxxx"}};
        c.drums(kit, at + c.bars(4), 1, build1, 70);
        c.drums(kit, at + c.bars(5), 1, build2, 78);
        c.drums(kit, at + c.bars(6), 1, build3, 86);
        c.drums(kit, at + c.bars(7), 1, build3, 96);
        at += c.bars(8);
    }
    hookBlock(g, brass, 86, false);
    liftBlock(a, 88, true);
    hookBlock(a, lead, 90, true);

    // Outro: the hook once more, slowing onto a last A major chord.
    {
        const auto harmony = c.chords(a, "1 | 4 | 1 | 5 | 1", at);
        c.bass(bass, harmony, "RORORORO", 33, 88);
        c.strum(keys, harmony, ".x.x.x.x", 60, 74, 76);
        c.pad(strings, harmony, 57, 71, 64);
        c.melody(lead, a, goodbye, at, 5, 90, 0.9);
        c.drums(kit, at, 1, crash, 92);
        c.drums(kit, at, 3, disco, 88);
        c.drums(kit, at + c.bars(3), 1, fill, 92);
        c.ritardando(at + c.bars(3), c.bars(2), 148.0, 104.0);
        at += c.bars(4);
        c.drums(kit, at, 1, Groove{{CRASH, "X..............."}, {KICK, "X..............."}}, 100);
        c.swell(strings, at, c.bars(1), 127, 50);
        at += c.bars(1);
    }
    c.finish(at + TICKS_PER_BEAT);
    return score;
}

}  // namespace

Score composeTune(int number) {
    switch (number) {
        case 0:
            return shardRunner();
        case 1:
            return glasswaterWaltz();
        case 2:
            return hollowGeode();
        case 3:
            return prismPop();
        default:
            throw std::invalid_argument("no tune " + std::to_string(number));
    }
}

}  // namespace shardfall
