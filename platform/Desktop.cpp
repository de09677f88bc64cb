#include "platform/Desktop.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <string>

std::vector<DesktopSize> desktopModes()
{
    std::vector<DesktopSize> modes;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0 || drawsOffScreen())
        return modes;
    const int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(0, i, &mode) == 0 && mode.w > 0 && mode.h > 0)
            modes.push_back({mode.w, mode.h});
    }
    return modes;
}

void skipUnreachableWayland()
{
    const char* runtime = SDL_getenv("XDG_RUNTIME_DIR");
    const char* wayland = SDL_getenv("WAYLAND_DISPLAY");
    if (SDL_getenv("SDL_VIDEODRIVER") || (runtime && *runtime) || (wayland && wayland[0] == '/'))
        return;
    std::string drivers;
    for (int i = 0; i < SDL_GetNumVideoDrivers(); ++i) {
        const std::string name = SDL_GetVideoDriver(i);
        if (name != "wayland")
            drivers += (drivers.empty() ? "" : ",") + name;
    }
    SDL_SetHint(SDL_HINT_VIDEODRIVER, drivers.c_str());
}

std::optional<ScreenRect> usableDesktop()
{
    skipUnreachableWayland();
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        return std::nullopt;
    // The off-screen drivers report a made-up mode that no screen has.
    if (drawsOffScreen())
        return std::nullopt;
    // Without a window manager to say what the panels take, the usable
    // part is the whole display.
    SDL_Rect area;
    if (SDL_GetDisplayUsableBounds(0, &area) != 0 || area.w <= 0 || area.h <= 0)
        return std::nullopt;
    return ScreenRect{area.x, area.y, area.w, area.h};
}

std::optional<DesktopSize> desktopSize()
{
    const std::optional<ScreenRect> area = usableDesktop();
    if (!area)
        return std::nullopt;
    return DesktopSize{area->width, area->height};
}

ScreenRect placeWindow(int width, int height, const WindowFrame& frame, const ScreenRect& usable)
{
    constexpr int Usual = 100;
    const int framedWidth = width + frame.left + frame.right;
    const int framedHeight = height + frame.top + frame.bottom;
    const bool fitsAtUsual = Usual - frame.left >= usable.x && Usual - frame.top >= usable.y &&
                             Usual - frame.left + framedWidth <= usable.x + usable.width &&
                             Usual - frame.top + framedHeight <= usable.y + usable.height;
    if (fitsAtUsual)
        return {Usual, Usual, width, height};
    const int fittedWidth = std::max(1, std::min(width, usable.width - frame.left - frame.right));
    const int fittedHeight = std::max(1, std::min(height, usable.height - frame.top - frame.bottom));
    const int outerWidth = fittedWidth + frame.left + frame.right;
    const int outerHeight = fittedHeight + frame.top + frame.bottom;
    return {usable.x + (usable.width - outerWidth) / 2 + frame.left,
            usable.y + (usable.height - outerHeight) / 2 + frame.top, fittedWidth, fittedHeight};
}

bool isOffScreenDriver(const char* driver)
{
    return driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
}

bool drawsOffScreen()
{
    const char* driver = SDL_GetCurrentVideoDriver();
    return isOffScreenDriver(driver ? driver : SDL_getenv("SDL_VIDEODRIVER"));
}
