#include "effects.h"

#include <array>
#include <cmath>
#include <numbers>

#include "dice.h"
#include "synth.h"

namespace shardfall {

namespace {

constexpr double TAU = 2.0 * std::numbers::pi;

double seconds(size_t sample) {
    return static_cast<double>(sample) / SAMPLE_RATE;
}

// A struck glass or metal bar: a few inharmonic partials, the higher ones dying sooner.
void addBell(std::vector<double>& out, double start, double frequency, double level, double ring) {
    constexpr std::array<double, 5> ratios{1.0, 2.0, 2.76, 4.2, 5.4};
    constexpr std::array<double, 5> weights{1.0, 0.45, 0.3, 0.18, 0.1};
    const auto first = static_cast<size_t>(samplesFor(start));
    for (size_t i = first; i < out.size(); ++i) {
        const double t = seconds(i - first);
        double value = 0.0;
        for (size_t p = 0; p < ratios.size(); ++p) {
            const double f = frequency * ratios[p];
            if (f > SAMPLE_RATE * 0.45) {
                continue;
            }
            value += weights[p] * std::sin(TAU * f * t) *
                     strike(t, 0.0015, ring / (1.0 + 1.5 * static_cast<double>(p)));
        }
        out[i] += level * value;
    }
}

// A sine whose pitch glides down from high to low, for thumps and booms.
void addThump(std::vector<double>& out, double start, double high, double low, double glide,
              double level, double tau) {
    const auto first = static_cast<size_t>(samplesFor(start));
    double phase = 0.0;
    for (size_t i = first; i < out.size(); ++i) {
        const double t = seconds(i - first);
        const double f = low + (high - low) * std::exp(-t / glide);
        phase += TAU * f / SAMPLE_RATE;
        out[i] += level * std::sin(phase) * strike(t, 0.002, tau);
    }
}

}  // namespace

std::vector<double> makeLandingPop() {
    std::vector<double> out(static_cast<size_t>(samplesFor(0.15)), 0.0);
    WhiteNoise noise(0x90B);
    StateVariableFilter click;
    click.tune(2600.0, 0.9);
    StateVariableFilter soften;
    soften.tune(4500.0, 0.7);
    double phase = 0.0;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = seconds(i);
        const double f = 140.0 + 300.0 * std::exp(-t / 0.016);
        phase += TAU * f / SAMPLE_RATE;
        const double body = std::sin(phase) * strike(t, 0.0015, 0.032);
        const double wood = 0.3 * std::sin(2.02 * phase) * strike(t, 0.001, 0.012);
        const double tap = 0.35 * click.process(noise.next()).band * strike(t, 0.0005, 0.004);
        out[i] = soften.process(body + wood + tap).low;
    }
    finishEffect(out, 0.04, 0.5);
    return out;
}

std::vector<double> makeLineBurst() {
    std::vector<double> out(static_cast<size_t>(samplesFor(0.8)), 0.0);
    addThump(out, 0.0, 150.0, 55.0, 0.03, 0.55, 0.09);

    WhiteNoise noise(0xB0857);
    StateVariableFilter shatter;
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = seconds(i);
        shatter.tune(1400.0 + 4200.0 * std::exp(-t / 0.08), 1.1);
        out[i] += 0.5 * shatter.process(noise.next()).band * strike(t, 0.003, 0.11);
    }

    // Shards of crystal ringing as they fly apart: pentatonic, high and quick.
    Dice dice(0x7111C);
    constexpr std::array<double, 6> notes{1567.98, 1760.0, 2093.0, 2349.3, 2637.0, 3136.0};
    for (int i = 0; i < 14; ++i) {
        const double start = 0.01 + 0.4 * std::pow(dice.unit(), 1.6);
        const double level = 0.16 * (1.0 - start * 1.4);
        addBell(out, start, notes[static_cast<size_t>(dice.below(6))], level,
                dice.between(0.06, 0.18));
    }
    addReverb(out, 0.22);
    finishEffect(out, 0.12, 0.8);
    return out;
}

std::vector<double> makeBigExplosion() {
    std::vector<double> out(static_cast<size_t>(samplesFor(1.5)), 0.0);
    addThump(out, 0.0, 120.0, 38.0, 0.09, 0.9, 0.35);
    addThump(out, 0.0, 240.0, 76.0, 0.05, 0.3, 0.12);

    WhiteNoise noise(0xE8F10);
    StateVariableFilter rumble;
    rumble.tune(380.0, 0.8);
    StateVariableFilter blast;
    StateVariableFilter crackleTone;
    crackleTone.tune(3200.0, 2.0);
    Dice grains(0xC4AC);
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = seconds(i);
        const double white = noise.next();
        blast.tune(300.0 + 2800.0 * std::exp(-t / 0.25), 0.9);
        double value = 0.7 * rumble.process(white).low * strike(t, 0.005, 0.5);
        value += 0.35 * blast.process(white).low * strike(t, 0.004, 0.3);
        // Sparse crackle that thins out as the blast settles.
        const double density = 0.02 * std::exp(-t / 0.35);
        const double impulse = grains.chance(density) ? grains.between(-1.0, 1.0) : 0.0;
        value += 0.9 * crackleTone.process(impulse).band;
        out[i] += value;
    }

    // The celebration on top: glass pings climbing over the first half second.
    Dice dice(0xCA5CADE);
    for (int i = 0; i < 24; ++i) {
        const double start = 0.05 + 0.55 * (i / 24.0) + dice.between(0.0, 0.03);
        const double frequency = 880.0 * std::pow(2.0, 2.0 * (i / 24.0) + dice.between(0.0, 0.3));
        addBell(out, start, frequency, 0.07 + 0.04 * dice.unit(), dice.between(0.1, 0.3));
    }
    addReverb(out, 0.3);
    finishEffect(out, 0.25, 0.89);
    return out;
}

