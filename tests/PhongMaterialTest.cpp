// The Phong material drawn for real: lit, tinted and reflecting, read back
// pixel by pixel. Set VESBRIK_TEST_PNG_DIR to keep the pictures the tests draw.
#include "MaterialScene.h"

#include "render/GlassMaterial.h"
#include "render/PhongMaterial.h"

#include <fstream>
#include <unistd.h>

using PhongMaterialTest = MaterialScene;

TEST_F(PhongMaterialTest, PhongLightsTheFaceTurnedToTheLightAndAddsTheGlow)
{
    addLeftLight();
    CPhongMaterial phong(*renderer, MediaDir / "phong.fx");
    const CSceneEntity entity = turnedCube();

    testDevice->clear(ClearTarget | ClearZBuffer, 0xFF000000, 1.0f, 0);
    drawWith(phong, entity, plainValues());
    readFrame();
    keepPicture("phong-lit", frame, Size, Size);
    const Rgb lit = at(LeftFaceX, MiddleY), unlit = at(RightFaceX, MiddleY);
    EXPECT_GT(lit.g, 150);
    EXPECT_LT(unlit.g, 60);
    EXPECT_GT(unlit.g, 0) << "faces turned away keep a faint fill";
    EXPECT_EQ(at(2, 2).g, 0) << "nothing drawn outside the cube";

    // The luminous colour adds to lit and unlit faces alike.
    MaterialValues glowing = plainValues();
    glowing.luminous = glm::vec4(0.4f, 0.0f, 0.0f, 0.4f);
    testDevice->clear(ClearTarget | ClearZBuffer, 0xFF000000, 1.0f, 0);
    drawWith(phong, entity, glowing);
    readFrame();
    EXPECT_NEAR(at(RightFaceX, MiddleY).r - unlit.r, 102, 3);
    EXPECT_NEAR(at(RightFaceX, MiddleY).g, unlit.g, 2);
    EXPECT_NEAR(std::min(at(LeftFaceX, MiddleY).r, 255) - lit.r, std::min(255 - lit.r, 102), 3);

    // The pass's depth bias ends with it: nothing drawn after is biased.
    EXPECT_FLOAT_EQ(testDevice->renderState(FloatState::DepthBias), 0.0f);
    EXPECT_FLOAT_EQ(testDevice->renderState(FloatState::SlopeScaleDepthBias), 0.0f);
    EXPECT_EQ(testDevice->program(), nullptr);
}

TEST_F(PhongMaterialTest, PhongTintsByTheEntityColourAndTheTexture)
{
    addLeftLight();
    CPhongMaterial phong(*renderer, MediaDir / "phong.fx");

    testDevice->clear(ClearTarget | ClearZBuffer, 0xFF000000, 1.0f, 0);
    drawWith(phong, turnedCube({1.0f, 0.0f, 0.5f, 1.0f}), plainValues());
    readFrame();
    Rgb lit = at(LeftFaceX, MiddleY);
    EXPECT_GT(lit.r, 150);
    EXPECT_EQ(lit.g, 0);
    EXPECT_NEAR(lit.b, lit.r / 2, 3);

    // A subset texture multiplies the colour; without one, white stands in
    // (as the first picture shows).
    auto green = solidTexture(0.0f, 1.0f, 0.0f);
    MaterialValues textured = plainValues();
    textured.texture = green.get();
    testDevice->clear(ClearTarget | ClearZBuffer, 0xFF000000, 1.0f, 0);
    drawWith(phong, turnedCube(), textured);
    readFrame();
    lit = at(LeftFaceX, MiddleY);
    EXPECT_GT(lit.g, 150);
    EXPECT_EQ(lit.r, 0);
    EXPECT_EQ(lit.b, 0);

    // The light arrays hold exactly the lights there are, positions with w = 1.
    const CEffect& effect = phong.effect();
    const auto& positions = effect.parameterValues(effect.parameterByName("vaLightPos"));
    EXPECT_EQ(positions[0], -100.0f);
    EXPECT_EQ(positions[3], 1.0f);
    EXPECT_EQ(positions[16 + 3], 0.0f);
}

