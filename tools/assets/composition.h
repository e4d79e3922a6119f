// The composer's toolkit: keys, chord progressions and melodies written in a compact degree
// notation, and the ways a part is played from them (melody, sustained or rhythmic chords,
// arpeggios, bass figures, grooves, a counter-line), with accents and phrase dynamics.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dice.h"
#include "formats/midi_score.h"

namespace shardfall {

using Mode = std::array<int, 7>;  // semitones of each degree above the tonic
constexpr Mode MAJOR{0, 2, 4, 5, 7, 9, 11};
constexpr Mode MINOR{0, 2, 3, 5, 7, 8, 10};

struct Key {
    int tonic;  // the MIDI key that degree 1 of a melody written without octave marks sounds on
    Mode mode;

    // degree counts scale steps from the tonic (0 is the tonic, 7 the octave, -1 the step below).
    int pitch(int degree, int alter = 0, int octave = 0) const;
};

// One note or rest of a melody before it is set in a key.
struct Tone {
    int degree = 0;
    int alter = 0;
    int octave = 0;
    uint32_t length = TICKS_PER_BEAT;
    bool rest = false;
    bool accent = false;
};

// A melody written in scale degrees, so that it can be moved along the scale or into another key.
// Notation, tokens separated by spaces ('|' bar lines are only for the reader):
//   [>] degree[octave marks][/length]  or  r[/length]
//   degree: 1-7 with an optional # or b before it; ' raises an octave, , lowers one;
//   length: 1 2 4 8 16, a dot adds half, several joined with + (4+16); it carries over to the
//   next token when left out; > accents the note.
struct Phrase {
    std::vector<Tone> tones;
    uint32_t length() const;
};

// Throws std::invalid_argument naming the token it cannot read.
Phrase phrase(std::string_view notation);

// The phrase moved steps degrees along the scale: the sequence of a motif.
Phrase shifted(Phrase source, int steps);

Phrase operator+(Phrase first, const Phrase& second);

struct Chord {
    uint32_t start = 0;
    uint32_t length = 0;
    int root = 0;                // pitch class, 0 = C
    std::vector<int> intervals;  // semitones above the root, the root's 0 first

    bool contains(int key) const;
};

class Composer {
  public:
    Composer(Score& score, int beatsPerBar, uint64_t seed);

    uint32_t barTicks() const { return barTicks_; }
    uint32_t bars(int count) const { return barTicks_ * static_cast<uint32_t>(count); }

    // Returns the new part's index.
    int addPart(const std::string& name, uint8_t channel, uint8_t program, uint8_t volume,
                uint8_t pan, uint8_t reverb);

    // Bars separated by '|', the chords of one bar share it equally. A chord is a degree of the
    // key (1-7, optionally flattened or sharpened with b or #) and a quality: none for the
    // triad of the scale, 7 for its seventh chord, or M m D7 maj7 m7 m7b5 dim sus sus2 add9.
    std::vector<Chord> chords(const Key& key, std::string_view progression, uint32_t start) const;

    // The melody begins on a bar line; throws when its length is not expected bars long.
    void melody(int part, const Key& key, const Phrase& tune, uint32_t start, int bars,
                int velocity, double articulation = 0.92);
    // Sustained chords, each voiced close to the one before.
    void pad(int part, const std::vector<Chord>& harmony, int low, int high, int velocity);
    // Chords struck in a rhythm given per bar: x hit, X accent, - hold, . rest.
    void strum(int part, const std::vector<Chord>& harmony, std::string_view rhythm, int low,
               int high, int velocity);
    // Chord tones broken in the given order (digits index the tones upward from low) at a
    // fixed step; the figure starts again on each chord.
    void arpeggio(int part, const std::vector<Chord>& harmony, std::string_view order,
                  uint32_t step, int low, int velocity);
    // A bass figure per bar: R root, O root an octave up, F fifth, T third, S seventh (or
    // octave), A a step that leads into the next chord's root, - hold, . rest; lower case is
    // played softly.
    void bass(int part, const std::vector<Chord>& harmony, std::string_view figure, int low,
              int velocity);

    struct DrumLine {
        uint8_t key;
        std::string steps;  // one bar: X accent, x hit, o ghost, . nothing
    };
    void drums(int part, uint32_t start, int bars, const std::vector<DrumLine>& groove,
               int velocity);
    // A slow line through the chord tones that moves as little as it can: the inner voice
    // a string section would play.
    void counterLine(int part, const std::vector<Chord>& harmony, int low, int high, uint32_t step,
                     int velocity);

    void tempo(uint32_t tick, double beatsPerMinute);
    // The tempo slides from one value to another, a change per beat.
    void ritardando(uint32_t start, uint32_t length, double from, double to);
    // Moves the part's expression controller from one level to another.
    void swell(int part, uint32_t start, uint32_t length, int from, int to);
    void finish(uint32_t endTick);

  private:
    int dynamics(uint32_t tick, int velocity, double arc, bool accent);
    void addNote(int part, uint32_t start, uint32_t length, int key, int velocity);
    std::vector<int> voicing(const Chord& chord, int low, int high,
                             const std::vector<int>& previous) const;

    Score& score_;
    int beatsPerBar_;
    uint32_t barTicks_;
    Dice dice_;
};

}  // namespace shardfall
