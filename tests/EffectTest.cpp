// Effect files: the format, parameters by name, passes with their states, the
// loading rule; drawn for real where it matters.
#include <unistd.h>
#include "DeviceTestContext.h"

#include "device/Buffers.h"
#include "effects/Effect.h"
#include "render/Math3d.h"
#include "render/Mesh.h"
#include "device/Texture.h"
#include "render/EffectFile.h"
#include "render/ScreenQuad.h"

#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

// A post-processing effect in the shape of the bloom passes: fragment stages
// over the built-in screen stage.
const char* const TintEffect = R"(
// Multiplies the source by a colour; the second technique inverts.
common {
    uniform vec4 vTint;
}
fragment tint {
    in vec4 vColour;
    in vec2 vTexCoord;
    uniform sampler2D texSource;
    out vec4 fragColour;
    void main() { fragColour = texture(texSource, vTexCoord) * vTint; }
}
fragment invert {
    in vec2 vTexCoord;
    uniform sampler2D texSource;
    out vec4 fragColour;
    void main() { fragColour = vec4(1.0 - texture(texSource, vTexCoord).rgb, 1.0) * vTint; }
}
sampler texSource { filter = point; address = clamp; }
technique tint {
    pass p0 {
        fragment = tint;
        ZEnable = false;
        CullMode = none;
        AlphaBlendEnable = true;
        SrcBlend = one;
        DestBlend = one;
    }
}
technique invert {
    pass p0 { fragment = invert; }
    pass p1 { fragment = tint; ZEnable = false; }
}
)";

std::unique_ptr<CTexture> solidTexture(uint32_t argb)
{
    auto texture = CTexture::create(4, 4, 1, Format::A8R8G8B8);
    fillTextureSolid(texture.get(), ((argb >> 16) & 0xFF) / 255.0f, ((argb >> 8) & 0xFF) / 255.0f,
                     (argb & 0xFF) / 255.0f, (argb >> 24) / 255.0f);
    return texture;
}

std::filesystem::path writeTemporary(const std::string& name, const std::string& text)
{
    const auto path = std::filesystem::temp_directory_path() / (std::to_string(getpid()) + "_" + name);
    std::ofstream(path) << text;
    return path;
}

} // namespace

// Suites named after what they test, on the shared fixture.
using Effect = DeviceTest;

TEST_F(Effect, EffectTechniquesAndParametersAreFoundByName)
{
    std::string errors;
    auto effect = CEffect::fromText(TintEffect, "tint.fx", errors);
    ASSERT_TRUE(effect) << errors;
    EXPECT_TRUE(effect->hasTechnique("tint"));
    EXPECT_TRUE(effect->setTechnique("invert"));
    EXPECT_FALSE(effect->setTechnique("Invert")); // names are exact
    EXPECT_EQ(effect->technique(), "invert");
    EXPECT_GE(effect->parameterByName("vTint"), 0);
    EXPECT_GE(effect->parameterByName("texSource"), 0);
    EXPECT_EQ(effect->parameterByName("texBackfaceNormal"), -1);
    // Setting what does not exist goes unnoticed.
    effect->setVector("texBackfaceNormal", glm::vec4(1.0f));
    effect->setTexture(-1, nullptr);
    EXPECT_EQ(effect->begin(), 2);
    effect->end();
}

TEST_F(Effect, EffectPassDrawsAScreenQuadWithItsOwnTexture)
{
    std::string errors;
    auto effect = CEffect::fromText(TintEffect, "tint.fx", errors);
    ASSERT_TRUE(effect) << errors;
    auto source = solidTexture(0xFF80FF40);
    testDevice->clear(ClearTarget, 0xFF000000, 1.0f, 0);
    effect->setTechnique("invert");
    effect->setTexture("texSource", source.get());
    effect->setVector("vTint", glm::vec4(1.0f));
    ASSERT_EQ(effect->begin(), 2);
    effect->beginPass(0);
    drawScreenQuad(nullptr, 0, 0, 1, 1, 0xFFFFFFFF, true);
    effect->endPass();
    effect->end();
    readFrame();
    EXPECT_TRUE(nearColour(pixel(5, 5), 0xFF7F00BF)) << std::hex << pixel(5, 5);
}

