// The frame's shadow and bloom steps, read back from headless frames: where
// the spot light's map is aimed, a piece held above the stack shadowing it
// on both ways of keeping the light's depth, the glow of bright parts and
// none for a dark frame, and the steps leaving the device and each other's
// targets as they found them.
#include "SceneTestContext.h"

#include "platform/Texture.h"
#include "render/FrameState.h"
#include "render/Math3d.h"
#include "render/Mesh.h"
#include "render/Renderer.h"
#include "render/ScreenQuad.h"
#include "render/ShadowMapLighting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace {

constexpr glm::vec3 LightStart{-4.0f, 38.0f, -44.0f};
constexpr glm::vec4 White{1.0f, 1.0f, 1.0f, 1.0f};

int channel(uint32_t argb, int c) { return int((argb >> (16 - 8 * c)) & 0xFF); }
int brightness(uint32_t argb) { return channel(argb, 0) + channel(argb, 1) + channel(argb, 2); }

// A scene of flat-coloured bricks (see SceneTestContext.h) lit by one light
// at the game's starting place, every switch off to begin with.
class FlatSceneTest : public SceneTest {
protected:
    void makeScene(int width, int height, bool depthTextures = true)
    {
        makeDevice(width, height);
        testDevice->setSupportsDepthTextures(depthTextures);
        renderer = std::make_unique<CRenderer>();
        flat = std::make_unique<CFlatMaterial>(*renderer);
        ASSERT_TRUE(brick.buildMesh("media/chamferbox.lwo", [this](const std::string&) { return flat.get(); }));
        light = renderer->addLight(CLight::Directional);
        light->position = LightStart;
        renderer->enableShadow = false;
        renderer->enableBloom = false;
        renderer->enableMirror = false;
        renderer->filterFrameBuffer = false;
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
        const glm::vec4 clip = renderer->projection * renderer->camera.view * glm::vec4(world, 1.0f);
        return {int((clip.x / clip.w * 0.5f + 0.5f) * float(testDevice->width())),
                int((0.5f - clip.y / clip.w * 0.5f) * float(testDevice->height()))};
    }

    std::unique_ptr<CRenderer> renderer;
    std::unique_ptr<CFlatMaterial> flat;
    CMesh brick;
    CLight* light = nullptr;
};

// ---- edge cases of the steps ----------------------------------------------------------

TEST_F(FlatSceneTest, TheLightAtItsStartLooksAtTheMiddleOfTheWellsFloor)
{
    makeScene(64, 64);
    CShadowMapLighting& shadows = *renderer->shadowLighting;
    shadows.setLight(light);
    shadows.renderShadowMap({});
    const glm::mat4& toMap = shadows.lightTextureMatrix();
    const glm::vec3 centre = transformCoord({4.5f, 0.0f, 0.0f}, toMap);
    EXPECT_NEAR(centre.x, 0.5f, 1e-5f);
    EXPECT_NEAR(centre.y, 0.5f, 1e-5f);
    EXPECT_GT(centre.z, 0.0f);
    EXPECT_LT(centre.z, 1.0f);
    // The top of the map is up in the world, and its depth grows away from the light.
    EXPECT_LT(transformCoord({4.5f, 5.0f, 0.0f}, toMap).y, 0.5f);
    EXPECT_GT(transformCoord({4.5f, 0.0f, 5.0f}, toMap).z, centre.z);
}

TEST_F(FlatSceneTest, AShadowLitImageThatIsWhiteEverywhereLeavesTheSceneUnchanged)
{
    makeScene(160, 120);
    addBrick({0.0f, 0.0f, 0.0f}, glm::vec3(2.0f), {0.8f, 0.4f, 0.2f, 1.0f});
    renderer->camera.setLookAt({0.0f, 2.0f, -6.0f}, {0.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f});
    const std::vector<uint8_t> plain = drawFrame();
    // A light far beyond its reach lights nothing and shadows nothing: the
    // shadow-lit picture is white where the brick is, so only the black
    // around it (black times black) could change, and it does not.
    light->position = {0.0f, 400.0f, 0.0f};
    renderer->enableShadow = true;
    EXPECT_EQ(drawFrame(), plain);
}

