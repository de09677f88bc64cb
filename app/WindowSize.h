#pragma once
// The window size the game opens with: what settings.xml asks for, kept
// within reason. A window smaller than 320 x 240 has no room for the HUD and
// the menu; one larger than the desktop cannot be seen whole, and one of
// thousands of pixels a side takes seconds a frame to draw.
#include <optional>
#include <string>
#include <vector>

#include "platform/Desktop.h"

class CSettings;

struct WindowSizeRange {
    // Also the least size the window manager lets the window be dragged to.
    static constexpr int MinWidth = 320;
    static constexpr int MinHeight = 240;
    // The largest window where no desktop says otherwise.
    static constexpr int NoDesktopLimit = 4096;
};

struct WindowSize {
    int width = 0;
    int height = 0;
    bool operator==(const WindowSize&) const = default;
};

// The size itself when it lies from 320 x 240 up to the desktop's size (or
// 4096 x 4096 with no desktop), otherwise each side moved to the nearest limit.
// A desktop smaller than the least size still gets the least size.
WindowSize clampWindowSize(WindowSize wanted, std::optional<DesktopSize> desktop);

// Fits the settings' width and height to the desktop, printing one line on
// standard error when either changes.
void fitWindowSize(CSettings& settings, std::optional<DesktopSize> desktop);

// The window sizes the options offer, narrowest first (then lowest), each
// once: the common monitor sizes and the desktop's own modes that fit the
// desktop (from 320 x 240 up), and always the current size.
std::vector<WindowSize> windowSizeChoices(const std::vector<DesktopSize>& modes, std::optional<DesktopSize> desktop,
                                          WindowSize current);
// "800 x 600".
std::string windowSizeText(WindowSize size);
