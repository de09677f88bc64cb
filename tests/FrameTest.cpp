// Whole frames drawn headless and read back: the board's bricks land where
// the camera puts them, the mirror shows the reflected scene on the floor and
// nowhere else, and the copy to the back buffer filters as switched.
#include "SceneTestContext.h"

#include "game/GameBoard.h"
#include "render/Math3d.h"
#include "render/Renderer.h"
#include "view/GameView.h"
#include "view/Hud.h"
#include "render/Mesh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int Width = 320;
constexpr int Height = 240;

constexpr glm::vec4 Red{1.0f, 0.0f, 0.0f, 1.0f};
constexpr glm::vec4 Blue{0.0f, 0.0f, 1.0f, 1.0f};

void switchAllOff(CRenderer& renderer)
{
    renderer.setSwitches(AllSwitchesOff);
}

// Where a world point lands on the back buffer, in pixels from the top left.
glm::vec2 screenPoint(const CRenderer& renderer, const glm::vec3& world)
{
    const glm::vec4 clip = renderer.projection() * renderer.camera().view * glm::vec4(world, 1.0f);
    return {(clip.x / clip.w * 0.5f + 0.5f) * Width, (0.5f - clip.y / clip.w * 0.5f) * Height};
}

struct Box {
    int left = Width, top = Height, right = -1, bottom = -1, count = 0;
    void add(int x, int y)
    {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
        ++count;
    }
    glm::vec2 centre() const { return {(left + right + 1) * 0.5f, (top + bottom + 1) * 0.5f}; }
};

// A red brick standing on a blue floor, both drawn flat in their colours:
// the floor is the renderer's mirror floor, as the game names it.
class MirrorFrameTest : public SceneTest {
protected:
    void SetUp() override
    {
        SceneTest::SetUp();
        if (IsSkipped())
            return;
        makeDevice(Width, Height);
        renderer = std::make_unique<CRenderer>();
        flat = std::make_unique<CFlatMaterial>(*renderer);
        auto materialFor = [this](const std::string&) { return flat.get(); };
        ASSERT_TRUE(brick.buildMesh("media/chamferbox.lwo", materialFor));
        ASSERT_TRUE(floorBox.buildMesh("media/box.lwo", materialFor));
        CSceneEntity* standing = renderer->addEntity(&brick, CSceneEntity::Permanent);
        standing->position = {0.0f, 1.5f, 0.0f};
        standing->colour = Red;
        standing->updateWorld();
        CSceneEntity* floor = renderer->addEntity(&floorBox, CSceneEntity::Permanent);
        floor->position = {0.0f, 30.0f, 0.0f};
        floor->colour = Blue;
        floor->updateWorld();
        renderer->setMirrorFloor(floor);
        renderer->camera().setLookAt({0.0f, 5.0f, -8.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 1.0f, 0.0f});
        switchAllOff(*renderer);
    }
    void TearDown() override
    {
        flat.reset();
        renderer.reset();
        SceneTest::TearDown();
    }

    std::vector<uint8_t> drawFrame()
    {
        testDevice->clear(ClearTarget | ClearZBuffer | ClearStencil, 0, 1.0f, 0);
        renderer->renderFrame();
        return testDevice->readBackBuffer();
    }

    std::unique_ptr<CRenderer> renderer;
    std::unique_ptr<CFlatMaterial> flat;
    CMesh brick;
    CMesh floorBox;
};

uint32_t at(const std::vector<uint8_t>& frame, int x, int y) { return argbOf(&frame[size_t((y * Width + x) * 4)]); }

// The colour without its alpha: blending leaves the scene's alpha wherever it
// likes, and only the colour reaches the screen.
uint32_t rgb(uint32_t argb) { return argb | 0xFF000000u; }

} // namespace

// ---- the board's bricks ----------------------------------------------------------------

// Suites named after what they test, on the shared fixture.
using Frame = SceneTest;

TEST_F(Frame, WithEverySwitchOffASettledCellAppearsWhereTheCameraPutsIt)
{
    makeDevice(Width, Height);
    CGameBoard board(3);
    board.emptyWell();
    CRenderer renderer;
    CGameView view(board, renderer);
    switchAllOff(renderer);
    // Looking down at the cell, so the floor lies behind it: a glass brick
    // shows what is behind it, and the floor makes it differ from nothing.
    renderer.camera().setLookAt({2.0f, 16.0f, -14.0f}, {4.5f, 10.5f, 0.0f}, {0.0f, 1.0f, 0.0f});

    view.render();
    const std::vector<uint8_t> empty = testDevice->readBackBuffer();
    board.setCell(2, 10, 0xFFFFFF00);
    view.render();
    readFrame();

    Box changed;
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x)
            if (!nearColour(at(empty, x, y), pixel(x, y), 8))
                changed.add(x, y);
    ASSERT_GT(changed.count, 0) << "the brick drew nothing";
    // The brick's front face is the side nearest the camera; its centre is
    // the cell's point, up to the perspective of a unit cube.
    const glm::vec2 expected = screenPoint(renderer, {2.0f, 10.5f, 0.0f});
    const glm::vec2 found = changed.centre();
    const float cell = screenPoint(renderer, {3.0f, 10.5f, 0.0f}).x - expected.x;
    EXPECT_NEAR(found.x, expected.x, 0.2f * cell);
    EXPECT_NEAR(found.y, expected.y, 0.2f * cell);
    EXPECT_NEAR(float(changed.right - changed.left + 1), cell, 0.35f * cell);
    EXPECT_NEAR(float(changed.bottom - changed.top + 1), cell, 0.35f * cell);
}

