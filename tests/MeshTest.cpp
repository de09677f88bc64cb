// Meshes from LightWave objects: one subset per surface with its colours and
// material, the texture looked up beside the object, averaged vertex normals,
// the limits of 16-bit indices, and drawing with the binding cache.
#include "LwoTestBytes.h"
#include "SceneTestContext.h"

#include "render/Renderer.h"
#include "render/Mesh.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Records nothing; tests only compare which instance a subset got.
class NamedMaterial : public CMaterial {
public:
    bool reload() override { return false; }
    int begin() override { return 1; }
    void beginPass(int) override {}
    void apply(const CSceneEntity&, const MaterialValues&) override {}
    void endPass(int) override {}
    void end() override {}
};

// One triangle per surface name, each surface with the given sub-chunks.
std::vector<uint8_t> trianglesOnSurfaces(const std::vector<std::string>& names,
                                         const std::function<void(LwoBytes&)>& surfaceBody = {})
{
    LwoBytes b;
    b.chunk("TAGS", [&](LwoBytes& c) {
        for (const std::string& n : names)
            c.s0(n);
    });
    b.chunk("PNTS", [&](LwoBytes& c) {
        for (size_t i = 0; i < names.size() * 3; ++i)
            c.f4(float(i)).f4(float(i % 3 == 1)).f4(float(i % 3 == 2));
    });
    b.chunk("POLS", [&](LwoBytes& c) {
        c.id("FACE");
        for (size_t i = 0; i < names.size(); ++i)
            c.u2(3).vx(uint32_t(3 * i)).vx(uint32_t(3 * i + 1)).vx(uint32_t(3 * i + 2));
    });
    b.chunk("PTAG", [&](LwoBytes& c) {
        c.id("SURF");
        for (size_t i = 0; i < names.size(); ++i)
            c.vx(uint32_t(i)).u2(uint16_t(i));
    });
    for (const std::string& n : names)
        b.chunk("SURF", [&](LwoBytes& c) {
            c.s0(n).s0("");
            if (surfaceBody)
                surfaceBody(c);
        });
    return lwoForm(b);
}

struct BuiltMesh {
    LwoObjectPtr object;
    CMesh mesh;
    bool built = false;
};

std::unique_ptr<BuiltMesh> build(const std::vector<uint8_t>& bytes, const MaterialForSurface& materialFor = {},
                                 const std::string& directory = "")
{
    auto result = std::make_unique<BuiltMesh>();
    result->object = loadLwo(bytes);
    EXPECT_TRUE(result->object);
    if (result->object)
        result->built = result->mesh.buildFromObject(*result->object, directory, materialFor);
    return result;
}

std::vector<uint16_t> indicesOf(const CMeshSubset& subset)
{
    std::vector<uint16_t> indices(subset.indexBuffer->lock(), subset.indexBuffer->lock() + subset.indexBuffer->count());
    subset.indexBuffer->unlock();
    return indices;
}

} // namespace

// ---- surfaces ------------------------------------------------------------------------

// Suites named after what they test, on the shared fixture.
using Mesh = DeviceTest;
using MeshInScene = SceneTest;

TEST_F(Mesh, MeshSubsetTakesItsColoursAndPowerFromTheSurface)
{
    auto built = build(trianglesOnSurfaces({"paint"}, [](LwoBytes& c) {
        c.sub("COLR", [](LwoBytes& s) { s.f4(0.5f).f4(1.0f).f4(0.0f).vx(0); });
        c.sub("DIFF", [](LwoBytes& s) { s.f4(0.8f).vx(0); });
        c.sub(lwoIdText(SpecularityId).c_str(), [](LwoBytes& s) { s.f4(0.3f).vx(0); });
        c.sub("LUMI", [](LwoBytes& s) { s.f4(0.2f).vx(0); });
        c.sub("REFL", [](LwoBytes& s) { s.f4(0.6f).vx(0); });
        c.sub("GLOS", [](LwoBytes& s) { s.f4(0.4f).vx(0); });
    }));
    ASSERT_TRUE(built->built);
    ASSERT_EQ(built->mesh.subsets.size(), 1u);
    const MaterialValues& v = built->mesh.subsets[0]->values;
    const float e = 1e-6f;
    EXPECT_NEAR(v.diffuse.r, 0.4f, e);
    EXPECT_NEAR(v.diffuse.g, 0.8f, e);
    EXPECT_NEAR(v.diffuse.b, 0.0f, e);
    EXPECT_NEAR(v.diffuse.a, 0.8f, e);
    EXPECT_EQ(v.specular, glm::vec4(0.3f));
    EXPECT_NEAR(v.luminous.r, 0.1f, e);
    EXPECT_NEAR(v.luminous.g, 0.2f, e);
    EXPECT_NEAR(v.luminous.a, 0.2f, e);
    EXPECT_EQ(v.reflection, glm::vec4(0.6f));
    EXPECT_NEAR(v.power, 4.0f, e);
    EXPECT_EQ(v.texture, nullptr);
    EXPECT_EQ(built->mesh.subsets[0]->triangleCount, 1);
    EXPECT_EQ(built->mesh.vertexCount, 3);
}

