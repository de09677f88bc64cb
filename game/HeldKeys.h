#pragma once
// The three keys the board polls at the start of every step, as the game
// flow read them from whatever input it has (keyboard, pad or a script).

struct HeldKeys {
    bool left = false;
    bool right = false;
    bool down = false;
};
