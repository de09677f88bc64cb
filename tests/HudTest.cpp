// The HUD: the shown score running to the new one, the frame-rate window and
// its text, and what the strip and texts do to the frame.
#include "DeviceTestContext.h"
#include "SceneTestContext.h"

#include "view/Hud.h"
#include "view/GameView.h"
#include "game/GameBoard.h"
#include "render/Renderer.h"

#include <cmath>
#include <vector>

namespace {

constexpr float Step = 0.01f;

// The whole scores the HUD shows on successive steps until it stops moving.
std::vector<int> shownScores(CHud& hud, int limit = 1000)
{
    std::vector<int> shown;
    for (int i = 0; i < limit; ++i) {
        const float before = hud.displayedScore;
        hud.update(Step);
        shown.push_back(static_cast<int>(hud.displayedScore));
        if (hud.displayedScore == before)
            break;
    }
    return shown;
}

} // namespace

// Suites named after what they test, on the shared fixture.
using HudInTheView = SceneTest;

TEST(HudScore, RunsUpATenthOfTheWayEachStepAndLandsExactly)
{
    CHud hud;
    hud.targetScore = 100;
    const std::vector<int> shown = shownScores(hud);
    ASSERT_GE(shown.size(), 4u);
    EXPECT_EQ(shown[0], 10);
    EXPECT_EQ(shown[1], 19);
    EXPECT_EQ(shown[2], 27);
    EXPECT_EQ(shown[3], 34);
    for (size_t i = 1; i < shown.size(); ++i)
        EXPECT_GE(shown[i], shown[i - 1]);
    // It snaps once within a point instead of creeping up for ever.
    EXPECT_EQ(hud.displayedScore, 100.0f);
    EXPECT_LT(shown.size(), 60u);
}

TEST(HudScore, RunsDownToALowerScoreTheSameWay)
{
    CHud hud;
    hud.displayedScore = 100.0f;
    hud.targetScore = 40;
    const std::vector<int> shown = shownScores(hud);
    ASSERT_GE(shown.size(), 2u);
    EXPECT_EQ(shown[0], 94);
    EXPECT_EQ(shown[1], 88);
    EXPECT_EQ(hud.displayedScore, 40.0f);
}

TEST_F(HudInTheView, HudScoreTheViewRunsItsHudUpInItsOwnStep)
{
    CGameBoard board(1);
    CRenderer renderer;
    CGameView view(board, renderer);
    view.hud.targetScore = 250;
    view.stepUpdate(Step, false);
    EXPECT_FLOAT_EQ(view.hud.displayedScore, 25.0f);
}

TEST(FrameRate, ReadsAsFramesPerSecondWithTwoDecimals)
{
    EXPECT_EQ(formatFrameRate(60.0f, 1.0f), "60.00 fps, scene at 1.00");
    EXPECT_EQ(formatFrameRate(0.0f, 0.5f), "0.00 fps, scene at 0.50");
    EXPECT_EQ(formatFrameRate(144.0f, 0.71875f), "144.00 fps, scene at 0.72");
}

TEST(FrameRate, CountsTheFramesOfEachWindowOfJustOverASecond)
{
    // A counter that moves 16 units a frame at 1024 a second: 64 frames a
    // second, in steps a double sums exactly.
    int64_t now = 0;
    CFrameRateCounter counter(CFrameTimer([&now] { return now; }, 1024));
    std::vector<float> rates;
    for (int frame = 0; frame < 200; ++frame) {
        rates.push_back(counter.rate());
        counter.tick();
        now += 16;
    }
    // Nothing is known before the first window ends; then the window's count
    // (a second is a full window only once it is passed, and the frame that
    // ends a window counts in the next) holds until the next window ends.
    EXPECT_EQ(rates[0], 0.0f);
    EXPECT_EQ(rates[65], 0.0f);
    EXPECT_EQ(rates[66], 66.0f);
    EXPECT_EQ(rates[131], 66.0f);
    EXPECT_EQ(rates[199], 66.0f);

    // After the text was off for five seconds the first window ends at once,
    // with the few frames it counted.
    now += 5 * 1024;
    counter.tick();
    EXPECT_LE(counter.rate(), 3.0f);
}

// ---- drawn ----------------------------------------------------------------------

class HudDrawing : public DeviceTest {
protected:
    // What the window shows: the back buffer's alpha is not seen.
    uint32_t shown(int x, int y) const { return pixel(x, y) | 0xFF000000u; }

    // Pixels in the rectangle whose green channel is above the threshold.
    int countGreenAbove(int left, int top, int right, int bottom, int threshold) const
    {
        int count = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                if (((pixel(x, y) >> 8) & 0xFF) > static_cast<uint32_t>(threshold))
                    ++count;
        return count;
    }
};

