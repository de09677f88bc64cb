// The glass material drawn for real: the picture behind bent, tinted and
// fringed, read back pixel by pixel. Set VESBRIK_TEST_PNG_DIR to keep the
// pictures the tests draw.
#include "MaterialScene.h"

#include "device/DdsReader.h"
#include "render/GlassMaterial.h"
#include "render/PhongMaterial.h"
#include "render/RenderTexture.h"
#include "render/ScreenQuad.h"

#include <algorithm>
#include <cmath>

class GlassMaterialTest : public MaterialScene {
protected:
    void SetUp() override
    {
        MaterialScene::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        scene = std::make_unique<CRenderTexture>(testDevice.get(), 0, 0, Format::A8R8G8B8);
        black = solidCube(0.0f, 0.0f, 0.0f);
        renderer->setEnvironment(black.get());
        glass = std::make_unique<CGlassMaterial>(*renderer, MediaDir / "fakeglass.fx");
        glass->setSceneTarget(scene.get());
        scene->saveTarget();
        scene->bind();
        testDevice->clear(ClearTarget | ClearZBuffer | ClearStencil, 0xFF000000, 1.0f, 0);
    }

    void TearDown() override
    {
        if (scene)
            scene->restoreTarget();
        glass.reset();
        black.reset();
        scene.reset();
        MaterialScene::TearDown();
    }

    void drawBackground(const CTexture* texture) { drawScreenQuad(texture, 0, 0, 1, 1, 0xFFFFFFFF, false); }

    std::vector<uint8_t> scenePixels(const std::string& name) const
    {
        auto pixels = scene->colorTexture()->readPixels();
        keepPicture(name, pixels, Size, Size);
        return pixels;
    }

    // Clear glass with no highlight and nothing to reflect.
    static MaterialValues clearGlass()
    {
        MaterialValues values;
        values.diffuse = glm::vec4(1.0f);
        return values;
    }

    std::unique_ptr<CRenderTexture> scene;
    std::unique_ptr<CTexture> black;
    std::unique_ptr<CGlassMaterial> glass;
};

TEST_F(GlassMaterialTest, GlassShowsThePictureBehindItStraightHeadOnAndShiftedAtASlant)
{
    auto background = coordinateTexture();
    drawBackground(background.get());
    // Head on, the front face shows what is right behind it: across the face
    // the red channel follows the columns as the picture does, so two points
    // give how clear glass maps a column to red.
    drawWith(*glass, turnedCube(glm::vec4(1.0f), 0.0f), clearGlass());
    auto pixels = scenePixels("glass-head-on");
    const Rgb a = at(pixels, 56, 64), b = at(pixels, 72, 64);
    const float perColumn = (b.r - a.r) / 16.0f;
    ASSERT_NEAR(perColumn, 2.0f, 0.4f) << "the glass passes the picture through";
    EXPECT_NEAR(b.g, a.g, 1) << "the same row";
    auto columnOf = [&](int red) { return 56.0f + (red - a.r) / perColumn; };
    EXPECT_NEAR(columnOf(at(pixels, 64, 64).r), 64.0f, 1.0f);

    // Turned: each slanted face looks the picture up away from the pixel,
    // the two faces in opposite directions.
    drawBackground(background.get());
    drawWith(*glass, turnedCube(), clearGlass());
    pixels = scenePixels("glass-turned");
    const float leftShift = columnOf(at(pixels, LeftFaceX, MiddleY).r) - LeftFaceX;
    const float rightShift = columnOf(at(pixels, RightFaceX, MiddleY).r) - RightFaceX;
    EXPECT_GT(std::fabs(leftShift), 3.0f);
    EXPECT_GT(std::fabs(rightShift), 3.0f);
    EXPECT_LT(leftShift * rightShift, 0.0f);
    EXPECT_GT(at(pixels, LeftFaceX, MiddleY).g, 100) << "the row behind still shows";
    // Outside the glass the picture is untouched.
    EXPECT_EQ(at(pixels, 3, 64).r, 6);
}

