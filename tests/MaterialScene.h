#pragma once
// The materials drawn for real on a small window: a cube of 44-byte mesh
// vertices before a camera, lit by the test, read back pixel by pixel.
// Shared by the Phong and glass material tests.
#include "DeviceTestContext.h"

#include "device/Buffers.h"
#include "device/Texture.h"
#include "render/Material.h"
#include "render/Math3d.h"
#include "render/Mesh.h"
#include "render/Renderer.h"
#include "render/SceneEntity.h"

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

inline const std::filesystem::path MediaDir = VESBRIK_MEDIA_DIR;
constexpr int Size = 128;
constexpr float QuarterTurn = 1.5707963f;

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
        d.setVertexLayout(MeshVertexLayout);
        d.setStreamSource(&vertices, sizeof(MeshVertex));
        d.setIndices(&indices);
        d.drawIndexedPrimitive(PrimitiveType::TriangleList, 0, 0, triangleCount);
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
std::unique_ptr<CTestMesh> makeCube();

// A mesh of the game read from its object file: every triangle with its own
// three vertices and its face normal, in the file's corner order, with the
// points' texture coordinates. Only surface `surface` (or all for -1).
std::unique_ptr<CTestMesh> makeLwoMesh(const std::string& name, int surface = -1);

std::unique_ptr<CTexture> solidTexture(float r, float g, float b, float a = 1.0f);
std::unique_ptr<CTexture> solidCube(float r, float g, float b);

// A background whose red channel is the column and green the row, so a
// pixel seen through the glass tells where it was looked up.
std::unique_ptr<CTexture> coordinateTexture();

// Saves a picture a test drew when VESBRIK_TEST_PNG_DIR names a folder.
void keepPicture(const std::string& name, std::vector<uint8_t> rgba, int width, int height);

// Clear white material with nothing else set.
MaterialValues plainValues();

struct Rgb {
    int r, g, b;
};

class MaterialScene : public DeviceTest {
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        makeDevice(Size, Size);
        renderer = std::make_unique<CRenderer>();
        renderer->camera().setLookAt({0, 0, -3}, {0, 0, 0}, {0, 1, 0});
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
        CLight* light = renderer->addLight(CLight::Spot);
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
