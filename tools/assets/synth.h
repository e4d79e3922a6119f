// Building blocks for the synthesised sound effects: noise, a resonant filter, a band-limited
// sawtooth, a small room reverb and the finishing pass that levels and fades a sound.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "dice.h"

namespace shardfall {

constexpr int SAMPLE_RATE = 44100;

// Number of samples in the given number of seconds.
int samplesFor(double seconds);

class WhiteNoise {
  public:
    explicit WhiteNoise(uint64_t seed) : dice_(seed) {}
    double next() { return dice_.between(-1.0, 1.0); }

  private:
    Dice dice_;
};

// Two-pole state-variable filter (trapezoidal form), stable under fast cutoff sweeps.
class StateVariableFilter {
  public:
    struct Outputs {
        double low, band, high;
    };
    void tune(double cutoffHz, double resonance);
    Outputs process(double input);

  private:
    double g_ = 0, k_ = 1, a1_ = 0, a2_ = 0, a3_ = 0;
    double ic1_ = 0, ic2_ = 0;
};

// Sawtooth with polynomial corrections at the wrap, so low notes do not alias.
class Sawtooth {
  public:
    explicit Sawtooth(double startPhase = 0.0) : phase_(startPhase) {}
    double next(double frequencyHz);

  private:
    double phase_;
};

// A few parallel damped combs and two all-passes: enough room to give a sound a tail.
class Reverb {
  public:
    explicit Reverb(double feedback = 0.78, double damping = 0.3);
    double process(double input);

  private:
    struct Comb {
        std::vector<double> line;
        std::size_t at = 0;
        double filtered = 0;
    };
    struct AllPass {
        std::vector<double> line;
        std::size_t at = 0;
    };
    std::vector<Comb> combs_;
    std::vector<AllPass> allPasses_;
    double feedback_;
    double damping_;
};

// Exponential decay with time constant tau, after a linear attack of the given length.
double strike(double t, double attack, double tau);

// Mixes a dry signal with its reverberation.
void addReverb(std::vector<double>& samples, double wet, double feedback = 0.78);

// Raises the start over a millisecond, fades the last fadeSeconds out along a cosine and
// scales the whole sound so that its largest sample is exactly peak (below full scale).
void finishEffect(std::vector<double>& samples, double fadeSeconds, double peak);

}  // namespace shardfall
