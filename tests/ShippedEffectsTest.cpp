// The effect files and the environment cube map as the game ships them,
// loaded as the game loads them.
#include "DeviceTestContext.h"

#include "device/DdsReader.h"
#include "device/Texture.h"
#include "effects/Effect.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>

namespace {

const std::filesystem::path MediaDir = VESBRIK_MEDIA_DIR;

} // namespace

using ShippedEffects = DeviceTest;

TEST_F(ShippedEffects, EveryShippedEffectCompilesWithTheParametersTheGameSets)
{
    int found = 0;
    for (const auto& entry : std::filesystem::directory_iterator(MediaDir)) {
        if (entry.path().extension() != ".fx")
            continue;
        ++found;
        std::string errors;
        EXPECT_TRUE(CEffect::fromFile(entry.path(), errors)) << entry.path() << ":\n" << errors;
    }
    EXPECT_GE(found, 2);

    // A parameter the game sets but no shader reads would be silently lost.
    std::string errors;
    auto phong = CEffect::fromFile(MediaDir / "phong.fx", errors);
    ASSERT_TRUE(phong) << errors;
    EXPECT_TRUE(phong->hasTechnique("phong"));
    for (const char* name : {"matView", "matProj", "texEnvironment", "vaLightPos", "vaLightDiffuse", "vViewPos",
                             "matWorld", "vMaterialDiffuse", "vMaterialSpecular", "fMaterialSpecularPower",
                             "vMaterialAmbient", "vMaterialReflect", "texDiffuse"})
        EXPECT_GE(phong->parameterByName(name), 0) << "phong.fx does not read " << name;
    auto glass = CEffect::fromFile(MediaDir / "fakeglass.fx", errors);
    ASSERT_TRUE(glass) << errors;
    EXPECT_TRUE(glass->hasTechnique("GlassSingleRefract"));
    for (const char* name : {"matWorld", "vMaterialDiffuse", "vMaterialSpecular", "fMaterialSpecularPower",
                             "matView", "matProj", "texFrameBuffer", "vViewPos", "texEnvironment"})
        EXPECT_GE(glass->parameterByName(name), 0) << "fakeglass.fx does not read " << name;
}

TEST_F(ShippedEffects, EnvironmentMapIsASkyOverADarkFloorWithSoftLightsOnlyInFront)
{
    const auto path = MediaDir / "Chrome128.dds";
    auto texture = loadDdsTexture(path);
    ASSERT_TRUE(texture) << path;
    EXPECT_TRUE(texture->isCube());
    EXPECT_EQ(texture->width(), 128);
    EXPECT_EQ(texture->height(), 128);
    EXPECT_EQ(texture->levels(), 8);

    std::ifstream file(path, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    DdsImage image;
    std::string error;
    ASSERT_TRUE(parseDds(bytes.data(), bytes.size(), image, error)) << error;
    ASSERT_EQ(image.faces.size(), 6u);
    for (const auto& face : image.faces)
        EXPECT_EQ(face[0].size(), 128u * 128u * 4u);
    auto texel = [&](int face, int x, int y, int channel) {
        return int(image.faces[size_t(face)][0][size_t((y * 128 + x) * 4 + channel)]);
    };
    auto meanBlue = [&](int face) {
        double sum = 0;
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x)
                sum += texel(face, x, y, 2);
        return sum / (128.0 * 128.0);
    };
    // A blue sky (+y) over a dark floor (-y).
    EXPECT_GT(meanBlue(2), meanBlue(3) + 30.0);

    // The face towards the camera and the light (-z) holds bright soft lights
    // for the glass to catch.
    int bright = 0;
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x)
            bright += texel(5, x, y, 0) > 200 && texel(5, x, y, 1) > 200 && texel(5, x, y, 2) > 200;
    EXPECT_GT(bright, 500);

    // Behind the well (+z), the sky the floor reflects has no hard edge: a
    // window frame there reads as a strange shape in the floor.
    int steepest = 0;
    for (int y = 0; y < 63; ++y) // the rows above the horizon
        for (int x = 0; x < 127; ++x)
            for (int c = 0; c < 3; ++c)
                steepest = std::max({steepest, std::abs(texel(4, x, y, c) - texel(4, x + 1, y, c)),
                                     std::abs(texel(4, x, y, c) - texel(4, x, y + 1, c))});
    EXPECT_LT(steepest, 40);
}