TEST_F(FlatSceneTest, ShadowsOffSkipsBothPassesAndTheMapKeepsItsLastContents)
{
    makeScene(160, 120);
    CSceneEntity* piece = addBrick({4.5f, 2.0f, 0.0f}, glm::vec3(2.0f), White);
    renderer->camera.setLookAt({4.5f, 8.0f, -12.0f}, {4.5f, 1.0f, 0.0f}, {0.0f, 1.0f, 0.0f});
    renderer->enableShadow = true;
    drawFrame();
    const std::vector<float> map = renderer->shadowLighting->shadowTarget().colorTexture()->readFloats();
    ASSERT_LT(*std::min_element(map.begin(), map.end()), 1.0f) << "the piece is in the map";

    renderer->enableShadow = false;
    piece->position.x += 3.0f;
    piece->updateWorld();
    testDevice->beginScene();
    drawFrame();
    const int drawsOff = testDevice->drawCount();
    EXPECT_EQ(renderer->shadowLighting->shadowTarget().colorTexture()->readFloats(), map);
    // With shadows on, the one brick is drawn into the map and shadow-lit,
    // and one quad multiplies the scene.
    renderer->enableShadow = true;
    testDevice->beginScene();
    drawFrame();
    EXPECT_EQ(testDevice->drawCount(), drawsOff + 3);
}

// The scene set-up always makes the light; a scene without one simply has
// no shadows rather than reading a light that is not there.
TEST_F(FlatSceneTest, WithoutALightTheShadowStepsAreLeftOut)
{
    makeScene(160, 120);
    addBrick({0.0f, 0.0f, 0.0f}, glm::vec3(2.0f), {0.8f, 0.4f, 0.2f, 1.0f});
    renderer->camera.setLookAt({0.0f, 2.0f, -6.0f}, {0.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f});
    renderer->lights.clear();
    const std::vector<uint8_t> plain = drawFrame();
    renderer->enableShadow = true;
    EXPECT_EQ(drawFrame(), plain);
}

// Without the spot texture the light still falls in a round pool: white in
// its middle, not the black an empty texture unit reads as.
TEST_F(FlatSceneTest, WithoutTheSpotTextureTheLightStillFallsInAPool)
{
    makeScene(160, 120);
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "vesbrik-no-spot";
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file("media/shadowmap.fx", folder / "shadowmap.fx",
                               std::filesystem::copy_options::overwrite_existing);
    renderer->shadowLighting = std::make_unique<CShadowMapLighting>(*testDevice, folder);
    std::filesystem::remove_all(folder);
    EXPECT_EQ(renderer->shadowLighting->spotTexture(), nullptr);

    addBrick({4.5f, 0.5f, 0.0f}, {14.0f, 1.0f, 14.0f}, White);
    renderer->camera.setLookAt({4.5f, 16.0f, -6.0f}, {4.5f, 1.0f, 0.0f}, {0.0f, 1.0f, 0.0f});
    renderer->enableShadow = true;
    const std::vector<uint8_t> picture = drawFrame();
    const glm::ivec2 middle = toScreen({4.5f, 1.0f, 0.0f});
    EXPECT_GT(brightness(at(picture, middle.x, middle.y)), 3 * 240);
}

