// The options screen's rules: rows and pages, values that wrap or stop, what
// reaches the flow as a change, the mouse, and the layout's hit tests at the
// smallest window and a large one.
#include "game/OptionsMenu.h"
#include "view/OptionsLayout.h"

#include <gtest/gtest.h>

#include "app/PlayerSettings.h"

namespace {

const std::vector<WindowSize> Sizes = {{640, 480}, {800, 600}, {1024, 768}};

CSettings someSettings()
{
    CSettings settings;
    settings.set(SettingId::Bloom, 0);
    settings.set(SettingId::MusicVolume, 9);
    return settings;
}

OptionPages somePages(const CSettings& settings = someSettings(), std::vector<WindowSize> sizes = Sizes,
                      WindowSize current = {800, 600})
{
    return optionPagesOf(settings, sizes, current);
}

constexpr int row(SettingId id) { return static_cast<int>(id); }

struct OptionsMenuTest : testing::Test {
    OptionsMenuTest() { menu.open(somePages()); }
    COptionsMenu menu;
};

} // namespace

TEST_F(OptionsMenuTest, WalksPagesAndRowsWithEveryMoveWrapping)
{
    EXPECT_TRUE(menu.isOpen());
    EXPECT_EQ(menu.page(), OptionsPage::Display);
    EXPECT_EQ(menu.row(), 0);
    EXPECT_EQ(menu.item(row(SettingId::Width)).shown(), "800 x 600");
    EXPECT_EQ(menu.item(row(SettingId::Bloom)).shown(), "off");

    // On the page row Left and Right turn the pages, round.
    menu.move(OptionsMove::Left);
    EXPECT_EQ(menu.page(), OptionsPage::Controls);
    EXPECT_EQ(menu.rowCount(), 9) << "the tabs, seven moves and the default keys";
    menu.move(OptionsMove::Down);
    EXPECT_EQ(menu.row(), 1);
    EXPECT_EQ(menu.items()[0].shown(), "Left / dpleft");
    // Taking a key row waits for a key: the moves of the screen do nothing.
    menu.move(OptionsMove::Take);
    EXPECT_TRUE(menu.waitingForKey());
    menu.move(OptionsMove::Up);
    EXPECT_EQ(menu.row(), 1);
    menu.stopWaiting("");
    menu.move(OptionsMove::Up);
    menu.move(OptionsMove::Right);
    menu.move(OptionsMove::Right);
    EXPECT_EQ(menu.page(), OptionsPage::Effects);
    // Up from the page row goes to the last setting.
    menu.move(OptionsMove::Up);
    EXPECT_EQ(menu.row(), 6);
    EXPECT_EQ(menu.items()[5].setting, row(SettingId::KindMarks));
    menu.move(OptionsMove::Down);
    EXPECT_EQ(menu.row(), 0);
    // Take on the page row steps into the page.
    EXPECT_FALSE(menu.move(OptionsMove::Take).changed);
    EXPECT_EQ(menu.row(), 1);
}

TEST_F(OptionsMenuTest, ChangesSayWhichSettingAndStopOrWrap)
{
    menu.move(OptionsMove::Down); // window size
    OptionsOutcome outcome = menu.move(OptionsMove::Right);
    EXPECT_TRUE(outcome.changed);
    EXPECT_EQ(outcome.setting, row(SettingId::Width));
    EXPECT_EQ(outcome.value, 2);
    // A list stops at its end for the arrows (which then show one way only),
    // and starts over for Take.
    EXPECT_FALSE(menu.move(OptionsMove::Right).changed);
    EXPECT_TRUE(menu.item(row(SettingId::Width)).stepsBack());
    EXPECT_FALSE(menu.item(row(SettingId::Width)).stepsOn());
    outcome = menu.move(OptionsMove::Take);
    EXPECT_EQ(outcome.value, 0);
    EXPECT_EQ(menu.move(OptionsMove::TakeBack).changed, false);

    // A switch flips both ways.
    menu.move(OptionsMove::Up);
    menu.move(OptionsMove::Right); // to Effects
    menu.move(OptionsMove::Down);  // bloom
    outcome = menu.move(OptionsMove::Left);
    EXPECT_EQ(outcome.setting, row(SettingId::Bloom));
    EXPECT_EQ(outcome.value, 1);
    EXPECT_EQ(menu.move(OptionsMove::Left).value, 0);

    // Levels stop at 0 and 10.
    menu.move(OptionsMove::Up);
    menu.move(OptionsMove::Right); // to Sound
    menu.move(OptionsMove::Down);  // music at 9
    EXPECT_EQ(menu.move(OptionsMove::Right).value, 10);
    EXPECT_FALSE(menu.move(OptionsMove::Right).changed);
    for (int i = 0; i < 12; ++i)
        menu.move(OptionsMove::Left);
    EXPECT_EQ(menu.item(row(SettingId::MusicVolume)).value, 0);
    EXPECT_FALSE(menu.item(row(SettingId::MusicVolume)).stepsBack());
    EXPECT_TRUE(menu.item(row(SettingId::MusicVolume)).stepsOn());

    // Back leaves; a closed screen ignores every move.
    EXPECT_TRUE(menu.move(OptionsMove::Back).leave);
    EXPECT_FALSE(menu.isOpen());
    EXPECT_FALSE(menu.move(OptionsMove::Right).changed);
}