TEST_F(MeshInScene, MeshMaterialIsChosenByTheExactSurfaceName)
{
    CRenderer renderer;
    const CMaterial* fixed = renderer.materialFor("d3dfixed");
    auto phongMaterial = std::make_unique<NamedMaterial>();
    auto glassMaterial = std::make_unique<NamedMaterial>();
    const CMaterial* phong = phongMaterial.get();
    const CMaterial* glass = glassMaterial.get();
    renderer.replaceMaterials(std::move(phongMaterial), std::move(glassMaterial));
    auto built = build(trianglesOnSurfaces({"glass", "Glass", "d3dfixed", "frame"}),
                       [&](const std::string& name) { return renderer.materialFor(name); });
    ASSERT_TRUE(built->built);
    ASSERT_EQ(built->mesh.subsets.size(), 4u);
    EXPECT_EQ(built->mesh.subsets[0]->material, glass);
    EXPECT_EQ(built->mesh.subsets[1]->material, phong);
    EXPECT_EQ(built->mesh.subsets[2]->material, fixed);
    EXPECT_EQ(built->mesh.subsets[3]->material, phong);
    // A surface without a name is looked up as "default".
    std::string asked;
    build(trianglesOnSurfaces({""}), [&](const std::string& name) {
        asked = name;
        return nullptr;
    });
    EXPECT_EQ(asked, "default");

    // Without the Phong and glass materials the fixed one draws everything.
    renderer.replaceMaterials(nullptr, nullptr);
    EXPECT_EQ(renderer.materialFor("glass"), fixed);
    EXPECT_EQ(renderer.materialFor("floor"), fixed);
}

// ---- failures and limits ---------------------------------------------------------

