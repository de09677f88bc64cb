// The one layout of the overlays at every window size: a place of the
// reference screen lands where the layout says on any viewport, and what the
// pointer finds there (a menu item, an options row or tab, the way back) is
// the part drawn there.
#include "render/ReferenceLayout.h"
#include "view/MenuLayout.h"
#include "view/OptionsLayout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>

namespace {

// The smallest window, the reference, the common ones, a tall and a wide one.
constexpr std::pair<int, int> Sizes[] = {{320, 240},   {640, 480},   {800, 600},   {1280, 1024},
                                         {1920, 1080}, {2560, 1440}, {2560, 1080}, {1080, 1920}};

int at(double pixel) { return static_cast<int>(std::floor(pixel)); }

} // namespace

TEST(ReferenceLayout, ScalesEvenlyToFitAndKeepsToItsAnchor)
{
    const ReferenceLayout reference(800, 600);
    EXPECT_EQ(reference.scale, 1.0);
    for (const Anchor anchor : {Anchor::Start, Anchor::Centre, Anchor::End}) {
        EXPECT_EQ(reference.px(123, anchor), 123);
        EXPECT_EQ(reference.py(456, anchor), 456);
    }
    // Wide: as high as the viewport, centred across it or held to an edge.
    const ReferenceLayout wide(2560, 1080);
    EXPECT_DOUBLE_EQ(wide.scale, 1.8);
    EXPECT_EQ(wide.px(0), 560);
    EXPECT_EQ(wide.px(10, Anchor::Start), 18);
    EXPECT_EQ(wide.px(790, Anchor::End), 2542);
    EXPECT_EQ(wide.py(590, Anchor::End), 1062);
    EXPECT_DOUBLE_EQ(wide.referenceX(wide.x(321.5)), 321.5);
    // Tall: as wide as the viewport, centred down it.
    const ReferenceLayout tall(1280, 1024);
    EXPECT_DOUBLE_EQ(tall.scale, 1.6);
    EXPECT_EQ(tall.py(0), 32);
    EXPECT_EQ(tall.length(24), 38);
    // A viewport without area still gives a layout to divide by.
    EXPECT_GT(ReferenceLayout(0, 0).scale, 0.0);
}

TEST(MenuLayoutHits, ThePointerFindsEachPartWhereTheLayoutDrawsItAtEverySize)
{
    for (const auto& [width, height] : Sizes) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        const ReferenceLayout screen(width, height);

        // Each item under the middle of its picture, none between two of them
        // or above the row.
        const double middleY = MenuLayout::ItemRowTop + MenuLayout::ItemHeight / 2.0;
        for (int i = 0; i < CMenu::ItemCount; ++i) {
            const MenuItemSlot& slot = MenuLayout::ItemSlots[static_cast<size_t>(i)];
            EXPECT_EQ(MenuLayout::itemAt(at(screen.x(slot.left + slot.width / 2.0)), at(screen.y(middleY)), width,
                                         height),
                      i);
        }
        const MenuItemSlot& first = MenuLayout::ItemSlots[0];
        EXPECT_EQ(MenuLayout::itemAt(at(screen.x(first.left + first.width + 4)), at(screen.y(middleY)), width, height),
                  -1);
        EXPECT_EQ(MenuLayout::itemAt(at(screen.x(first.left + 10)), at(screen.y(MenuLayout::ItemRowTop - 4)), width,
                                     height),
                  -1);

        // The options: each row under its middle, each tab under its middle,
        // the way back under the hint line, and the panel where the layout
        // puts it (a window narrower than 480 gives it nearly all its width).
        const OptionsLayout options(width, height);
        if (width >= 480) {
            EXPECT_NEAR(options.panelLeft, screen.x(80), 1.0);
            EXPECT_NEAR(options.panelRight, screen.x(720), 1.0);
        }
        EXPECT_NEAR(options.panelTop, screen.y(40), 1.0);
        const double rowMiddles[] = {82, 152, 196, 240, 284, 328};
        for (int row = 0; row < 6; ++row) {
            EXPECT_NEAR(options.rowTop(row) + options.rowHeight / 2.0, screen.y(rowMiddles[row]), 1.5) << row;
            EXPECT_EQ(options.rowAt(at(screen.x(400)), at(screen.y(rowMiddles[row])), 6), row);
        }
        for (int tab = 0; tab < OptionsPageCount; ++tab) {
            const double middle = options.panelLeft + (tab + 0.5) * options.tabWidth;
            EXPECT_EQ(options.tabAt(at(middle)), static_cast<OptionsPage>(tab));
        }
        EXPECT_TRUE(options.onHint(at(screen.x(400)), at(screen.y(545))));
        EXPECT_FALSE(options.onHint(at(screen.x(400)), at(screen.y(300))));
    }
}
