#pragma once
// The game's one source of randomness: the classic 15-bit linear congruential
// generator, so that a seed replays a whole game (pieces, debris, sounds, light).
#include <cstdint>

constexpr int RandomMax = 32767;
// 1/32767 rounded to single precision; slightly below the exact value, so that
// randomInt() * RandomScale never reaches a whole unit when scaled by a count.
constexpr float RandomScale = 1.0f / 32767.0f;

// Sets the generator's state. The board seeds it once at start-up.
void seedRandom(uint32_t seed);
// The generator's whole state: a recorded game keeps it from its start, so
// that playing it again draws the same numbers.
uint32_t randomState();

// The next integer from 0 to 32767.
int randomInt();

// randomInt() times RandomScale: a float from 0 to 1 inclusive.
float randomUnit();
