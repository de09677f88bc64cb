// The picture changes size with the window: the device's back buffer is made
// anew and the renderer's targets follow. A game drawn after a resize is the
// game drawn by one made at that size, every pass on: a target left at the
// old size (the scene, the mirror's and the shadows' aux, the glass's copy)
// would stretch its picture and change the pixels.
#include "SceneTestContext.h"

#include "device/Texture.h"
#include "game/GameBoard.h"
#include "render/Renderer.h"
#include "view/GameView.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using BackBufferResize = DeviceTest;

class RendererResize : public GameSceneTest {
protected:
    // The game's view, every pass on, with a few glass bricks in the well.
    void makeScene()
    {
        makeGameScene(11);
        for (int column = 2; column < 8; ++column)
            board->setCell(column, 19, 0xFF40A0FFu - static_cast<uint32_t>(column) * 0x100800u);
        board->setCell(4, 18, 0xFFFF6020u);
        renderer->setSwitches({.shadow = true, .bloom = true, .mirror = true, .filteredCopy = true});
        lookAsInPlay();
    }

    std::vector<uint8_t> draw()
    {
        testDevice->beginScene();
        view->render();
        return testDevice->readBackBuffer();
    }
};

} // namespace

TEST_F(BackBufferResize, TheNewBufferIsTheTargetAndTheViewportAndABadSizeKeepsTheOld)
{
    makeDevice(64, 48);
    ASSERT_TRUE(testDevice->resizeBackBuffer(100, 30));
    EXPECT_EQ(testDevice->width(), 100);
    EXPECT_EQ(testDevice->height(), 30);
    ASSERT_NE(testDevice->renderTarget(), nullptr);
    EXPECT_EQ(testDevice->renderTarget(), testDevice->backBuffer());
    EXPECT_EQ(testDevice->depthStencilSurface(), testDevice->backDepthStencil());
    EXPECT_EQ(testDevice->backBuffer()->width(), 100);
    EXPECT_EQ(testDevice->viewport().width, 100);
    EXPECT_EQ(testDevice->viewport().height, 30);
    // A clear reaches the whole new buffer.
    testDevice->clear(ClearTarget | ClearZBuffer | ClearStencil, 0xFFFF0000u, 1.0f, 0);
    readFrame();
    ASSERT_EQ(frame.size(), 100u * 30u * 4u);
    EXPECT_EQ(pixel(0, 0) | 0xFF000000u, 0xFFFF0000u);
    EXPECT_EQ(pixel(99, 29) | 0xFF000000u, 0xFFFF0000u);

    EXPECT_FALSE(testDevice->resizeBackBuffer(0, 30));
    EXPECT_FALSE(testDevice->resizeBackBuffer(40, -1));
    EXPECT_EQ(testDevice->width(), 100);
    EXPECT_EQ(testDevice->height(), 30);
    EXPECT_EQ(testDevice->renderTarget(), testDevice->backBuffer());
}

TEST_F(RendererResize, AResizedGameDrawsWhatOneMadeAtTheNewSizeDraws)
{
    makeDevice(64, 48);
    makeScene();
    draw(); // every target used at the old size
    ASSERT_TRUE(testDevice->resizeBackBuffer(160, 120));
    ASSERT_TRUE(renderer->resize(160, 120));
    const std::vector<uint8_t> resized = draw();

    view.reset();
    renderer.reset();
    makeDevice(160, 120);
    makeScene();
    const std::vector<uint8_t> madeThere = draw();
    ASSERT_EQ(resized.size(), madeThere.size());
    int differing = 0;
    for (size_t i = 0; i < resized.size(); ++i)
        differing += std::abs(int(resized[i]) - int(madeThere[i])) > 2;
    EXPECT_EQ(differing, 0);

    // The scene scale still draws into part of the new targets.
    renderer->setSceneScale(0.5f);
    draw();
    EXPECT_EQ(renderer->sceneImage().drawWidth(), 80);
    EXPECT_EQ(renderer->sceneImage().drawHeight(), 60);
}
