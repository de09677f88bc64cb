#pragma once
// Gamepads through SDL's game controller interface, plugged in and out while
// the game runs. The d-pad and the left stick become the pad's four
// directions, pressed and held as arrow keys are; A, B, Start and Back become
// the pad keys of VirtualKeys.h, which the game's key map reads by its state.
#include <cstdint>
#include <map>

#include "platform/PadKeys.h"

union SDL_Event;
struct _SDL_GameController;

class CGamepads {
public:
    CGamepads() = default;
    ~CGamepads();
    CGamepads(const CGamepads&) = delete;
    CGamepads& operator=(const CGamepads&) = delete;

    // Starts SDL's controller subsystem; without it (no permissions, no
    // udev) the game simply has no pads. Pads already plugged in arrive as
    // device events like later ones.
    void start();
    // Takes the controller events among SDL's; false for any other event.
    bool handle(const SDL_Event& event, uint64_t now);
    // When the window loses the keyboard, held pad keys go up as keys do.
    void releaseAll() { keys.releaseAll(); }

    bool takePress(uint64_t now, int& key, bool& repeat) { return keys.takePress(now, key, repeat); }
    bool isHeld(int key) const { return keys.isHeld(key); }
    int count() const { return static_cast<int>(open.size()); }
    // False when SDL's controller subsystem could not start here.
    bool available() const { return started; }

private:
    void onButton(int device, int button, bool down, uint64_t now);
    void onAxis(int device, int axis, int value, uint64_t now);

    bool started = false;
    std::map<int, _SDL_GameController*> open; // by joystick instance id
    CPadKeys keys;
};