TEST_F(HudDrawing, StripDarkensTheTopAndTheTextsSitOnIt)
{
    makeDevice(1024, 600);
    testDevice->clear(ClearTarget | ClearZBuffer, 0xFF808080u, 1.0f, 0);
    CHud hud;
    hud.displayedScore = 1234.0f;
    hud.draw(7, 42);
    readFrame();
    // Grey under a black strip at alpha 136/255: 128 x 119/255.
    const uint32_t darkened = 0xFF3C3C3Cu;
    EXPECT_TRUE(nearColour(shown(1000, 20), darkened)) << std::hex << pixel(1000, 20);
    EXPECT_TRUE(nearColour(shown(800, 38), darkened)) << std::hex << pixel(800, 38);
    // Above and below the strip the frame is untouched.
    EXPECT_TRUE(nearColour(shown(1000, 2), 0xFF808080u)) << std::hex << pixel(1000, 2);
    EXPECT_TRUE(nearColour(shown(1000, 45), 0xFF808080u)) << std::hex << pixel(1000, 45);
    // White text at the 800 x 600 layout's size, spread along the strip: the
    // score at its left end, the rows from 70 pixels left of the middle, and
    // the level ending 10 pixels before its right end.
    EXPECT_GT(countGreenAbove(10, 10, 256, 40, 200), 40);
    EXPECT_EQ(countGreenAbove(256, 4, 440, 40, 100), 0);
    EXPECT_GT(countGreenAbove(442, 10, 600, 40, 200), 40);
    EXPECT_GT(countGreenAbove(924, 10, 1014, 40, 200), 20);
    EXPECT_EQ(countGreenAbove(1015, 4, 1024, 40, 100), 0);
    // Blending stays on for the menu's quads after the HUD.
    EXPECT_EQ(testDevice->renderState(RenderState::AlphaBlendEnable), 1u);
}

TEST_F(HudDrawing, ASmallWindowKeepsAllThreeTextsOnTheStrip)
{
    makeDevice(320, 240);
    testDevice->clear(ClearTarget | ClearZBuffer, 0xFF000000u, 1.0f, 0);
    CHud hud;
    hud.displayedScore = 1234.0f;
    hud.draw(7, 42);
    readFrame();
    // Score at the left, rows from two fifths, the level ending at the right
    // edge, all within the strip (4 to 16 of 240 lines).
    EXPECT_GT(countGreenAbove(0, 0, 100, 17, 200), 10);
    EXPECT_GT(countGreenAbove(128, 0, 200, 17, 200), 10);
    EXPECT_GT(countGreenAbove(250, 0, 320, 17, 200), 10);
    EXPECT_EQ(countGreenAbove(0, 18, 320, 60, 100), 0);
}

// Above 800 x 600 the strip and its texts grow evenly with the window: at
// twice the size everything is twice as far in and twice as tall.
TEST_F(HudDrawing, ALargeWindowGrowsTheStripAndItsTextsEvenly)
{
    makeDevice(1600, 1200);
    testDevice->clear(ClearTarget | ClearZBuffer, 0xFF808080u, 1.0f, 0);
    CHud hud;
    hud.displayedScore = 1234.0f;
    hud.draw(7, 42);
    readFrame();
    EXPECT_TRUE(nearColour(shown(1000, 76), 0xFF3C3C3Cu)) << std::hex << pixel(1000, 76);
    EXPECT_TRUE(nearColour(shown(1000, 84), 0xFF808080u)) << std::hex << pixel(1000, 84);
    // The letters reach well below where the 800 x 600 ones end (y = 40).
    EXPECT_GT(countGreenAbove(20, 50, 512, 80, 200), 100);
    EXPECT_GT(countGreenAbove(660, 50, 1000, 80, 200), 100);
    EXPECT_GT(countGreenAbove(1400, 50, 1580, 80, 200), 50);
    EXPECT_EQ(countGreenAbove(1581, 4, 1600, 80, 200), 0);
    EXPECT_EQ(countGreenAbove(0, 84, 1600, 200, 200), 0);
}

// The frame-rate line sits at the bottom left, over the address line and left
// of the menu's items (from x = 264), away from the strip, the next piece and
// the title; even a long rate is whole, on its dark backing.
TEST_F(HudDrawing, FrameRateLineIsWholeAtTheBottomLeftClearOfEverythingElse)
{
    makeDevice(800, 600);
    testDevice->clear(ClearTarget | ClearZBuffer, 0xFF808080u, 1.0f, 0);
    CHud hud;
    hud.drawFrameRate(1234.0f, 0.75f);
    readFrame();
    int green = 0, right = 0, elsewhere = 0;
    for (int y = 0; y < 600; ++y) {
        for (int x = 0; x < 800; ++x) {
            const uint32_t c = pixel(x, y);
            const bool isGreen = ((c >> 8) & 0xFF) > 160 && ((c >> 16) & 0xFF) < 100;
            const bool inPlace = y >= 530 && y < 578 && x < 264;
            green += isGreen && inPlace ? 1 : 0;
            right = isGreen && inPlace ? std::max(right, x) : right;
            elsewhere += !inPlace && c != 0xFF808080u ? 1 : 0;
        }
    }
    EXPECT_GT(green, 100);
    // "1234.00 fps, scene at 0.75" ends well inside its backing.
    EXPECT_GT(right, 150);
    EXPECT_NE(pixel(right + 3, 560), 0xFF808080u);
    EXPECT_EQ(elsewhere, 0);
}