TEST_F(GlassMaterialTest, GlassTintsByItsColourAndReflectsMoreAtGrazingAngles)
{
    auto white = solidTexture(1, 1, 1);
    drawBackground(white.get());
    drawWith(*glass, turnedCube({1.0f, 0.2f, 0.2f, 1.0f}), clearGlass());
    auto pixels = scenePixels("glass-red");
    const Rgb seen = at(pixels, LeftFaceX, MiddleY);
    // Glass of one strong primary is cast deep: it passes most of its red.
    EXPECT_GT(seen.r, 170);
    EXPECT_LT(seen.g, 150);
    EXPECT_LT(seen.b, 150);
    EXPECT_EQ(at(pixels, 3, 64).g, 255);

    // A white room over a black picture: a face seen at a slant reflects more
    // than one seen head on.
    renderer->setEnvironment(renderer->whiteTexture());
    testDevice->clear(ClearTarget | ClearZBuffer, 0xFF000000, 1.0f, 0);
    CSceneEntity slanted = turnedCube(glm::vec4(1.0f), 1.2f);
    drawWith(*glass, slanted, clearGlass());
    pixels = scenePixels("glass-grazing");
    // Yaw 1.2: the face turned away (normal at ~69 degrees from the view) is on the right.
    int grazing = 0, facing = 0;
    for (int x = 30; x < 100; ++x) {
        const Rgb p = at(pixels, x, MiddleY);
        grazing = std::max(grazing, p.g);
        if (p.g > 0)
            facing = facing == 0 ? p.g : std::min(facing, p.g);
    }
    EXPECT_GT(grazing, facing + 40);
}

TEST_F(GlassMaterialTest, WhatStandsBehindShowsThroughInTheGlassColourDeeperWhereTheGlassIsThicker)
{
    // A lit post behind the middle of a red brick seen head on: it shows
    // through, red, where the dark around it stays dark red.
    auto white = solidTexture(1, 1, 1);
    drawScreenQuad(white.get(), 0.45f, 0.0f, 0.55f, 1.0f, 0xFFFFFFFF, false);
    const glm::vec4 red{1.0f, 0.15f, 0.15f, 1.0f};
    drawWith(*glass, turnedCube(red, 0.0f), clearGlass());
    auto pixels = scenePixels("glass-post-behind");
    const Rgb post = at(pixels, 64, MiddleY), dark = at(pixels, 52, MiddleY);
    EXPECT_GT(post.r, dark.r + 80) << "the post shows through";
    EXPECT_GT(post.r, post.g + 80) << "in the glass's colour";
    EXPECT_GT(post.r, post.b + 80);

    // Before white, a brick stood on a corner: through its middle the eye
    // looks corner to corner, by its outline it only clips an edge. The
    // middle takes more of what red glass lacks, and keeps its red.
    testDevice->clear(ClearTarget | ClearZBuffer, 0xFF000000, 1.0f, 0);
    drawBackground(white.get());
    CSceneEntity onCorner = turnedCube(red);
    onCorner.rotation.y = 0.6155f; // the long diagonal towards the camera
    onCorner.updateWorld();
    drawWith(*glass, onCorner, clearGlass());
    pixels = scenePixels("glass-thick-and-thin");
    int outline = 0;
    while (outline < 60 && at(pixels, outline, MiddleY).b == 255)
        ++outline;
    ASSERT_LT(outline, 60) << "the brick is in view";
    const Rgb thin = at(pixels, outline + 3, MiddleY), thick = at(pixels, 66, MiddleY);
    EXPECT_LT(thick.g + 30, thin.g);
    EXPECT_GT(thick.r, 160);
    EXPECT_GT(thick.r, thick.g * 2);
}

