// The Phong and glass materials drawn for real: a small cube of 44-byte mesh
// vertices, lit, tinted and seen through glass, read back pixel by pixel; the
// shipped effect files and the environment cube map loaded as the game loads
// them. Set VESBRIK_TEST_PNG_DIR to keep the pictures the tests draw.
#include "DeviceTestContext.h"

#include "platform/Buffers.h"
#include "platform/DdsReader.h"
#include "platform/Effect.h"
#include "render/GlassMaterial.h"
#include "render/PhongMaterial.h"
#include "render/RenderTexture.h"
#include "render/Math3d.h"
#include "render/Renderer.h"
#include "render/ScreenQuad.h"
#include "lwo/LwoObject.h"
#include "render/SceneEntity.h"

#include <stb_image_write.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

const std::filesystem::path MediaDir = VESBRIK_MEDIA_DIR;
constexpr int Size = 128;
constexpr float QuarterTurn = 1.5707963f;

struct MeshVertex {
    float x, y, z;
    float nx, ny, nz;
    float u, v;
    float extra[3];
};
static_assert(sizeof(MeshVertex) == 44);

// A mesh of 44-byte vertices and 16-bit indices, drawn as the game draws a subset.
class CTestMesh {
public:
    CTestMesh(const std::vector<MeshVertex>& vertexData, const std::vector<uint16_t>& indexData)
        : vertices(vertexData.size() * sizeof(MeshVertex)), indices(indexData.size()),
          vertexCount(static_cast<int>(vertexData.size())), triangleCount(static_cast<int>(indexData.size() / 3))
    {
        std::memcpy(vertices.lock(), vertexData.data(), vertices.size());
        vertices.unlock();
        std::copy(indexData.begin(), indexData.end(), indices.lock());
        indices.unlock();
    }

    void draw() const
    {
        CDevice& d = device();
        d.setFvf(FvfMesh);
        d.setStreamSource(&vertices, sizeof(MeshVertex));
        d.setIndices(&indices);
        d.drawIndexedPrimitive(PrimitiveType::TriangleList, 0, 0, vertexCount, 0, triangleCount);
    }

private:
    CVertexBuffer vertices;
    CIndexBuffer indices;
    int vertexCount;
    int triangleCount;
};

// A cube of edge 1 centred on the origin, four vertices of its own per face
// so the normals stay flat, wound as the game's meshes are (front faces
// clockwise on screen, culled with CCW).
std::unique_ptr<CTestMesh> makeCube()
{
    std::vector<MeshVertex> vertices;
    std::vector<uint16_t> indices;
    const glm::vec3 normals[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    for (const glm::vec3& n : normals) {
        const glm::vec3 up = std::fabs(n.y) > 0.5f ? glm::vec3(0, 0, 1) : glm::vec3(0, 1, 0);
        const glm::vec3 right = glm::cross(n, up);
        const glm::vec3 corners[4] = {-right + up, right + up, right - up, -right - up};
        const auto base = static_cast<uint16_t>(vertices.size());
        for (int c = 0; c < 4; ++c) {
            const glm::vec3 p = 0.5f * (n + corners[c]);
            vertices.push_back({p.x, p.y, p.z, n.x, n.y, n.z, c == 1 || c == 2 ? 1.0f : 0.0f, c >= 2 ? 1.0f : 0.0f,
                                {0, 0, 0}});
        }
        for (int k : {0, 1, 2, 0, 2, 3})
            indices.push_back(static_cast<uint16_t>(base + k));
    }
    return std::make_unique<CTestMesh>(vertices, indices);
}

// A mesh of the game read from its object file: every triangle with its own
// three vertices and its face normal, in the file's corner order, with the
// points' texture coordinates. Only surface `surface` (or all for -1).
std::unique_ptr<CTestMesh> makeLwoMesh(const std::string& name, int surface = -1)
{
    LwoObjectPtr object = loadLwoObject(MediaDir / name);
    if (!object)
        return nullptr;
    std::vector<MeshVertex> vertices;
    std::vector<uint16_t> indices;
    for (const auto& layer : object->layers)
        for (const LwoPolygon& polygon : layer->polygons) {
            if (polygon.cornerCount != 3)
                return nullptr;
            if (surface >= 0 && polygon.surface != surface)
                continue;
            for (int c = 0; c < 3; ++c) {
                const auto corner = static_cast<size_t>(polygon.firstCorner + c);
                const LwoPoint& point = layer->points[static_cast<size_t>(layer->corners[corner].point)];
                float u = 0.0f, v = 0.0f;
                if (!point.vertexMaps.empty() && point.vertexMaps[0].map->dimension >= 2) {
                    const auto& ref = point.vertexMaps[0];
                    u = ref.map->values[static_cast<size_t>(ref.entry * ref.map->dimension)];
                    v = ref.map->values[static_cast<size_t>(ref.entry * ref.map->dimension + 1)];
                }
                indices.push_back(static_cast<uint16_t>(vertices.size()));
                vertices.push_back({point.position[0], point.position[1], point.position[2], polygon.normal[0],
                                    polygon.normal[1], polygon.normal[2], u, v, {0, 0, 0}});
            }
        }
    return std::make_unique<CTestMesh>(vertices, indices);
}

std::unique_ptr<CTexture> solidTexture(float r, float g, float b, float a = 1.0f)
{
    auto texture = CTexture::create(1, 1, 1, Format::A8R8G8B8);
    fillTextureSolid(texture.get(), r, g, b, a);
    return texture;
}

std::unique_ptr<CTexture> solidCube(float r, float g, float b)
{
    auto texture = CTexture::createCube(4, 1, Format::A8R8G8B8);
    fillTextureSolid(texture.get(), r, g, b, 1.0f);
    return texture;
}

// A background whose red channel is the column and green the row, so a
// pixel seen through the glass tells where it was looked up.
std::unique_ptr<CTexture> coordinateTexture()
{
    std::vector<uint8_t> rgba(Size * Size * 4);
    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x) {
            uint8_t* p = &rgba[(static_cast<size_t>(y) * Size + x) * 4];
            p[0] = static_cast<uint8_t>(x * 2);
            p[1] = static_cast<uint8_t>(y * 2);
            p[2] = 0;
            p[3] = 255;
        }
    auto texture = CTexture::create(Size, Size, 1, Format::A8R8G8B8);
    texture->upload(0, PixelLayout::Rgba8, rgba.data());
    return texture;
}

