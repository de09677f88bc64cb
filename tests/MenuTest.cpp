// The menu's model: its step (pulse and fades), the background held at its
// resting opacity, and the high-score rows' places and colours.
#include "game/HighScoreTable.h"
#include "game/Menu.h"
#include "render/ReferenceLayout.h"
#include "view/MenuLayout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <utility>

namespace {

constexpr float Step = 0.01f;

uint8_t channel(uint32_t argb, int shift) { return static_cast<uint8_t>((argb >> shift) & 0xFF); }

} // namespace

// ---- the step ------------------------------------------------------------------

TEST(MenuStep, SelectedItemPulsesBetweenWhiteAndRedOthersStayDimWhite)
{
    CMenu menu;
    menu.selectNext(); // the high-score item
    // Steps that land on the top and the bottom of the pulse.
    const double period = 2.0 * std::numbers::pi / 25.12;
    menu.setClock(period / 4.0 - Step);
    menu.update(Step);
    EXPECT_NEAR(menu.pulse(), 1.0, 1e-6);
    EXPECT_EQ(menu.itemColour(CMenu::HighScoreItem), 0xFFFF0000u);
    EXPECT_EQ(menu.itemColour(CMenu::PlayItem), 0xDDFFFFFFu);
    EXPECT_EQ(menu.itemColour(CMenu::ExitItem), 0xDDFFFFFFu);

    menu.setClock(3.0 * period / 4.0 - Step);
    menu.update(Step);
    EXPECT_EQ(menu.itemColour(CMenu::HighScoreItem), 0xFFFFFFFFu);

    // The first step from the start: a quarter of the way up the pulse,
    // 1 - (0.5 sin 0.2512 + 0.5) = 0.3757 of green and blue, 96.
    menu.selectPrevious(); // back to Play
    menu.setClock(0.0);
    menu.update(Step);
    EXPECT_EQ(menu.itemColour(CMenu::PlayItem), 0xFFFF6060u);
    EXPECT_EQ(menu.itemColour(CMenu::HighScoreItem), 0xDDFFFFFFu);
}

// The highlight is on one thing at a time: an entry picked in the list takes
// it from the items, a move or a click on an item takes it back and drops the
// pick; while a name is typed no item pulses, since the keys act on the name.
TEST(MenuStep, APickedEntryOrANameTakesTheHighlightFromTheItems)
{
    CMenu menu;
    const auto anyItemPulses = [&menu] {
        menu.setClock(0.0);
        menu.update(Step);
        for (int i = 0; i < CMenu::ItemCount; ++i)
            if (menu.itemColour(i) != 0xDDFFFFFFu)
                return true;
        return false;
    };
    EXPECT_TRUE(anyItemPulses());
    menu.pickEntry(3);
    EXPECT_EQ(menu.chosenScore(), -1); // the list is not shown
    menu.toggleScores();
    menu.pickEntry(3);
    EXPECT_EQ(menu.chosenScore(), 3);
    EXPECT_FALSE(anyItemPulses());
    menu.selectNext();
    EXPECT_EQ(menu.chosenScore(), -1);
    EXPECT_TRUE(anyItemPulses());
    menu.pickEntry(0);
    menu.select(CMenu::ExitItem);
    EXPECT_EQ(menu.chosenScore(), -1);
    menu.pickEntry(0);
    menu.toggleScores(); // hidden: the pick goes with it
    EXPECT_EQ(menu.chosenScore(), -1);

    HighScoreEntry entry;
    menu.startNaming(entry);
    EXPECT_FALSE(anyItemPulses());
    menu.finishNaming();
    EXPECT_TRUE(anyItemPulses());
}

