#pragma once
// Start-up and shutdown of the whole game, shared by the game binary and the
// replay tool (which drives the same game headless from a script).
#include <cstdint>
#include <optional>

class CInputScript;

struct GameOptions {
    // A fixed seed for the random generator; none means the millisecond tick.
    std::optional<uint32_t> seed;
    // A fixed frame time in seconds instead of the real clock (replays).
    std::optional<double> fixedFrameTime;
    // Input fed from a script instead of the window; the run ends with it.
    CInputScript* script = nullptr;
};

// Runs the game in the current working directory; returns the process status.
int runGame(const GameOptions& options);
