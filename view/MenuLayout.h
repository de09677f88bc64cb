#pragma once
// Where the menu's item pictures and the high-score list sit, on the
// reference screen centred on the viewport (render/ReferenceLayout.h), and
// which item lies under a point: the mouse points at what the screen shows
// there, at any window size.
#include "game/Menu.h"

#include <array>
#include <cstdint>

// An item's slot on the item row: from left for width reference pixels; the
// picture is as wide as its slot.
struct MenuItemSlot {
    int left;
    int width;
};

// Where and in what colour one row of the high-score list is drawn, in
// viewport pixels: the name starts at nameLeft, the score ends at
// scoreRight, both on the row's top.
struct HighScoreRow {
    int nameLeft = 0;
    int scoreRight = 0;
    int top = 0;
    uint32_t colour = 0; // ARGB
};

struct MenuLayout {
    static constexpr int ItemRowTop = 540;
    static constexpr int ItemHeight = 48;
    // Clear of the address plate at the bottom left (up to x = 240), eight
    // pixels apart, ending inside the screen.
    static constexpr std::array<MenuItemSlot, CMenu::ItemCount> ItemSlots = {
        {{264, 112}, {384, 144}, {536, 152}, {696, 96}}};

    // The item whose picture covers a point of a viewport, or -1.
    static int itemAt(int x, int y, int viewportWidth, int viewportHeight);

    // Row i (0 the best) of the high-score list on a viewport of the given
    // pixel size, as the menu's clock and fades have it; typing says whether
    // the row holds the name being typed. The list is a 600-pixel column of
    // the reference screen, centred, rows 21 apart from 100 above the middle;
    // it slides in from the middle as it fades in, then sways by 20 pixels.
    static HighScoreRow highScoreRow(const CMenu& menu, int index, int viewportWidth, int viewportHeight,
                                     bool typing);
    // How much the list and its font are scaled: the reference screen's
    // scale, but never below half, where its letters could no longer be read.
    static double listScale(int viewportWidth, int viewportHeight);
};
