#pragma once
// Key codes as the game knows them: the classic Windows virtual-key numbers, so
// that the key map reads like a keyboard table. The window layer translates
// SDL's keys into these; the script driver names them.
#include <string>

namespace vk {
constexpr int Backspace = 0x08;
constexpr int Tab = 0x09;
constexpr int Return = 0x0D;
constexpr int Shift = 0x10;
constexpr int Control = 0x11;
constexpr int Alt = 0x12;
constexpr int Pause = 0x13;
constexpr int Escape = 0x1B;
constexpr int Space = 0x20;
constexpr int PageUp = 0x21;
constexpr int PageDown = 0x22;
constexpr int End = 0x23;
constexpr int Home = 0x24;
constexpr int Left = 0x25;
constexpr int Up = 0x26;
constexpr int Right = 0x27;
constexpr int Down = 0x28;
constexpr int Snapshot = 0x2C; // PrintScreen
constexpr int Insert = 0x2D;
constexpr int Delete = 0x2E;
constexpr int Digit0 = 0x30; // '0'..'9' are 0x30..0x39
constexpr int LetterA = 0x41; // 'A'..'Z' are 0x41..0x5A
constexpr int F1 = 0x70;      // F1..F12 are 0x70..0x7B
constexpr int F2 = 0x71;
constexpr int F3 = 0x72;
constexpr int F4 = 0x73;
constexpr int F5 = 0x74;
constexpr int F6 = 0x75;
constexpr int F11 = 0x7A;
constexpr int F12 = 0x7B;
// Gamepad buttons and directions (the d-pad and the left stick alike). The
// directions mean what the arrow keys mean, except while a name is typed;
// the numbers are Windows' own gamepad keys.
constexpr int PadA = 0xC3;
constexpr int PadB = 0xC4;
constexpr int PadStart = 0xCF; // "menu" on newer pads
constexpr int PadBack = 0xD0;  // "view" on newer pads
constexpr int PadUp = 0xCB;
constexpr int PadDown = 0xCC;
constexpr int PadLeft = 0xCD;
constexpr int PadRight = 0xCE;
} // namespace vk

// A key's code from its name ("Left", "Return", "F2", "a", "Space", "PadA"...); case
// does not matter. Returns 0 for an unknown name.
int virtualKeyFromName(const std::string& name);