TEST_F(Effect, EffectEndPutsBackOnlyWhatThePassesChanged)
{
    std::string errors;
    auto effect = CEffect::fromText(TintEffect, "tint.fx", errors);
    ASSERT_TRUE(effect) << errors;
    auto source = solidTexture(0xFF202020);
    testDevice->clear(ClearTarget, 0xFF101010, 1.0f, 0);
    testDevice->setRenderState(RenderState::CullMode, Cull::CW);
    effect->setTechnique("tint");
    effect->setTexture("texSource", source.get());
    effect->setVector("vTint", glm::vec4(1.0f));
    effect->begin();
    // Set by the caller inside the effect: stays after End.
    testDevice->setRenderState(FloatState::DepthBias, 0.0002f);
    effect->beginPass(0);
    EXPECT_EQ(testDevice->renderState(RenderState::CullMode), stateValue(Cull::None));
    drawScreenQuad(nullptr, 0, 0, 1, 1, 0xFFFFFFFF, true);
    effect->endPass();
    effect->end();
    EXPECT_EQ(testDevice->renderState(RenderState::CullMode), stateValue(Cull::CW));
    EXPECT_EQ(testDevice->renderState(RenderState::AlphaBlendEnable), 0u);
    EXPECT_EQ(testDevice->renderState(RenderState::ZEnable), 1u);
    EXPECT_EQ(testDevice->program(), nullptr);
    EXPECT_EQ(testDevice->renderState(FloatState::DepthBias), 0.0002f);
    readFrame();
    // Additive pass: 0x10 + 0x20.
    EXPECT_TRUE(nearColour(pixel(5, 5), 0xFF303030)) << std::hex << pixel(5, 5);
}

TEST_F(Effect, CommitChangesSendsNewValuesInsideAPass)
{
    std::string errors;
    auto effect = CEffect::fromText(TintEffect, "tint.fx", errors);
    ASSERT_TRUE(effect) << errors;
    auto source = solidTexture(0xFFFFFFFF);
    testDevice->clear(ClearTarget, 0xFF000000, 1.0f, 0);
    effect->setTechnique("invert");
    effect->setTexture("texSource", source.get());
    effect->setVector("vTint", glm::vec4(1.0f, 0.0f, 0.0f, 1.0f));
    effect->begin();
    effect->beginPass(1);
    drawScreenQuad(nullptr, 0, 0, 0.5f, 1, 0xFFFFFFFF, true);
    effect->setVector("vTint", glm::vec4(0.0f, 0.0f, 1.0f, 1.0f));
    effect->commitChanges();
    drawScreenQuad(nullptr, 0.5f, 0, 1, 1, 0xFFFFFFFF, true);
    effect->endPass();
    effect->end();
    readFrame();
    EXPECT_EQ(pixel(5, 5), 0xFFFF0000u);
    EXPECT_EQ(pixel(60, 5), 0xFF0000FFu);
}

TEST_F(Effect, VectorArraysTakeTheGivenElementCount)
{
    const char* text = R"(
vertex v { void main() { gl_Position = inPosition; } }
fragment f {
    uniform vec4 vaLightPos[4];
    out vec4 fragColour;
    void main() { fragColour = vaLightPos[0] + vaLightPos[3]; }
}
technique t { pass p { vertex = v; fragment = f; } }
)";
    std::string errors;
    auto effect = CEffect::fromText(text, "lights.fx", errors);
    ASSERT_TRUE(effect) << errors;
    const int handle = effect->parameterByName("vaLightPos");
    ASSERT_GE(handle, 0);
    const glm::vec4 lights[2] = {{-4, 38, -44, 1}, {1, 2, 3, 1}};
    effect->setVectorArray(handle, lights, 1);
    const auto& values = effect->parameterValues(handle);
    EXPECT_EQ(values[0], -4.0f);
    EXPECT_EQ(values[3], 1.0f);
    EXPECT_EQ(values[16], 0.0f); // the second element was not given
    // More elements than the array holds are cut, not written past its end.
    const glm::vec4 many[9] = {};
    effect->setVectorArray(handle, many, 9);
}

TEST_F(Effect, MalformedEffectsGiveTheReason)
{
    const struct {
        const char* text;
        const char* reason;
    } cases[] = {
        {"", "no technique"},
        {"technique t { pass p { ZEnable = false; } }", "no fragment stage"},
        {"fragment f { void main() {} }\ntechnique t { pass p { fragment = f; Fog = true; } }", "unknown render state"},
        {"fragment f { void main() {} }\ntechnique t { pass p { fragment = f; CullMode = sideways; } }",
         "not a value"},
        {"fragment f { void main() {} ", "no closing"},
        {"technique t { pass p { fragment = missing; } }", "names no fragment stage"},
        {"fragment f { void main() { undeclared = 1.0; } }\ntechnique t { pass p { fragment = f; } }", "undeclared"},
        {"@", "unexpected character"},
    };
    for (const auto& c : cases) {
        std::string errors;
        EXPECT_FALSE(CEffect::fromText(c.text, "bad.fx", errors)) << c.text;
        EXPECT_NE(errors.find(c.reason), std::string::npos) << c.text << " gave: " << errors;
    }
}