TEST_F(FlatSceneTest, BloomOffTouchesNeitherItsTargetsNorThePostEffect)
{
    makeScene(160, 120);
    addBrick({0.0f, 0.0f, 0.0f}, glm::vec3(2.0f), White);
    renderer->camera.setLookAt({0.0f, 2.0f, -6.0f}, {0.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f});
    fillTextureSolid(renderer->bloomTargetA->colorTexture(), 0.0f, 1.0f, 0.0f, 1.0f);
    fillTextureSolid(renderer->bloomTargetB->colorTexture(), 0.0f, 0.0f, 1.0f, 1.0f);
    const std::vector<uint8_t> a = renderer->bloomTargetA->colorTexture()->readPixels();
    const std::vector<uint8_t> b = renderer->bloomTargetB->colorTexture()->readPixels();
    const int source = renderer->postEffect->parameterByName("texSource");
    ASSERT_GE(source, 0);

    renderer->enableShadow = true;
    renderer->enableMirror = true;
    renderer->filterFrameBuffer = true;
    drawFrame();
    EXPECT_EQ(renderer->bloomTargetA->colorTexture()->readPixels(), a);
    EXPECT_EQ(renderer->bloomTargetB->colorTexture()->readPixels(), b);
    EXPECT_EQ(renderer->postEffect->parameterTexture(source), nullptr);
}

// Every step puts back what it changed: after any frame the device's states
// are the frame's default ones, and so sampler 0's filters are the same
// whether bloom, which filters its own way, ran or not. (The vertex buffers
// and format are not compared: every draw binds its own.)
TEST_F(FlatSceneTest, EveryCombinationOfSwitchesEndsInTheDefaultState)
{
    makeScene(160, 120);
    addBrick({4.5f, 2.0f, 0.0f}, glm::vec3(2.0f), White);
    CSceneEntity* floor = addBrick({4.5f, -0.5f, 0.0f}, {20.0f, 1.0f, 20.0f}, {0.2f, 0.2f, 0.3f, 1.0f});
    renderer->mirrorFloor = floor;
    renderer->camera.setLookAt({4.5f, 8.0f, -12.0f}, {4.5f, 1.0f, 0.0f}, {0.0f, 1.0f, 0.0f});
    for (int switches = 0; switches < 16; ++switches) {
        renderer->enableShadow = switches & 1;
        renderer->enableBloom = switches & 2;
        renderer->enableMirror = switches & 4;
        renderer->filterFrameBuffer = switches & 8;
        renderer->renderFrame({[this] {
            testDevice->setRenderState(RenderState::AlphaBlendEnable, true);
            testDevice->setSamplerState(SamplerState::MinFilter, TexFilter::Linear);
        }});
        const DeviceState& state = testDevice->state();
        const DeviceState expected = defaultFrameState(state);
        EXPECT_EQ(state.renderStates, expected.renderStates) << "switches " << switches;
        EXPECT_EQ(state.samplerStates, expected.samplerStates) << "switches " << switches;
        EXPECT_EQ(state.stageStates, expected.stageStates) << "switches " << switches;
        EXPECT_EQ(state.texture, nullptr) << "switches " << switches;
        EXPECT_EQ(state.program, nullptr) << "switches " << switches;
        EXPECT_EQ(testDevice->renderTarget(), testDevice->backBuffer());
        EXPECT_EQ(testDevice->depthStencilSurface(), testDevice->backDepthStencil());
    }
}

TEST_F(FlatSceneTest, EachOverlayStartsFromTheDefaultState)
{
    makeScene(64, 64);
    std::vector<bool> blendingAtStart;
    auto overlay = [&] {
        blendingAtStart.push_back(testDevice->renderState(RenderState::AlphaBlendEnable) != 0);
        testDevice->setRenderState(RenderState::AlphaBlendEnable, true);
    };
    renderer->renderFrame({overlay, overlay, overlay});
    EXPECT_EQ(blendingAtStart, std::vector<bool>(3, false));
}

