#pragma once
// The desktop the game's window opens on: its size, and whether SDL shows
// anything on one at all.
#include <optional>
#include <vector>

struct DesktopSize {
    int width = 0;
    int height = 0;
};

// The current mode of the first display, or none where there is no desktop:
// no display could be reached, or SDL draws off screen (tests, replays).
// Starts SDL's video part when it is not running yet.
std::optional<DesktopSize> desktopSize();

// Whether SDL's video driver of that name shows nothing to anyone: its
// off-screen and dummy drivers (tests, scripted runs). False for none.
bool isOffScreenDriver(const char* driver);

// Whether the game draws where nobody sees it, so a message box would wait
// for an OK nobody can press: the running video driver is an off-screen one,
// or, before SDL's video starts, the one SDL_VIDEODRIVER asks for.
bool drawsOffScreen();

// The display modes of the first display, largest first as SDL lists them;
// none where desktopSize() has none.
std::vector<DesktopSize> desktopModes();