TEST_F(Effect, CompilerErrorsNameTheLineOfTheFile)
{
    const char* text = "fragment f {\n"
                       "    out vec4 fragColour;\n"
                       "    void main() { fragColour = nonsense; }\n"
                       "}\n"
                       "technique t { pass p { fragment = f; } }\n";
    std::string errors;
    EXPECT_FALSE(CEffect::fromText(text, "lines.fx", errors));
    EXPECT_NE(errors.find("lines.fx: fragment f"), std::string::npos) << errors;
    // The compiler counts lines of the file, not of the stage (":3(" on Mesa, ":3:" elsewhere).
    EXPECT_TRUE(errors.find(":3(") != std::string::npos || errors.find(":3:") != std::string::npos) << errors;
}

using EffectFileDeathTest = DeviceTest;

// A fork of a process with the GL driver's threads running can hang in the
// child's exit; every death test must run in a fresh run of the program.
TEST(DeathTests, RunInAFreshRunOfTheProgram)
{
    EXPECT_EQ(GTEST_FLAG_GET(death_test_style), "threadsafe");
}

TEST_F(EffectFileDeathTest, MissingFileEndsTheProgramWithErrorLoadingShader)
{
    EXPECT_EXIT(loadEffectFile("/nonexistent/post.fx", {}), ::testing::ExitedWithCode(1), "error loading shader");
}

TEST_F(EffectFileDeathTest, CompileErrorEndsTheProgramWithTheCompilersText)
{
    // The threadsafe style runs this body again in a child, which writes the
    // file too and dies before it could remove it. With a name of its own per
    // process every run left a file in the temporary folder; this one name is
    // only ever the one file, and the parent removes it.
    const auto path = std::filesystem::temp_directory_path() / "vesbrik_broken.fx";
    std::ofstream(path) << "fragment f { void main() { broken_here(); } }\n"
                           "technique t { pass p { fragment = f; } }\n";
    EXPECT_EXIT(loadEffectFile(path, {}), ::testing::ExitedWithCode(1), "broken_here");
    std::filesystem::remove(path);
}

TEST_F(EffectFileDeathTest, RenamedTechniqueEndsTheProgramNamingFileAndTechnique)
{
    // It compiles, but the game would go on drawing with whatever technique
    // it chose before: a wrong picture with nothing said.
    const auto path = std::filesystem::temp_directory_path() / "vesbrik_renamed.fx";
    std::ofstream(path) << "fragment f { out vec4 c; void main() { c = vec4(1.0); } }\n"
                           "technique shadow { pass p { fragment = f; } }\n"
                           "technique scene_renamed { pass p { fragment = f; } }\n";
    EXPECT_EXIT(loadEffectFile(path, {"shadow", "scene"}), ::testing::ExitedWithCode(1),
                "vesbrik_renamed.fx: has no technique \"scene\"");
    std::filesystem::remove(path);
}

TEST_F(Effect, EffectFileLoadsFromDisk)
{
    const auto path = writeTemporary("vesbrik_tint.fx", TintEffect);
    auto effect = loadEffectFile(path, {"invert"});
    ASSERT_TRUE(effect);
    EXPECT_TRUE(effect->hasTechnique("invert"));
    std::filesystem::remove(path);
}