// A wall of even grey bright enough to glow: the glow is even too, so the
// composite's edges show where it lies.
TEST_F(FlatSceneTest, TheGlowIsLaidOnShiftedUpAndLeftByOnePercent)
{
    makeScene(400, 300);
    addBrick({0.0f, 0.0f, 5.0f}, {200.0f, 200.0f, 1.0f}, {0.86f, 0.86f, 0.86f, 1.0f});
    renderer->camera.setLookAt({0.0f, 0.0f, -10.0f}, {0.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f});
    const std::vector<uint8_t> plain = drawFrame();
    renderer->enableBloom = true;
    const std::vector<uint8_t> glowing = drawFrame();
    // 1 % of 400 x 300 is 4 x 3 pixels: columns from 396 and rows from 297
    // are left as they were; the rest, up to the left and top edges, glows.
    for (int y : {0, 150, 296})
        for (int x : {0, 200, 395})
            EXPECT_GT(brightness(at(glowing, x, y)), brightness(at(plain, x, y)) + 30) << x << ", " << y;
    for (int y : {0, 150, 299})
        for (int x : {396, 399})
            EXPECT_EQ(at(glowing, x, y), at(plain, x, y)) << x << ", " << y;
    for (int x : {0, 200, 399})
        for (int y : {297, 299})
            EXPECT_EQ(at(glowing, x, y), at(plain, x, y)) << x << ", " << y;
}

// One bright point, blurred along one diagonal and then along the other,
// spreads over a square turned on its corner, reaching along both
// diagonals and along the axes between them; had the second blur read the
// bright pass instead of the first blur, it would reach along one diagonal.
TEST_F(FlatSceneTest, TheSecondBlurReadsTheFirst)
{
    makeScene(256, 256);
    addBrick({0.0f, 0.0f, 0.0f}, glm::vec3(0.15f), White);
    renderer->camera.setLookAt({0.0f, 0.0f, -10.0f}, {0.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f});
    renderer->enableBloom = true;
    drawFrame();
    const std::vector<uint8_t> glow = renderer->bloomTargetB->colorTexture()->readPixels();
    auto red = [&](int x, int y) { return int(glow[size_t((y * 256 + x) * 4)]); };
    const int c = 128;
    ASSERT_GT(red(c, c), 10) << "the point glows";
    const int d = 5;
    EXPECT_GT(red(c + d, c + d), 0);
    EXPECT_GT(red(c - d, c - d), 0);
    EXPECT_GT(red(c + d, c - d), 0);
    EXPECT_GT(red(c - d, c + d), 0);
    EXPECT_GT(red(c + d, c), 0);
    EXPECT_GT(red(c, c + d), 0);
}

// ---- a piece above the stack casts its shadow onto it ------------------------------------

struct ShadowPath {
    bool depthTextures;
    int width;
    int height;
};

std::string pathName(const ShadowPath& path)
{
    return std::string(path.depthTextures ? "DepthTexture" : "FloatMap") + "_" + std::to_string(path.width) + "x" +
           std::to_string(path.height);
}

void PrintTo(const ShadowPath& path, std::ostream* out) { *out << pathName(path); }

class ShadowCastTest : public FlatSceneTest, public ::testing::WithParamInterface<ShadowPath> {};

// Where the line from the light through a point meets the plane y = top.
glm::vec3 shadowOn(float top, const glm::vec3& light, const glm::vec3& caster)
{
    const float t = (light.y - top) / (light.y - caster.y);
    return light + (caster - light) * t;
}

