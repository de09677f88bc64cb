#pragma once
// The names a player reads and writes for keys and pad buttons: SDL's own key
// names ("Left", "Left Shift", "A", "Space", "Return") and its game
// controller button names ("a", "b", "start", "back"), turned into the
// game's key codes (VirtualKeys.h) and back. The window translates SDL's keys
// with the same table, so every key that has a name here reaches the game;
// the pad's buttons are A, B, Start, Back and the d-pad (the left stick too).
#include <string>

// The game's code of an SDL keycode; 0 for a key the game does not take.
int virtualKeyOfSdlKey(int sdlKeycode);

// A key's name; "" for a code no keyboard key has (a pad button, 0).
std::string keyName(int key);
// A keyboard key from its name, in any case; 0 when SDL names no key so or
// the game does not take that key.
int keyFromName(const std::string& name);

// A pad button's name; "" for a code that is no pad button.
std::string padButtonName(int key);
// A pad button from its name, in any case; 0 for no button the game takes.
int padButtonFromName(const std::string& name);
