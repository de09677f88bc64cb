#pragma once
// The desktop the game's window opens on: its size, where on it the window
// goes, and whether SDL shows anything on one at all.
#include <optional>
#include <vector>

struct DesktopSize {
    int width = 0;
    int height = 0;
};

// A rectangle in screen pixels, from the screen's top left.
struct ScreenRect {
    int x = 0, y = 0;
    int width = 0, height = 0;
    bool operator==(const ScreenRect&) const = default;
};

// The frame the desktop draws around a window's client area (title bar,
// borders), in pixels on each side.
struct WindowFrame {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// Called before SDL's video part starts: where no Wayland compositor can be
// reached (neither XDG_RUNTIME_DIR nor an absolute WAYLAND_DISPLAY), SDL is
// told not to try Wayland, whose library would print a line of its own for
// nothing. A driver chosen in SDL_VIDEODRIVER is left alone.
void skipUnreachableWayland();

// The part of the first display that windows may take, without the panels
// and docks the desktop keeps for itself; none where there is no desktop: no
// display could be reached, or SDL draws off screen (tests, replays). Starts
// SDL's video part when it is not running yet.
std::optional<ScreenRect> usableDesktop();
// The size of that part.
std::optional<DesktopSize> desktopSize();

// Where the client area of a window of the given size goes: at (100, 100),
// where it has always opened, when the window with its frame fits there
// whole; otherwise shrunk where it must be to the usable area less the frame,
// and centred on that area, so that no part of it is off the screen.
ScreenRect placeWindow(int width, int height, const WindowFrame& frame, const ScreenRect& usable);

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
