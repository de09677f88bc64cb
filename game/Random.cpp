#include "game/Random.h"

int CRandom::randomInt()
{
    current = current * 214013u + 2531011u;
    return static_cast<int>((current >> 16) & 0x7FFFu);
}

float CRandom::randomUnit() { return static_cast<float>(randomInt()) * RandomScale; }

// The generator walks one cycle through every state, so two streams differ
// only by where on it they start. A mixing of the seed's bits puts the
// scenery's start about as far from the rules' as a random one would; the
// constant keeps a zero seed from mixing to itself.
uint32_t scenerySeed(uint32_t rulesSeed)
{
    uint32_t x = rulesSeed ^ 0x5CE7E5EDu;
    x ^= x >> 16;
    x *= 0x7FEB352Du;
    x ^= x >> 15;
    x *= 0x846CA68Bu;
    x ^= x >> 16;
    return x;
}
