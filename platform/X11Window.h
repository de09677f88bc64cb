#pragma once
// What SDL leaves unsaid about the game's window on an X11 display: whether
// a window manager runs that makes windows full screen on request, whether
// another program destroyed the window, and which keys are down. On other displays (Wayland,
// off screen) the answers are the ones that change nothing.
#include <cstdint>
#include <vector>

struct SDL_Window;

// True when the desktop makes a window full screen on request: a window
// manager announcing _NET_WM_STATE_FULLSCREEN, or a display that is not X11.
// Without one, SDL's switch only changes its own idea of the window's size.
bool desktopDoesFullScreen(SDL_Window* window);

// From now on the X errors about this window, which follow when another
// program destroys it, no longer end the process (Xlib's default is exit 1);
// windowDestroyedFromOutside() then answers true.
void watchForOutsideDestruction(SDL_Window* window);
bool windowDestroyedFromOutside();

// The keys the X server holds down at this moment, as SDL scancodes, among
// those the game reads (letters, digits, F1 to F12, the arrows and the other
// named keys). SDL learns of a key held while the window had no keyboard
// only from the server's next repeat of it, which then reads as a fresh
// press. Empty on other displays.
std::vector<int> keysDownOnDisplay(SDL_Window* window);

// What the display shows of the window's client area now, as RGBA rows, top
// row first (tests of what a player sees). False where the display is not
// X11 or the window cannot be read (not mapped, gone, or partly off the
// screen, which X refuses to read).
bool readShownPixels(SDL_Window* window, std::vector<uint8_t>& rgba, int& width, int& height);
