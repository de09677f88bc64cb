#pragma once
// Start-up and shutdown of the whole game, shared by the game binary and the
// replay tool, which drives the same game headless from a script.
#include <cstdint>
#include <functional>
#include <optional>

class CApplication;
class CInputSource;

struct GameOptions {
    // A fixed seed for the random generator; none means the millisecond tick.
    std::optional<uint32_t> seed;
    // A fixed frame time in seconds instead of the real clock.
    std::optional<double> fixedFrameTime;
    // Makes the input source once the application exists; none means the
    // window's own keyboard and mouse.
    std::function<CInputSource*(CApplication&)> makeInput;
};

// Runs the game in the current working directory; returns the process status.
int runGame(const GameOptions& options);
