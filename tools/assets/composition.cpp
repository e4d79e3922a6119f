#include "composition.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <numbers>
#include <stdexcept>

namespace shardfall {

namespace {

int floorDiv(int a, int b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

int pitchClass(int key) {
    return ((key % 12) + 12) % 12;
}

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    size_t at = 0;
    while (at <= text.size()) {
        const size_t next = std::min(text.find(separator, at), text.size());
        parts.push_back(text.substr(at, next - at));
        at = next + 1;
    }
    return parts;
}

std::vector<std::string_view> words(std::string_view text) {
    std::vector<std::string_view> result;
    for (auto word : split(text, ' ')) {
        if (!word.empty()) {
            result.push_back(word);
        }
    }
    return result;
}

uint32_t parseLength(std::string_view text, std::string_view token) {
    uint32_t total = 0;
    for (auto piece : split(text, '+')) {
        const bool dotted = !piece.empty() && piece.back() == '.';
        if (dotted) {
            piece.remove_suffix(1);
        }
        uint32_t value = 0;
        if (piece == "1") {
            value = TICKS_PER_BEAT * 4;
        } else if (piece == "2") {
            value = TICKS_PER_BEAT * 2;
        } else if (piece == "4") {
            value = TICKS_PER_BEAT;
        } else if (piece == "8") {
            value = TICKS_PER_BEAT / 2;
        } else if (piece == "16") {
            value = TICKS_PER_BEAT / 4;
        } else {
            throw std::invalid_argument("bad length in '" + std::string(token) + "'");
        }
        total += dotted ? value + value / 2 : value;
    }
    return total;
}

int clampKey(int key) {
    return std::clamp(key, 0, 127);
}

}  // namespace

int Key::pitch(int degree, int alter, int octave) const {
    const int wrapped = floorDiv(degree, 7);
    return tonic + 12 * (octave + wrapped) + mode[static_cast<size_t>(degree - 7 * wrapped)] +
           alter;
}

uint32_t Phrase::length() const {
    uint32_t total = 0;
    for (const auto& tone : tones) {
        total += tone.length;
    }
    return total;
}

Phrase phrase(std::string_view notation) {
    Phrase result;
    uint32_t length = TICKS_PER_BEAT;
    for (auto token : words(notation)) {
        if (token == "|") {
            continue;
        }
        const auto whole = token;
        Tone tone;
        if (token.front() == '>') {
            tone.accent = true;
            token.remove_prefix(1);
        }
        const auto slash = token.find('/');
        if (slash != std::string_view::npos) {
            length = parseLength(token.substr(slash + 1), whole);
            token = token.substr(0, slash);
        }
        tone.length = length;
        if (token == "r") {
            tone.rest = true;
        } else {
            if (!token.empty() && (token.front() == '#' || token.front() == 'b')) {
                tone.alter = token.front() == '#' ? 1 : -1;
                token.remove_prefix(1);
            }
            if (token.empty() || token.front() < '1' || token.front() > '7') {
                throw std::invalid_argument("bad degree in '" + std::string(whole) + "'");
            }
            tone.degree = token.front() - '1';
            for (const char mark : token.substr(1)) {
                if (mark == '\'') {
                    ++tone.octave;
                } else if (mark == ',') {
                    --tone.octave;
                } else {
                    throw std::invalid_argument("bad octave mark in '" + std::string(whole) + "'");
                }
            }
        }
        result.tones.push_back(tone);
    }
    return result;
}

Phrase shifted(Phrase source, int steps) {
    for (auto& tone : source.tones) {
        tone.degree += steps;
    }
    return source;
}

Phrase operator+(Phrase first, const Phrase& second) {
    first.tones.insert(first.tones.end(), second.tones.begin(), second.tones.end());
    return first;
}

bool Chord::contains(int key) const {
    const int pc = pitchClass(key);
    return std::any_of(intervals.begin(), intervals.end(),
                       [&](int interval) { return pitchClass(root + interval) == pc; });
}

Composer::Composer(Score& score, int beatsPerBar, uint64_t seed)
    : score_(score),
      beatsPerBar_(beatsPerBar),
      barTicks_(TICKS_PER_BEAT * static_cast<uint32_t>(beatsPerBar)),
      dice_(seed) {
    score_.beatsPerBar = beatsPerBar;
}

int Composer::addPart(const std::string& name, uint8_t channel, uint8_t program, uint8_t volume,
                      uint8_t pan, uint8_t reverb) {
    Part part;
    part.name = name;
    part.channel = channel;
    part.program = program;
    part.volume = volume;
    part.pan = pan;
    part.reverb = reverb;
    score_.parts.push_back(part);
    return static_cast<int>(score_.parts.size()) - 1;
}

std::vector<Chord> Composer::chords(const Key& key, std::string_view progression,
                                    uint32_t start) const {
    std::vector<Chord> result;
    uint32_t barStart = start;
    for (auto barText : split(progression, '|')) {
        const auto names = words(barText);
        if (names.empty()) {
            throw std::invalid_argument("empty bar in '" + std::string(progression) + "'");
        }
        const uint32_t share = barTicks_ / static_cast<uint32_t>(names.size());
        uint32_t at = barStart;
        for (auto name : names) {
            const auto whole = name;
            int alter = 0;
            if (name.front() == 'b' || name.front() == '#') {
                alter = name.front() == '#' ? 1 : -1;
                name.remove_prefix(1);
            }
            if (name.empty() || name.front() < '1' || name.front() > '7') {
                throw std::invalid_argument("bad chord '" + std::string(whole) + "'");
            }
            const int degree = name.front() - '1';
            const auto quality = name.substr(1);
            const int root = key.pitch(degree, alter);
            auto step = [&](int n) { return key.pitch(degree + n) - key.pitch(degree); };
            Chord chord;
            chord.start = at;
            chord.length = share;
            chord.root = pitchClass(root);
            if (quality.empty()) {
                chord.intervals = {0, step(2), step(4)};
            } else if (quality == "7") {
                chord.intervals = {0, step(2), step(4), step(6)};
            } else if (quality == "M") {
                chord.intervals = {0, 4, 7};
            } else if (quality == "m") {
                chord.intervals = {0, 3, 7};
            } else if (quality == "D7") {
                chord.intervals = {0, 4, 7, 10};
            } else if (quality == "maj7") {
                chord.intervals = {0, 4, 7, 11};
            } else if (quality == "m7") {
                chord.intervals = {0, 3, 7, 10};
            } else if (quality == "m7b5") {
                chord.intervals = {0, 3, 6, 10};
            } else if (quality == "dim") {
                chord.intervals = {0, 3, 6};
            } else if (quality == "sus") {
                chord.intervals = {0, 5, 7};
            } else if (quality == "sus2") {
                chord.intervals = {0, 2, 7};
            } else if (quality == "add9") {
                chord.intervals = {0, step(2), step(4), 14};
            } else {
                throw std::invalid_argument("bad chord quality '" + std::string(whole) + "'");
            }
            result.push_back(chord);
            at += share;
        }
        barStart += barTicks_;
    }
    return result;
}

int Composer::dynamics(uint32_t tick, int velocity, double arc, bool accent) {
    const uint32_t inBar = tick % barTicks_;
    const uint32_t beat = inBar / TICKS_PER_BEAT;
    const uint32_t inBeat = inBar % TICKS_PER_BEAT;
    int v = velocity;
    if (inBeat == 0) {
        if (beat == 0) {
            v += 10;
        } else if (beatsPerBar_ == 4 && beat == 2) {
            v += 5;
        } else {
            v += 1;
        }
    } else if (inBeat == TICKS_PER_BEAT / 2) {
        v -= 4;
    } else {
        v -= 8;
    }
    // A phrase swells toward its middle and eases off at its end.
    v += static_cast<int>(std::lround(10.0 * std::sin(std::numbers::pi * arc) - 4.0));
    if (accent) {
        v += 14;
    }
    v += dice_.below(7) - 3;
    return std::clamp(v, 1, 127);
}

void Composer::addNote(int part, uint32_t start, uint32_t length, int key, int velocity) {
    if (length == 0 || key < 0 || key > 127) {
        return;
    }
    score_.parts[static_cast<size_t>(part)].notes.push_back(
        {start, length, static_cast<uint8_t>(key),
         static_cast<uint8_t>(std::clamp(velocity, 1, 127))});
}

void Composer::melody(int part, const Key& key, const Phrase& tune, uint32_t start, int bars,
                      int velocity, double articulation) {
    const uint32_t total = tune.length();
    if (total != this->bars(bars)) {
        throw std::invalid_argument("a melody of " + std::to_string(total) + " ticks where " +
                                    std::to_string(bars) + " bars were expected");
    }
    uint32_t at = start;
    for (const auto& tone : tune.tones) {
        if (!tone.rest) {
            const double arc = static_cast<double>(at - start) / total;
            const auto sounding = static_cast<uint32_t>(std::lround(tone.length * articulation));
            addNote(part, at, std::max<uint32_t>(sounding, 30),
                    clampKey(key.pitch(tone.degree, tone.alter, tone.octave)),
                    dynamics(at, velocity, arc, tone.accent));
        }
        at += tone.length;
    }
}

std::vector<int> Composer::voicing(const Chord& chord, int low, int high,
                                   const std::vector<int>& previous) const {
    // Every way of placing each chord tone once within the range; the one that moves least from
    // the previous voicing wins (or, at the start, the one nearest the middle of the range).
    std::vector<std::vector<int>> choices;
    for (const int interval : chord.intervals) {
        std::vector<int> places;
        for (int key = low; key <= high; ++key) {
            if (pitchClass(key) == pitchClass(chord.root + interval)) {
                places.push_back(key);
            }
        }
        if (places.empty()) {
            continue;
        }
        choices.push_back(places);
    }
    std::vector<int> best;
    double bestScore = std::numeric_limits<double>::max();
    std::vector<size_t> pick(choices.size(), 0);
    while (true) {
        std::vector<int> candidate;
        for (size_t i = 0; i < choices.size(); ++i) {
            candidate.push_back(choices[i][pick[i]]);
        }
        std::sort(candidate.begin(), candidate.end());
        const bool distinct =
            std::adjacent_find(candidate.begin(), candidate.end()) == candidate.end();
        if (distinct && !candidate.empty() && candidate.back() - candidate.front() <= 16) {
            double score = 0.0;
            if (previous.size() == candidate.size()) {
                for (size_t i = 0; i < candidate.size(); ++i) {
                    score += std::abs(candidate[i] - previous[i]);
                }
            } else {
                double centre = 0.0;
                for (const int key : candidate) {
                    centre += key;
                }
                score =
                    std::abs(centre / static_cast<double>(candidate.size()) - (low + high) / 2.0);
            }
            if (score < bestScore) {
                bestScore = score;
                best = candidate;
            }
        }
        size_t i = 0;
        while (i < pick.size() && ++pick[i] == choices[i].size()) {
            pick[i] = 0;
            ++i;
        }
        if (i == pick.size()) {
            break;
        }
    }
    return best;
}

void Composer::pad(int part, const std::vector<Chord>& harmony, int low, int high, int velocity) {
    std::vector<int> previous;
    for (const auto& chord : harmony) {
        const auto keys = voicing(chord, low, high, previous);
        for (const int key : keys) {
            addNote(part, chord.start, chord.length - 10, key,
                    dynamics(chord.start, velocity, 0.5, false));
        }
        previous = keys;
    }
}

void Composer::strum(int part, const std::vector<Chord>& harmony, std::string_view rhythm, int low,
                     int high, int velocity) {
    const uint32_t step = barTicks_ / static_cast<uint32_t>(rhythm.size());
    std::vector<int> previous;
    for (const auto& chord : harmony) {
        const auto keys = voicing(chord, low, high, previous);
        previous = keys;
        for (uint32_t at = chord.start; at < chord.start + chord.length; at += step) {
            const size_t index = ((at % barTicks_) / step) % rhythm.size();
            const char mark = rhythm[index];
            if (mark != 'x' && mark != 'X') {
                continue;
            }
            uint32_t held = step;
            for (size_t next = index + 1; next < rhythm.size() && rhythm[next] == '-'; ++next) {
                held += step;
            }
            held = std::min(held, chord.start + chord.length - at);
            for (const int key : keys) {
                addNote(part, at, held * 4 / 5, key, dynamics(at, velocity, 0.5, mark == 'X'));
            }
        }
    }
}

void Composer::arpeggio(int part, const std::vector<Chord>& harmony, std::string_view order,
                        uint32_t step, int low, int velocity) {
    for (const auto& chord : harmony) {
        std::vector<int> tones;
        for (int key = low; key < low + 12; ++key) {
            if (chord.contains(key)) {
                tones.push_back(key);
            }
        }
        size_t index = 0;
        for (uint32_t at = chord.start; at < chord.start + chord.length; at += step, ++index) {
            const char digit = order[index % order.size()];
            if (digit < '0' || digit > '9') {
                continue;
            }
            const auto n = static_cast<size_t>(digit - '0');
            const int key = tones[n % tones.size()] + 12 * static_cast<int>(n / tones.size());
            addNote(part, at, step * 9 / 10, key, dynamics(at, velocity, 0.5, false));
        }
    }
}

void Composer::bass(int part, const std::vector<Chord>& harmony, std::string_view figure, int low,
                    int velocity) {
    const uint32_t step = barTicks_ / static_cast<uint32_t>(figure.size());
    for (size_t c = 0; c < harmony.size(); ++c) {
        const auto& chord = harmony[c];
        int root = low;
        while (pitchClass(root) != chord.root) {
            ++root;
        }
        const int nextRoot = c + 1 < harmony.size() ? harmony[c + 1].root : chord.root;
        for (uint32_t at = chord.start; at < chord.start + chord.length; at += step) {
            const size_t index = ((at % barTicks_) / step) % figure.size();
            const char mark = figure[index];
            const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(mark)));
            int key = -1;
            switch (upper) {
                case 'R':
                    key = root;
                    break;
                case 'O':
                    key = root + 12;
                    break;
                case 'F':
                    key = root + chord.intervals[2 % chord.intervals.size()];
                    break;
                case 'T':
                    key = root + chord.intervals[1 % chord.intervals.size()];
                    break;
                case 'S':
                    key = root + (chord.intervals.size() > 3 ? chord.intervals[3] : 12);
                    break;
                case 'A': {
                    // A semitone below the next root, or above it when that lies closer.
                    int target = root;
                    while (pitchClass(target) != nextRoot) {
                        ++target;
                    }
                    if (target - root > 6) {
                        target -= 12;
                    }
                    key = target == root ? root + chord.intervals[2 % chord.intervals.size()]
                                         : (target > root ? target - 1 : target + 1);
                    break;
                }
                default:
                    continue;
            }
            uint32_t held = step;
            for (size_t next = index + 1; next < figure.size() && figure[next] == '-'; ++next) {
                held += step;
            }
            held = std::min(held, chord.start + chord.length - at);
            const bool soft = mark != upper;
            addNote(part, at, held * 9 / 10, key,
                    dynamics(at, soft ? velocity - 18 : velocity, 0.5, false));
        }
    }
}

