#pragma once
// The options screen as rules, without a picture: four pages (display,
// effects, sound, and the controls to read), the row the player is on, each
// setting's choices and the one chosen, and what the moves of the keyboard,
// pad and mouse do to them. The game flow turns a change into the setting it
// names; the menu screen draws what this holds, placed by its layout
// (view/OptionsLayout.h).
#include <optional>
#include <string>
#include <vector>

enum class OptionsPage { Display, Effects, Sound, Controls };
constexpr int OptionsPageCount = 4;
const char* optionsPageName(OptionsPage page);

enum class OptionId {
    WindowSize,
    FullScreen,
    FrameLimit,
    ShowFrameRate,
    RenderScale,
    Bloom,
    Shadows,
    Mirror,
    FilteredCopy,
    MusicVolume,
    EffectsVolume,
    Mute,
};

// A setting the screen shows: its label, its choices in order and the index
// of the one chosen. A switch has the choices off and on (index 0 and 1), a
// level 0 to 10 its own number as index.
struct OptionItem {
    OptionId id;
    std::string label;
    std::vector<std::string> choices;
    int value = 0;
    // A switch flips at either end; a list stops at its ends.
    bool wraps = false;

    const std::string& shown() const { return choices[static_cast<size_t>(value)]; }
};

// The player's moves, from whichever device made them.
enum class OptionsMove { Up, Down, Left, Right, Take, TakeBack, Back };

// What a move did: a setting changed (the flow applies it at once), or the
// player leaves the screen (the flow saves the settings).
struct OptionsOutcome {
    bool changed = false;
    OptionId option = OptionId::WindowSize;
    int value = 0;
    bool leave = false;
};

// The values the screen opens with, as the game is set now.
struct OptionValues {
    // Window sizes as "W x H" choices and the index of the current one.
    std::vector<std::string> windowSizes;
    int windowSize = 0;
    bool fullScreen = false;
    bool frameLimit = false;
    bool showFrameRate = false;
    // 0 for auto, then 1 to 6 for a fixed 50 % to 100 % (see renderScaleChoice).
    int renderScale = 0;
    bool bloom = true;
    bool shadows = true;
    bool mirror = true;
    bool filteredCopy = true;
    int musicVolume = 10;
    int effectsVolume = 10;
    bool mute = false;
};

// The render scale's choices: auto, or a fixed share from 50 % to 100 % in
// steps of 10 %; the choice nearest a share, and the share of a choice.
constexpr int RenderScaleChoices = 7;
int renderScaleChoice(std::optional<float> share);
std::optional<float> renderScaleShare(int choice);

class COptionsMenu {
public:
    static constexpr int MaxVolume = 10;

    // Shows the screen on its first page, on the page row, with these values.
    void open(const OptionValues& values);
    // Takes new values while open (a key flipped a switch behind the screen);
    // the page and the row stay.
    void refresh(const OptionValues& values);
    void close() { shown = false; }
    bool isOpen() const { return shown; }

    // ---- moves ------------------------------------------------------------
    // Up and Down go through the rows (the page row first, then the page's
    // settings) and wrap; Left and Right change the page on the page row and
    // the value elsewhere; Take steps a value forward (wrapping, as a click
    // does) or goes from the page row to the first setting; TakeBack steps a
    // value back; Back leaves. Nothing happens while closed.
    OptionsOutcome move(OptionsMove move);
    // The mouse: pointing at a row makes it the current one; a click also
    // takes it (a page tab shows its page). pageTab is the tab pointed at
    // on the page row.
    void point(int row, OptionsPage pageTab);

    // ---- what the screen shows ---------------------------------------------
    OptionsPage page() const { return currentPage; }
    // 0 is the page row; 1 and on the settings of the page.
    int row() const { return currentRow; }
    const std::vector<OptionItem>& items() const { return pageItems[static_cast<size_t>(currentPage)]; }
    const OptionItem& item(OptionId id) const;
    int rowCount() const { return 1 + static_cast<int>(items().size()); }

private:
    OptionsOutcome step(int by);

    bool shown = false;
    OptionsPage currentPage = OptionsPage::Display;
    int currentRow = 0;
    std::vector<OptionItem> pageItems[OptionsPageCount];
};

// The keyboard's and the pad's tables, as the controls page shows them: one
// "key<TAB>what it does" line each.
const std::vector<std::string>& keyboardHelp();
const std::vector<std::string>& padHelp();
