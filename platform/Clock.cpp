#include "platform/Clock.h"

#include <SDL.h>

int64_t queryCounter() { return static_cast<int64_t>(SDL_GetPerformanceCounter()); }

int64_t queryCounterFrequency() { return static_cast<int64_t>(SDL_GetPerformanceFrequency()); }

uint32_t tickCountMilliseconds() { return SDL_GetTicks(); }

void sleepMilliseconds(int milliseconds)
{
    if (milliseconds > 0)
        SDL_Delay(static_cast<Uint32>(milliseconds));
}
