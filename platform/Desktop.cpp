#include "platform/Desktop.h"

#include <SDL.h>

#include <string>

std::optional<DesktopSize> desktopSize()
{
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        return std::nullopt;
    // The off-screen drivers report a made-up mode that no screen has.
    const char* driver = SDL_GetCurrentVideoDriver();
    const std::string name = driver ? driver : "";
    if (name == "offscreen" || name == "dummy")
        return std::nullopt;
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0 || mode.w <= 0 || mode.h <= 0)
        return std::nullopt;
    return DesktopSize{mode.w, mode.h};
}
