#include "game/Random.h"

namespace {
uint32_t state = 1;
}

void seedRandom(uint32_t seed) { state = seed; }

uint32_t randomState() { return state; }

int randomInt()
{
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFFu);
}

float randomUnit() { return static_cast<float>(randomInt()) * RandomScale; }
