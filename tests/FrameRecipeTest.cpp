// The frame's recipe read back from headless frames: every step leaves the
// device in the frame's default state whatever the switches, each overlay
// starts from it, and bloom, when off, touches nothing of its own; when on,
// bright parts glow (a dark frame does not), the glow is laid on shifted by
// 1 %, its second blur reads the first, and at half scale it stays in place.
#include "SceneTestContext.h"

#include "device/Texture.h"
#include "render/FrameState.h"
#include "render/Renderer.h"
#include "render/ScreenQuad.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

using FrameRecipe = FlatSceneTest;
using Bloom = FlatSceneTest;

TEST_F(FrameRecipe, BloomOffTouchesNeitherItsTargetsNorThePostEffect)
{
    makeScene(160, 120);
    addBrick({0.0f, 0.0f, 0.0f}, glm::vec3(2.0f), White);
    renderer->camera().setLookAt({0.0f, 2.0f, -6.0f}, {0.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f});
    fillTextureSolid(renderer->bloomFirstImage().colorTexture(), 0.0f, 1.0f, 0.0f, 1.0f);
    fillTextureSolid(renderer->bloomGlowImage().colorTexture(), 0.0f, 0.0f, 1.0f, 1.0f);
    const std::vector<uint8_t> a = renderer->bloomFirstImage().colorTexture()->readPixels();
    const std::vector<uint8_t> b = renderer->bloomGlowImage().colorTexture()->readPixels();
    const int source = renderer->bloomEffect().parameterByName("texSource");
    ASSERT_GE(source, 0);

    setSwitch(*renderer, &RenderSwitches::shadow, true);
    setSwitch(*renderer, &RenderSwitches::mirror, true);
    setSwitch(*renderer, &RenderSwitches::filteredCopy, true);
    drawFrame();
    EXPECT_EQ(renderer->bloomFirstImage().colorTexture()->readPixels(), a);
    EXPECT_EQ(renderer->bloomGlowImage().colorTexture()->readPixels(), b);
    EXPECT_EQ(renderer->bloomEffect().parameterTexture(source), nullptr);
}

// Every step puts back what it changed: after any frame the device's states
// are the frame's default ones, and so sampler 0's filters are the same
// whether bloom, which filters its own way, ran or not. (The vertex buffers
// and format are not compared: every draw binds its own.)
TEST_F(FrameRecipe, EveryCombinationOfSwitchesEndsInTheDefaultState)
{
    makeScene(160, 120);
    addBrick({4.5f, 2.0f, 0.0f}, glm::vec3(2.0f), White);
    CSceneEntity* floor = addBrick({4.5f, -0.5f, 0.0f}, {20.0f, 1.0f, 20.0f}, {0.2f, 0.2f, 0.3f, 1.0f});
    renderer->setMirrorFloor(floor);
    renderer->camera().setLookAt({4.5f, 8.0f, -12.0f}, {4.5f, 1.0f, 0.0f}, {0.0f, 1.0f, 0.0f});
    for (int switches = 0; switches < 16; ++switches) {
        renderer->setSwitches({.shadow = (switches & 1) != 0,
                               .bloom = (switches & 2) != 0,
                               .mirror = (switches & 4) != 0,
                               .filteredCopy = (switches & 8) != 0});
        renderer->renderFrame({[this] {
            testDevice->setRenderState(RenderState::AlphaBlendEnable, true);
            testDevice->setSamplerState(SamplerState::MinFilter, TexFilter::Linear);
        }});
        const DeviceState& state = testDevice->state();
        const DeviceState expected = defaultFrameState(state);
        EXPECT_EQ(state.renderStates, expected.renderStates) << "switches " << switches;
        EXPECT_EQ(state.samplerStates, expected.samplerStates) << "switches " << switches;
        EXPECT_EQ(state.floatStates, expected.floatStates) << "switches " << switches;
        EXPECT_EQ(state.texture, nullptr) << "switches " << switches;
        EXPECT_EQ(state.program, nullptr) << "switches " << switches;
        EXPECT_EQ(testDevice->renderTarget(), testDevice->backBuffer());
        EXPECT_EQ(testDevice->depthStencilSurface(), testDevice->backDepthStencil());
    }
}

TEST_F(FrameRecipe, EachOverlayStartsFromTheDefaultState)
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

// ---- bloom ------------------------------------------------------------------------------------

