#pragma once
// The keys held down at this moment, by Windows virtual-key number. The
// platform layer answers it from the keyboard state; tests and replays
// answer it from a script.

class CHeldKeys {
public:
    virtual ~CHeldKeys() = default;
    virtual bool isHeld(int virtualKey) const = 0;
};
