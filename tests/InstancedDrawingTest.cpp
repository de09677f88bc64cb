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

TEST_P(InstancedFrame, MarksAndTheDropGuideLookTheSameEitherWay)
{
    // Every settled brick, and the debris, of a piece's colour, so each
    // bears its kind's mark; the falling piece bears one too, drawn alone.
    for (int i = 0; i < BoardCells; ++i)
        if (board->cells()[size_t(i)] != 0)
            board->setCell(i / BoardRows, i % BoardRows, createPiece(1 + i % PieceKindCount)->colour);
    CRandom random = board->random();
    for (int row = 15; row < 17; ++row)
        view->launchRow(row, board->rowColours(row), random);
    for (int step = 0; step < 20; ++step)
        view->stepUpdate(0.01f, true);
    view->kindMarks = true;
    view->dropGuide = true;
    int draws = 0;
    const std::vector<uint8_t> oneByOne = drawFrame(false, draws);
    const std::vector<uint8_t> instanced = drawFrame(true, draws);
    ASSERT_EQ(instanced.size(), oneByOne.size());
    size_t differing = 0;
    for (size_t i = 0; i < instanced.size(); ++i)
        differing += instanced[i] != oneByOne[i];
    EXPECT_EQ(differing, 0u) << "bytes that differ of " << instanced.size();
    view->kindMarks = false;
    view->dropGuide = false;
    EXPECT_NE(drawFrame(true, draws), instanced) << "nothing marked, nothing to compare";
}

INSTANTIATE_TEST_SUITE_P(BothShadowPaths, InstancedFrame, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "DepthTexture" : "DepthInColour";
                         });

} // namespace
