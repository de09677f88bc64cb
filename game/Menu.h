#pragma once
// The front-end menu: what the game flow switches (shown or hidden, the
// high-score list, the highlighted item, the name being typed, the options
// screen) and the fades and pulse that advance every simulation step.
#include <array>
#include <cstdint>
#include <string>

#include "game/OptionsMenu.h"

// Where and in what colour one row of the high-score list is drawn: the name
// starts at nameLeft, the score ends at scoreRight, both on the row's top.
struct HighScoreRow {
    int nameLeft = 0;
    int scoreRight = 0;
    int top = 0;
    uint32_t colour = 0; // ARGB
};

// Where an item's picture sits on the 800 x 600 reference screen: the row
// at y = 540, from left for width pixels; the picture is as wide as its slot.
struct MenuItemSlot {
    int left;
    int width;
};

class CMenu {
public:
    // In the order Up/Down and Left/Right go through them, left to right.
    enum Item { PlayItem = 0, HighScoreItem = 1, OptionsItem = 2, ExitItem = 3 };
    static constexpr int ItemCount = 4;
    static constexpr int ItemRowTop = 540;
    static constexpr int ItemHeight = 48;
    // Clear of the address plate at the bottom left (up to x = 240), eight
    // pixels apart, ending inside the screen.
    static constexpr std::array<MenuItemSlot, ItemCount> ItemSlots = {{{264, 112}, {384, 144}, {536, 152}, {696, 96}}};
    // The item whose picture covers a point of a viewport, or -1.
    static int itemAt(int x, int y, int viewportWidth, int viewportHeight);

    // One simulation step of the fades and the pulse of the selected item.
    void update(float dt);

    // The background is held a little translucent once it has faded in; the
    // title and items show only from then on. Every step ends with it.
    void holdFade();
    bool fullyShown() const;
    // The background's opacity as drawn: the fade, held at its resting value
    // (a menu that has not stepped yet starts fully faded in).
    double shownFade() const;

    // Row i (0 the best) of the high-score list on a viewport of the given
    // pixel size; typing says whether the row holds the name being typed.
    HighScoreRow highScoreRow(int index, int viewportWidth, int viewportHeight, bool typing) const;

    bool visible = false;
    bool showScores = false;
    int selected = PlayItem;
    // The high-score entry picked (0 the best) while the list shows, or -1.
    int chosenScore = -1;
    // The high-score name being typed, or null.
    std::string* nameEntry = nullptr;
    // A line under the high-score list telling the player something went
    // wrong with the table (it could not be saved); empty when all is well.
    std::string scoresNotice;

    double clock = 0.0;
    double fade = 1.0;
    double scoresFade = 0.0;
    double pulse = 0.0;
    std::array<uint32_t, ItemCount> itemColours{};

    // The options screen, drawn over the menu while it is open.
    COptionsMenu options;
    // The keys and pad buttons shown over the game (F1); any key hides them.
    bool helpShown = false;
    // A game in play stands paused: the screen says so over the well.
    bool gamePaused = false;
    // The name's letter a pad is picking (shown after the name, not yet in
    // it), or 0 when none is being picked.
    char pickedLetter = 0;
};

// The colour of a chosen item or row at a point of the pulse: white at 0,
// red at 1.
uint32_t pulseColour(double pulse);

// The letters a pad steps through for a high-score name, from one to the
// next (or previous), round; from none it starts at 'A' (or '9' backwards).
char nextNameLetter(char letter, int step);

// A fraction as a colour byte: 255 from 1 up, 0 from 0 down, rounded between.
int colourByte(double fraction);
