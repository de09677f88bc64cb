#include "platform/Desktop.h"

#include <SDL.h>

#include <cstring>

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

std::optional<DesktopSize> desktopSize()
{
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        return std::nullopt;
    // The off-screen drivers report a made-up mode that no screen has.
    if (drawsOffScreen())
        return std::nullopt;
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0 || mode.w <= 0 || mode.h <= 0)
        return std::nullopt;
    return DesktopSize{mode.w, mode.h};
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
