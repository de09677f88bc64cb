#pragma once
// A stream of random numbers: the classic 15-bit linear congruential
// generator as a small value with its own state. Each purpose holds a stream
// of its own (the board the rules', the flow the scenery's), so what one
// draws never moves another, and a stream's state is all it takes to draw
// the same numbers again.
#include <cstdint>

constexpr int RandomMax = 32767;
// 1/32767 rounded to single precision; slightly below the exact value, so that
// randomInt() * RandomScale never reaches a whole unit when scaled by a count.
constexpr float RandomScale = 1.0f / 32767.0f;

class CRandom {
public:
    explicit CRandom(uint32_t seed) : current(seed) {}

    // The whole state: a stream made from it draws the same numbers from here on.
    uint32_t state() const { return current; }
    // The next integer from 0 to 32767.
    int randomInt();
    // randomInt() times RandomScale: a float from 0 to 1 inclusive.
    float randomUnit();

private:
    uint32_t current;
};

// The scenery's seed for a game whose rules' stream starts at rulesSeed:
// always the same for the same game, so a replay draws the scenery it did,
// and far from the rules' own numbers on the generator's cycle.
uint32_t scenerySeed(uint32_t rulesSeed);
