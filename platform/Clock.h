#pragma once
// The high-resolution counter and the process's sleeps.
#include <cstdint>

int64_t queryCounter();
int64_t queryCounterFrequency();
// Milliseconds since the platform started; seeds the random generator.
uint32_t tickCountMilliseconds();
void sleepMilliseconds(int milliseconds);
