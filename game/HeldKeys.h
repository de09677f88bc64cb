#pragma once
// The three moves held down (slide left, slide right, drop faster) that the
// board polls at the start of every step: read once a frame from the keys
// (app/KeyMap.h), or from a recording.

struct HeldKeys {
    bool left = false;
    bool right = false;
    bool down = false;
};