TEST(MenuStep, BackgroundFadesInFastAndOutInAThirdOfASecond)
{
    CMenu menu;
    menu.setFades(0.0, menu.scoresFade());
    menu.show(false);
    int steps = 0;
    while (!menu.fullyShown() && steps < 1000) {
        menu.update(Step);
        menu.holdFade();
        ++steps;
    }
    EXPECT_EQ(steps, 30);
    // Held there, frame after frame, slightly translucent.
    for (int i = 0; i < 50; ++i) {
        menu.update(Step);
        menu.holdFade();
    }
    EXPECT_EQ(menu.fade(), static_cast<double>(0.9f));
    EXPECT_EQ(colourByte(menu.fade()), 229);

    // A game starts: the title goes at once, the background in 0.3 s, and
    // the fade stops once it is gone (maybe a little below zero).
    menu.hide();
    menu.update(Step);
    EXPECT_FALSE(menu.fullyShown());
    for (int i = 0; i < 29; ++i)
        menu.update(Step);
    EXPECT_LE(menu.fade(), 0.0);
    EXPECT_GT(menu.fade(), -0.03);
    const double gone = menu.fade();
    menu.update(Step);
    EXPECT_EQ(menu.fade(), gone);
}

TEST(MenuStep, ScoreListTakesASecondToShowAndAThirdToHide)
{
    CMenu menu;
    menu.toggleScores(); // on
    for (int i = 0; i < 99; ++i)
        menu.update(Step);
    EXPECT_LT(menu.scoresFade(), 1.0);
    menu.update(Step);
    menu.update(Step);
    EXPECT_GE(menu.scoresFade(), 1.0);
    const double shown = menu.scoresFade();
    menu.update(Step);
    EXPECT_EQ(menu.scoresFade(), shown);

    menu.toggleScores(); // off
    for (int i = 0; i < 34; ++i)
        menu.update(Step);
    EXPECT_LE(menu.scoresFade(), 0.0);
}

TEST(MenuStep, StartUpFadeIsHeldAtItsRestingValue)
{
    CMenu menu; // starts fully faded in, over the board of random cubes
    EXPECT_EQ(menu.fade(), 1.0);
    EXPECT_TRUE(menu.fullyShown());
    menu.holdFade();
    EXPECT_EQ(menu.fade(), static_cast<double>(0.9f));
    // 0.9 written in double precision is just above the held value: it is
    // held too, and the title shows.
    menu.setFades(0.9, menu.scoresFade());
    EXPECT_TRUE(menu.fullyShown());
    menu.holdFade();
    EXPECT_EQ(menu.fade(), static_cast<double>(0.9f));
    // Below it nothing changes and the title is hidden.
    menu.setFades(0.8999, menu.scoresFade());
    menu.holdFade();
    EXPECT_EQ(menu.fade(), 0.8999);
    EXPECT_FALSE(menu.fullyShown());
}

// ---- the high-score rows -------------------------------------------------------

TEST(HighScoreRows, SitInTheMiddleColumnAndSlideWithTheFade)
{
    CMenu menu;
    menu.setFades(menu.fade(), 1.0);
    menu.setClock(0.0);
    for (int i = 0; i < CHighScoreTable::EntryCount; ++i) {
        const HighScoreRow row = MenuLayout::highScoreRow(menu, i, 800, 600, false);
        EXPECT_EQ(row.top, 200 + 21 * i) << i;
        const double slide = 100.0 + 20.0 * std::sin(0.2 * i);
        EXPECT_EQ(row.nameLeft, static_cast<int>(100.0 + slide)) << i;
        EXPECT_EQ(row.scoreRight, static_cast<int>(700.0 - slide)) << i;
    }
    // Row 3 sways by 20 sin 0.6 = 11.29: both edges cut towards the left.
    EXPECT_EQ(MenuLayout::highScoreRow(menu, 3, 800, 600, false).nameLeft, 211);
    EXPECT_EQ(MenuLayout::highScoreRow(menu, 3, 800, 600, false).scoreRight, 588);
    // At twice the size the whole list is twice as large, about the middle;
    // on a wide screen it keeps to the middle, as high as the picture allows.
    EXPECT_EQ(MenuLayout::highScoreRow(menu, 3, 1600, 1200, false).nameLeft, 422);
    EXPECT_EQ(MenuLayout::highScoreRow(menu, 3, 1600, 1200, false).scoreRight, 1177);
    EXPECT_EQ(MenuLayout::highScoreRow(menu, 3, 1600, 1200, false).top, 526);
    EXPECT_EQ(MenuLayout::highScoreRow(menu, 3, 2560, 1080, false).nameLeft, 1280 - 340);
    EXPECT_EQ(MenuLayout::highScoreRow(menu, 3, 2560, 1080, false).top, 473);

    // Hidden, the list starts from the outer edges; odd sizes halve downwards.
    menu.setFades(menu.fade(), 0.0);
    const HighScoreRow row = MenuLayout::highScoreRow(menu, 0, 801, 601, false);
    EXPECT_EQ(row.nameLeft, 100);
    EXPECT_EQ(row.scoreRight, 700);
    EXPECT_EQ(row.top, 200);
}