std::vector<double> makeGemChime() {
    std::vector<double> out(static_cast<size_t>(samplesFor(1.0)), 0.0);
    // An E major arpeggio rising over two octaves, each bell a little quieter.
    constexpr std::array<double, 5> notes{1318.5, 1661.2, 1975.5, 2637.0, 3322.4};
    for (size_t n = 0; n < notes.size(); ++n) {
        const double start = 0.055 * static_cast<double>(n);
        addBell(out, start, notes[n], 0.28 - 0.03 * static_cast<double>(n), 0.5);
        addBell(out, start + 0.004, notes[n] * 1.004, 0.08, 0.4);  // a slight shimmer
    }
    WhiteNoise noise(0x6E3);
    StateVariableFilter sparkle;
    sparkle.tune(9000.0, 3.0);
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = seconds(i);
        const double glitter = 0.5 + 0.5 * std::sin(TAU * 23.0 * t);
        out[i] += 0.08 * sparkle.process(noise.next()).band * glitter * strike(t - 0.2, 0.05, 0.2);
    }
    addReverb(out, 0.25);
    finishEffect(out, 0.2, 0.7);
    return out;
}

std::vector<double> makeGameOverSting() {
    std::vector<double> out(static_cast<size_t>(samplesFor(2.7)), 0.0);

    struct Chord {
        double start, length;
        std::array<double, 4> notes;  // Hz
        double level;
    };
    // D minor, B flat minor, then a low D minor darkened by a flat ninth.
    constexpr std::array<Chord, 3> chords{{
        {0.00, 0.34, {73.42, 110.0, 146.83, 174.61}, 0.9},
        {0.36, 0.34, {58.27, 87.31, 116.54, 138.59}, 0.9},
        {0.72, 1.98, {36.71, 73.42, 110.0, 155.56}, 1.0},
    }};
    for (const auto& chord : chords) {
        const auto first = static_cast<size_t>(samplesFor(chord.start));
        const auto last =
            std::min(out.size(), first + static_cast<size_t>(samplesFor(chord.length + 0.3)));
        const bool held = chord.length > 1.0;
        for (const double note : chord.notes) {
            std::array<Sawtooth, 3> voices{Sawtooth(0.0), Sawtooth(0.37), Sawtooth(0.71)};
            StateVariableFilter tone;
            for (size_t i = first; i < last; ++i) {
                const double t = seconds(i - first);
                // The filter opens with the hit and closes as the chord dies.
                tone.tune(180.0 + 1500.0 * std::exp(-t / (held ? 0.5 : 0.15)), 1.2);
                const double raw = voices[0].next(note * 0.996) + voices[1].next(note) +
                                   voices[2].next(note * 1.005);
                double envelope = 0.0;
                if (held) {
                    const double tremolo = 1.0 - 0.25 * (0.5 + 0.5 * std::sin(TAU * 5.5 * t));
                    envelope = strike(t, 0.01, 0.9) * tremolo;
                } else {
                    envelope = strike(t, 0.006, 0.16);
                }
                out[i] += chord.level * 0.12 * tone.process(raw).low * envelope;
            }
        }
        addThump(out, chord.start, held ? 90.0 : 110.0, held ? 42.0 : 55.0, 0.08, held ? 0.7 : 0.45,
                 held ? 0.7 : 0.22);
    }
    // A gong under the last chord: low inharmonic partials with a slow swell of beating.
    const auto gongStart = static_cast<size_t>(samplesFor(0.72));
    constexpr std::array<double, 4> gongPartials{98.0, 151.0, 229.5, 311.0};
    for (size_t i = gongStart; i < out.size(); ++i) {
        const double t = seconds(i - gongStart);
        double value = 0.0;
        for (size_t p = 0; p < gongPartials.size(); ++p) {
            value += std::sin(TAU * gongPartials[p] * t + 0.3 * std::sin(TAU * 1.3 * t)) /
                     (1.0 + static_cast<double>(p));
        }
        out[i] += 0.12 * value * strike(t, 0.004, 0.8);
    }
    addReverb(out, 0.35, 0.82);
    finishEffect(out, 0.6, 0.85);
    return out;
}

}  // namespace shardfall