TEST_F(Mesh, AQuadAnywhereFailsTheWholeBuild)
{
    LwoBytes b;
    b.tags({"a"}).points({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
    b.chunk("POLS", [](LwoBytes& c) { c.id("FACE").u2(3).vx(0).vx(1).vx(2).u2(4).vx(0).vx(1).vx(2).vx(3); });
    auto built = build(lwoForm(b));
    EXPECT_FALSE(built->built);
    EXPECT_EQ(built->mesh.vertexBuffer, nullptr);
    // The subset being filled when the quad was found stays, without triangles.
    ASSERT_EQ(built->mesh.subsets.size(), 1u);
    EXPECT_EQ(built->mesh.subsets[0]->indexBuffer, nullptr);
    built->mesh.subsets[0]->drawSubset(); // draws nothing, and does not crash
}

TEST_F(Mesh, AMissingOrDamagedFileFailsTheBuild)
{
    CMesh missing;
    EXPECT_FALSE(missing.buildMesh("no/such/object.lwo", {}));
    EXPECT_TRUE(missing.subsets.empty());
}

TEST_F(Mesh, MoreThanSixteenBitIndicesReachFailsTheBuild)
{
    // 65,537 points: the last one could not be named by a 16-bit index.
    LwoBytes b;
    b.tags({"a"});
    b.chunk("PNTS", [](LwoBytes& c) {
        for (size_t i = 0; i < MeshMaxPoints + 1; ++i)
            c.f4(float(i)).f4(0).f4(0);
    });
    b.chunk("POLS", [](LwoBytes& c) { c.id("FACE").u2(3).vx(0).vx(1).vx(65536); });
    auto built = build(lwoForm(b));
    EXPECT_FALSE(built->built);
    EXPECT_TRUE(built->mesh.subsets.empty());
    EXPECT_EQ(built->mesh.vertexBuffer, nullptr);
}

TEST_F(Mesh, LaterLayersIndexTheirOwnPointsInTheSharedBuffer)
{
    LwoBytes b;
    b.tags({"a"});
    b.chunk("LAYR", [](LwoBytes& c) { c.u2(0).u2(0).f4(0).f4(0).f4(0).s0("one"); });
    b.points({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}).triangles({{0, 1, 2}});
    b.chunk("LAYR", [](LwoBytes& c) { c.u2(1).u2(0).f4(0).f4(0).f4(0).s0("two"); });
    b.points({{5, 0, 0}, {6, 0, 0}, {5, 1, 0}, {6, 1, 0}}).triangles({{3, 2, 1}});
    auto built = build(lwoForm(b));
    ASSERT_TRUE(built->built);
    EXPECT_EQ(built->mesh.vertexCount, 7);
    ASSERT_EQ(built->mesh.subsets.size(), 1u);
    EXPECT_EQ(indicesOf(*built->mesh.subsets[0]), (std::vector<uint16_t>{0, 1, 2, 6, 5, 4}));
    const std::vector<MeshVertex> vertices = meshVertices(*built->object);
    EXPECT_EQ(vertices[6].x, 6.0f);
    EXPECT_EQ(vertices[6].y, 1.0f);
}

// ---- geometry without a device -----------------------------------------------------

TEST(MeshGeometry, TrianglesGoToTheirSurfacesListsInPolygonOrder)
{
    LwoBytes b;
    b.tags({"a", "b"}).points({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}});
    b.triangles({{0, 1, 2}, {1, 3, 2}, {2, 1, 0}});
    b.chunk("PTAG", [](LwoBytes& c) { c.id("SURF").vx(0).u2(1).vx(1).u2(0).vx(2).u2(1); });
    auto object = loadLwo(lwoForm(b));
    ASSERT_TRUE(object);
    MeshGeometry geometry;
    ASSERT_EQ(buildMeshGeometry(*object, geometry), MeshGeometryFault::None);
    EXPECT_EQ(geometry.vertices.size(), 4u);
    ASSERT_EQ(geometry.indicesBySurface.size(), 2u);
    const size_t a = size_t(object->layers[0]->polygons[1].surface);
    EXPECT_EQ(geometry.indicesBySurface[a], (std::vector<uint16_t>{1, 3, 2}));
    EXPECT_EQ(geometry.indicesBySurface[1 - a], (std::vector<uint16_t>{0, 1, 2, 2, 1, 0}));
}

TEST(MeshGeometry, AnObjectThatCannotBeAMeshLeavesNothingBehind)
{
    LwoBytes b;
    b.points({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}});
    b.chunk("POLS", [](LwoBytes& c) { c.id("FACE").u2(3).vx(0).vx(1).vx(2).u2(4).vx(0).vx(1).vx(2).vx(3); });
    auto object = loadLwo(lwoForm(b));
    ASSERT_TRUE(object);
    MeshGeometry geometry;
    geometry.vertices.resize(3);
    EXPECT_EQ(buildMeshGeometry(*object, geometry), MeshGeometryFault::NotTriangles);
    EXPECT_TRUE(geometry.vertices.empty());
    EXPECT_TRUE(geometry.indicesBySurface.empty());
}

// ---- vertices -------------------------------------------------------------------------

TEST(MeshVertices, ASharedPointGetsThePlainMeanOfItsFaces)
{
    LwoBytes b;
    b.tags({"a"}).points({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {9, 9, 9}});
    // Normals (0, 0, 1) and (0, 1, 0), both using points 0 and 1; point 4 is unused.
    b.triangles({{0, 1, 2}, {0, 3, 1}});
    b.chunk("VMAP", [](LwoBytes& c) {
        c.id("TXUV").u2(2).s0("uv");
        c.vx(2).f4(0.25f).f4(0.75f);
    });
    auto object = loadLwo(lwoForm(b));
    ASSERT_TRUE(object);
    const std::vector<MeshVertex> v = meshVertices(*object);
    ASSERT_EQ(v.size(), 5u);
    EXPECT_FLOAT_EQ(v[0].nx, 0.0f);
    EXPECT_FLOAT_EQ(v[0].ny, 0.5f);
    EXPECT_FLOAT_EQ(v[0].nz, 0.5f);
    EXPECT_FLOAT_EQ(v[2].nz, 1.0f);
    EXPECT_FLOAT_EQ(v[3].ny, 1.0f);
    EXPECT_EQ(v[4].nx + v[4].ny + v[4].nz, 0.0f);
    EXPECT_EQ(v[2].u, 0.25f);
    EXPECT_EQ(v[2].v, 0.75f);
    EXPECT_EQ(v[0].u, 0.0f);
    EXPECT_EQ(v[2].unused[0] + v[2].unused[1] + v[2].unused[2], 0.0f);
}

