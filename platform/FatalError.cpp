#include "platform/FatalError.h"

#include "platform/Desktop.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>

void exitWithMessage(const std::string& text, const std::string& caption)
{
    std::fprintf(stderr, "%s%s%s\n", caption.c_str(), caption.empty() ? "" : ": ", text.c_str());
    std::fflush(stderr);
    // Headless runs have nobody to press OK: the text on standard error is the message.
    if (!drawsOffScreen())
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption.c_str(), text.c_str(), nullptr);
    std::exit(1);
}
