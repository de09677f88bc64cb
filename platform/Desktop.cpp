#include "platform/Desktop.h"

#include <SDL.h>

#include <cstring>

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