// ---- the mirror --------------------------------------------------------------------------

TEST_F(MirrorFrameTest, TheMirrorAddsItsImageOnlyOnTheFloor)
{
    const std::vector<uint8_t> plain = drawFrame();
    setSwitch(*renderer, &RenderSwitches::mirror, true);
    const std::vector<uint8_t> mirrored = drawFrame();

    const uint32_t blue = 0xFF0000FF;
    // Red at 136/255 over blue: the reflection of the red brick.
    const uint32_t reflectedRed = 0xFF880077;
    Box changed;
    int wrong = 0;
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x) {
            if (rgb(at(plain, x, y)) == rgb(at(mirrored, x, y)))
                continue;
            changed.add(x, y);
            if (!nearColour(rgb(at(plain, x, y)), blue, 1) || !nearColour(rgb(at(mirrored, x, y)), reflectedRed, 3))
                ++wrong;
        }
    EXPECT_EQ(wrong, 0) << "the mirror changed pixels that are not floor, or not to the reflection";
    ASSERT_GT(changed.count, 100);
    // The reflection hangs below the brick's foot, where the brick meets the floor.
    const glm::vec2 foot = screenPoint(*renderer, {0.0f, 0.0f, -0.5f});
    EXPECT_GT(float(changed.top), foot.y - 2.0f);
    EXPECT_NEAR(changed.centre().x, foot.x, 3.0f);
    // The brick itself is untouched.
    const glm::vec2 brickCentre = screenPoint(*renderer, {0.0f, 1.5f, -0.5f});
    EXPECT_EQ(rgb(at(mirrored, int(brickCentre.x), int(brickCentre.y))), 0xFFFF0000u);
}

TEST_F(MirrorFrameTest, AFloorHiddenEverywhereGetsNoReflection)
{
    // A wall of bricks between the camera and the floor hides all of it. It
    // is drawn additively: if the mirror step drew it again in colour (its
    // depth is all the step needs), the wall would come out brighter.
    CSceneEntity* wall = renderer->entities()[0].get();
    wall->scale = {400.0f, 400.0f, 1.0f};
    wall->position = {0.0f, 0.0f, -6.0f};
    wall->colour = {0.3f, 0.0f, 0.0f, 1.0f};
    wall->updateWorld();
    flat->additive = true;
    const std::vector<uint8_t> plain = drawFrame();
    setSwitch(*renderer, &RenderSwitches::mirror, true);
    const std::vector<uint8_t> mirrored = drawFrame();
    for (size_t i = 0; i < plain.size(); i += 4)
        ASSERT_EQ(rgb(argbOf(&plain[i])), rgb(argbOf(&mirrored[i]))) << "pixel " << i / 4;
}

TEST_F(MirrorFrameTest, TheMirrorDrawsTheItemsOnceMoreReflectedAndNothingElse)
{
    // The floor marks where it shows while the scene is drawn; the mirror
    // step then only draws the reflected brick and floor. Another pass over
    // the items (for their depth, or for the marks) would run their programs
    // for every pixel again, the glass's among them.
    drawFrame();
    const int withoutMirror = flat->begins;
    setSwitch(*renderer, &RenderSwitches::mirror, true);
    drawFrame();
    EXPECT_EQ(flat->begins - 2 * withoutMirror, 2);
}

// A brick high above the floor reflects far below the bottom of the screen:
// the mirror step leaves it out. One above the top of the screen reflects
// onto the floor in sight: it stays. The picture is the one drawn with every
// item reflected (as when the bricks' mesh has no box to go by).
TEST_F(MirrorFrameTest, AnItemWhoseReflectionMissesTheFloorIsLeftOutAndThePictureStays)
{
    setSwitch(*renderer, &RenderSwitches::mirror, true);
    for (const glm::vec3& place : {glm::vec3(0.0f, 40.0f, 0.0f), glm::vec3(2.0f, 6.0f, 6.0f)}) {
        CSceneEntity* above = renderer->addEntity(&brick, CSceneEntity::Permanent);
        above->position = place;
        above->colour = Red;
        above->updateWorld();
    }
    auto drawCounting = [&](int& draws) {
        const int before = testDevice->drawCount();
        std::vector<uint8_t> frame = drawFrame();
        draws = testDevice->drawCount() - before;
        return frame;
    };
    int culled = 0;
    int whole = 0;
    const std::vector<uint8_t> left = drawCounting(culled);
    ASSERT_TRUE(brick.bounds.has_value());
    brick.bounds.reset();
    const std::vector<uint8_t> all = drawCounting(whole);
    EXPECT_EQ(whole - culled, 1) << "the high brick is drawn reflected";
    EXPECT_EQ(left, all);
}

