#include "view/OptionsLayout.h"

#include <algorithm>
#include <cmath>

namespace {

// The panel and its rows on the reference screen.
constexpr int RefPanelLeft = 80, RefPanelTop = 40, RefPanelRight = 720, RefPanelBottom = 570;
constexpr int RefPageRowTop = 60, RefFirstRowTop = 130, RefRowHeight = 44;
constexpr int RefLabelLeft = 130, RefValueRight = 670;
constexpr int RefHintTop = 530, RefTextTop = 125;
constexpr int RefRowFont = 24, RefSmallFont = 18;
// Text smaller than this cannot be read at all.
constexpr int LeastFont = 9;
// Below this width the least font no longer fits the panel's width: the
// panel then takes nearly the whole width, a margin from either edge.
constexpr int NarrowWidth = 480, NarrowMargin = 12;

} // namespace

OptionsLayout::OptionsLayout(int viewportWidth, int viewportHeight) : screen(viewportWidth, viewportHeight)
{
    const bool narrow = viewportWidth < NarrowWidth;
    panelLeft = narrow ? screen.px(NarrowMargin, Anchor::Start) : screen.px(RefPanelLeft);
    panelTop = screen.py(RefPanelTop);
    panelRight = narrow ? screen.px(ReferenceWidth - NarrowMargin, Anchor::End) : screen.px(RefPanelRight);
    panelBottom = screen.py(RefPanelBottom);
    tabWidth = (panelRight - panelLeft) / OptionsPageCount;
    labelLeft = panelLeft + screen.length(RefLabelLeft - RefPanelLeft);
    valueRight = panelRight - screen.length(RefPanelRight - RefValueRight);
    rowHeight = std::max(1, screen.length(RefRowHeight));
    hintTop = screen.py(RefHintTop);
    textTop = screen.py(RefTextTop);
    rowFont = std::max(LeastFont, screen.length(RefRowFont));
    smallFont = std::max(LeastFont, screen.length(RefSmallFont));
}

int OptionsLayout::rowTop(int row) const
{
    return screen.py(row == 0 ? RefPageRowTop : RefFirstRowTop + (row - 1) * RefRowHeight);
}

int OptionsLayout::rowAt(int x, int y, int rowCount) const
{
    if (x < panelLeft || x >= panelRight)
        return -1;
    // Each row reaches down to where the next one would start, so that no
    // pixel between two rows is left to neither by rounding.
    for (int row = 0; row < rowCount; ++row) {
        const int bottom = row == 0 ? screen.py(RefPageRowTop + RefRowHeight) : rowTop(row + 1);
        if (y >= rowTop(row) && y < bottom)
            return row;
    }
    return -1;
}

OptionsPage OptionsLayout::tabAt(int x) const
{
    const int tab = tabWidth > 0 ? (x - panelLeft) / tabWidth : 0;
    return static_cast<OptionsPage>(std::clamp(tab, 0, OptionsPageCount - 1));
}

bool OptionsLayout::onHint(int x, int y) const
{
    return x >= panelLeft && x < panelRight && y >= hintTop && y < std::max(hintTop + rowHeight, panelBottom);
}
