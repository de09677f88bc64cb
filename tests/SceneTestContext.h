#pragma once
// Drawing tests of the scene: a device of a chosen size with the game's
// folder as the working directory (the game opens "media/..." relative to
// it), and a flat material that draws every item in its entity's colour,
// unlit, through the camera the renderer holds (reflected in the mirror pass
// like every effect-drawn item), so tests can tell objects apart by colour.
// Made additive, it shows when something is drawn twice.
#include "DeviceTestContext.h"

#include "effects/Effect.h"
#include "game/GameBoard.h"
#include "game/Piece.h"
#include "render/Material.h"
#include "render/FlatMaterial.h"
#include "render/Mesh.h"
#include "render/Renderer.h"
#include "render/SceneEntity.h"
#include "view/GameView.h"

#include <array>
#include <filesystem>
#include <memory>

// Every optional step of the frame left out.
constexpr RenderSwitches AllSwitchesOff{.shadow = false, .bloom = false, .mirror = false, .filteredCopy = false};

// Turns one optional step of the frame on or off, the others as they were.
inline void setSwitch(CRenderer& renderer, bool RenderSwitches::*step, bool on)
{
    RenderSwitches switches = renderer.switches();
    switches.*step = on;
    renderer.setSwitches(switches);
}

class SceneTest : public DeviceTest {
protected:
    void SetUp() override
    {
        previousFolder = std::filesystem::current_path();
        std::filesystem::current_path(std::filesystem::path(VESBRIK_MEDIA_DIR).parent_path());
        DeviceTest::SetUp();
    }
    void TearDown() override
    {
        DeviceTest::TearDown();
        std::filesystem::current_path(previousFolder);
    }

private:
    std::filesystem::path previousFolder;
};

// The game's own view of an empty well (no cells, no pieces) on the device
// made so far; the camera may be put where play swings it about.
class GameSceneTest : public SceneTest {
protected:
    void makeGameScene(uint32_t seed)
    {
        board = std::make_unique<CGameBoard>(seed);
        board->emptyWell();
        renderer = std::make_unique<CRenderer>();
        view = std::make_unique<CGameView>(*board, *renderer);
    }
    void lookAsInPlay()
    {
        renderer->camera().setLookAt({4.5f, 12.0f, -35.0f}, {4.5f, 11.0f, 0.0f}, {0.0f, 1.0f, 0.0f});
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
        CRandom random = board->random();
        for (int row = 12; row < 14; ++row)
            view->launchRow(row, board->rowColours(row), random);
        for (int step = 0; step < 30; ++step)
            view->stepUpdate(0.01f, true);
        CPiece& current = *board->placePiece(createPiece(3));
        current.x = 5.0f;
        current.y = 3.0f;
        CPiece& next = *board->placeNextPiece(createPiece(6));
        next.x = -5.0f;
        next.y = 0.0f;
    }
    void TearDown() override
    {
        view.reset();
        renderer.reset();
        board.reset();
        SceneTest::TearDown();
    }

    std::unique_ptr<CGameBoard> board;
    std::unique_ptr<CRenderer> renderer;
    std::unique_ptr<CGameView> view;
};


inline constexpr glm::vec3 LightStart{-4.0f, 38.0f, -44.0f};
inline constexpr glm::vec4 White{1.0f, 1.0f, 1.0f, 1.0f};

inline int channel(uint32_t argb, int c) { return int((argb >> (16 - 8 * c)) & 0xFF); }
inline int brightness(uint32_t argb) { return channel(argb, 0) + channel(argb, 1) + channel(argb, 2); }

// A scene of flat-coloured bricks lit by one light at the game's starting
// place, every switch off to begin with; a device of the chosen size, which
// can be told it has no depth textures.
class FlatSceneTest : public SceneTest {
protected:
    void makeScene(int width, int height, bool depthTextures = true)
    {
        makeDevice(width, height);
        testDevice->setSupportsDepthTextures(depthTextures);
        renderer = std::make_unique<CRenderer>();
        flat = std::make_unique<CFlatMaterial>(*renderer);
        ASSERT_TRUE(brick.buildMesh("media/chamferbox.lwo", [this](const std::string&) { return flat.get(); }));
        light = renderer->addLight(CLight::Spot);
        light->position = LightStart;
        renderer->setSwitches(AllSwitchesOff);
    }
    void TearDown() override
    {
        flat.reset();
        renderer.reset();
        SceneTest::TearDown();
    }

    CSceneEntity* addBrick(const glm::vec3& position, const glm::vec3& scale, const glm::vec4& colour)
    {
        CSceneEntity* entity = renderer->addEntity(&brick, CSceneEntity::Permanent);
        entity->position = position;
        entity->scale = scale;
        entity->colour = colour;
        entity->updateWorld();
        return entity;
    }

    std::vector<uint8_t> drawFrame()
    {
        renderer->renderFrame();
        return testDevice->readBackBuffer();
    }

    uint32_t at(const std::vector<uint8_t>& picture, int x, int y) const
    {
        return argbOf(&picture[size_t((y * testDevice->width() + x) * 4)]);
    }

    glm::ivec2 toScreen(const glm::vec3& world) const
    {
        const glm::vec4 clip = renderer->projection() * renderer->camera().view * glm::vec4(world, 1.0f);
        return {int((clip.x / clip.w * 0.5f + 0.5f) * float(testDevice->width())),
                int((0.5f - clip.y / clip.w * 0.5f) * float(testDevice->height()))};
    }

    std::unique_ptr<CRenderer> renderer;
    std::unique_ptr<CFlatMaterial> flat;
    CMesh brick;
    CLight* light = nullptr;
};
