#include "synth.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace shardfall {

int samplesFor(double seconds) {
    return static_cast<int>(std::lround(seconds * SAMPLE_RATE));
}

void StateVariableFilter::tune(double cutoffHz, double resonance) {
    const double limited = std::clamp(cutoffHz, 10.0, SAMPLE_RATE * 0.45);
    g_ = std::tan(std::numbers::pi * limited / SAMPLE_RATE);
    k_ = 1.0 / std::max(resonance, 0.05);
    a1_ = 1.0 / (1.0 + g_ * (g_ + k_));
    a2_ = g_ * a1_;
    a3_ = g_ * a2_;
}

StateVariableFilter::Outputs StateVariableFilter::process(double input) {
    const double v3 = input - ic2_;
    const double v1 = a1_ * ic1_ + a2_ * v3;
    const double v2 = ic2_ + a2_ * ic1_ + a3_ * v3;
    ic1_ = 2.0 * v1 - ic1_;
    ic2_ = 2.0 * v2 - ic2_;
    return {v2, v1, input - k_ * v1 - v2};
}

double Sawtooth::next(double frequencyHz) {
    const double step = frequencyHz / SAMPLE_RATE;
    double value = 2.0 * phase_ - 1.0;
    // Smooth the jump with a two-sample polynomial step.
    if (phase_ < step) {
        const double t = phase_ / step;
        value -= t + t - t * t - 1.0;
    } else if (phase_ > 1.0 - step) {
        const double t = (phase_ - 1.0) / step;
        value -= t * t + t + t + 1.0;
    }
    phase_ += step;
    if (phase_ >= 1.0) {
        phase_ -= 1.0;
    }
    return value;
}

Reverb::Reverb(double feedback, double damping) : feedback_(feedback), damping_(damping) {
    for (const int length : {1116, 1188, 1277, 1356, 1422, 1491}) {
        combs_.push_back({std::vector<double>(static_cast<size_t>(length), 0.0), 0, 0.0});
    }
    for (const int length : {556, 441}) {
        allPasses_.push_back({std::vector<double>(static_cast<size_t>(length), 0.0), 0});
    }
}

double Reverb::process(double input) {
    double sum = 0.0;
    for (auto& comb : combs_) {
        const double out = comb.line[comb.at];
        comb.filtered = out * (1.0 - damping_) + comb.filtered * damping_;
        comb.line[comb.at] = input + comb.filtered * feedback_;
        comb.at = (comb.at + 1) % comb.line.size();
        sum += out;
    }
    double value = sum / static_cast<double>(combs_.size());
    for (auto& pass : allPasses_) {
        const double delayed = pass.line[pass.at];
        pass.line[pass.at] = value + delayed * 0.5;
        pass.at = (pass.at + 1) % pass.line.size();
        value = delayed - value;
    }
    return value;
}

double strike(double t, double attack, double tau) {
    if (t < 0.0) {
        return 0.0;
    }
    if (t < attack) {
        return t / attack;
    }
    return std::exp(-(t - attack) / tau);
}

void addReverb(std::vector<double>& samples, double wet, double feedback) {
    Reverb room(feedback);
    for (auto& s : samples) {
        s = s * (1.0 - wet) + room.process(s) * wet * 2.0;
    }
}

void finishEffect(std::vector<double>& samples, double fadeSeconds, double peak) {
    const auto count = samples.size();
    const auto rise = std::min(count, static_cast<size_t>(samplesFor(0.001)));
    for (size_t i = 0; i < rise; ++i) {
        samples[i] *= static_cast<double>(i) / static_cast<double>(rise);
    }
    const auto fade = std::min(count, static_cast<size_t>(samplesFor(fadeSeconds)));
    for (size_t i = 0; i < fade; ++i) {
        const double t = static_cast<double>(i + 1) / static_cast<double>(fade);
        samples[count - fade + i] *= 0.5 + 0.5 * std::cos(std::numbers::pi * t);
    }
    double largest = 0.0;
    for (const double s : samples) {
        largest = std::max(largest, std::abs(s));
    }
    if (largest > 0.0) {
        for (auto& s : samples) {
            s *= peak / largest;
        }
    }
}

}  // namespace shardfall