TEST(HighScoreRows, ShrinkToFitSmallWindowsBetweenTheTitleAndTheItems)
{
    CMenu menu;
    for (const auto& [width, height] : {std::pair{320, 240}, std::pair{400, 300}, std::pair{320, 480}}) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        const double scale = MenuLayout::listScale(width, height);
        EXPECT_LT(scale, 1.0);
        for (const double fade : {0.0, 1.0}) {
            menu.setFades(menu.fade(), fade);
            for (double clock : {0.0, 0.4, 1.3}) {
                menu.setClock(clock);
                const HighScoreRow first = MenuLayout::highScoreRow(menu, 0, width, height, false);
                const HighScoreRow last =
                    MenuLayout::highScoreRow(menu, CHighScoreTable::EntryCount - 1, width, height, false);
                const HighScoreRow below =
                    MenuLayout::highScoreRow(menu, CHighScoreTable::EntryCount, width, height, false);
                for (const HighScoreRow& row : {first, last}) {
                    EXPECT_GE(row.nameLeft, 0);
                    EXPECT_LE(row.scoreRight, width);
                    // Room for a ten-letter name and a seven-digit score in
                    // the list's font, which shrinks by the same share.
                    EXPECT_GE(row.scoreRight - row.nameLeft, static_cast<int>(17 * 10 * scale));
                }
                // Under the title (its picture ends a quarter of the way
                // down the reference screen) with two lines for the name
                // hint above, and the star's line under the last row still
                // clear of the items.
                const ReferenceLayout screen(width, height);
                EXPECT_GE(first.top, screen.py(150));
                EXPECT_LE(below.top + 8 + static_cast<int>(24 * scale), screen.py(MenuLayout::ItemRowTop));
            }
        }
    }
    EXPECT_EQ(MenuLayout::listScale(320, 240), 0.5);
    EXPECT_DOUBLE_EQ(MenuLayout::listScale(640, 480), 0.8);
    EXPECT_DOUBLE_EQ(MenuLayout::listScale(1920, 1080), 1.8);
}

TEST(HighScoreRows, RippleThroughColoursAndTheTypedNameFlashes)
{
    CMenu menu;
    menu.setClock(0.0);
    menu.setFades(menu.fade(), 0.5);
    // Row 0 at clock 0: every channel half way up its light range (0.6 to
    // 1), alpha the fade.
    EXPECT_EQ(MenuLayout::highScoreRow(menu, 0, 800, 600, false).colour, 0x80CCCCCCu);
    // Row 5 is half a second behind: the colours of clock 0.5 on row 0.
    const uint32_t row5 = MenuLayout::highScoreRow(menu, 5, 800, 600, false).colour;
    menu.setClock(0.5);
    EXPECT_EQ(MenuLayout::highScoreRow(menu, 0, 800, 600, false).colour, row5);
    // A fade past one is full opacity, not a wrapped byte.
    menu.setFades(menu.fade(), 1.02);
    EXPECT_EQ(channel(MenuLayout::highScoreRow(menu, 0, 800, 600, false).colour, 24), 255);

    // The typed name: opaque orange to yellow whatever the list's fade.
    menu.setFades(menu.fade(), 0.1);
    menu.setClock(0.0);
    EXPECT_EQ(MenuLayout::highScoreRow(menu, 2, 800, 600, true).colour, 0xFFFFCC00u);
    menu.setClock(std::numbers::pi / 20.0);
    EXPECT_EQ(MenuLayout::highScoreRow(menu, 2, 800, 600, true).colour, 0xFFFFFF00u);
}
