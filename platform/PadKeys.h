#pragma once
// The keys that gamepads hold down, and their repeats.
//
// Several controls can stand for one key (the d-pad's left and the stick's
// left, on any number of pads): a key is held while any of them is, and is
// pressed once when the first of them goes down. A held key presses again
// after a delay and then at a steady rate, as a held keyboard key does, so
// a pad turns pieces and walks the menu with the keyboard's feel. Times are
// milliseconds from any fixed start.
#include <cstdint>
#include <map>
#include <set>

class CPadKeys {
public:
    static constexpr uint64_t RepeatDelay = 500;
    static constexpr uint64_t RepeatInterval = 40;

    // A control of a device went down or up; it stands for key. A key that
    // should not repeat (pause, leave) says so.
    void press(int device, int control, int key, bool repeats, uint64_t now);
    void release(int device, int control);
    // A pad was unplugged, or the window lost the keyboard: its keys go up.
    void releaseDevice(int device);
    void releaseAll();

    // Takes the next key press that is due: a fresh press first, then any
    // repeat whose time has come (repeat says which). False when none is due.
    bool takePress(uint64_t now, int& key, bool& repeat);
    bool isHeld(int key) const;

private:
    struct HeldKey {
        std::set<std::pair<int, int>> controls; // (device, control)
        bool repeats = false;
        bool pressPending = false;
        uint64_t nextRepeat = 0;
    };
    void dropControl(std::map<int, HeldKey>::iterator key, std::pair<int, int> control);

    std::map<int, HeldKey> held; // by key
};
