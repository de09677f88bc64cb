// Runs of bricks drawn as instances of one draw give the picture they give
// drawn one by one: a whole frame of play (a stack, both pieces, debris in
// the air, every switch on) is drawn both ways and read back, on both of the
// shadows' paths.
#include "SceneTestContext.h"

#include "game/Piece.h"
#include "render/ShadowMapLighting.h"

#include <gtest/gtest.h>

#include <array>

namespace {

constexpr int Width = 320;
constexpr int Height = 240;

class InstancedFrame : public GameSceneTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override
    {
        GameSceneTest::SetUp();
        if (IsSkipped())
            return;
        makeDevice(Width, Height);
        testDevice->setSupportsDepthTextures(GetParam());
        makeGameScene(5);
        lookAsInPlay();
        fillStackWithDebris();
    }

    // The lower rows full but for one gap each, two of them flying apart,
    // the falling piece above them and the next piece beside the well.
    void fillStackWithDebris()
    {
        std::array<uint32_t, BoardCells> cells{};
        for (int i = 0; i < BoardCells; ++i) {
            const int column = i / BoardRows;
            const int row = i % BoardRows;
            if (row >= BoardRows / 2 && column != row % BoardColumns)
                cells[size_t(i)] = 0xFF000000u | uint32_t(0x203040 + i * 0x010305);
        }
        board->setCells(cells);
        for (int row = 12; row < 14; ++row)
            view->launchRow(row, board->rowColours(row));
        for (int step = 0; step < 30; ++step)
            view->stepUpdate(0.01f, true);
        CPiece& current = *board->placePiece(createPiece(3));
        current.x = 5.0f;
        current.y = 3.0f;
        CPiece& next = *board->placeNextPiece(createPiece(6));
        next.x = -5.0f;
        next.y = 0.0f;
    }

    // One frame with every switch on, the shadow map's settled casters drawn
    // afresh; how many draws it took.
    std::vector<uint8_t> drawFrame(bool instanced, int& draws)
    {
        renderer->setInstancedDrawing(instanced);
        renderer->shadows().forgetSettledCasters();
        testDevice->beginScene();
        view->render();
        draws = testDevice->drawCount();
        return testDevice->readBackBuffer();
    }
};

TEST_P(InstancedFrame, GivesThePictureOfTheItemsDrawnOneByOne)
{
    int oneByOneDraws = 0;
    int instancedDraws = 0;
    const std::vector<uint8_t> oneByOne = drawFrame(false, oneByOneDraws);
    const std::vector<uint8_t> instanced = drawFrame(true, instancedDraws);
    const std::vector<uint8_t> oneByOneAgain = drawFrame(false, oneByOneDraws);

    ASSERT_EQ(oneByOne, oneByOneAgain) << "the frame is not the same twice: nothing can be compared";
    ASSERT_EQ(instanced.size(), oneByOne.size());
    size_t differing = 0;
    for (size_t i = 0; i < instanced.size(); ++i)
        differing += instanced[i] != oneByOne[i];
    EXPECT_EQ(differing, 0u) << "bytes that differ of " << instanced.size();
    // The bricks' runs really were drawn as instances.
    EXPECT_LT(instancedDraws, oneByOneDraws / 2) << "one by one " << oneByOneDraws;
}

INSTANTIATE_TEST_SUITE_P(BothShadowPaths, InstancedFrame, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "DepthTexture" : "DepthInColour";
                         });

} // namespace
