// The spot light's shadows, read back from headless frames: where the
// light's map is aimed, what the steps leave alone when shadows are off or
// have nothing to say, a piece held above the stack shadowing it, the
// shadow moving with the piece, on both ways of keeping the light's depth,
// and the shadow-lit picture laid over a frame of play pixel for pixel.
#include "SceneTestContext.h"

#include "device/Device.h"
#include "device/Texture.h"
#include "render/Math3d.h"
#include "render/Renderer.h"
#include "render/RenderTexture.h"
#include "render/ShadowMapLighting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using ShadowMapLighting = FlatSceneTest;

TEST_F(ShadowMapLighting, TheLightAtItsStartLooksAtTheMiddleOfTheWellsFloor)
{
    makeScene(64, 64);
    CShadowMapLighting& shadows = renderer->shadows();
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

TEST_F(ShadowMapLighting, AShadowLitImageThatIsWhiteEverywhereLeavesTheSceneUnchanged)
{
    makeScene(160, 120);
    addBrick({0.0f, 0.0f, 0.0f}, glm::vec3(2.0f), {0.8f, 0.4f, 0.2f, 1.0f});
    renderer->camera().setLookAt({0.0f, 2.0f, -6.0f}, {0.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f});
    const std::vector<uint8_t> plain = drawFrame();
    // A light far beyond its reach lights nothing and shadows nothing: the
    // shadow-lit picture is white where the brick is, so only the black
    // around it (black times black) could change, and it does not.
    light->position = {0.0f, 400.0f, 0.0f};
    setSwitch(*renderer, &RenderSwitches::shadow, true);
    EXPECT_EQ(drawFrame(), plain);
}

TEST_F(ShadowMapLighting, ShadowsOffSkipsBothPassesAndTheMapKeepsItsLastContents)
{
    makeScene(160, 120);
    CSceneEntity* piece = addBrick({4.5f, 2.0f, 0.0f}, glm::vec3(2.0f), White);
    renderer->camera().setLookAt({4.5f, 8.0f, -12.0f}, {4.5f, 1.0f, 0.0f}, {0.0f, 1.0f, 0.0f});
    setSwitch(*renderer, &RenderSwitches::shadow, true);
    drawFrame();
    const std::vector<float> map = renderer->shadows().shadowTarget().colorTexture()->readFloats();
    ASSERT_LT(*std::min_element(map.begin(), map.end()), 1.0f) << "the piece is in the map";

    setSwitch(*renderer, &RenderSwitches::shadow, false);
    piece->position.x += 3.0f;
    piece->updateWorld();
    testDevice->beginScene();
    drawFrame();
    const int drawsOff = testDevice->drawCount();
    EXPECT_EQ(renderer->shadows().shadowTarget().colorTexture()->readFloats(), map);
    // With shadows on, the one brick is drawn into the map and shadow-lit
    // straight over the scene: no quad.
    setSwitch(*renderer, &RenderSwitches::shadow, true);
    testDevice->beginScene();
    drawFrame();
    EXPECT_EQ(testDevice->drawCount(), drawsOff + 2);
}

// The scene set-up always makes the light; a scene without one simply has
// no shadows rather than reading a light that is not there.
TEST_F(ShadowMapLighting, WithoutALightTheShadowStepsAreLeftOut)
{
    makeScene(160, 120);
    addBrick({0.0f, 0.0f, 0.0f}, glm::vec3(2.0f), {0.8f, 0.4f, 0.2f, 1.0f});
    renderer->camera().setLookAt({0.0f, 2.0f, -6.0f}, {0.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f});
    renderer->removeLights();
    const std::vector<uint8_t> plain = drawFrame();
    setSwitch(*renderer, &RenderSwitches::shadow, true);
    EXPECT_EQ(drawFrame(), plain);
}

// Without the spot texture the light still falls in a round pool: white in
// its middle, not the black an empty texture unit reads as.
TEST_F(ShadowMapLighting, WithoutTheSpotTextureTheLightStillFallsInAPool)
{
    makeScene(160, 120);
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "vesbrik-no-spot";
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file("media/shadowmap.fx", folder / "shadowmap.fx",
                               std::filesystem::copy_options::overwrite_existing);
    renderer->replaceShadows(std::make_unique<CShadowMapLighting>(*testDevice, folder));
    std::filesystem::remove_all(folder);
    EXPECT_EQ(renderer->shadows().spotTexture(), nullptr);

    addBrick({4.5f, 0.5f, 0.0f}, {14.0f, 1.0f, 14.0f}, White);
    renderer->camera().setLookAt({4.5f, 16.0f, -6.0f}, {4.5f, 1.0f, 0.0f}, {0.0f, 1.0f, 0.0f});
    setSwitch(*renderer, &RenderSwitches::shadow, true);
    const std::vector<uint8_t> picture = drawFrame();
    const glm::ivec2 middle = toScreen({4.5f, 1.0f, 0.0f});
    EXPECT_GT(brightness(at(picture, middle.x, middle.y)), 3 * 240);
}

// ---- the settled casters' part kept between frames ---------------------------------------

// The map and the frame with the settled casters' part kept from earlier
// frames must equal those of a map drawn whole, through everything that changes the
// casters or the light: a piece landing, a row cleared, the light moving, the
// scene drawn at another size. Each check also shows the kept part was used
// (no redraw) when nothing changed, so the comparison is not vacuous.
TEST_F(ShadowMapLighting, AMapKeptFromEarlierFramesEqualsOneDrawnAfresh)
{
    makeScene(240, 180);
    CShadowMapLighting& shadows = renderer->shadows();
    ASSERT_TRUE(shadows.keepsSettledCasters());
    setSwitch(*renderer, &RenderSwitches::shadow, true);
    renderer->camera().setLookAt({4.5f, 14.0f, -10.0f}, {4.5f, 2.0f, 0.0f}, {0.0f, 1.0f, 0.0f});
    addBrick({4.5f, -0.5f, 0.0f}, {14.0f, 1.0f, 14.0f}, White); // the floor: permanent
    std::vector<CSceneEntity*> cells;
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 10; column += 1 + row) {
            CSceneEntity* cell = addBrick({float(column), 0.5f + float(row), 0.0f}, glm::vec3(1.0f), White);
            cell->kind = CSceneEntity::OneFrame;
            cell->settled = true;
            cells.push_back(cell);
        }
    CSceneEntity* piece = addBrick({4.0f, 8.0f, 0.0f}, glm::vec3(1.0f), {0.0f, 0.0f, 1.0f, 1.0f});
    piece->kind = CSceneEntity::OneFrame;

    auto expectSameAsAfresh = [&](const char* after, bool redrawn) {
        const int before = shadows.settledRedraws();
        const std::vector<uint8_t> kept = drawFrame();
        const std::vector<float> keptMap = shadows.shadowTarget().colorTexture()->readFloats();
        EXPECT_EQ(shadows.settledRedraws() - before, redrawn ? 1 : 0) << after;
        shadows.setKeepSettledCasters(false);
        EXPECT_EQ(drawFrame(), kept) << after;
        EXPECT_EQ(shadows.shadowTarget().colorTexture()->readFloats(), keptMap) << after;
        shadows.setKeepSettledCasters(true);
    };
    expectSameAsAfresh("the first frame", true);
    expectSameAsAfresh("a frame where nothing moved", false);
    piece->position.y -= 3.0f; // falling: only what moves is drawn again
    piece->updateWorld();
    expectSameAsAfresh("the piece falling", false);
    // Two kept maps in a row: the second copies back only where the piece
    // was drawn in the first, and no trace of it may stay there.
    drawFrame();
    piece->position.x -= 3.0f;
    piece->position.y -= 1.0f;
    piece->updateWorld();
    expectSameAsAfresh("the piece moving between two kept maps", false);

    piece->position = {9.0f, 3.5f, 0.0f}; // landing: the piece settles
    piece->updateWorld();
    piece->settled = true;
    expectSameAsAfresh("a landing", true);

    for (CSceneEntity* cell : cells) // the bottom row cleared, the rest come down
        if (cell->position.y < 1.0f)
            cell->position.x = 1000.0f;
        else
            cell->position.y -= 1.0f;
    for (CSceneEntity* cell : cells)
        cell->updateWorld();
    expectSameAsAfresh("a cleared row", true);

    light->position += glm::vec3(3.0f, 0.0f, 2.0f);
    expectSameAsAfresh("the light moving", true);

    renderer->setSceneScale(0.5f);
    expectSameAsAfresh("the scene drawn at half size", false);
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

class ShadowCast : public FlatSceneTest, public ::testing::WithParamInterface<ShadowPath> {};

// Where the line from the light through a point meets the plane y = top.
glm::vec3 shadowOn(float top, const glm::vec3& light, const glm::vec3& caster)
{
    const float t = (light.y - top) / (light.y - caster.y);
    return light + (caster - light) * t;
}

TEST_P(ShadowCast, APieceAboveTheStackShadowsItAndTheShadowMovesWithThePiece)
{
    const ShadowPath path = GetParam();
    makeScene(path.width, path.height, path.depthTextures);
    CShadowMapLighting& shadows = renderer->shadows();
    EXPECT_EQ(shadows.hardwareShadowMap(), path.depthTextures);
    // A window smaller than the map gives the map a depth surface of its own.
    const bool ownDepth = path.depthTextures || path.width < 512 || path.height < 512;
    EXPECT_EQ(shadows.shadowTarget().depthTexture() != nullptr, ownDepth);

    // The stack: a white slab whose top is at y = 1; the piece hangs above it.
    addBrick({4.5f, 0.5f, 0.0f}, {14.0f, 1.0f, 14.0f}, White);
    const glm::vec3 aim{4.5f, 1.0f, 0.0f};
    const glm::vec3 above = LightStart + (aim - LightStart) * 0.85f;
    CSceneEntity* piece = addBrick(above, glm::vec3(1.0f), {0.0f, 0.0f, 1.0f, 1.0f});
    renderer->camera().setLookAt({4.5f, 16.0f, -6.0f}, aim, {0.0f, 1.0f, 0.0f});
    setSwitch(*renderer, &RenderSwitches::shadow, true);

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

INSTANTIATE_TEST_SUITE_P(BothShadowPaths, ShadowCast,
                         ::testing::Values(ShadowPath{true, 240, 180}, ShadowPath{false, 240, 180},
                                           ShadowPath{false, 512, 512}),
                         [](const ::testing::TestParamInfo<ShadowPath>& info) { return pathName(info.param); });

// ---- the shadow-lit picture laid over the scene -----------------------------------------

struct OverScene {
    float scale;
    bool depthTextures;
    // Targets of another size than the window (a resize that failed half
    // way): the mirror's pass cannot keep the scene's depth aside, and the
    // shadow-lit picture goes through a target of its own.
    bool targetsResized = false;
};

class ShadowsOverTheScene : public GameSceneTest, public ::testing::WithParamInterface<OverScene> {};

// The shadows are drawn straight into the scene, each item again where its
// depth equals what the scene kept. Whatever the way, each pixel of the
// scene (mirror image included) must come out multiplied by the shadow-lit
// picture of the surface it shows, the picture drawn on its own here with
// a depth test of its own: nothing left out where a program placed its
// corners a rounding apart, nothing multiplied twice, the scene's depth not
// lost to the mirror's pass, and at half scale the same top left part.
TEST_P(ShadowsOverTheScene, EveryPixelIsMultipliedByTheShadowLitPictureOfItsSurface)
{
    constexpr int Width = 320, Height = 240;
    makeDevice(Width, Height);
    testDevice->setSupportsDepthTextures(GetParam().depthTextures);
    makeGameScene(5);
    lookAsInPlay();
    fillStackWithDebris();
    renderer->setSwitches({.shadow = true, .bloom = false, .mirror = true, .filteredCopy = false});
    renderer->setSceneScale(GetParam().scale);
    if (GetParam().targetsResized) {
        ASSERT_TRUE(renderer->resize(Width / 2, Height / 2));
    }
    const int targetWidth = renderer->sceneImage().colorTexture()->width();
    const int targetHeight = renderer->sceneImage().colorTexture()->height();

    CRenderTexture alone(testDevice.get(), unsigned(targetWidth), unsigned(targetHeight), Format::A8R8G8B8,
                         Format::D24S8);
    std::vector<uint8_t> before, after, shadowLit;
    renderer->setStepObserver([&](const char* step) {
        const std::string name = step;
        if (name == "mirror")
            before = renderer->sceneImage().colorTexture()->readPixels();
        if (name != "shadow lit")
            return;
        after = renderer->sceneImage().colorTexture()->readPixels();
        RenderList items;
        for (const auto& entity : renderer->entities())
            collectRenderItems(items, *entity);
        alone.setDrawArea(renderer->sceneImage().drawWidth(), renderer->sceneImage().drawHeight());
        CRenderTargetScope target(alone);
        testDevice->clear(ClearTarget | ClearZBuffer | ClearStencil, 0, 1.0f, 0);
        renderer->shadows().renderShadowLit(items, renderer->camera().view, renderer->projection());
        shadowLit = alone.colorTexture()->readPixels();
    });
    view->render();
    ASSERT_FALSE(shadowLit.empty()) << "the shadow step ran";

    const int width = renderer->sceneImage().drawWidth(), height = renderer->sceneImage().drawHeight();
    EXPECT_EQ(width, int(std::lround(float(targetWidth) * GetParam().scale)));
    int darkened = 0, wrong = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c) {
                const size_t i = size_t(y * targetWidth + x) * 4 + size_t(c);
                const int expected = (before[i] * shadowLit[i] + 127) / 255;
                wrong += std::abs(after[i] - expected) > 1;
                darkened += shadowLit[i] < 200;
            }
    // The picture really has shadows to lay over the scene.
    EXPECT_GT(darkened, width * height / 10);
    EXPECT_EQ(wrong, 0) << "channels off of " << width * height * 3;
}

INSTANTIATE_TEST_SUITE_P(AtBothScales, ShadowsOverTheScene,
                         ::testing::Values(OverScene{1.0f, true}, OverScene{0.5f, false},
                                           OverScene{1.0f, true, true}),
                         [](const ::testing::TestParamInfo<OverScene>& info) {
                             return std::string(info.param.scale == 1.0f ? "Whole" : "HalfScale") +
                                    (info.param.depthTextures ? "DepthTexture" : "DepthInColour") +
                                    (info.param.targetsResized ? "TargetsResized" : "");
                         });

} // namespace
