#pragma once
// The options screen as rules, without a picture: four pages (display,
// effects, sound, and the controls to read), the row the player is on, each
// setting's choices and the one chosen, and what the moves of the keyboard,
// pad and mouse do to them. The game flow turns a change into the setting it
// names; the menu screen draws what this holds, placed by its layout
// (view/OptionsLayout.h).
#include <array>
#include <string>
#include <vector>

enum class OptionsPage { Display, Effects, Sound, Controls };
constexpr int OptionsPageCount = 4;
const char* optionsPageName(OptionsPage page);

// A row the screen shows: the setting it changes (a number the game flow
// gives it), its label, its choices in order and the index of the one
// chosen. A switch has the choices off and on (index 0 and 1).
struct OptionItem {
    int setting = 0;
    std::string label;
    std::vector<std::string> choices;
    int value = 0;
    // A switch flips at either end; a list stops at its ends.
    bool wraps = false;
    // A row of the controls page: taking it waits for the next key or pad
    // button, which the game flow then binds to the row's move.
    bool waitsForKey = false;
    // A row that does something when taken ("Default keys") and has no value.
    bool isCommand = false;

    const std::string& shown() const { return choices[static_cast<size_t>(value)]; }
    // Whether Left / Right would change the value: a list at its end would not.
    bool stepsBack() const { return wraps || value > 0; }
    bool stepsOn() const { return wraps || value + 1 < static_cast<int>(choices.size()); }
};

// Each page's rows, top to bottom; the controls page's are the moves of play
// with their keys, and the row that puts the default keys back.
using OptionPages = std::array<std::vector<OptionItem>, OptionsPageCount>;

// The player's moves, from whichever device made them.
enum class OptionsMove { Up, Down, Left, Right, Take, TakeBack, Back };

// What a move did: a setting changed (the flow applies it at once), or the
// player leaves the screen (the flow saves the settings).
struct OptionsOutcome {
    bool changed = false;
    int setting = 0;
    int value = 0;
    bool leave = false;
};

class COptionsMenu {
public:
    // Shows the screen on its first page, on the page row, with these rows.
    void open(OptionPages pages);
    // Takes new values while open (a key flipped a switch behind the screen);
    // the page and the row stay.
    void refresh(OptionPages pages);
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
    // The row of a setting, on whichever page.
    const OptionItem& item(int setting) const;
    int rowCount() const { return 1 + static_cast<int>(items().size()); }

    // ---- the controls page ---------------------------------------------------
    // The keyboard's and the pad's tables as the game flow makes them from
    // its key table: one "keys<TAB>what they do" line each (a line without a
    // tab is a heading).
    void setControls(std::vector<std::string> keyboard, std::vector<std::string> pad);
    const std::vector<std::string>& keyboardHelp() const { return keyboardLines; }
    const std::vector<std::string>& padHelp() const { return padLines; }
    // Taking a key row waits for the next key or button; while it waits the
    // flow gives the key to the row's move and stops the wait with the line
    // to show under the rows ("" for none: bound, or Escape kept the old one).
    bool waitingForKey() const { return waiting; }
    // The setting of the row that waits (or is chosen).
    int chosenSetting() const;
    void stopWaiting(std::string line);
    const std::string& controlsLine() const { return line; }

private:
    OptionsOutcome step(int by);

    bool shown = false;
    OptionsPage currentPage = OptionsPage::Display;
    int currentRow = 0;
    OptionPages pageItems;
    std::vector<std::string> keyboardLines;
    std::vector<std::string> padLines;
    bool waiting = false;
    std::string line;
};

