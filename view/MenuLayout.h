#pragma once
// Where the menu's item pictures sit, on the reference screen centred on the
// viewport (render/ReferenceLayout.h), and which of them lies under a point:
// the mouse points at what the screen shows there, at any window size.
#include "game/Menu.h"

#include <array>

// An item's slot on the item row: from left for width reference pixels; the
// picture is as wide as its slot.
struct MenuItemSlot {
    int left;
    int width;
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
};
