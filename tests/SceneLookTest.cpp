// The game's scene as the player sees it, drawn whole with the shipped media:
// a full well of coloured glass in its frame before the backdrop, rows
// bursting into debris that tumbles onto the mirror floor, and the menu's
// backdrop bricks (colours without alpha) reflected like any others.
//
// Set VESBRIK_LOOK_DIR to a folder to keep the pictures for looking at.
#include "SceneTestContext.h"

#include "game/GameBoard.h"
#include "render/Camera.h"
#include "render/Renderer.h"
#include "view/GameView.h"

#include <gtest/gtest.h>
#include <stb_image_write.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

constexpr int Width = 800;
constexpr int Height = 600;

// The piece colours, stored as the board stores a settled cell.
constexpr std::array<uint32_t, 7> Colours = {0xFFFFAA00u, 0xFFFF00FFu, 0xFFFFFF22u, 0xFF0000FFu,
                                              0xFF00FF00u, 0xFF00FFFFu, 0xFFFF0000u};

struct Rgb {
    int r = 0, g = 0, b = 0;
    int channel(int c) const { return c == 0 ? r : c == 1 ? g : b; }
};

int channelOf(uint32_t argb, int c) { return int((argb >> (16 - 8 * c)) & 0xFF); }

class SceneLookTest : public GameSceneTest {
protected:
    void SetUp() override
    {
        SceneTest::SetUp();
        if (IsSkipped())
            return;
        makeDevice(Width, Height);
        makeGameScene(5);
        renderer->setSwitches({.shadow = false, .bloom = false, .mirror = true, .filteredCopy = true});
        lookAsInPlay();
    }

    std::vector<uint8_t> draw(const std::string& name)
    {
        view->render();
        readFrame();
        keep(name);
        return frame;
    }

    void keep(const std::string& name) const
    {
        const char* dir = std::getenv("VESBRIK_LOOK_DIR");
        if (!dir || !*dir)
            return;
        std::vector<uint8_t> rgba = frame;
        for (size_t i = 3; i < rgba.size(); i += 4)
            rgba[i] = 255;
        const auto path = std::filesystem::path(dir) / (name + ".png");
        stbi_write_png(path.string().c_str(), Width, Height, 4, rgba.data(), Width * 4);
    }

    // Where a world point lands on the screen, in pixels from the top left;
    // false when it is behind the camera or off the screen.
    bool toScreen(const glm::vec3& world, int& x, int& y) const
    {
        const glm::vec4 clip = renderer->projection() * renderer->camera().view * glm::vec4(world, 1.0f);
        if (clip.w <= 0.0f)
            return false;
        x = int((clip.x / clip.w * 0.5f + 0.5f) * Width);
        y = int((0.5f - clip.y / clip.w * 0.5f) * Height);
        return x >= 3 && y >= 3 && x < Width - 3 && y < Height - 3;
    }

    // The mean colour of a 5 x 5 patch.
    static Rgb patch(const std::vector<uint8_t>& pixels, int x, int y)
    {
        Rgb sum;
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx) {
                const uint32_t c = argbOf(&pixels[size_t(((y + dy) * Width + x + dx) * 4)]);
                sum.r += int((c >> 16) & 0xFF);
                sum.g += int((c >> 8) & 0xFF);
                sum.b += int(c & 0xFF);
            }
        return {sum.r / 25, sum.g / 25, sum.b / 25};
    }

    // A colour leads where every channel it is full in is brighter than
    // every channel it lacks.
    static bool leads(const Rgb& seen, uint32_t argb, int margin)
    {
        for (int on = 0; on < 3; ++on)
            for (int off = 0; off < 3; ++off)
                if (channelOf(argb, on) == 0xFF && channelOf(argb, off) == 0 && seen.channel(on) < seen.channel(off) + margin)
                    return false;
        return true;
    }

    void fillRows(int firstRow, uint8_t alpha)
    {
        for (int row = firstRow; row < BoardRows; ++row)
            for (int column = 0; column < BoardColumns; ++column)
                board->setCell(column, row, (Colours[size_t(column * 3 + row) % Colours.size()] & 0x00FFFFFFu) | uint32_t(alpha) << 24);
    }

};

} // namespace