// The seven piece colours, as the game gives them, before the dark of the
// well: each keeps its hue, and those a player who tells red from green
// poorly sees only by their lightness (yellow, orange, green, red; magenta
// and blue) stand on separate steps of it.
TEST_F(GlassMaterialTest, ThePieceColoursKeepTheirHuesOnSeparateStepsOfLightness)
{
    auto dark = solidTexture(0.08f, 0.1f, 0.18f);
    struct Shown {
        const char* name;
        glm::vec4 colour;
        float lightness = 0.0f;
        Rgb middle{};
    };
    Shown shown[] = {{"magenta", {1, 0, 1, 1}}, {"yellow", {1, 1, 0x22 / 255.0f, 1}}, {"blue", {0, 0, 1, 1}},
                     {"green", {0, 1, 0, 1}},   {"cyan", {0, 1, 1, 1}},                {"red", {1, 0, 0, 1}},
                     {"orange", {1, 0xAA / 255.0f, 0, 1}}};
    for (Shown& s : shown) {
        testDevice->clear(ClearTarget | ClearZBuffer, 0xFF000000, 1.0f, 0);
        drawBackground(dark.get());
        drawWith(*glass, turnedCube(s.colour, 0.0f), clearGlass());
        s.middle = at(scenePixels(std::string("glass-") + s.name), 64, MiddleY);
        // Relative luminance of the sRGB pixel.
        auto linear = [](int c) { return std::pow(c / 255.0f, 2.2f); };
        s.lightness = 0.2126f * linear(s.middle.r) + 0.7152f * linear(s.middle.g) + 0.0722f * linear(s.middle.b);
    }
    auto find = [&](const char* name) -> const Shown& {
        return *std::find_if(std::begin(shown), std::end(shown), [&](const Shown& s) { return std::string(s.name) == name; });
    };
    // Each step at least a third lighter than the one below it.
    const char* steps[][2] = {{"yellow", "orange"}, {"orange", "green"}, {"green", "red"}, {"magenta", "blue"}};
    for (const auto& step : steps)
        EXPECT_GT(find(step[0]).lightness, find(step[1]).lightness * 1.33f) << step[0] << " over " << step[1];
    // The hues: the channels the colour is made of lead.
    const Rgb red = find("red").middle, green = find("green").middle, orange = find("orange").middle;
    const Rgb yellow = find("yellow").middle, blue = find("blue").middle, magenta = find("magenta").middle;
    EXPECT_GT(red.r, 2 * std::max(red.g, red.b));
    EXPECT_GT(green.g, 2 * std::max(green.r, green.b));
    EXPECT_GT(blue.b, 2 * std::max(blue.r, blue.g));
    EXPECT_GT(orange.r, orange.g + 20);
    EXPECT_GT(orange.g, 2 * orange.b);
    EXPECT_GT(std::min(yellow.r, yellow.g), 2 * yellow.b);
    EXPECT_GT(std::min(magenta.r, magenta.b), 2 * magenta.g);
}

TEST_F(GlassMaterialTest, TheFallingPieceHasABrightRimOfItsOwnColour)
{
    // A green brick before the dark, head on, drawn plain and then as the
    // falling piece: by its outline the falling one is much lighter, in the
    // middle a little, and green leads in both.
    auto dark = solidTexture(0.08f, 0.1f, 0.18f);
    CSceneEntity brick = turnedCube({0.0f, 1.0f, 0.0f, 1.0f}, 0.0f);
    std::vector<uint8_t> seen[2];
    for (int falling = 0; falling < 2; ++falling) {
        testDevice->clear(ClearTarget | ClearZBuffer, 0xFF000000, 1.0f, 0);
        drawBackground(dark.get());
        brick.highlight = static_cast<float>(falling);
        drawWith(*glass, brick, clearGlass());
        seen[falling] = scenePixels(falling ? "glass-falling" : "glass-settled");
    }
    // The front face spans about x 47..81 at this distance; the rim is its outer band.
    int outline = 0;
    while (outline < 64 && at(seen[0], outline, MiddleY).g < 40)
        ++outline;
    ASSERT_LT(outline, 60) << "the brick is in view";
    const Rgb rimPlain = at(seen[0], outline + 1, MiddleY), rimFalling = at(seen[1], outline + 1, MiddleY);
    const Rgb middlePlain = at(seen[0], 64, MiddleY + 6), middleFalling = at(seen[1], 64, MiddleY + 6);
    EXPECT_GT(rimFalling.g, rimPlain.g + 60);
    EXPECT_GT(rimFalling.g, std::max(rimFalling.r, rimFalling.b) + 40) << "still green";
    EXPECT_GT(middleFalling.g, middlePlain.g + 5);
    EXPECT_LT(middleFalling.g, middlePlain.g + 60) << "the body only a little lighter";
}

