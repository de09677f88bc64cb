#pragma once
// The options screen drawn over the menu's background in the menu's own
// look: its fonts' face, its white items and the red pulse of the chosen
// one. A dark glass panel holds the page tabs, the page's settings with their
// values, or the keyboard and pad tables, and a line that says how to go
// back. What it shows comes from the COptionsMenu; this class holds only the
// fonts, made at the size the layout gives the viewport, so that the screen
// reads the same at 320 x 240 as at full HD.
#include <memory>
#include <optional>

#include "view/FontCache.h"
#include "view/OptionsLayout.h"

class CFont;
class CMenu;

class COptionsScreen {
public:
    COptionsScreen();
    ~COptionsScreen();

    // Once per frame while the options are open, after the menu background.
    void draw(const CMenu& menu);
    // The keys and pad buttons over the game, in any state (F1).
    void drawHelp(const CMenu& menu);

    static constexpr const char* BackHint = "Escape or pad B: back     Left / Right: change";
    static constexpr const char* ControlsHint = "Escape or pad B: back     Enter or pad A: choose a key";
    static constexpr const char* HelpHint = "Any key or button: back";

private:
    // The fonts at the sizes the layout gives.
    void makeFonts(const OptionsLayout& layout);
    void drawPageRow(const CMenu& menu);
    void drawSettings(const CMenu& menu);
    void drawControls(const COptionsMenu& options);
    CFont& tableFontFor(const OptionsLayout& layout, int lines);
    // The panel in its colour: the options' dark glass, or the help's
    // opaque panel, through which nothing behind it shows.
    std::optional<OptionsLayout> beginPanel(uint32_t colour);
    void drawPanel(uint32_t colour);

    CFontCache fonts;
    // This draw's fonts, from the cache.
    CFont* rowFont = nullptr;
    CFont* smallFont = nullptr;
};
