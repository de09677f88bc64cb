#pragma once
// Which keys are held down at this moment, as the board polls them each step.
class CHeldKeys {
public:
    virtual ~CHeldKeys() = default;
    virtual bool isHeld(int virtualKey) const = 0;
};