TEST_F(GlassMaterialTest, TheSpotLightGlintsInASmallSpotBrightEnoughToGlow)
{
    // The light straight behind the camera: its reflection meets the eye in
    // the middle of the face seen head on.
    CLight* light = renderer->addLight(CLight::Spot);
    light->position = {0.0f, 0.0f, -60.0f};
    MaterialValues shiny = clearGlass();
    shiny.specular = glm::vec4(0.9f);
    shiny.power = 8.0f;
    drawWith(*glass, turnedCube({0.2f, 0.2f, 1.0f, 1.0f}, 0.0f), shiny);
    const auto pixels = scenePixels("glass-glint");
    const Rgb glint = at(pixels, 64, MiddleY);
    // The bloom keeps what is brighter than about three quarters.
    EXPECT_GT(std::min({glint.r, glint.g, glint.b}), 220) << "a white glint";
    for (int offset : {-8, 8}) {
        const Rgb beside = at(pixels, 64 + offset, MiddleY);
        EXPECT_LT(beside.r, 120) << "the glint is small, at " << offset;
        EXPECT_GT(beside.b, beside.r) << "and the face beside it is the glass's colour";
    }
}

TEST_F(GlassMaterialTest, EachRunSeesTheGlassOfTheRunsBeforeIt)
{
    auto background = coordinateTexture();
    drawBackground(background.get());
    CSceneEntity left = turnedCube({0.2f, 0.2f, 1.0f, 1.0f}, 0.0f);
    left.position.x = 0.6f;
    left.updateWorld();
    drawWith(*glass, left, clearGlass());
    const auto afterFirst = scene->colorTexture()->readPixels();

    // A second run begins while the scene target is still current: its copy
    // holds the first brick, even with the mirror step's stencil test (no
    // marks, so nothing passes) and reversed culling in force.
    testDevice->setRenderState(RenderState::StencilEnable, true);
    testDevice->setRenderState(RenderState::StencilFunc, Cmp::Less);
    testDevice->setRenderState(RenderState::StencilRef, 0u);
    testDevice->setRenderState(RenderState::CullMode, Cull::CW);
    glass->begin();
    const auto copy = glass->frameBufferCopy()->readPixels();
    glass->end();
    EXPECT_EQ(copy, afterFirst);
    EXPECT_EQ(testDevice->renderState(RenderState::StencilEnable), 1u);
    EXPECT_EQ(testDevice->renderState(RenderState::CullMode), stateValue(Cull::CW));
    EXPECT_TRUE(testDevice->renderTarget() == scene->colorTexture()->surface());
}

