#pragma once
// Where the game's input comes from between frames: the window's events, or a
// input script that plays the part of a player.
#include <cstdint>

struct InputMessage {
    // FocusLost: the window stopped receiving the keyboard (another window
    // came to the front); the game may pause. MouseDown: a button went down.
    enum Type { None, KeyDown, Character, MouseMove, Quit, FocusLost, MouseDown };
    Type type = None;
    int key = 0;                // KeyDown: virtual-key code
    bool repeat = false;        // KeyDown: a held key's repeat, not a fresh press
    uint32_t character = 0;     // Character: Unicode code point
    int x = 0, y = 0;           // MouseMove, MouseDown: client pixels
    // MouseMove: the pointer stood still while the window moved or changed
    // under it (full screen switched, resized): its place in the window
    // changed, but the player did not point anywhere new.
    bool pointerStill = false;
    unsigned buttons = 0;       // MouseMove: MouseLeft | MouseRight | MouseMiddle held; MouseDown: the one pressed
};

// Button flags of a mouse move, with the classic values.
constexpr unsigned MouseLeft = 0x01;
constexpr unsigned MouseRight = 0x02;
constexpr unsigned MouseMiddle = 0x10;

class CInputSource {
public:
    virtual ~CInputSource() = default;

    // Takes the next waiting message; false when none waits.
    virtual bool poll(InputMessage& message) = 0;
    // Whether a key is held down at this moment.
    virtual bool isHeld(int virtualKey) const = 0;
    // False while frames must not be made (the window is minimised).
    virtual bool isActive() const = 0;
    // Told after every frame that was drawn and presented.
    virtual void frameDone() {}
};
