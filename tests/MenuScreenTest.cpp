// The menu screen: what it draws from the menu, and the menu in the running
// game.
#include "DeviceTestContext.h"
#include "ScriptRunner.h"

#include "game/HighScoreTable.h"
#include "game/Menu.h"
#include "view/MenuLayout.h"
#include "view/MenuScreen.h"

#include <stb_image.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <sstream>
#include <string>

namespace {

constexpr float Step = 0.01f;
const std::filesystem::path MediaDir = VESBRIK_MEDIA_DIR;

uint8_t channel(uint32_t argb, int shift) { return static_cast<uint8_t>((argb >> shift) & 0xFF); }

} // namespace

// ---- drawn ---------------------------------------------------------------------

class MenuDrawing : public DeviceTest {
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        if (IsSkipped())
            return;
        if (!std::filesystem::exists(MediaDir / "back1.tga"))
            GTEST_SKIP() << "no generated media in " << MediaDir;
        makeDevice(800, 600);
        screen.load(MediaDir);
    }

    int countPixels(int left, int top, int right, int bottom, bool (*test)(uint32_t)) const
    {
        int count = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                count += test(pixel(x, y)) ? 1 : 0;
        return count;
    }

    CMenuScreen screen;
    CHighScoreTable scores{"no-such-folder/hiscore.xml"};
};

TEST_F(MenuDrawing, StartsWithTheBackgroundOverTheBoardAndTheTitleOnIt)
{
    int w = 0, h = 0, n = 0;
    stbi_uc* back = stbi_load((MediaDir / "back1.tga").c_str(), &w, &h, &n, 4);
    ASSERT_TRUE(back && w == 800 && h == 600);
    const uint32_t texel = argbOf(back + (300 * 800 + 400) * 4);
    stbi_image_free(back);

    testDevice->clear(ClearTarget | ClearZBuffer, 0xFFFFFFFFu, 1.0f, 0);
    CMenu menu;
    menu.show(false);
    menu.update(Step);
    screen.draw(menu, scores);
    readFrame();
    EXPECT_EQ(menu.fade(), static_cast<double>(0.9f));

    // The middle of the screen: the background at 229/255 of its own alpha over white.
    const double alpha = 229.0 / 255.0 * channel(texel, 24) / 255.0;
    auto over = [alpha](uint8_t c) { return static_cast<uint32_t>(c * alpha + 255.0 * (1.0 - alpha) + 0.5); };
    const uint32_t expected = 0xFF000000u | over(channel(texel, 16)) << 16 | over(channel(texel, 8)) << 8 |
                              over(channel(texel, 0));
    // (The back buffer's alpha is not shown on the screen.)
    const uint32_t middle = pixel(400, 300) | 0xFF000000u;
    EXPECT_TRUE(nearColour(middle, expected, 3)) << std::hex << middle << " " << expected;
    // The title's letters are bright where the backdrop is dark.
    EXPECT_GT(countPixels(160, 30, 800, 200, [](uint32_t c) { return channel(c, 8) > 200; }), 500);
    // Alpha blending is left off for whatever draws next.
    EXPECT_EQ(testDevice->renderState(RenderState::AlphaBlendEnable), 0u);
}

TEST_F(MenuDrawing, DuringPlayOnlyTheWebAddressShows)
{
    testDevice->clear(ClearTarget | ClearZBuffer, 0xFFFFFFFFu, 1.0f, 0);
    CMenu menu;
    menu.hide();
    menu.setFades(-0.01, menu.scoresFade()); // faded out
    menu.update(Step);
    screen.draw(menu, scores);
    readFrame();
    auto notWhite = [](uint32_t c) { return channel(c, 8) < 250; };
    EXPECT_EQ(countPixels(0, 0, 800, 578, notWhite), 0);
    // Black text along the bottom, from x = 4.
    EXPECT_GT(countPixels(4, 580, 400, 600, [](uint32_t c) { return channel(c, 8) < 60; }), 100);
    EXPECT_EQ(countPixels(0, 578, 4, 600, notWhite), 0);
}

TEST_F(MenuDrawing, AnEmptyTypedNameShowsOnlyTheFlashingCursor)
{
    HighScoreEntry* entry = scores.insert(999999, 3, 60);
    ASSERT_NE(entry, nullptr);
    entry->name.clear();
    testDevice->clear(ClearTarget | ClearZBuffer, 0xFF000000u, 1.0f, 0);
    CMenu menu;
    menu.hide();
    menu.setFades(-0.01, menu.scoresFade());
    menu.toggleScores(); // on
    menu.setFades(menu.fade(), 1.0);
    menu.startNaming(*entry);
    screen.draw(menu, scores);
    readFrame();

    const HighScoreRow row = MenuLayout::highScoreRow(menu, 0, 800, 600, true);
    auto cursor = [](uint32_t c) { return channel(c, 16) > 150 && channel(c, 0) < 40; };
    auto lit = [](uint32_t c) { return channel(c, 16) > 40 || channel(c, 8) > 40 || channel(c, 0) > 40; };
    // A thin upright bar at the start of the row, nothing after it until the
    // score at the row's right end.
    EXPECT_GT(countPixels(row.nameLeft, row.top, row.nameLeft + 12, row.top + 24, cursor), 10);
    EXPECT_EQ(countPixels(row.nameLeft + 12, row.top, row.nameLeft + 300, row.top + 21, lit), 0);
    EXPECT_GT(countPixels(row.scoreRight - 80, row.top, row.scoreRight, row.top + 24, cursor), 40);
    EXPECT_EQ(countPixels(row.scoreRight + 1, row.top, 800, row.top + 21, lit), 0);
    // The other rows are drawn too, in their own colours.
    EXPECT_GT(countPixels(0, row.top + 21, 800, row.top + 21 * 10, lit), 500);
}

