#pragma once
// The frame timer: seconds between frames from the high-resolution counter.
#include <cstdint>
#include <functional>

class CFrameTimer {
public:
    using Counter = std::function<int64_t()>;

    // Reads the platform's counter; tests pass a counter of their own.
    CFrameTimer();
    explicit CFrameTimer(Counter counter, int64_t frequency);

    void reset();
    void tick();

    double delta = 0.0; // seconds between the last two ticks
    double total = 0.0; // sum of the deltas since the last reset
    int ticks = 0;

private:
    Counter counter;
    int64_t frequency = 0;
    int64_t last = 0;
};
