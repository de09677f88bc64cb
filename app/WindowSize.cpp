#include "app/WindowSize.h"

#include <algorithm>
#include <string>

#include "app/Settings.h"
#include "files/FileProblems.h"

namespace {

std::string sizeText(int width, int height) { return std::to_string(width) + " x " + std::to_string(height); }

} // namespace

WindowSize clampWindowSize(WindowSize wanted, std::optional<DesktopSize> desktop)
{
    const int maxWidth = std::max(desktop ? desktop->width : WindowSizeRange::NoDesktopLimit, WindowSizeRange::MinWidth);
    const int maxHeight =
        std::max(desktop ? desktop->height : WindowSizeRange::NoDesktopLimit, WindowSizeRange::MinHeight);
    return {std::clamp(wanted.width, WindowSizeRange::MinWidth, maxWidth),
            std::clamp(wanted.height, WindowSizeRange::MinHeight, maxHeight)};
}

void fitWindowSize(CSettings& settings, std::optional<DesktopSize> desktop)
{
    const WindowSize wanted{settings.width, settings.height};
    const WindowSize fitted = clampWindowSize(wanted, desktop);
    if (fitted == wanted)
        return;
    // Each side that moves is named as the file writes it, so the line never
    // quotes a number the player did not write.
    std::string sides;
    int moved = 0;
    const auto name = [&](const char* attribute, int value, const std::string& text) {
        sides += moved++ == 0 ? "" : " and ";
        sides += text.empty() ? std::string("the default ") + attribute + " " + std::to_string(value)
                              : std::string(attribute) + "=\"" + printableText(text, 40) + "\"";
    };
    if (fitted.width != wanted.width)
        name("width", wanted.width, settings.widthText);
    if (fitted.height != wanted.height)
        name("height", wanted.height, settings.heightText);
    const WindowSize largest = clampWindowSize({1 << 30, 1 << 30}, desktop);
    reportFileProblem(settings.file,
                      sides + (moved == 1 ? " is" : " are") + " outside the window sizes " +
                          sizeText(WindowSizeRange::MinWidth, WindowSizeRange::MinHeight) + " to " +
                          sizeText(largest.width, largest.height),
                      "the window opens at " + sizeText(fitted.width, fitted.height));
    settings.width = fitted.width;
    settings.height = fitted.height;
}
