// Scene entities and the board view: world matrices, the renderer's entity
// list, the scene the view loads, and the bricks it makes every frame for the
// pieces, the settled cells and the debris.
#include "SceneTestContext.h"

#include "game/GameBoard.h"
#include "render/Math3d.h"
#include "render/Renderer.h"
#include "view/GameView.h"
#include "render/Mesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <string>

#include <unistd.h>

namespace {

void expectNear(const glm::vec3& a, const glm::vec3& b, float tolerance = 1e-5f)
{
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

glm::vec3 placed(const CSceneEntity& entity, const glm::vec3& local) { return transformCoord(local, entity.world); }

// A scene with an empty board: no pieces, no settled cells, no debris.
class BoardViewTest : public GameSceneTest {
protected:
    void SetUp() override
    {
        SceneTest::SetUp();
        if (IsSkipped())
            return;
        makeGameScene(7);
    }

    std::vector<CSceneEntity*> bricks() const
    {
        std::vector<CSceneEntity*> list;
        for (const auto& e : renderer->entities())
            if (e->kind == CSceneEntity::OneFrame)
                list.push_back(e.get());
        return list;
    }

};

} // namespace

// ---- world matrices and the entity list ----------------------------------------------

// Suites named after what they test, on the shared fixture.
using EntityList = SceneTest;

TEST(SceneEntities, WorldMatrixScalesThenTurnsThenMoves)
{
    CSceneEntity entity;
    entity.scale = {2.0f, 1.0f, 1.0f};
    entity.rotation = {1.5707964f, 0.0f, 0.0f}; // a quarter turn of yaw
    entity.position = {1.0f, 2.0f, 3.0f};
    entity.updateWorld();
    // (1, 0, 0) -> (2, 0, 0) -> yawed to (0, 0, -2) in a left-handed world -> moved.
    expectNear(placed(entity, {1.0f, 0.0f, 0.0f}), {1.0f, 2.0f, 1.0f});

    // A given rotation replaces the yaw, pitch and roll.
    entity.updateWorld(glm::mat4(1.0f));
    expectNear(placed(entity, {1.0f, 0.0f, 0.0f}), {3.0f, 2.0f, 3.0f});
}

TEST_F(EntityList, EntitiesAreRemovedByKindAndKeepTheirOrder)
{
    CRenderer renderer;
    CSceneEntity* a = renderer.addEntity(nullptr, CSceneEntity::Permanent);
    renderer.addEntity(nullptr, CSceneEntity::OneFrame);
    CSceneEntity* b = renderer.addEntity(nullptr, CSceneEntity::Permanent);
    renderer.addEntity(nullptr, CSceneEntity::OneFrame);
    EXPECT_EQ(a->colour, glm::vec4(1.0f));
    EXPECT_EQ(a->world, glm::mat4(1.0f));

    renderer.removeEntities(CSceneEntity::OneFrame);
    ASSERT_EQ(renderer.entities().size(), 2u);
    EXPECT_EQ(renderer.entities()[0].get(), a);
    EXPECT_EQ(renderer.entities()[1].get(), b);
    renderer.addEntity(nullptr, CSceneEntity::OneFrame);
    renderer.removeEntities(CSceneEntity::Permanent);
    ASSERT_EQ(renderer.entities().size(), 1u);
    EXPECT_EQ(renderer.entities()[0]->kind, CSceneEntity::OneFrame);
    renderer.removeAllEntities();
    EXPECT_TRUE(renderer.entities().empty());
}

// ---- the scene ------------------------------------------------------------------------------

TEST_F(BoardViewTest, TheSceneHasTheFrameThenTheFloorAndOneLight)
{
    ASSERT_EQ(renderer->entities().size(), 2u);
    expectNear(renderer->entities()[0]->position, {4.5f, 0.0f, -0.5f});
    expectNear(renderer->entities()[1]->position, {0.0f, 30.0f, 0.0f});
    EXPECT_EQ(renderer->entities()[1]->world[3], glm::vec4(0.0f, 30.0f, 0.0f, 1.0f));
    EXPECT_FALSE(view->brickMesh().subsets.empty());
    ASSERT_EQ(renderer->lights().size(), 1u);
    EXPECT_EQ(renderer->lights()[0]->kind, CLight::Spot);
    expectNear(renderer->lights()[0]->position, {-4.0f, 38.0f, -44.0f});
    expectNear(renderer->camera().eye, {-4.0f, 15.0f, -60.0f});
    EXPECT_TRUE(renderer->camera().fixedUp);
    EXPECT_EQ(renderer->projection(), sceneProjection());
    // The cube map may be missing; something is always there to reflect.
    EXPECT_NE(renderer->environmentTexture(), nullptr);
}

// A tiny uncompressed DDS file: a 2 x 2 cube map, or a flat 2 x 2 image.
static void writeDds(const std::filesystem::path& path, bool cube)
{
    std::vector<uint8_t> bytes(128, 0);
    auto put32 = [&](size_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i)
            bytes[at + size_t(i)] = uint8_t(value >> (8 * i));
    };
    std::memcpy(bytes.data(), "DDS ", 4);
    put32(4, 124);
    put32(8, 0x1007);
    put32(12, 2);
    put32(16, 2);
    put32(28, 1);
    put32(76, 32);
    put32(80, 0x41);
    put32(88, 32);
    put32(92, 0x00FF0000);
    put32(96, 0x0000FF00);
    put32(100, 0x000000FF);
    put32(104, 0xFF000000);
    put32(108, 0x1000);
    if (cube)
        put32(112, 0x200 | 0xFC00);
    bytes.resize(128 + (cube ? 6 : 1) * 16, 0x80);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

TEST_F(EntityList, TheSceneReflectsTheCubeMapWhenThereIsOneAndSurvivesMissingMeshes)
{
    // A game folder with nothing but the environment map and the effects in
    // its media.
    const auto folder = std::filesystem::temp_directory_path() / ("vesbrik-scene-media-" + std::to_string(getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder / "media");
    for (const auto& file : std::filesystem::directory_iterator(VESBRIK_MEDIA_DIR))
        if (file.path().extension() == ".fx")
            std::filesystem::copy_file(file.path(), folder / "media" / file.path().filename());
    std::filesystem::current_path(folder);
    CGameBoard board(1);
    {
        writeDds(folder / "media" / "Chrome128.dds", true);
        CRenderer renderer;
        CGameView view(board, renderer);
        ASSERT_NE(renderer.environmentTexture(), nullptr);
        EXPECT_TRUE(renderer.environmentTexture()->isCube());
        // No meshes: the frame and floor entities are there and draw
        // nothing; the bricks fall back on a plain cube of 12 triangles.
        EXPECT_EQ(renderer.entities().size(), 2u);
        ASSERT_EQ(view.brickMesh().subsets.size(), 1u);
        EXPECT_EQ(view.brickMesh().subsets[0]->triangleCount, 12);
        EXPECT_EQ(view.brickMesh().subsets[0]->material, renderer.materialFor("glass"));
        view.render();
        EXPECT_EQ(renderer.entities().size(), 2u);
    }
    {
        writeDds(folder / "media" / "Chrome128.dds", false);
        CRenderer renderer;
        CGameView view(board, renderer);
        EXPECT_EQ(renderer.environmentTexture(), renderer.whiteTexture());
    }
    std::filesystem::remove_all(folder);
}

// ---- board entities -------------------------------------------------------------------------

TEST_F(BoardViewTest, AnEmptyBoardAddsNoBricks)
{
    view->buildBoardEntities();
    EXPECT_EQ(renderer->entities().size(), 2u);
}

TEST_F(BoardViewTest, SettledCellsStandAtTheirRowsFromTheTop)
{
    board->setCell(0, 19, 0xFF00FF00);
    board->setCell(3, 0, 0x00FF0000); // alpha 0 is kept as stored
    view->buildBoardEntities();
    const auto list = bricks();
    ASSERT_EQ(list.size(), 2u);
    // Row 0 comes first.
    expectNear(list[0]->position, {3.0f, 20.5f, 0.0f});
    EXPECT_EQ(list[0]->colour, glm::vec4(1.0f, 0.0f, 0.0f, 0.0f));
    expectNear(list[1]->position, {0.0f, 1.5f, 0.0f});
    EXPECT_EQ(list[1]->colour, glm::vec4(0.0f, 1.0f, 0.0f, 1.0f));
    EXPECT_EQ(list[1]->mesh, &view->brickMesh());
    EXPECT_EQ(list[1]->rotation, glm::vec3(0.0f));
    expectNear(placed(*list[1], {0.5f, 0.5f, 0.5f}), {0.5f, 2.0f, 0.5f});
}

TEST_F(BoardViewTest, PiecesComeFirstOnlyThePreviewTurnsAndOnlyTheFallingPieceStandsOut)
{
    CPiece& current = *board->placePiece(createPiece(7)); // the square
    current.x = 4.0f;
    current.y = 2.5f;
    current.colour = 0xFF0000FF;
    CPiece& next = *board->placeNextPiece(createPiece(6));
    next.x = -5.0f;
    next.y = 0.0f;
    board->setCell(9, 19, 0xFFFFFFFF);
    for (int i = 0; i < 150; ++i)
        view->stepUpdate(0.01f, false);
    view->buildBoardEntities();
    const auto list = bricks();
    ASSERT_EQ(list.size(), 9u);
    for (int i = 0; i < 4; ++i) {
        const CellPosition cell = board->current()->cellPosition(i);
        expectNear(list[size_t(i)]->position, {cell.x, 20.5f - cell.y, 0.0f});
        EXPECT_EQ(list[size_t(i)]->colour, glm::vec4(0.0f, 0.0f, 1.0f, 1.0f));
        EXPECT_EQ(list[size_t(i)]->rotation.x, 0.0f);
        EXPECT_EQ(list[size_t(i)]->highlight, 1.0f);
    }
    for (size_t i = 4; i < list.size(); ++i)
        EXPECT_EQ(list[i]->highlight, 0.0f) << "brick " << i;
    const float yaw = view->elapsedTime() * 0.3f;
    EXPECT_NEAR(yaw, 0.45f, 1e-4f);
    for (int i = 4; i < 8; ++i) {
        const CellPosition cell = board->next()->cellPosition(i - 4);
        expectNear(list[size_t(i)]->position, {cell.x, 20.5f - cell.y, 0.0f});
        EXPECT_EQ(list[size_t(i)]->rotation.x, yaw);
        // The world matrix carries the turn: a brick's +x side faces away from +x.
        const glm::vec3 side = placed(*list[size_t(i)], {1.0f, 0.0f, 0.0f}) - list[size_t(i)]->position;
        expectNear(side, {std::cos(yaw), 0.0f, -std::sin(yaw)});
    }
    expectNear(list[8]->position, {9.0f, 1.5f, 0.0f});
}

TEST_F(BoardViewTest, DebrisBricksArePlacedAndTurnedAsTheirBodies)
{
    for (int c = 0; c < 10; ++c)
        board->setCell(c, 12, 0xFF102030u + uint32_t(c));
    CRandom random = board->random();
    view->launchRow(12, board->rowColours(12), random);
    board->setCells({});
    // Let them tumble so the rotations are not the identity.
    for (int i = 0; i < 60; ++i)
        view->stepUpdate(0.01f, true);
    view->buildBoardEntities();
    const auto list = bricks();
    ASSERT_EQ(list.size(), 10u);
    for (int i = 0; i < 10; ++i) {
        const CDebrisBrick& body = *view->debris().slot(i);
        const CSceneEntity& entity = *list[size_t(i)];
        expectNear(entity.position, body.position());
        EXPECT_NEAR(entity.colour.b, float((0x30 + i) & 0xFF) / 255.0f, 1e-6f);
        // A corner of the brick lands where the body's rotation puts it.
        const glm::vec3 corner{0.5f, -0.5f, 0.5f};
        expectNear(placed(entity, corner), body.position() + body.rotation() * corner, 1e-4f);
    }
}

TEST_F(BoardViewTest, AFrameLeavesTheEntityListAsItFoundIt)
{
    board->placePiece(createPiece(1));
    board->placeNextPiece(createPiece(2));
    for (int c = 0; c < 10; ++c)
        board->setCell(c, 19, 0xFF808080u);
    CRandom random = board->random();
    view->launchRow(19, board->rowColours(19), random);
    CSceneEntity* frame = renderer->entities()[0].get();
    CSceneEntity* floor = renderer->entities()[1].get();
    view->render();
    ASSERT_EQ(renderer->entities().size(), 2u);
    EXPECT_EQ(renderer->entities()[0].get(), frame);
    EXPECT_EQ(renderer->entities()[1].get(), floor);
    view->render();
    EXPECT_EQ(renderer->entities().size(), 2u);
}

TEST_F(BoardViewTest, TheHelpsAddGuideOutlinesAndMarksOnlyWhenAskedFor)
{
    // A piece of each kind in the stack, a straight piece falling over a gap
    // in it, a debris row of every kind, and the preview.
    for (int kind = 1; kind <= PieceKindCount; ++kind)
        board->setCell(kind - 1, 19, createPiece(kind)->colour);
    board->setCell(8, 18, 0xFF123456u); // a colour of no kind
    for (int c = 0; c < 7; ++c)
        board->setCell(c, 10, createPiece(c + 1)->colour);
    CRandom random = board->random();
    view->launchRow(10, board->rowColours(10), random);
    for (int c = 0; c < 7; ++c)
        board->setCell(c, 10, 0);
    CPiece& current = *board->placePiece(createPiece(6));
    current.x = 8.0f;
    current.y = 3.0f;
    board->placeNextPiece(createPiece(2));

    view->buildBoardEntities();
    std::vector<glm::vec3> plain;
    for (const CSceneEntity* brick : bricks()) {
        EXPECT_TRUE(brick->mark == 0 && !brick->outline);
        plain.push_back(brick->position);
    }
    renderer->removeEntities(CSceneEntity::OneFrame);

    view->dropGuide = true;
    view->kindMarks = true;
    view->buildBoardEntities();
    const auto helped = bricks();
    // The same bricks in the same order, then the four outlines.
    ASSERT_EQ(helped.size(), plain.size() + 4);
    std::vector<int> marks;
    for (size_t i = 0; i < plain.size(); ++i) {
        EXPECT_EQ(helped[i]->position, plain[i]);
        EXPECT_FALSE(helped[i]->outline);
        marks.push_back(helped[i]->mark);
    }
    // Falling straight piece (6), preview (2), stack row 18 (none), row 19
    // (kinds 1..7), then the debris of kinds 1..7 and three of no colour.
    const std::vector<int> expected = {6, 6, 6, 6, 2, 2, 2, 2, 0, 1, 2, 3, 4, 5, 6, 7, 1, 2, 3, 4, 5, 6, 7, 0, 0, 0};
    EXPECT_EQ(marks, expected);

    const std::vector<CellPosition> landing = board->landingCells();
    ASSERT_EQ(landing.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        const CSceneEntity& guide = *helped[plain.size() + i];
        EXPECT_TRUE(guide.outline);
        EXPECT_EQ(guide.mark, 0);
        EXPECT_EQ(guide.colour, helped[0]->colour);
        expectNear(guide.position, {landing[i].x, 20.5f - landing[i].y, 0.0f});
        // Inside its cell, so the piece hides it where it covers it.
        EXPECT_LT(guide.scale.x, 1.0f);
    }
    // Column 8 is free down to the cell of no kind at row 18: the upright
    // straight piece rests with its foot on row 17.
    EXPECT_EQ(landing[3].y, 17.0f);
}