void keepPicture(const std::string& name, std::vector<uint8_t> rgba, int width, int height)
{
    const char* dir = std::getenv("VESBRIK_TEST_PNG_DIR");
    if (!dir || !*dir)
        return;
    // Opaque, as the picture reaches the screen.
    for (size_t i = 3; i < rgba.size(); i += 4)
        rgba[i] = 255;
    const auto path = std::filesystem::path(dir) / (name + ".png");
    stbi_write_png(path.string().c_str(), width, height, 4, rgba.data(), width * 4);
}

struct Rgb {
    int r, g, b;
};

class MaterialTest : public DeviceTest {
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        makeDevice(Size, Size);
        renderer = std::make_unique<CRenderer>();
        renderer->whiteTexture = solidTexture(1, 1, 1);
        renderer->environmentTexture = renderer->whiteTexture.get();
        renderer->camera.setLookAt({0, 0, -3}, {0, 0, 0}, {0, 1, 0});
        cube = makeCube();
        testDevice->setRenderState(RenderState::ZEnable, true);
        testDevice->setRenderState(RenderState::CullMode, Cull::CCW);
    }

    void TearDown() override
    {
        cube.reset();
        renderer.reset();
        DeviceTest::TearDown();
    }

    // A light far off to the left front: of a cube turned an eighth of a turn
    // about y, the left face is lit head-on and the right face not at all.
    void addLeftLight()
    {
        CLight* light = renderer->addLight(CLight::Directional);
        light->diffuse = glm::vec4(1.0f);
        light->position = glm::vec3(-100.0f, 0.0f, -100.0f);
    }

    static CSceneEntity turnedCube(const glm::vec4& colour = glm::vec4(1.0f), float yaw = QuarterTurn / 2.0f)
    {
        CSceneEntity entity;
        entity.rotation = {yaw, 0.0f, 0.0f};
        entity.colour = colour;
        entity.updateWorld();
        return entity;
    }

    // One run of one item through a material, as the render list draws it.
    void drawWith(CMaterial& material, const CSceneEntity& entity, const MaterialValues& values)
    {
        const int passes = material.begin();
        for (int pass = 0; pass < passes; ++pass) {
            material.beginPass(pass);
            material.apply(entity, values);
            cube->draw();
            material.endPass(pass);
        }
        material.end();
    }

    Rgb at(int x, int y) const
    {
        const uint32_t c = pixel(x, y);
        return {static_cast<int>((c >> 16) & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>(c & 0xFF)};
    }
    static Rgb at(const std::vector<uint8_t>& rgba, int x, int y)
    {
        const uint8_t* p = &rgba[(static_cast<size_t>(y) * Size + x) * 4];
        return {p[0], p[1], p[2]};
    }

    std::unique_ptr<CRenderer> renderer;
    std::unique_ptr<CTestMesh> cube;
};