TEST_F(GlassMaterialTest, ABrickSeesTheBricksStandingWellBehindIt)
{
    // A blue brick three widths behind a clear one, before white: the list
    // holds them nearest first, as the board's order may, and is put in
    // order before it is drawn. The near brick then shows the blue one
    // through its middle, where before it showed only the white behind both.
    auto white = solidTexture(1, 1, 1);
    drawBackground(white.get());
    CSceneEntity nearBrick = turnedCube(glm::vec4(1.0f), 0.0f);
    CSceneEntity farBrick = turnedCube({0.1f, 0.1f, 1.0f, 1.0f}, 0.0f);
    farBrick.position.z = 3.0f;
    farBrick.scale = glm::vec3(2.5f);
    farBrick.updateWorld();
    RenderList list{{nullptr, &nearBrick, glass.get()}, {nullptr, &farBrick, glass.get()}};
    orderGlassBackToFront(list, glass.get(), renderer->camera());
    ASSERT_EQ(list.front().entity, &farBrick);

    const MaterialValues values = clearGlass();
    glass->begin();
    glass->beginPass(0);
    for (const RenderItem& item : list) {
        glass->apply(*item.entity, values);
        cube->draw();
    }
    glass->endPass(0);
    glass->end();
    const auto pixels = scenePixels("glass-brick-behind");
    const Rgb through = at(pixels, 64, MiddleY);
    EXPECT_GT(through.b, through.r + 60) << "the blue brick shows through the clear one";

    // Bricks of one wall never take each other for what is behind them: a
    // brick a little behind and beside the clear one is drawn first, but the
    // copy is not taken again for so small a step, and the clear brick shows
    // the white, not its blue neighbour.
    testDevice->clear(ClearTarget | ClearZBuffer, 0xFF000000, 1.0f, 0);
    drawBackground(white.get());
    CSceneEntity neighbour = turnedCube({0.1f, 0.1f, 1.0f, 1.0f}, 0.0f);
    neighbour.position.x = 0.3f;
    neighbour.position.z = 0.6f;
    neighbour.updateWorld();
    glass->begin();
    glass->beginPass(0);
    glass->apply(neighbour, values);
    cube->draw();
    glass->apply(nearBrick, values);
    cube->draw();
    glass->endPass(0);
    glass->end();
    const Rgb beside = at(scenePixels("glass-brick-beside"), 64, MiddleY);
    EXPECT_GT(std::min(beside.r, beside.g), 200) << "the wall's bricks do not see each other";
}

