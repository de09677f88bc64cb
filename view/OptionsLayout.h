#pragma once
// Where the options screen's parts sit on a viewport of a given size: laid
// out on the reference screen and scaled evenly to the viewport, centred
// (render/ReferenceLayout.h), and which row, tab or line lies under a point.
// Rows are counted as in COptionsMenu: 0 the page row, then the settings.
#include "game/OptionsMenu.h"
#include "render/ReferenceLayout.h"

struct OptionsLayout {
    OptionsLayout(int viewportWidth, int viewportHeight);

    int panelLeft, panelTop, panelRight, panelBottom;
    // The tabs share the page row, each tabWidth wide from panelLeft on.
    int tabWidth;
    int labelLeft, valueRight;
    int rowHeight;
    // The line that says how to go back, and the controls' text, from their tops.
    int hintTop;
    int textTop;
    // The font heights that fit the rows.
    int rowFont, smallFont;

    int rowTop(int row) const;
    // The row under a point, or -1; the tab under it on the page row.
    int rowAt(int x, int y, int rowCount) const;
    OptionsPage tabAt(int x) const;
    // Whether the point is on the hint line (a click there goes back).
    bool onHint(int x, int y) const;

private:
    // The reference screen on this viewport; each row's top is placed from
    // it, so that rounding never piles up down the page.
    ReferenceLayout screen;
};
