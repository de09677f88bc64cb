// The game's whole frame with the shipped media, in the moments a player
// sees most (early play, a tall stack, a burst of debris), drawn with every
// switch on and with each one off: each switch changes the frame, and only
// in its own way. Bloom only ever adds light, shadows only ever take it
// away, the filter changes nothing while the scene target matches the
// window, and switching a step off and on again gives the same frame back.
//
// Set VESBRIK_LOOK_DIR to a folder to keep the pictures (then at 800 x 600).
#include "SceneTestContext.h"

#include "game/GameBoard.h"
#include "game/Piece.h"
#include "game/Random.h"
#include "render/Renderer.h"
#include "view/GameView.h"

#include <gtest/gtest.h>
#include <stb_image_write.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {


const char* lookDir()
{
    const char* dir = std::getenv("VESBRIK_LOOK_DIR");
    return dir && *dir ? dir : nullptr;
}

struct Switches {
    const char* name;
    bool shadow, bloom, mirror, filter;
};
constexpr Switches AllOn{"all", true, true, true, true};
constexpr std::array<Switches, 4> EachOff = {{{"noshadow", false, true, true, true},
                                               {"nobloom", true, false, true, true},
                                               {"nomirror", true, true, false, true},
                                               {"nofilter", true, true, true, false}}};

class FrameSwitches : public GameSceneTest {
protected:
    void SetUp() override
    {
        SceneTest::SetUp();
        if (IsSkipped())
            return;
        width = lookDir() ? 800 : 320;
        height = lookDir() ? 600 : 240;
        makeDevice(width, height);
        makeGameScene(7);
        lookAsInPlay();
    }

    std::vector<uint8_t> draw(const Switches& s, const std::string& scene)
    {
        renderer->setSwitches({.shadow = s.shadow, .bloom = s.bloom, .mirror = s.mirror, .filteredCopy = s.filter});
        view->render();
        std::vector<uint8_t> picture = testDevice->readBackBuffer();
        for (size_t i = 3; i < picture.size(); i += 4)
            picture[i] = 255; // the window shows no alpha
        if (const char* dir = lookDir()) {
            const auto path = std::filesystem::path(dir) / (scene + "_" + s.name + ".png");
            stbi_write_png(path.string().c_str(), width, height, 4, picture.data(), width * 4);
        }
        return picture;
    }

    void fillRows(int fromRow, int gapEvery)
    {
        for (int row = fromRow; row < BoardRows; ++row)
            for (int column = 0; column < BoardColumns; ++column)
                if ((column * 7 + row * 3) % gapEvery != 0)
                    board->setCell(column, row, 0xFF000000u | (0x3050F0u + uint32_t(row * 0x0B1300 + column * 0x1700D)));
    }

    void checkEverySwitch(const std::string& scene)
    {
        const std::vector<uint8_t> all = draw(AllOn, scene);
        for (const Switches& off : EachOff) {
            SCOPED_TRACE(off.name);
            const std::vector<uint8_t> picture = draw(off, scene);
            int darker = 0, brighter = 0;
            for (size_t i = 0; i < all.size(); ++i) {
                if (i % 4 == 3)
                    continue;
                darker += picture[i] + 1 < all[i];
                brighter += picture[i] > all[i] + 1;
            }
            if (!off.bloom) {
                EXPECT_EQ(brighter, 0) << "the glow only adds light";
                EXPECT_GT(darker, 0) << "the glow shows";
            } else if (!off.shadow) {
                EXPECT_EQ(darker, 0) << "the shadows only take light away";
                EXPECT_GT(brighter, 100) << "the shadows show";
            } else if (!off.mirror) {
                EXPECT_GT(darker + brighter, 100) << "the mirror shows";
            } else {
                EXPECT_EQ(picture, all) << "an unscaled copy is the same filtered or not";
            }
        }
        EXPECT_EQ(draw(AllOn, scene), all) << "switching a step off and on again gives the frame back";
    }

    int width = 0;
    int height = 0;
};

TEST_F(FrameSwitches, EarlyPlay)
{
    fillRows(17, 4);
    CPiece& current = *board->placePiece(createPiece(2));
    current.x = 4.0f;
    current.y = 8.0f;
    CPiece& next = *board->placeNextPiece(createPiece(5));
    next.x = -5.0f;
    next.y = 0.0f;
    checkEverySwitch("early");
}

TEST_F(FrameSwitches, ATallStack)
{
    fillRows(3, 6);
    CPiece& current = *board->placePiece(createPiece(5));
    current.x = 4.0f;
    current.y = 0.5f;
    board->placeNextPiece(nullptr);
    checkEverySwitch("tall");
}

TEST_F(FrameSwitches, ABurstOfDebris)
{
    fillRows(12, 5);
    CRandom random = board->random();
    for (int row = 16; row < 19; ++row) {
        for (int column = 0; column < BoardColumns; ++column)
            board->setCell(column, row, 0xFFFF8020u + uint32_t(column * 0x001100));
        view->launchRow(row, board->rowColours(row), random);
    }
    for (int row = 16; row < 19; ++row)
        for (int column = 0; column < BoardColumns; ++column)
            board->setCell(column, row, 0);
    for (int step = 0; step < 35; ++step)
        view->stepUpdate(0.01f, true);
    board->placePiece(nullptr);
    board->placeNextPiece(nullptr);
    checkEverySwitch("debris");
}

// Close to the floor behind the well, where the stack's shadow falls: the
// shadow's edges are where a player would see stripes or a staircase.
TEST_F(FrameSwitches, TheStacksShadowUpClose)
{
    fillRows(10, 4);
    board->placePiece(nullptr);
    board->placeNextPiece(nullptr);
    renderer->camera().setLookAt({16.0f, 9.0f, -3.0f}, {8.0f, 0.0f, 7.0f}, {0.0f, 1.0f, 0.0f});
    checkEverySwitch("closeup");
}

} // namespace