TEST_P(ShadowCastTest, APieceAboveTheStackShadowsItAndTheShadowMovesWithThePiece)
{
    const ShadowPath path = GetParam();
    makeScene(path.width, path.height, path.depthTextures);
    CShadowMapLighting& shadows = *renderer->shadowLighting;
    EXPECT_EQ(shadows.hardwareShadowMap(), path.depthTextures);
    // A window smaller than the map gives the map a depth surface of its own.
    const bool ownDepth = path.depthTextures || path.width < 512 || path.height < 512;
    EXPECT_EQ(shadows.shadowTarget().depthTexture() != nullptr, ownDepth);

    // The stack: a white slab whose top is at y = 1; the piece hangs above it.
    addBrick({4.5f, 0.5f, 0.0f}, {14.0f, 1.0f, 14.0f}, White);
    const glm::vec3 aim{4.5f, 1.0f, 0.0f};
    const glm::vec3 above = LightStart + (aim - LightStart) * 0.85f;
    CSceneEntity* piece = addBrick(above, glm::vec3(1.0f), {0.0f, 0.0f, 1.0f, 1.0f});
    renderer->camera.setLookAt({4.5f, 16.0f, -6.0f}, aim, {0.0f, 1.0f, 0.0f});
    renderer->enableShadow = true;

    auto slabBrightness = [&](const std::vector<uint8_t>& picture, const glm::vec3& world) {
        const glm::ivec2 p = toScreen(world);
        return brightness(at(picture, p.x, p.y));
    };
    const glm::vec3 shadow = shadowOn(1.0f, LightStart, above);
    const glm::vec3 moved = above + glm::vec3(2.5f, 0.0f, 0.0f);
    const glm::vec3 movedShadow = shadowOn(1.0f, LightStart, moved);

    const std::vector<uint8_t> first = drawFrame();
    EXPECT_EQ(shadows.effect().technique(), path.depthTextures ? "scene" : "scene_nohw");
    const int texDepth = shadows.effect().parameterByName("texDepth");
    EXPECT_EQ(shadows.effect().parameterTexture(texDepth),
              path.depthTextures ? shadows.shadowTarget().depthTexture() : shadows.shadowTarget().colorTexture());
    EXPECT_LT(slabBrightness(first, shadow), 3 * 150) << "the shadow falls on the slab";
    EXPECT_GT(slabBrightness(first, movedShadow), 3 * 240) << "the slab is lit beside it";

    piece->position = moved;
    piece->updateWorld();
    const std::vector<uint8_t> second = drawFrame();
    EXPECT_LT(slabBrightness(second, movedShadow), 3 * 150) << "the shadow went with the piece";
    EXPECT_GT(slabBrightness(second, shadow), 3 * 240) << "and left the slab lit where it was";
    // The piece's edge gives a soft shadow edge: some slab pixels lie between
    // lit and shadowed.
    int between = 0;
    for (int x = 0; x < path.width; ++x) {
        const int b = brightness(at(second, x, toScreen(movedShadow).y));
        between += b > 3 * 140 && b < 3 * 240;
    }
    EXPECT_GT(between, 0);
}

INSTANTIATE_TEST_SUITE_P(BothShadowPaths, ShadowCastTest,
                         ::testing::Values(ShadowPath{true, 240, 180}, ShadowPath{false, 240, 180},
                                           ShadowPath{false, 512, 512}),
                         [](const ::testing::TestParamInfo<ShadowPath>& info) { return pathName(info.param); });

// ---- bloom ------------------------------------------------------------------------------------

TEST_F(FlatSceneTest, ABrightGlintGlowsAroundItAndADarkFrameGetsNoGlow)
{
    makeScene(200, 200);
    CSceneEntity* glint = addBrick({0.0f, 0.0f, 0.0f}, glm::vec3(0.6f), White);
    renderer->camera.setLookAt({0.0f, 0.0f, -10.0f}, {0.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f});
    const std::vector<uint8_t> plain = drawFrame();
    renderer->enableBloom = true;
    const std::vector<uint8_t> glowing = drawFrame();
    const glm::ivec2 centre = toScreen({0.0f, 0.0f, 0.0f});
    const int beside = centre.x - 12; // a little outside the glint's left edge
    EXPECT_EQ(brightness(at(plain, beside, centre.y)), 0);
    EXPECT_GT(brightness(at(glowing, beside, centre.y)), 15) << "the glint glows onto the black around it";
    EXPECT_EQ(brightness(at(glowing, 5, 5)), 0) << "far from it nothing glows";

    // The same brick in an ordinary, unlit grey: the frame is as without bloom.
    glint->colour = {0.45f, 0.45f, 0.45f, 1.0f};
    renderer->enableBloom = false;
    const std::vector<uint8_t> dim = drawFrame();
    renderer->enableBloom = true;
    EXPECT_EQ(drawFrame(), dim);
}

} // namespace
