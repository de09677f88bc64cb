#include "platform/FatalError.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

void exitWithMessage(const std::string& text, const std::string& caption)
{
    std::fprintf(stderr, "%s%s%s\n", caption.c_str(), caption.empty() ? "" : ": ", text.c_str());
    std::fflush(stderr);
    // Headless runs have nobody to press OK: the text on standard error is the message.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver)
        driver = std::getenv("SDL_VIDEODRIVER");
    const bool headless = driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
    if (!headless)
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption.c_str(), text.c_str(), nullptr);
    std::exit(1);
}
