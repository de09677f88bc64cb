#include "view/MenuLayout.h"

#include "render/ReferenceLayout.h"

#include <algorithm>
#include <cmath>

namespace {

// The list on the reference screen.
constexpr double ListMiddle = 400.0, ListHalfWidth = 300.0, ListTop = 200.0, RowSpacing = 21.0;
// The least scale of the list and its font.
constexpr double LeastListScale = 0.5;

} // namespace

int MenuLayout::itemAt(int x, int y, int viewportWidth, int viewportHeight)
{
    if (viewportWidth <= 0 || viewportHeight <= 0)
        return -1;
    // Back to the reference screen the slots are given on; a pixel counts
    // by its centre.
    const ReferenceLayout screen(viewportWidth, viewportHeight);
    const double rx = screen.referenceX(x + 0.5);
    const double ry = screen.referenceY(y + 0.5);
    if (ry < ItemRowTop || ry >= ItemRowTop + ItemHeight)
        return -1;
    for (int i = 0; i < CMenu::ItemCount; ++i)
        if (rx >= ItemSlots[i].left && rx < ItemSlots[i].left + ItemSlots[i].width)
            return i;
    return -1;
}

double MenuLayout::listScale(int viewportWidth, int viewportHeight)
{
    return std::max(ReferenceLayout(viewportWidth, viewportHeight).scale, LeastListScale);
}

HighScoreRow MenuLayout::highScoreRow(const CMenu& menu, int index, int viewportWidth, int viewportHeight,
                                      bool typing)
{
    const ReferenceLayout screen(viewportWidth, viewportHeight);
    // At the least scale the list keeps its top where the layout puts it,
    // under the title, and is larger than the screen around it.
    const double scale = listScale(viewportWidth, viewportHeight);
    const double middle = screen.x(ListMiddle);
    const double slide = menu.scoresFade() * 100.0 + 20.0 * std::sin(0.2 * index + menu.clock());

    HighScoreRow row;
    row.top = static_cast<int>(std::lround(screen.y(ListTop) + RowSpacing * scale * index));
    row.nameLeft = static_cast<int>(middle + (slide - ListHalfWidth) * scale);
    row.scoreRight = static_cast<int>(middle + (ListHalfWidth - slide) * scale);
    row.colour = menu.highScoreColour(index, typing);
    return row;
}
