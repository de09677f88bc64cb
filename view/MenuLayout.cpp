#include "view/MenuLayout.h"

#include "render/ReferenceLayout.h"

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
