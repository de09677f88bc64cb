#pragma once
// The size of the desktop the game's window opens on.
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

// The display modes of the first display, largest first as SDL lists them;
// none where desktopSize() has none.
std::vector<DesktopSize> desktopModes();