// Points on the turned cube as the camera sees it: the middle of its left and
// right faces.
constexpr int LeftFaceX = 52;
constexpr int RightFaceX = 76;
constexpr int MiddleY = 64;

MaterialValues plainValues()
{
    MaterialValues values;
    values.diffuse = glm::vec4(0.8f, 0.8f, 0.8f, 1.0f);
    return values;
}

} // namespace

// ---- the shipped files ------------------------------------------------------------

// Suites named after what they test, on the shared fixture.
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

// ---- Phong --------------------------------------------------------------------------

TEST_F(MaterialTest, PhongLightsTheFaceTurnedToTheLightAndAddsTheGlow)
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
    EXPECT_FLOAT_EQ(stateFloat(testDevice->renderState(RenderState::DepthBias)), 0.0f);
    EXPECT_FLOAT_EQ(stateFloat(testDevice->renderState(RenderState::SlopeScaleDepthBias)), 0.0f);
    EXPECT_EQ(testDevice->program(), nullptr);
}

TEST_F(MaterialTest, PhongTintsByTheEntityColourAndTheTexture)
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

TEST_F(MaterialTest, PhongReflectsTheCubeMapOrWhiteWithoutOne)
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
    renderer->environmentTexture = blue.get();
    testDevice->clear(ClearTarget | ClearZBuffer, 0xFF000000, 1.0f, 0);
    drawWith(phong, turnedCube(), mirror);
    readFrame();
    const Rgb reflected = at(RightFaceX, MiddleY);
    EXPECT_LT(reflected.r, 5);
    EXPECT_GT(reflected.b, 240);
}

TEST_F(MaterialTest, ReloadReadsTheEffectFileAgainAndAFileThatFailsEndsTheGame)
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

// ---- glass ----------------------------------------------------------------------------

class GlassTest : public MaterialTest {
protected:
    void SetUp() override
    {
        MaterialTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        scene = std::make_unique<CRenderTexture>(testDevice.get(), 0, 0, Format::A8R8G8B8);
        black = solidCube(0.0f, 0.0f, 0.0f);
        renderer->environmentTexture = black.get();
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
        MaterialTest::TearDown();
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

TEST_F(GlassTest, GlassShowsThePictureBehindItStraightHeadOnAndShiftedAtASlant)
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

TEST_F(GlassTest, GlassTintsByItsColourAndReflectsMoreAtGrazingAngles)
{
    auto white = solidTexture(1, 1, 1);
    drawBackground(white.get());
    drawWith(*glass, turnedCube({1.0f, 0.2f, 0.2f, 1.0f}), clearGlass());
    auto pixels = scenePixels("glass-red");
    const Rgb seen = at(pixels, LeftFaceX, MiddleY);
    EXPECT_GT(seen.r, 230);
    EXPECT_LT(seen.g, 150);
    EXPECT_LT(seen.b, 150);
    EXPECT_EQ(at(pixels, 3, 64).g, 255);

    // A white room over a black picture: a face seen at a slant reflects more
    // than one seen head on.
    renderer->environmentTexture = renderer->whiteTexture.get();
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

TEST_F(GlassTest, EachRunSeesTheGlassOfTheRunsBeforeIt)
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

// The look as a whole, at the game's light and with its cube map: a lit
// chequered wall and floor, and a row of coloured glass bricks in front.
TEST_F(GlassTest, ColouredBricksInFrontOfALitWallTakeTheirColourFromWhatIsBehind)
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
    renderer->environmentTexture = room.get();
    renderer->camera.setLookAt({1.0f, 3.0f, -8.0f}, {0.0f, 1.0f, 0.0f}, {0, 1, 0});
    renderer->projection = matrixPerspectiveFovLH(SceneFieldOfView, static_cast<float>(Width) / Height, 0.2f, 100.0f);
    CLight* light = renderer->addLight(CLight::Directional);
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
    const glm::mat4 toScreen = renderer->projection * renderer->camera.view;
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