TEST_F(MirrorFrameTest, AFrameWithoutAFloorEntitySkipsTheMirror)
{
    setSwitch(*renderer, &RenderSwitches::mirror, true);
    renderer->removeEntities(CSceneEntity::Permanent);
    renderer->addEntity(&brick, CSceneEntity::Permanent)->colour = Red;
    drawFrame(); // one entity: nothing to mirror in, and nothing to crash on
    EXPECT_EQ(renderer->mirrorFloor(), nullptr);
}

// ---- the copy -----------------------------------------------------------------------------

TEST_F(MirrorFrameTest, TheCopyIsPointSampledUnlessFilteringIsOn)
{
    // The scene target is the back buffer's size, so the copy is exact
    // either way, whatever sampler 0 held before the frame.
    setSwitch(*renderer, &RenderSwitches::filteredCopy, false);
    const std::vector<uint8_t> sharp = drawFrame();
    setSwitch(*renderer, &RenderSwitches::filteredCopy, true);
    testDevice->setSamplerState(SamplerState::MagFilter, TexFilter::Point);
    EXPECT_EQ(drawFrame(), sharp);

    // A scene drawn at half the size is stretched by the copy: pixel pairs
    // stay equal without filtering and blend at the brick's edges with it.
    renderer->setSceneScale(0.5f);
    auto blendedPixels = [](const std::vector<uint8_t>& picture) {
        int blended = 0;
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x + 1 < Width; x += 2)
                blended += at(picture, x, y) != at(picture, x + 1, y);
        return blended;
    };
    setSwitch(*renderer, &RenderSwitches::filteredCopy, false);
    EXPECT_EQ(blendedPixels(drawFrame()), 0);
    setSwitch(*renderer, &RenderSwitches::filteredCopy, true);
    EXPECT_GT(blendedPixels(drawFrame()), 20);
}

// ---- the fixed material --------------------------------------------------------------------

namespace {

// A quad over the clip square at depth 0.5, facing the viewer (normal -z),
// drawn with a material as a mesh draws its subsets.
class ClipSquare {
public:
    ClipSquare() : vertices(4 * sizeof(MeshVertex)), indices(6)
    {
        const MeshVertex corners[4] = {{-1, 1, 0.5f, 0, 0, -1, 0, 0, {}},
                                       {1, 1, 0.5f, 0, 0, -1, 1, 0, {}},
                                       {1, -1, 0.5f, 0, 0, -1, 1, 1, {}},
                                       {-1, -1, 0.5f, 0, 0, -1, 0, 1, {}}};
        std::memcpy(vertices.lock(), corners, sizeof(corners));
        vertices.unlock();
        const uint16_t order[6] = {0, 1, 2, 0, 2, 3};
        std::memcpy(indices.lock(), order, sizeof(order));
        indices.unlock();
    }

    void draw(CMaterial& material, const CSceneEntity& entity, const MaterialValues& values)
    {
        CDevice& d = device();
        d.clear(ClearTarget | ClearZBuffer, 0xFF000000, 1.0f, 0);
        material.begin();
        material.beginPass(0);
        material.apply(entity, values);
        d.setVertexLayout(MeshVertexLayout);
        d.setStreamSource(&vertices, sizeof(MeshVertex));
        d.setIndices(&indices);
        d.drawIndexedPrimitive(PrimitiveType::TriangleList, 0, 0, 2);
        material.endPass(0);
        material.end();
    }

private:
    CVertexBuffer vertices;
    CIndexBuffer indices;
};

} // namespace