// A wall of even grey bright enough to glow: the glow is even too, so the
// composite's edges show where it lies.
TEST_F(Bloom, TheGlowIsLaidOnShiftedUpAndLeftByOnePercent)
{
    makeScene(400, 300);
    addBrick({0.0f, 0.0f, 5.0f}, {200.0f, 200.0f, 1.0f}, {0.86f, 0.86f, 0.86f, 1.0f});
    renderer->camera().setLookAt({0.0f, 0.0f, -10.0f}, {0.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f});
    const std::vector<uint8_t> plain = drawFrame();
    setSwitch(*renderer, &RenderSwitches::bloom, true);
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
TEST_F(Bloom, TheSecondBlurReadsTheFirst)
{
    makeScene(256, 256);
    addBrick({0.0f, 0.0f, 0.0f}, glm::vec3(0.15f), White);
    renderer->camera().setLookAt({0.0f, 0.0f, -10.0f}, {0.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f});
    setSwitch(*renderer, &RenderSwitches::bloom, true);
    drawFrame();
    const std::vector<uint8_t> glow = renderer->bloomGlowImage().colorTexture()->readPixels();
    auto red = [&](int x, int y) { return int(glow[size_t((y * 256 + x) * 4)]); };
    // The glow fills the top left of the target.
    const int c = CRenderer::GlowBlurSize / 2;
    ASSERT_GT(red(c, c), 10) << "the point glows";
    const int d = 3;
    EXPECT_GT(red(c + d, c + d), 0);
    EXPECT_GT(red(c - d, c - d), 0);
    EXPECT_GT(red(c + d, c - d), 0);
    EXPECT_GT(red(c - d, c + d), 0);
    EXPECT_GT(red(c + d, c), 0);
    EXPECT_GT(red(c, c + d), 0);
}

TEST_F(Bloom, ABrightGlintGlowsAroundItAndADarkFrameGetsNoGlow)
{
    makeScene(200, 200);
    CSceneEntity* glint = addBrick({0.0f, 0.0f, 0.0f}, glm::vec3(0.6f), White);
    renderer->camera().setLookAt({0.0f, 0.0f, -10.0f}, {0.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f});
    const std::vector<uint8_t> plain = drawFrame();
    setSwitch(*renderer, &RenderSwitches::bloom, true);
    const std::vector<uint8_t> glowing = drawFrame();
    const glm::ivec2 centre = toScreen({0.0f, 0.0f, 0.0f});
    const int beside = centre.x - 12; // a little outside the glint's left edge
    EXPECT_EQ(brightness(at(plain, beside, centre.y)), 0);
    EXPECT_GT(brightness(at(glowing, beside, centre.y)), 15) << "the glint glows onto the black around it";
    EXPECT_EQ(brightness(at(glowing, 5, 5)), 0) << "far from it nothing glows";

    // The same brick in an ordinary, unlit grey: the frame is as without bloom.
    glint->colour = {0.45f, 0.45f, 0.45f, 1.0f};
    setSwitch(*renderer, &RenderSwitches::bloom, false);
    const std::vector<uint8_t> dim = drawFrame();
    setSwitch(*renderer, &RenderSwitches::bloom, true);
    EXPECT_EQ(drawFrame(), dim);
}

// At half scale the glow is made from the bright parts found at the full size
// of its targets and blurred over a quarter of their texels: on the black
// around a glint it lies where it lies at full scale, as strong. A dark frame
// drawn after a bright one takes in nothing the bright one left beside the
// parts drawn now, neither in the scene's picture nor in the glow's.
TEST_F(Bloom, AtHalfScaleTheGlowLiesAsAtFullScaleAndNothingOfAnEarlierFrameGlows)
{
    makeScene(200, 200);
    CSceneEntity* glint = addBrick({0.0f, 0.0f, 0.0f}, glm::vec3(0.6f), White);
    renderer->camera().setLookAt({0.0f, 0.0f, -10.0f}, {0.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f});
    struct Frames {
        std::vector<uint8_t> plain, glowing;
    };
    auto framesAt = [&](float scale) {
        renderer->setSceneScale(scale);
        setSwitch(*renderer, &RenderSwitches::bloom, false);
        Frames frames{drawFrame(), {}};
        setSwitch(*renderer, &RenderSwitches::bloom, true);
        frames.glowing = drawFrame();
        return frames;
    };
    const Frames full = framesAt(1.0f);
    const Frames half = framesAt(0.5f);
    int glow = 0;
    int apart = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x) {
            if (brightness(at(full.plain, x, y)) > 0 || brightness(at(half.plain, x, y)) > 0)
                continue; // the glint itself, whose edges the stretch softens
            const int fullGlow = brightness(at(full.glowing, x, y));
            glow += fullGlow;
            apart += std::abs(fullGlow - brightness(at(half.glowing, x, y)));
        }
    ASSERT_GT(glow, 0);
    EXPECT_LT(apart, glow / 3) << "the half-scale glow strays from the full-scale one";

    // The glint, bright and at full scale, then dim at half scale: the dim
    // frame is as without bloom.
    renderer->setSceneScale(1.0f);
    drawFrame();
    glint->colour = {0.45f, 0.45f, 0.45f, 1.0f};
    renderer->setSceneScale(0.5f);
    setSwitch(*renderer, &RenderSwitches::bloom, false);
    const std::vector<uint8_t> dim = drawFrame();
    setSwitch(*renderer, &RenderSwitches::bloom, true);
    EXPECT_EQ(drawFrame(), dim);
}

} // namespace