// A surface without a highlight or a reflection is drawn by the matte program,
// which must draw it as the full one would: a highlight a hair above zero
// sends the same surface through the full program.
TEST_F(PhongMaterialTest, MatteSurfacesDrawTheSamePictureWithTheLighterProgram)
{
    addLeftLight();
    auto cubeMap = solidCube(0.2f, 0.9f, 0.4f);
    renderer->setEnvironment(cubeMap.get());
    CPhongMaterial phong(*renderer, MediaDir / "phong.fx");
    auto striped = coordinateTexture();
    const CSceneEntity entity = turnedCube({0.9f, 0.7f, 0.5f, 1.0f});

    MaterialValues matte = plainValues();
    matte.luminous = glm::vec4(0.2f, 0.1f, 0.0f, 0.0f);
    matte.texture = striped.get();
    MaterialValues almostMatte = matte;
    almostMatte.specular = glm::vec4(1e-20f);

    auto draw = [&](const MaterialValues& values) {
        testDevice->clear(ClearTarget | ClearZBuffer, 0xFF000000, 1.0f, 0);
        const int passes = phong.begin();
        phong.beginPass(0);
        phong.apply(entity, values);
        const std::string technique = phong.effect().technique();
        cube->draw();
        phong.endPass(0);
        phong.end();
        EXPECT_EQ(passes, 1);
        readFrame();
        return technique;
    };
    EXPECT_EQ(draw(matte), "phongMatte");
    const std::vector<uint8_t> mattePicture = frame;
    EXPECT_EQ(draw(almostMatte), "phong");
    ASSERT_EQ(mattePicture.size(), frame.size());
    int worst = 0;
    for (size_t i = 0; i < frame.size(); ++i)
        worst = std::max(worst, std::abs(int(frame[i]) - int(mattePicture[i])));
    EXPECT_LE(worst, 1);
    EXPECT_GT(at(LeftFaceX, MiddleY).r, 40) << "the lit face is drawn";

    // A lit item after a matte one in the same run gets the full program back,
    // and the run ends with nothing left bound.
    phong.begin();
    phong.beginPass(0);
    phong.apply(entity, matte);
    phong.apply(entity, almostMatte);
    EXPECT_EQ(phong.effect().technique(), "phong");
    phong.endPass(0);
    phong.end();
    EXPECT_EQ(testDevice->program(), nullptr);
    EXPECT_FLOAT_EQ(testDevice->renderState(FloatState::DepthBias), 0.0f);
}

TEST_F(PhongMaterialTest, PhongReflectsTheCubeMapOrWhiteWithoutOne)
{
    addLeftLight();
    CPhongMaterial phong(*renderer, MediaDir / "phong.fx");
    MaterialValues mirror;
    mirror.diffuse = glm::vec4(0.0f, 0.0f, 0.0f, 1.0f);
    mirror.reflection = glm::vec4(1.0f);

    // The stand-in when the cube map did not load is the flat white texture:
    // a full reflection then is white, not black.
    testDevice->clear(ClearTarget | ClearZBuffer, 0xFF000000, 1.0f, 0);
    drawWith(phong, turnedCube(), mirror);
    readFrame();
    EXPECT_GT(at(RightFaceX, MiddleY).g, 240);

    auto blue = solidCube(0.0f, 0.0f, 1.0f);
    renderer->setEnvironment(blue.get());
    testDevice->clear(ClearTarget | ClearZBuffer, 0xFF000000, 1.0f, 0);
    drawWith(phong, turnedCube(), mirror);
    readFrame();
    const Rgb reflected = at(RightFaceX, MiddleY);
    EXPECT_LT(reflected.r, 5);
    EXPECT_GT(reflected.b, 240);
}

TEST_F(PhongMaterialTest, ReloadReadsTheEffectFileAgainAndAFileThatFailsEndsTheGame)
{
    const auto path = std::filesystem::temp_directory_path() / ("vesbrik-reload-phong-" + std::to_string(getpid()) + ".fx");
    auto write = [&](const char* colour) {
        std::ofstream(path) << "vertex v { uniform mat4 matWorld; uniform mat4 matView; uniform mat4 matProj;\n"
                               "  void main() { gl_Position = matProj * matView * matWorld * inPosition; } }\n"
                               "fragment f { out vec4 fragColour; void main() { fragColour = "
                            << colour << "; } }\ntechnique phong { pass p { vertex = v; fragment = f; } }\n";
    };
    write("vec4(1.0, 0.0, 0.0, 1.0)");
    CPhongMaterial phong(*renderer, path);
    testDevice->clear(ClearTarget | ClearZBuffer, 0xFF000000, 1.0f, 0);
    drawWith(phong, turnedCube(), plainValues());
    readFrame();
    EXPECT_EQ(pixel(64, 64), 0xFFFF0000u);

    write("vec4(0.0, 0.0, 1.0, 1.0)");
    phong.reload();
    testDevice->clear(ClearTarget | ClearZBuffer, 0xFF000000, 1.0f, 0);
    drawWith(phong, turnedCube(), plainValues());
    readFrame();
    EXPECT_EQ(pixel(64, 64), 0xFF0000FFu);

    std::filesystem::remove(path);
    EXPECT_EXIT(phong.reload(), ::testing::ExitedWithCode(1), "error loading shader");
    EXPECT_EXIT(CGlassMaterial(*renderer, path), ::testing::ExitedWithCode(1), "error loading shader");
}