// The renderer's view is where the frame began (no frame yet: none) and its
// projection is none, so the quad fills the picture. Each corner is lit:
// the subset's luminous colour by the light's ambient, its diffuse colour by
// the light's diffuse at the light's slant; the entity's tint is not applied.
TEST_F(Frame, TheFixedMaterialLightsEachCornerFromTheRenderersLights)
{
    CRenderer renderer;
    renderer.setProjection(glm::mat4(1.0f));
    CLight* light = renderer.addLight(CLight::Spot);
    light->diffuse = glm::vec4(1.0f);
    light->position = {0.0f, 0.0f, 100.0f}; // far behind the quad: the spot light shines along its direction only
    light->direction = {0.0f, 0.0f, 1.0f};
    renderer.addLight(7); // a kind the material does not know lights nothing
    CMaterial& fixed = *renderer.materialFor("d3dfixed");
    EXPECT_FALSE(fixed.reload());

    CSceneEntity entity;
    entity.colour = {1.0f, 0.0f, 0.0f, 0.5f};
    MaterialValues values;
    values.diffuse = {0.5f, 0.25f, 1.0f, 1.0f};
    values.luminous = {0.2f, 0.2f, 0.2f, 1.0f};
    ClipSquare quad;
    const DeviceState before = testDevice->state();
    quad.draw(fixed, entity, values);
    EXPECT_EQ(testDevice->program(), before.program);
    EXPECT_EQ(testDevice->state().renderStates, before.renderStates);
    readFrame();
    // 0.2 + 0.5, 0.2 + 0.25, 0.2 + 1.0 clamped
    EXPECT_TRUE(nearColour(pixel(32, 32), 0xFFB373FF, 3)) << std::hex << pixel(32, 32);

    // A point light 2 in front of the quad's middle: every corner is
    // sqrt(1 + 1 + 4) = 2.45 away, at a slant of 2 / 2.45 = 0.816.
    light->kind = CLight::Point;
    light->position = {0.0f, 0.0f, -1.5f};
    light->attenuation0 = 1.0f;
    light->range = 2.5f;
    quad.draw(fixed, entity, values);
    readFrame();
    EXPECT_TRUE(nearColour(pixel(1, 1), 0xFF9B67FF, 3)) << std::hex << pixel(1, 1);
    EXPECT_TRUE(nearColour(pixel(32, 32), 0xFF9B67FF, 3)) << std::hex << pixel(32, 32);
    // Beyond its range at the corners: unlit, ambient included.
    light->range = 2.4f;
    quad.draw(fixed, entity, values);
    readFrame();
    EXPECT_EQ(pixel(32, 32), 0xFF000000u);
}

// At half scale, the lowest a slow machine goes, the scene is drawn at half
// the width and height into the same targets (nothing is made anew) and
// stretched over the window, every pass lined up with the others: the
// brick, its reflection and the floor stay where they were. The HUD and the
// frame rate are drawn over it at the window's own size, pixel for pixel as
// at full scale.
TEST_F(MirrorFrameTest, AtHalfScaleTheSceneIsStretchedAndTheOverlaysStayWhole)
{
    setSwitch(*renderer, &RenderSwitches::mirror, true);
    setSwitch(*renderer, &RenderSwitches::filteredCopy, true);
    CHud hud;
    const std::vector<FrameOverlay> overlays{[&hud] { hud.draw(3, 12); }, [&hud] { hud.drawFrameRate(30.0f, 0.5f); }};
    auto frameAt = [&](float scale) {
        renderer->setSceneScale(scale);
        testDevice->clear(ClearTarget | ClearZBuffer | ClearStencil, 0, 1.0f, 0);
        renderer->renderFrame(overlays);
        return testDevice->readBackBuffer();
    };
    const CTexture* sceneTexture = renderer->sceneImage().colorTexture();
    const std::vector<uint8_t> whole = frameAt(1.0f);
    const std::vector<uint8_t> half = frameAt(0.5f);
    EXPECT_EQ(renderer->sceneImage().colorTexture(), sceneTexture);
    EXPECT_EQ(sceneTexture->width(), Width);

    // The overlays' rows (the HUD strip and the frame rate under it) lie over
    // empty sky, so they match to the pixel.
    const size_t overlayRows = size_t(Width) * 70 * 4;
    EXPECT_TRUE(std::equal(whole.begin(), whole.begin() + overlayRows, half.begin()))
        << "the HUD is drawn at the window's size";
    EXPECT_NE(whole, half) << "the scene is drawn at fewer pixels";

    const glm::vec2 brickCentre = screenPoint(*renderer, {0.0f, 1.5f, -0.5f});
    EXPECT_TRUE(nearColour(rgb(at(half, int(brickCentre.x), int(brickCentre.y))), 0xFFFF0000u, 2));
    const glm::vec2 reflection = screenPoint(*renderer, {0.0f, -1.0f, -0.5f});
    EXPECT_TRUE(nearColour(rgb(at(half, int(reflection.x), int(reflection.y))),
                           rgb(at(whole, int(reflection.x), int(reflection.y))), 3))
        << "the reflection lines up with the floor";
    // Outside the drawn part, the targets hold nothing that reaches the window:
    // the bottom right corner is the floor's blue as at full scale.
    EXPECT_TRUE(nearColour(rgb(at(half, Width - 2, Height - 2)), rgb(at(whole, Width - 2, Height - 2)), 3));
    renderer->setSceneScale(1.0f);
}