namespace {

// The relative luminance of a colour, and the contrast of two, as the
// accessibility guidelines define them.
double luminance(uint32_t argb)
{
    const auto linear = [](int byte) {
        const double c = byte / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(channel(argb, 16)) + 0.7152 * linear(channel(argb, 8)) + 0.0722 * linear(channel(argb, 0));
}

double contrast(uint32_t a, uint32_t b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace

// Every row of the list, at every moment of its colour cycle, reads at 4.5 : 1
// or better against what lies behind it, here the menu's background over a
// white scene, the brightest there can be: measured on the drawn picture,
// the row's brightest text pixel against the brightest backing pixel beside it.
TEST_F(MenuDrawing, EveryRowOfTheListReadsAtEveryMomentOfItsColours)
{
    CMenu menu;
    menu.toggleScores();
    double worst = 100.0;
    for (int moment = 0; moment < 40; ++moment) {
        menu.setClock(moment * 0.37);
        menu.setFades(menu.fade(), 1.0);
        testDevice->clear(ClearTarget | ClearZBuffer, 0xFFFFFFFFu, 1.0f, 0);
        screen.draw(menu, scores);
        readFrame();
        for (int i = 0; i < CHighScoreTable::EntryCount; ++i) {
            const HighScoreRow row = MenuLayout::highScoreRow(menu, i, 800, 600, false);
            uint32_t text = 0, backing = 0;
            // The rank and the name's "-", then the bare backing up to the score.
            for (int y = row.top + 4; y < row.top + 20; ++y) {
                for (int x = row.nameLeft - 40; x < row.nameLeft + 20; ++x)
                    text = luminance(pixel(x, y)) > luminance(text) ? pixel(x, y) : text;
                for (int x = row.nameLeft + 40; x < row.scoreRight - 60; x += 7)
                    backing = luminance(pixel(x, y)) > luminance(backing) ? pixel(x, y) : backing;
            }
            worst = std::min(worst, contrast(text, backing));
        }
    }
    EXPECT_GE(worst, 4.5);
    std::printf("the list's least contrast: %.2f : 1\n", worst);
}

// ---- in the running game ------------------------------------------------------

TEST(MenuInGame, BackgroundAtStartAndTheScoreStripDuringPlay)
{
    CScriptFolder run;
    ScriptResult result = run.run("frames 2\nshot menu.png\npress Return\nframes 60\nshot play.png\n");
    ASSERT_EQ(result.status, 0) << result.errors;

    int w = 0, h = 0, n = 0;
    stbi_uc* back = stbi_load((run.path() / "media" / "back1.tga").c_str(), &w, &h, &n, 4);
    stbi_uc* menu = stbi_load((run.path() / "menu.png").c_str(), &w, &h, &n, 4);
    stbi_uc* play = stbi_load((run.path() / "play.png").c_str(), &w, &h, &n, 4);
    ASSERT_TRUE(back && menu && play);
    ASSERT_EQ(w, 800);
    ASSERT_EQ(h, 600);
    auto at = [w](stbi_uc* image, int x, int y) { return argbOf(image + (y * w + x) * 4); };
    // The menu's background covers the middle of the first frames, held at
    // 229/255 over the 3D scene: each channel is the picture's share plus at
    // most 26 from the scene behind it.
    const uint32_t texel = at(back, 400, 300);
    auto held = [](uint32_t c) { return static_cast<int>((c * 229 + 127) / 255); };
    auto showsBackground = [&](uint32_t pixel) {
        for (int shift : {0, 8, 16}) {
            const int share = held(channel(texel, shift));
            const int seen = static_cast<int>(channel(pixel, shift));
            if (seen < share - 3 || seen > share + 26 + 3)
                return false;
        }
        return true;
    };
    EXPECT_TRUE(showsBackground(at(menu, 400, 300))) << std::hex << at(menu, 400, 300);
    // In play the background is gone and the score shows at the top left.
    EXPECT_FALSE(showsBackground(at(play, 400, 300))) << std::hex << at(play, 400, 300);
    int white = 0;
    for (int y = 10; y < 40; ++y)
        for (int x = 10; x < 256; ++x)
            white += channel(at(play, x, y), 8) > 200 ? 1 : 0;
    EXPECT_GT(white, 40);
    stbi_image_free(back);
    stbi_image_free(menu);
    stbi_image_free(play);
}

// "Game over" speaks of the well: for its moment the camera keeps the play's
// distance (its eye's goal 33 to 37 before the well) instead of heading in
// low and close as it does in the menu.
TEST(MenuInGame, TheGameOverMomentKeepsTheViewOfTheWell)
{
    CScriptFolder run;
    std::string script = "frames 1\npress Return\nframes 1\n";
    for (int row = 3; row < 20; ++row)
        script += "cells " + std::to_string(row) + " xxxx.xxxxx\n";
    script += "frames 100\nexpect state 2\ndump over.txt\n";
    ASSERT_EQ(run.run(script, "--dt 0.01").status, 0);

    std::istringstream dump(run.read("over.txt"));
    std::string line;
    float x = 0, y = 0, z = 0;
    while (std::getline(dump, line))
        if (line.rfind("cameraGoal ", 0) == 0)
            std::istringstream(line.substr(11)) >> x >> y >> z;
    EXPECT_LT(z, -30.0f) << x << " " << y << " " << z;
}