// The look as a whole, at the game's light and with its cube map: a lit
// chequered wall and floor, and a row of coloured glass bricks in front.
TEST_F(GlassMaterialTest, ColouredBricksInFrontOfALitWallTakeTheirColourFromWhatIsBehind)
{
    // Larger than the other pictures, to be looked at.
    constexpr int Width = 320, Height = 240;
    scene->restoreTarget();
    glass.reset();
    scene.reset();
    makeDevice(Width, Height);
    scene = std::make_unique<CRenderTexture>(testDevice.get(), 0, 0, Format::A8R8G8B8);
    glass = std::make_unique<CGlassMaterial>(*renderer, MediaDir / "fakeglass.fx");
    glass->setSceneTarget(scene.get());
    scene->saveTarget();
    scene->bind();
    testDevice->setRenderState(RenderState::ZEnable, true);
    testDevice->setRenderState(RenderState::CullMode, Cull::CCW);
    auto room = loadDdsTexture(MediaDir / "Chrome128.dds");
    ASSERT_TRUE(room);
    renderer->setEnvironment(room.get());
    renderer->camera().setLookAt({1.0f, 3.0f, -8.0f}, {0.0f, 1.0f, 0.0f}, {0, 1, 0});
    renderer->setProjection(matrixPerspectiveFovLH(SceneFieldOfView, static_cast<float>(Width) / Height, 0.2f, 100.0f));
    CLight* light = renderer->addLight(CLight::Spot);
    light->diffuse = glm::vec4(1.0f);
    light->position = {-4.0f, 38.0f, -44.0f};

    std::vector<uint8_t> chequer(64 * 64 * 4);
    for (int i = 0; i < 64 * 64; ++i) {
        const bool light = ((i % 64) / 8 + (i / 64) / 8) % 2 == 0;
        std::memset(&chequer[static_cast<size_t>(i) * 4], light ? 230 : 60, 3);
        chequer[static_cast<size_t>(i) * 4 + 3] = 255;
    }
    auto wallTexture = CTexture::create(64, 64, 0, Format::A8R8G8B8);
    wallTexture->upload(0, PixelLayout::Rgba8, chequer.data());
    wallTexture->generateMipmaps();
    const auto brickMesh = makeLwoMesh("chamferbox.lwo");
    ASSERT_TRUE(brickMesh);

    CPhongMaterial phong(*renderer, MediaDir / "phong.fx");
    CSceneEntity wall, floor;
    wall.position = {0.0f, 3.0f, 2.0f};
    wall.scale = {12.0f, 8.0f, 0.2f};
    wall.updateWorld();
    floor.position = {0.0f, -0.6f, 0.0f};
    floor.scale = {12.0f, 0.2f, 8.0f};
    floor.updateWorld();
    MaterialValues wallValues;
    wallValues.diffuse = glm::vec4(0.9f, 0.9f, 0.9f, 1.0f);
    wallValues.specular = glm::vec4(0.3f);
    wallValues.power = 5.0f;
    wallValues.texture = wallTexture.get();
    MaterialValues floorValues;
    floorValues.diffuse = glm::vec4(0.24f, 0.26f, 0.29f, 0.8f);
    floorValues.specular = glm::vec4(0.2f);
    floorValues.power = 4.0f;
    floorValues.reflection = glm::vec4(0.5f);

    testDevice->clear(ClearTarget | ClearZBuffer, 0xFF000000, 1.0f, 0);
    phong.begin();
    phong.beginPass(0);
    phong.apply(wall, wallValues);
    cube->draw();
    phong.apply(floor, floorValues);
    cube->draw();
    phong.endPass(0);
    phong.end();

    // The game's brick surface: white, specular 0.9, power 8.
    MaterialValues brick;
    brick.diffuse = glm::vec4(1.0f);
    brick.specular = glm::vec4(0.9f);
    brick.power = 8.0f;
    const glm::vec4 colours[4] = {{1.0f, 0.25f, 0.2f, 1.0f},
                                  {0.3f, 1.0f, 0.3f, 1.0f},
                                  {0.3f, 0.45f, 1.0f, 1.0f},
                                  {1.0f, 0.9f, 0.25f, 1.0f}};
    glass->begin();
    glass->beginPass(0);
    std::vector<CSceneEntity> bricks;
    for (int i = 0; i < 4; ++i) {
        CSceneEntity entity = turnedCube(colours[i], 0.3f * static_cast<float>(i));
        entity.position = {-2.4f + 1.6f * static_cast<float>(i), 0.0f, 0.0f};
        entity.updateWorld();
        glass->apply(entity, brick);
        brickMesh->draw();
    }
    glass->endPass(0);
    glass->end();
    const auto pixels = scene->colorTexture()->readPixels();
    keepPicture("glass-bricks", pixels, Width, Height);

    // Where each brick is, look at a small patch around the projection of
    // its middle: its own colour's channel leads there.
    const glm::mat4 toScreen = renderer->projection() * renderer->camera().view;
    for (int i = 0; i < 4; ++i) {
        glm::vec4 clip = toScreen * glm::vec4(-2.4f + 1.6f * static_cast<float>(i), 0.0f, 0.0f, 1.0f);
        const int x = static_cast<int>((clip.x / clip.w * 0.5f + 0.5f) * Width);
        const int y = static_cast<int>((0.5f - clip.y / clip.w * 0.5f) * Height);
        long sum[3] = {0, 0, 0};
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx) {
                const uint8_t* p = &pixels[(static_cast<size_t>(y + dy) * Width + x + dx) * 4];
                sum[0] += p[0], sum[1] += p[1], sum[2] += p[2];
            }
        const int strongest = static_cast<int>(std::max_element(sum, sum + 3) - sum);
        if (i == 3)
            EXPECT_GT(std::min(sum[0], sum[1]), sum[2] * 2) << "the yellow brick";
        else
            EXPECT_EQ(strongest, i) << "brick " << i << " at " << x << ", " << y;
    }
}

