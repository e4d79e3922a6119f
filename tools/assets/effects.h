// The game's five sound effects, synthesised from oscillators, filtered noise and a small
// reverb. Each returns mono samples at SAMPLE_RATE, levelled below full scale and faded out.
#pragma once

#include <vector>

namespace shardfall {

// A piece comes to rest without completing a row: a short, soft wooden pop.
std::vector<double> makeLandingPop();

// One to three rows burst: a thump, a shatter of noise and a spray of glassy tinkles.
std::vector<double> makeLineBurst();

// Four rows at once: a deep boom with rumble and crackle under a rising cascade of glass.
std::vector<double> makeBigExplosion();

// The rare one-block gem is coming: a bright, ringing arpeggio of bells.
std::vector<double> makeGemChime();

// The well is full: three dark falling chords that sink into a low, uneasy drone.
std::vector<double> makeGameOverSting();

}  // namespace shardfall