void Composer::drums(int part, uint32_t start, int bars, const std::vector<DrumLine>& groove,
                     int velocity) {
    for (int bar = 0; bar < bars; ++bar) {
        const uint32_t barStart = start + this->bars(bar);
        for (const auto& line : groove) {
            const uint32_t step = barTicks_ / static_cast<uint32_t>(line.steps.size());
            for (size_t i = 0; i < line.steps.size(); ++i) {
                const char mark = line.steps[i];
                int v = 0;
                if (mark == 'X') {
                    v = velocity + 18;
                } else if (mark == 'x') {
                    v = velocity;
                } else if (mark == 'o') {
                    v = velocity - 32;
                } else {
                    continue;
                }
                const uint32_t at = barStart + step * static_cast<uint32_t>(i);
                addNote(part, at, TICKS_PER_BEAT / 4, line.key, v + dice_.below(9) - 4);
            }
        }
    }
}

void Composer::counterLine(int part, const std::vector<Chord>& harmony, int low, int high,
                           uint32_t step, int velocity) {
    int previous = (low + high) / 2;
    for (const auto& chord : harmony) {
        for (uint32_t at = chord.start; at < chord.start + chord.length; at += step) {
            int best = -1;
            int bestCost = std::numeric_limits<int>::max();
            for (int key = low; key <= high; ++key) {
                if (!chord.contains(key)) {
                    continue;
                }
                // Thirds and sevenths colour the chord; a root is plainer; standing still is
                // fine but a small step is better.
                const int interval = pitchClass(key - chord.root);
                int cost = 2 * std::abs(key - previous);
                if (interval == 0) {
                    cost += 3;
                }
                if (key == previous) {
                    cost += 1;
                }
                if (cost < bestCost) {
                    bestCost = cost;
                    best = key;
                }
            }
            const uint32_t held = std::min(step, chord.start + chord.length - at);
            addNote(part, at, held - 20, best, dynamics(at, velocity, 0.5, false));
            previous = best;
        }
    }
}

void Composer::tempo(uint32_t tick, double beatsPerMinute) {
    score_.tempos.push_back({tick, beatsPerMinute});
}

void Composer::ritardando(uint32_t start, uint32_t length, double from, double to) {
    const uint32_t steps = std::max<uint32_t>(1, length / TICKS_PER_BEAT);
    for (uint32_t i = 0; i < steps; ++i) {
        const double t = static_cast<double>(i + 1) / steps;
        tempo(start + i * TICKS_PER_BEAT, from + (to - from) * t);
    }
}

void Composer::swell(int part, uint32_t start, uint32_t length, int from, int to) {
    constexpr uint32_t stride = TICKS_PER_BEAT / 4;
    auto& controls = score_.parts[static_cast<size_t>(part)].controls;
    for (uint32_t at = 0; at <= length; at += stride) {
        const double t = static_cast<double>(at) / std::max<uint32_t>(length, 1);
        const int value = static_cast<int>(std::lround(from + (to - from) * t));
        controls.push_back({start + at, 11, static_cast<uint8_t>(std::clamp(value, 0, 127))});
    }
}

void Composer::finish(uint32_t endTick) {
    score_.endTick = endTick;
}

}  // namespace shardfall