TEST_F(OptionsMenuTest, RefreshKeepsThePlaceAndOpenStartsOver)
{
    menu.move(OptionsMove::Right);
    menu.move(OptionsMove::Down);
    CSettings settings = someSettings();
    settings.set(SettingId::Bloom, 1);
    menu.refresh(somePages(settings));
    EXPECT_EQ(menu.page(), OptionsPage::Effects);
    EXPECT_EQ(menu.row(), 1);
    EXPECT_EQ(menu.item(row(SettingId::Bloom)).shown(), "on");
    // A size list that lost every entry still shows a value, and a current
    // size not in the list shows the first.
    menu.refresh(somePages(settings, {}));
    EXPECT_EQ(menu.item(row(SettingId::Width)).shown(), "-");
    menu.open(somePages(settings, {{640, 480}}, {1920, 1080}));
    EXPECT_EQ(menu.page(), OptionsPage::Display);
    EXPECT_EQ(menu.row(), 0);
    EXPECT_EQ(menu.item(row(SettingId::Width)).shown(), "640 x 480");
}

TEST_F(OptionsMenuTest, TheMouseFindsRowsAndTabsAtEverySize)
{
    for (const auto& [width, height] : {std::pair{320, 240}, std::pair{800, 600}, std::pair{1920, 1080}}) {
        const OptionsLayout layout(width, height);
        // Rows stack without overlapping, inside the panel, above the hint line.
        for (int row = 0; row < 5; ++row) {
            const int middle = layout.rowTop(row) + layout.rowHeight / 2;
            EXPECT_EQ(layout.rowAt(width / 2, middle, 5), row) << width;
            EXPECT_LT(layout.rowTop(row) + layout.rowHeight, layout.hintTop) << width;
        }
        EXPECT_GE(layout.rowTop(0), layout.panelTop);
        EXPECT_GE(layout.rowHeight, layout.rowFont) << width;
        EXPECT_EQ(layout.rowAt(layout.panelLeft - 1, layout.rowTop(1) + 1, 5), -1);
        EXPECT_EQ(layout.rowAt(width / 2, layout.rowTop(4) + 1, 4), -1) << "past the page's rows";
        EXPECT_EQ(layout.tabAt(layout.panelLeft + 1), OptionsPage::Display);
        EXPECT_EQ(layout.tabAt(layout.panelRight - 1), OptionsPage::Controls);
        EXPECT_TRUE(layout.onHint(width / 2, layout.hintTop + 1));
    }

    menu.point(0, OptionsPage::Sound);
    EXPECT_EQ(menu.page(), OptionsPage::Sound);
    menu.point(3, OptionsPage::Display);
    EXPECT_EQ(menu.row(), 3);
    EXPECT_EQ(menu.page(), OptionsPage::Sound);
    menu.point(4, OptionsPage::Display);
    EXPECT_EQ(menu.row(), 3) << "no such row on the sound page";
    EXPECT_EQ(menu.move(OptionsMove::Take).setting, row(SettingId::Mute));
}