TEST_F(SceneLookTest, AFullWellShowsEveryBrickInItsColourAndTheSceneCoversTheScreen)
{
    fillRows(2, 0xFF);
    const std::vector<uint8_t> pixels = draw("full-board");

    // The frame is cleared to black; the backdrop, the floor and the well
    // must cover all of it.
    int black = 0;
    for (size_t i = 0; i < pixels.size(); i += 4)
        black += (pixels[i] | pixels[i + 1] | pixels[i + 2]) == 0;
    EXPECT_EQ(black, 0) << "the clear colour shows through";

    int checked = 0;
    for (int row = 2; row < BoardRows; ++row)
        for (int column = 0; column < BoardColumns; ++column) {
            int x = 0, y = 0;
            // The middle of the brick's front face.
            ASSERT_TRUE(toScreen({float(column), 20.5f - float(row), -0.5f}, x, y));
            const uint32_t colour = board->cell(column, row);
            const Rgb seen = patch(pixels, x, y);
            EXPECT_TRUE(leads(seen, colour, 40)) << "cell " << column << ", " << row << " of colour " << std::hex
                                                 << colour << std::dec << " looks " << seen.r << ", " << seen.g
                                                 << ", " << seen.b;
            ++checked;
        }
    EXPECT_EQ(checked, 180);
}

TEST_F(SceneLookTest, BricksWithoutAlphaLookAndReflectAsOpaqueOnes)
{
    // The menu's backdrop fills the board with colours whose alpha is 0.
    fillRows(12, 0xFF);
    const std::vector<uint8_t> opaque = draw("bottom-rows");
    fillRows(12, 0x00);
    const std::vector<uint8_t> clear = draw("bottom-rows-no-alpha");
    int differing = 0;
    for (size_t i = 0; i < opaque.size(); i += 4)
        differing += (opaque[i] != clear[i]) || (opaque[i + 1] != clear[i + 1]) || (opaque[i + 2] != clear[i + 2]);
    EXPECT_EQ(differing, 0);
}

TEST_F(SceneLookTest, BurstRowsTumbleOntoTheFloorInViewAndShowInTheMirror)
{
    fillRows(18, 0xFF);
    CRandom random = board->random();
    for (int row : {19, 18})
        view->launchRow(row, board->rowColours(row), random);
    board->setCells({});
    // Back and up a little from the playing camera, to see the floor in
    // front of the well where the bricks come down.
    renderer->camera().setLookAt({4.5f, 15.0f, -40.0f}, {4.5f, 6.0f, 0.0f}, {0.0f, 1.0f, 0.0f});
    for (int step = 0; step < 6; ++step)
        view->stepUpdate(0.01f, true);
    draw("debris-bursting");

    // Long enough for every brick to come down and settle.
    for (int step = 0; step < 400; ++step)
        view->stepUpdate(0.01f, true);
    setSwitch(*renderer, &RenderSwitches::mirror, false);
    const std::vector<uint8_t> plain = draw("debris-landed-no-mirror");
    setSwitch(*renderer, &RenderSwitches::mirror, true);
    const std::vector<uint8_t> mirrored = draw("debris-landed");

    int bricks = 0, reflected = 0;
    for (int i = 0; i < CPhysicsWorld::SlotCount; ++i) {
        const CDebrisBrick* brick = view->debris().slot(i);
        if (!brick)
            continue;
        ++bricks;
        const glm::vec3 at = brick->position();
        EXPECT_GT(at.y, 0.3f) << "brick " << i << " sank into the floor";
        EXPECT_LT(at.y, 2.5f) << "brick " << i << " did not come down";
        int x = 0, y = 0;
        EXPECT_TRUE(toScreen(at, x, y)) << "brick " << i << " out of view";
        // Its mirror image hangs under it: the brick's colour, there only
        // with the mirror on.
        if (!toScreen({at.x, -at.y - 0.2f, at.z}, x, y))
            continue;
        const Rgb with = patch(mirrored, x, y), without = patch(plain, x, y);
        const int change = std::abs(with.r - without.r) + std::abs(with.g - without.g) + std::abs(with.b - without.b);
        reflected += change > 30 && leads(with, brick->colour, 10);
    }
    EXPECT_EQ(bricks, 20);
    EXPECT_GE(reflected, bricks / 2) << "too few bricks show in the floor";
}
