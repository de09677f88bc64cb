#include "platform/FrameTimer.h"

#include "platform/Clock.h"

CFrameTimer::CFrameTimer()
    : counter(&queryCounter), frequency(queryCounterFrequency())
{
    reset();
}

CFrameTimer::CFrameTimer(Counter counter, int64_t frequency)
    : counter(std::move(counter)), frequency(frequency)
{
    reset();
}

void CFrameTimer::reset()
{
    last = counter();
    delta = 0.0;
    total = 0.0;
    ticks = 0;
}

void CFrameTimer::tick()
{
    const int64_t now = counter();
    // Without a usable counter frequency time stands still: frames are still
    // drawn, but no simulation step is ever made.
    delta = frequency > 0 ? static_cast<double>(now - last) / static_cast<double>(frequency) : 0.0;
    ticks += 1;
    last = now;
    total += delta;
}
