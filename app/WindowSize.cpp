#include "app/WindowSize.h"

#include <algorithm>
#include <string>

#include "app/Settings.h"
#include "files/FileProblems.h"
#include "xml/XmlDocument.h"

namespace {

std::string sizeText(int width, int height) { return std::to_string(width) + " x " + std::to_string(height); }

// The sizes players know from their monitors, 4:3, 5:4, 16:10 and 16:9,
// offered beside the desktop's own modes: a display may list only a few
// (Xvfb and many laptops list one or two) or none at all (off screen).
constexpr WindowSize CommonSizes[] = {{640, 480},   {800, 600},   {1024, 768},  {1280, 720},  {1280, 800},
                                      {1280, 1024}, {1366, 768},  {1440, 900},  {1600, 900},  {1680, 1050},
                                      {1920, 1080}, {1920, 1200}, {2560, 1440}, {3840, 2160}};

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
    const WindowSize wanted{settings.width(), settings.height()};
    const WindowSize fitted = clampWindowSize(wanted, desktop);
    if (fitted == wanted)
        return;
    // Each side that moves is named as the file writes it, so the line never
    // quotes a number the player did not write.
    std::string sides;
    int moved = 0;
    const auto name = [&](SettingId side) {
        const char* attribute = declarationOf(side).attribute;
        const std::string& text = settings.writtenAs(side);
        const int value = settings.value(side);
        sides += moved++ == 0 ? "" : " and ";
        // A text the file gave but the game did not take left the default.
        sides += text.empty() || parseDecimal(text) != value
                     ? std::string("the default ") + attribute + " " + std::to_string(value)
                     : std::string(attribute) + "=\"" + printableText(text, 40) + "\"";
    };
    if (fitted.width != wanted.width)
        name(SettingId::Width);
    if (fitted.height != wanted.height)
        name(SettingId::Height);
    const WindowSize largest = clampWindowSize({1 << 30, 1 << 30}, desktop);
    reportFileProblem(settings.file(),
                      sides + (moved == 1 ? " is" : " are") + " outside the window sizes " +
                          sizeText(WindowSizeRange::MinWidth, WindowSizeRange::MinHeight) + " to " +
                          sizeText(largest.width, largest.height),
                      "the window opens at " + sizeText(fitted.width, fitted.height));
    settings.set(SettingId::Width, fitted.width);
    settings.set(SettingId::Height, fitted.height);
}

std::string windowSizeText(WindowSize size) { return sizeText(size.width, size.height); }

std::vector<WindowSize> windowSizeChoices(const std::vector<DesktopSize>& modes, std::optional<DesktopSize> desktop,
                                          WindowSize current)
{
    std::vector<WindowSize> choices;
    auto fits = [&desktop](WindowSize size) { return clampWindowSize(size, desktop) == size; };
    for (const DesktopSize& mode : modes)
        if (fits({mode.width, mode.height}))
            choices.push_back({mode.width, mode.height});
    for (const WindowSize& size : CommonSizes)
        if (fits(size))
            choices.push_back(size);
    choices.push_back(current);
    std::sort(choices.begin(), choices.end(), [](WindowSize a, WindowSize b) {
        return a.width != b.width ? a.width < b.width : a.height < b.height;
    });
    choices.erase(std::unique(choices.begin(), choices.end()), choices.end());
    return choices;
}