// ---- textures ---------------------------------------------------------------------------

TEST(MeshTextures, AClipIsLookedForBesideTheObject)
{
    EXPECT_EQ(objectDirectory("media/frame.lwo"), "media/");
    EXPECT_EQ(objectDirectory("frame.lwo"), "");
    EXPECT_EQ(objectDirectory("art\\old/frame.lwo"), "art\\");
    EXPECT_EQ(clipTexturePath("media/", "Images:textures/wood.png"), "media/wood.png");
    EXPECT_EQ(clipTexturePath("media/", "wood.png"), "media/wood.png");
    EXPECT_EQ(clipTexturePath("", "C:\\art\\brick.tga"), "brick.tga");
    EXPECT_EQ(clipTexturePath("art\\", "textures/wood.png"), "art/wood.png");
}

TEST_F(MeshInScene, TheGameFrameIsTexturedAndItsPlateLitPerVertex)
{
    CRenderer renderer;
    CMesh frame;
    ASSERT_TRUE(frame.buildMesh("media/frame.lwo", [&](const std::string& n) { return renderer.materialFor(n); }));
    ASSERT_EQ(frame.subsets.size(), 3u);
    ASSERT_NE(frame.subsets[0]->texture, nullptr);
    EXPECT_EQ(frame.subsets[0]->values.texture, frame.subsets[0]->texture.get());
    EXPECT_NE(frame.subsets[1]->texture, nullptr); // the plate's own picture
    EXPECT_EQ(frame.subsets[1]->material, renderer.materialFor("d3dfixed"));
    // The backdrop around the well takes its picture from a texture of its own.
    ASSERT_NE(frame.subsets[2]->texture, nullptr);
    EXPECT_NE(frame.subsets[2]->texture.get(), frame.subsets[0]->texture.get());
    EXPECT_EQ(frame.subsets[2]->material, renderer.materialFor("default"));

    // The same object read from another folder finds no texture, quietly.
    auto object = loadLwoObject("media/frame.lwo");
    ASSERT_TRUE(object);
    CMesh elsewhere;
    EXPECT_TRUE(elsewhere.buildFromObject(*object, "no/such/folder/", {}));
    EXPECT_EQ(elsewhere.subsets[0]->texture, nullptr);

    CMesh brick;
    ASSERT_TRUE(brick.buildMesh("media/chamferbox.lwo", {}));
    ASSERT_EQ(brick.subsets.size(), 1u);
    EXPECT_GT(brick.subsets[0]->triangleCount, 12);
}

// ---- drawing -----------------------------------------------------------------------------

TEST_F(Mesh, ASubsetDrawsWhateverWasBoundBeforeIt)
{
    auto first = build(trianglesOnSurfaces({"a", "b"}));
    ASSERT_TRUE(first->built);
    const CMeshSubset& a = *first->mesh.subsets[0];
    const CMeshSubset& b = *first->mesh.subsets[1];
    a.drawSubset();
    EXPECT_EQ(testDevice->state().indices, a.indexBuffer.get());
    EXPECT_EQ(testDevice->state().stream, first->mesh.vertexBuffer.get());
    EXPECT_EQ(testDevice->state().layout, &MeshVertexLayout);
    const int draws = testDevice->drawCount();

    // Something else (a screen quad, a state block put back) changed the
    // buffers and the vertex format in between: the same subset again still
    // draws, from its own buffers.
    testDevice->setIndices(nullptr);
    testDevice->setStreamSource(nullptr, 0);
    testDevice->setVertexLayout(ScreenVertexLayout);
    a.drawSubset();
    EXPECT_EQ(testDevice->state().indices, a.indexBuffer.get());
    EXPECT_EQ(testDevice->state().stream, first->mesh.vertexBuffer.get());
    EXPECT_EQ(testDevice->state().layout, &MeshVertexLayout);
    b.drawSubset();
    EXPECT_EQ(testDevice->state().indices, b.indexBuffer.get());
    EXPECT_EQ(testDevice->drawCount(), draws + 2);
}
