#pragma once
// Keys already down when the window gains the keyboard were pressed for
// something else: an arrow held through Alt+Tab, the Enter that started the
// game from a terminal, an Escape meant for another window. They count only
// from their next press: until they go up, their presses and repeats are
// dropped, so is the text they type, and they do not read as held.
//
// Keys are SDL scancodes; the rules need nothing of SDL itself.
#include <bitset>
#include <cstdint>

class CKeysAtFocus {
public:
    static constexpr int KeyCount = 512;

    // The window gained the keyboard; keyState[scancode] is non-zero for the
    // keys down at this moment (count entries).
    void focusGained(const uint8_t* keyState, int count);
    // The window lost the keyboard: every key goes up with it.
    void focusLost();
    // A press or repeat of the key arrived; false when it is to be dropped.
    bool pressCounts(int scancode);
    // The key went up: its next press counts.
    void released(int scancode);
    // Typed text arrived: false when it comes from a press just dropped.
    bool textCounts();
    // Whether a key that is down reads as held.
    bool heldCounts(int scancode) const;

private:
    static bool known(int scancode) { return scancode >= 0 && scancode < KeyCount; }

    std::bitset<KeyCount> downAtFocus;
    bool lastPressDropped = false;
};