TEST_F(Effect, DepthTextureServesAsAHardwareShadowMap)
{
    // Depth 0.25 on the left half of the map, 1.0 (clear) on the right; a
    // comparison at depth 0.5 is in shadow (0) on the left and lit (1) on the right.
    const char* text = R"(
fragment compare {
    in vec2 vTexCoord;
    uniform sampler2DShadow texDepth;
    out vec4 fragColour;
    void main() { fragColour = vec4(vec3(texture(texDepth, vec3(vTexCoord, 0.5))), 1.0); }
}
sampler texDepth { filter = point; address = clamp; compare = lessequal; }
technique scene { pass p0 { fragment = compare; } }
)";
    std::string errors;
    auto effect = CEffect::fromText(text, "shadow.fx", errors);
    ASSERT_TRUE(effect) << errors;
    auto colour = CTexture::create(32, 32, 1, Format::R32F, TextureUsage::RenderTarget);
    auto depth = CTexture::create(32, 32, 1, Format::D24S8, TextureUsage::DepthStencil);
    CSurface* back = testDevice->renderTarget();
    CSurface* backDepth = testDevice->depthStencilSurface();
    testDevice->setRenderTarget(colour->surface());
    testDevice->setDepthStencilSurface(depth->surface());
    testDevice->clear(ClearTarget | ClearZBuffer, 0xFFFFFFFF, 1.0f, 0);
    const ScreenVertex quad[4] = {{0, 0, 0.25f, 1, 0, 0, 0}, {16, 0, 0.25f, 1, 0, 0, 0}, {16, 32, 0.25f, 1, 0, 0, 0},
                       {0, 32, 0.25f, 1, 0, 0, 0}};
    testDevice->setVertexLayout(ScreenVertexLayout);
    testDevice->drawPrimitiveUP(PrimitiveType::TriangleFan, 2, quad, sizeof(ScreenVertex));
    testDevice->setRenderTarget(back);
    testDevice->setDepthStencilSurface(backDepth);

    testDevice->clear(ClearTarget, 0xFF808080, 1.0f, 0);
    effect->setTexture("texDepth", depth.get());
    effect->begin();
    effect->beginPass(0);
    drawScreenQuad(nullptr, 0, 0, 1, 1, 0xFFFFFFFF, true);
    effect->endPass();
    effect->end();
    readFrame();
    EXPECT_EQ(pixel(10, 10), 0xFF000000u);
    EXPECT_EQ(pixel(50, 10), 0xFFFFFFFFu);
}

TEST_F(Effect, EffectsPlaceMeshesWhereTheCameraSeesThem)
{
    // A small square at world (2, 2, 0) seen from (0, 0, -10): up and to the
    // right of the centre, through projection * view * world.
    CVertexBuffer vertices(4 * sizeof(MeshVertex));
    const MeshVertex corners[4] = {{1.5f, 2.5f, 0, 0, 0, -1, 0, 0, 0, 0, 0},
                                   {2.5f, 2.5f, 0, 0, 0, -1, 1, 0, 0, 0, 0},
                                   {2.5f, 1.5f, 0, 0, 0, -1, 1, 1, 0, 0, 0},
                                   {1.5f, 1.5f, 0, 0, 0, -1, 0, 1, 0, 0, 0}};
    std::memcpy(vertices.lock(), corners, sizeof(corners));
    vertices.unlock();
    CIndexBuffer indices(6);
    const uint16_t order[6] = {0, 1, 2, 0, 2, 3};
    std::memcpy(indices.lock(), order, sizeof(order));
    indices.unlock();
    const glm::mat4 view = matrixLookAtLH({0, 0, -10}, {0, 0, 0}, {0, 1, 0});
    const glm::mat4 projection = matrixPerspectiveFovLH(1.5707963f, 1.0f, 1.0f, 100.0f);
    const glm::mat4 world = matrixTranslation(0, 0, 0);

    auto covered = [this] {
        readFrame();
        std::vector<int> lit;
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 64; ++x) {
                if (pixel(x, y) != 0xFF000000u)
                    lit.push_back(y * 64 + x);
            }
        }
        return lit;
    };

    std::string errors;
    auto effect = CEffect::fromText(R"(
vertex v {
    uniform mat4 matWorld;
    uniform mat4 matView;
    uniform mat4 matProj;
    void main() { gl_Position = matProj * matView * matWorld * vec4(inPosition.xyz, 1.0); }
}
fragment f { out vec4 fragColour; void main() { fragColour = vec4(1.0); } }
technique t { pass p { vertex = v; fragment = f; } }
)", "place.fx", errors);
    ASSERT_TRUE(effect) << errors;
    effect->setMatrix("matWorld", world);
    effect->setMatrix("matView", view);
    effect->setMatrix("matProj", projection);
    testDevice->setVertexLayout(MeshVertexLayout);
    testDevice->setStreamSource(&vertices, sizeof(MeshVertex));
    testDevice->setIndices(&indices);
    testDevice->clear(ClearTarget | ClearZBuffer, 0xFF000000, 1.0f, 0);
    effect->begin();
    effect->beginPass(0);
    testDevice->drawIndexedPrimitive(PrimitiveType::TriangleList, 0, 0, 2);
    effect->endPass();
    effect->end();
    const std::vector<int> lit = covered();
    ASSERT_FALSE(lit.empty()) << "the square was culled or missed the screen";
    // Upper right quadrant: x from 32 + 1.5/10 x 32 = 36.8 to 40, y from 24 to 27.2.
    EXPECT_EQ(lit.front(), 24 * 64 + 37);
    EXPECT_EQ(lit.back(), 26 * 64 + 39);
}
