// Polygons, tags, vertex maps, normals and smoothing of LightWave objects, and
// the indices a file may get wrong.
#include "LwoTestBytes.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

LwoBytes surfaceWithSmoothing(const char* name, float angle)
{
    LwoBytes b;
    b.chunk("SURF", [&](LwoBytes& c) { c.s0(name).s0("").sub("SMAN", [&](LwoBytes& s) { s.f4(angle); }); });
    return b;
}

void expectVec(const std::array<float, 3>& v, float x, float y, float z)
{
    EXPECT_NEAR(v[0], x, 1e-5f);
    EXPECT_NEAR(v[1], y, 1e-5f);
    EXPECT_NEAR(v[2], z, 1e-5f);
}

} // namespace

// ---- polygons and tags ---------------------------------------------------------

TEST(LwoPolygons, TopBitsOfTheCountWordAreFlags)
{
    LwoBytes b;
    b.tags({"s"}).points({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}});
    b.chunk("POLS", [](LwoBytes& c) { c.id("PTCH").u2(0x8003).vx(0).vx(1).vx(2); });
    auto object = loadLwo(lwoForm(b));
    ASSERT_TRUE(object);
    const LwoPolygon& polygon = object->layers[0]->polygons[0];
    EXPECT_EQ(polygon.cornerCount, 3);
    EXPECT_EQ(polygon.flags, 0x8000);
    EXPECT_EQ(polygon.type, lwoId("PTCH"));
}

TEST(LwoPolygons, CornersAreConsecutiveRunsAndLongIndicesWork)
{
    LwoBytes b;
    b.tags({"s"}).points({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}});
    b.chunk("POLS", [](LwoBytes& c) {
        c.id("FACE").u2(4).vx(0).vx(1).vx(3).vx(2);
        c.u2(3).raw({0xFF, 0, 0, 3}).vx(1).vx(0); // the long form of index 3
    });
    auto object = loadLwo(lwoForm(b));
    ASSERT_TRUE(object);
    const LwoLayer& layer = *object->layers[0];
    ASSERT_EQ(layer.corners.size(), 7u);
    EXPECT_EQ(layer.polygons[1].firstCorner, 4);
    EXPECT_EQ(layer.corner(layer.polygons[1], 0).point, 3);
    EXPECT_EQ(layer.corner(layer.polygons[0], 2).point, 3);
}

TEST(LwoPolygons, SecondPointChunkOffsetsLaterPolygonsAndVertexMaps)
{
    LwoBytes b;
    b.tags({"s"}).points({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}});
    b.triangles({{0, 1, 2}});
    b.points({{5, 0, 0}, {5, 1, 0}, {6, 0, 0}});
    b.triangles({{0, 1, 2}, {2, 1, 0}});
    // Entry 1 of the second point chunk, on polygon 1 of the second polygon
    // chunk: point 4, the layer's polygon 2 (whose third corner it is).
    b.chunk("VMAP", [](LwoBytes& c) { c.id("WGHT").u2(1).s0("w").vx(1).f4(0.5f); });
    b.chunk("VMAD", [](LwoBytes& c) { c.id("TXUV").u2(2).s0("uv").vx(1).vx(1).f4(0.25f).f4(0.75f); });
    auto object = loadLwo(lwoForm(b));
    ASSERT_TRUE(object);
    const LwoLayer& layer = *object->layers[0];
    EXPECT_EQ(layer.pointOffset, 3);
    EXPECT_EQ(layer.corner(layer.polygons[1], 0).point, 3);
    EXPECT_EQ(layer.vertexMaps[0]->points[0], 4);
    EXPECT_EQ(layer.points[4].vertexMaps.size(), 1u);
    EXPECT_TRUE(layer.points[1].vertexMaps.empty());
    EXPECT_EQ(layer.vertexMaps[1]->points[0], 4);
    EXPECT_EQ(layer.vertexMaps[1]->polygons[0], 2);
    EXPECT_EQ(layer.cornerVertexMaps(layer.polygons[2], 1).size(), 1u);

    // An index that only the offset takes out of range fails.
    LwoBytes past;
    past.tags({"s"}).points({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}}).points({{5, 0, 0}});
    past.chunk("VMAP", [](LwoBytes& c) { c.id("WGHT").u2(1).s0("w").vx(1).f4(0.5f); });
    EXPECT_FALSE(loadLwo(lwoForm(past)));
}

TEST(LwoPolygons, CurveFlagsStayOutOfTheCornerCount)
{
    LwoBytes b;
    b.tags({"s"}).points({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}});
    // Both continuity flags of a curve, then four points; a face follows.
    b.chunk("POLS", [](LwoBytes& c) { c.id("CURV").u2(0x0C04).vx(0).vx(1).vx(2).vx(3).u2(0x0002).vx(3).vx(0); });
    auto object = loadLwo(lwoForm(b));
    ASSERT_TRUE(object);
    const LwoLayer& layer = *object->layers[0];
    ASSERT_EQ(layer.polygons.size(), 2u);
    EXPECT_EQ(layer.polygons[0].type, lwoId("CURV"));
    EXPECT_EQ(layer.polygons[0].cornerCount, 4);
    EXPECT_EQ(layer.polygons[0].flags, 0x0C00);
    EXPECT_EQ(layer.polygons[1].cornerCount, 2);
    EXPECT_EQ(layer.polygons[1].flags, 0);
    EXPECT_EQ(layer.corner(layer.polygons[1], 0).point, 3);
}

TEST(LwoPolygons, EmptyPolygonChunkAddsNothing)
{
    LwoBytes b = lwoTriangle();
    b.chunk("POLS", [](LwoBytes&) {});
    auto object = loadLwo(lwoForm(b));
    ASSERT_TRUE(object);
    EXPECT_EQ(object->layers[0]->polygons.size(), 1u);
}

TEST(LwoPolygons, TagsAreOffsetByTheirChunks)
{
    LwoBytes b;
    b.tags({"a", "b"}).points({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}});
    b.triangles({{0, 1, 2}});
    b.triangles({{0, 2, 1}, {1, 2, 0}});
    b.tags({"c", "d"});
    // Polygon 1 of the last POLS chunk (the third polygon) gets tag 1 of the
    // last TAGS chunk ("d").
    b.chunk("PTAG", [](LwoBytes& c) { c.id("SURF").vx(1).u2(1).vx(0).u2(0); });
    b.chunk("PTAG", [](LwoBytes& c) { c.id("SMGP").vx(0).u2(1); });
    b.chunk("PTAG", [](LwoBytes& c) { c.id("PART").vx(1).u2(0); });
    b.chunk("PTAG", [](LwoBytes& c) { c.id("COLR").vx(99).u2(99); }); // skipped
    auto object = loadLwo(lwoForm(b));
    ASSERT_TRUE(object);
    const LwoLayer& layer = *object->layers[0];
    EXPECT_EQ(layer.polygons[0].surfaceTag, LwoUntagged);
    EXPECT_EQ(layer.polygons[2].surfaceTag, 3);
    EXPECT_EQ(layer.polygons[1].surfaceTag, 2);
    EXPECT_EQ(layer.polygons[1].smoothingGroup, 3);
    EXPECT_EQ(layer.polygons[2].part, 2);
    EXPECT_EQ(object->surfaces[size_t(layer.polygons[2].surface)]->name, "d");
}

TEST(LwoPolygons, SurfacesResolveByExactNameAndDefaultsAreMadeOnce)
{
    LwoBytes b;
    b.tags({"glass", "Glass", "missing"}).points({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}});
    b.triangles({{0, 1, 2}, {0, 1, 2}, {0, 1, 2}, {0, 1, 2}});
    b.chunk("PTAG", [](LwoBytes& c) { c.id("SURF").vx(0).u2(0).vx(1).u2(1).vx(2).u2(2).vx(3).u2(2); });
    b.append(surfaceWithSmoothing("glass", 0.0f)).append(surfaceWithSmoothing("glass", 1.0f));
    auto object = loadLwo(lwoForm(b));
    ASSERT_TRUE(object);
    ASSERT_EQ(object->surfaces.size(), 4u); // two read, "Glass" and "missing" made
    const LwoLayer& layer = *object->layers[0];
    EXPECT_EQ(layer.polygons[0].surface, 0); // the first "glass" wins
    EXPECT_EQ(object->surfaces[size_t(layer.polygons[1].surface)]->name, "Glass");
    EXPECT_EQ(layer.polygons[2].surface, layer.polygons[3].surface);
    EXPECT_EQ(object->surfaces[3]->name, "missing");
    EXPECT_EQ(object->surfaces[3]->diffuse.value, 1.0f);
}

// ---- indices a file may get wrong -------------------------------------------------

TEST(LwoIndices, SurfaceTagEqualToTagCountFails)
{
    LwoBytes b = lwoTriangle();
    b.chunk("PTAG", [](LwoBytes& c) { c.id("SURF").vx(0).u2(1); });
    EXPECT_FALSE(loadLwo(lwoForm(b)));
}

TEST(LwoPolygons, UntaggedPolygonsShareOneUnnamedDefaultSurface)
{
    // No tags at all, as some writers leave them.
    LwoBytes bare;
    bare.points({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}}).triangles({{0, 1, 2}, {2, 1, 0}});
    auto object = loadLwo(lwoForm(bare));
    ASSERT_TRUE(object);
    ASSERT_EQ(object->surfaces.size(), 1u);
    EXPECT_EQ(object->surfaces[0]->name, "");
    EXPECT_EQ(object->surfaces[0]->diffuse.value, 1.0f);
    EXPECT_EQ(object->layers[0]->polygons[0].surface, 0);
    EXPECT_EQ(object->layers[0]->polygons[1].surface, 0);

    // Some polygons tagged: only the others get the default surface.
    LwoBytes some;
    some.tags({"s"}).points({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}}).triangles({{0, 1, 2}, {2, 1, 0}, {1, 2, 0}});
    some.chunk("PTAG", [](LwoBytes& c) { c.id("SURF").vx(1).u2(0); });
    some.append(surfaceWithSmoothing("s", 0.0f));
    object = loadLwo(lwoForm(some));
    ASSERT_TRUE(object);
    ASSERT_EQ(object->surfaces.size(), 2u);
    const LwoLayer& layer = *object->layers[0];
    EXPECT_EQ(layer.polygons[1].surface, 0);
    EXPECT_EQ(layer.polygons[0].surface, 1);
    EXPECT_EQ(layer.polygons[2].surface, 1);
    EXPECT_EQ(object->surfaces[1]->name, "");
}

TEST(LwoIndices, PointIndexOutOfRangeFails)
{
    LwoBytes b;
    b.tags({"s"}).points({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}}).triangles({{0, 1, 3}});
    LwoId id = 0;
    EXPECT_FALSE(loadLwo(lwoForm(b), &id));
    EXPECT_EQ(id, lwoId("POLS"));

    LwoBytes old;
    old.chunk("SRFS", [](LwoBytes& c) { c.s0("s"); }).points({{0, 0, 0}});
    old.chunk("POLS", [](LwoBytes& c) { c.u2(1).u2(1).i2(1); });
    EXPECT_FALSE(loadLwo(lwoForm(old, "LWOB")));
}

TEST(LwoIndices, TaggedPolygonOutOfRangeFails)
{
    LwoBytes b = lwoTriangle();
    b.chunk("PTAG", [](LwoBytes& c) { c.id("SMGP").vx(1).u2(0); });
    LwoId id = 0;
    EXPECT_FALSE(loadLwo(lwoForm(b), &id));
    EXPECT_EQ(id, lwoId("PTAG"));
}

TEST(LwoIndices, TagPairRunningPastTheChunkFails)
{
    LwoBytes b = lwoTriangle();
    b.chunk("PTAG", [](LwoBytes& c) { c.id("SURF").vx(0).u2(0).vx(0); });
    EXPECT_FALSE(loadLwo(lwoForm(b)));
}

TEST(LwoIndices, VertexMapIndicesOutOfRangeFail)
{
    LwoBytes point = lwoTriangle();
    point.chunk("VMAP", [](LwoBytes& c) { c.id("TXUV").u2(2).s0("uv").vx(3).f4(0).f4(0); });
    LwoId id = 0;
    EXPECT_FALSE(loadLwo(lwoForm(point), &id));
    EXPECT_EQ(id, lwoId("VMAP"));

    LwoBytes polygon = lwoTriangle();
    polygon.chunk("VMAD", [](LwoBytes& c) { c.id("TXUV").u2(2).s0("uv").vx(0).vx(1).f4(0).f4(0); });
    EXPECT_FALSE(loadLwo(lwoForm(polygon), &id));
    EXPECT_EQ(id, lwoId("VMAD"));
}

TEST(LwoIndices, TruncatedPolygonFails)
{
    LwoBytes b;
    b.tags({"s"}).points({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}});
    b.chunk("POLS", [](LwoBytes& c) { c.id("FACE").u2(3).vx(0).vx(1); });
    EXPECT_FALSE(loadLwo(lwoForm(b)));
}

// ---- vertex maps ------------------------------------------------------------------

TEST(LwoVertexMaps, PointsLinkMapsInMapThenEntryOrder)
{
    LwoBytes b = lwoTriangle();
    b.chunk("VMAP", [](LwoBytes& c) { c.id("TXUV").u2(2).s0("uv").vx(2).f4(0.25f).f4(0.75f).vx(0).f4(1).f4(0); });
    b.chunk("VMAP", [](LwoBytes& c) { c.id("PICK").u2(0).s0("sel").vx(2); });
    auto object = loadLwo(lwoForm(b));
    ASSERT_TRUE(object);
    const LwoLayer& layer = *object->layers[0];
    ASSERT_EQ(layer.vertexMaps.size(), 2u);
    const LwoVertexMap& uv = *layer.vertexMaps[0];
    EXPECT_EQ(uv.type, lwoId("TXUV"));
    EXPECT_EQ(uv.dimension, 2);
    EXPECT_EQ(uv.entryCount(), 2);
    EXPECT_TRUE(layer.vertexMaps[1]->values.empty());
    const auto& refs = layer.points[2].vertexMaps;
    ASSERT_EQ(refs.size(), 2u);
    EXPECT_EQ(refs[0].map, &uv);
    EXPECT_EQ(refs[0].entry, 0);
    EXPECT_EQ(refs[0].map->values[size_t(refs[0].entry) * 2 + 1], 0.75f);
    EXPECT_EQ(refs[1].map, layer.vertexMaps[1].get());
    EXPECT_EQ(layer.points[0].vertexMaps[0].entry, 1);
    EXPECT_TRUE(layer.points[1].vertexMaps.empty());
}

TEST(LwoVertexMaps, PerPolygonEntriesGoToTheMatchingCorner)
{
    LwoBytes b;
    b.tags({"s"}).points({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}});
    b.triangles({{0, 1, 2}, {1, 3, 2}});
    // Point 2 of polygon 1 is its third corner; point 0 is no corner of it.
    b.chunk("VMAD", [](LwoBytes& c) { c.id("TXUV").u2(2).s0("uv").vx(2).vx(1).f4(0.5f).f4(0.5f).vx(0).vx(1).f4(0).f4(0); });
    auto object = loadLwo(lwoForm(b));
    ASSERT_TRUE(object);
    const LwoLayer& layer = *object->layers[0];
    EXPECT_TRUE(layer.vertexMaps[0]->perPolygon);
    EXPECT_EQ(layer.vertexMaps[0]->polygons[0], 1);
    ASSERT_EQ(layer.cornerVertexMaps(layer.polygons[1], 2).size(), 1u);
    EXPECT_EQ(layer.cornerVertexMaps(layer.polygons[1], 2)[0].entry, 0);
    EXPECT_TRUE(layer.cornerVertexMaps(layer.polygons[0], 2).empty());
    size_t linked = 0;
    for (size_t corner = 0; corner < layer.corners.size(); ++corner)
        linked += layer.cornerVertexMaps(corner).size();
    EXPECT_EQ(linked, 1u);
    // Per-polygon maps are not linked to points.
    EXPECT_TRUE(layer.points[2].vertexMaps.empty());
}

// ---- normals, links and bounding boxes ------------------------------------------

TEST(LwoNormals, PolygonNormalFollowsFirstEdgeCrossLastEdge)
{
    LwoBytes b;
    b.tags({"s"}).points({{0, 0, 0}, {0, 2, 0}, {2, 0, 0}, {4, 0, 0}});
    b.chunk("POLS", [](LwoBytes& c) {
        c.id("FACE").u2(3).vx(0).vx(1).vx(2);
        c.u2(3).vx(0).vx(2).vx(3); // collinear: no length to divide by
        c.u2(2).vx(0).vx(1);       // a line
    });
    auto object = loadLwo(lwoForm(b));
    ASSERT_TRUE(object);
    const LwoLayer& layer = *object->layers[0];
    expectVec(layer.polygons[0].normal, 0, 0, -1);
    expectVec(layer.polygons[1].normal, 0, 0, 0);
    expectVec(layer.polygons[2].normal, 0, 0, 0);
    // One link per corner, in polygon order.
    auto links = [&layer](size_t point) {
        return std::vector<int>(layer.points[point].polygons.begin(), layer.points[point].polygons.end());
    };
    EXPECT_EQ(links(0), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(links(3), (std::vector<int>{1}));
}

TEST(LwoNormals, TinyAndHugePolygonsStillGetUnitNormals)
{
    // Squared in floats, the cross products of these would underflow to
    // (nearly) nothing or overflow to infinity.
    for (float scale : {1e-21f, 3e-39f, 1e19f, 3e37f}) {
        SCOPED_TRACE(scale);
        LwoBytes b;
        b.tags({"s"}).points({{0, 0, 0}, {0, scale, 0}, {scale, 0, 0}, {2 * scale, scale, 0}});
        b.triangles({{0, 1, 2}, {2, 1, 3}}).surfaceTags(2);
        auto object = loadLwo(lwoForm(b));
        ASSERT_TRUE(object);
        const LwoLayer& layer = *object->layers[0];
        expectVec(layer.polygons[0].normal, 0, 0, -1);
        expectVec(layer.polygons[1].normal, 0, 0, -1);
    }
}

// Two triangles sharing the edge from (0,0,0) to (0,1,0), folded by 60 degrees.
LwoBytes foldedPair(float smoothing, bool sameGroup)
{
    LwoBytes b;
    b.tags({"s"});
    const float c = std::cos(1.0471976f);
    const float s = std::sin(1.0471976f);
    b.points({{0, 0, 0}, {0, 1, 0}, {1, 0, 0}, {-c, 0, s}});
    b.triangles({{0, 1, 2}, {0, 3, 1}}).surfaceTags(2);
    if (!sameGroup)
        b.chunk("PTAG", [](LwoBytes& t) { t.id("SMGP").vx(1).u2(5); });
    b.append(surfaceWithSmoothing("s", smoothing));
    return b;
}

TEST(LwoNormals, SmoothingBlendsCloseNeighboursAtSharedPoints)
{
    auto object = loadLwo(lwoForm(foldedPair(1.2f, true)));
    ASSERT_TRUE(object);
    const LwoLayer& layer = *object->layers[0];
    const auto& n0 = layer.polygons[0].normal;
    const auto& n1 = layer.polygons[1].normal;
    EXPECT_NEAR(n0[0] * n1[0] + n0[1] * n1[1] + n0[2] * n1[2], 0.5f, 1e-5f); // 60 degrees apart
    const float length = std::sqrt(3.0f); // |n0 + n1| for unit normals 60 degrees apart
    const std::array<float, 3> blend{(n0[0] + n1[0]) / length, (n0[1] + n1[1]) / length, (n0[2] + n1[2]) / length};
    const LwoPolygon& first = layer.polygons[0];
    expectVec(layer.corner(first, 0).normal, blend[0], blend[1], blend[2]); // shared point
    expectVec(layer.corner(first, 1).normal, blend[0], blend[1], blend[2]); // shared point
    expectVec(layer.corner(first, 2).normal, n0[0], n0[1], n0[2]);          // its own point
}

TEST(LwoNormals, NoBlendingBeyondTheAngleWithoutSmoothingOrAcrossGroups)
{
    for (auto [smoothing, sameGroup] : {std::pair{0.0f, true}, std::pair{1.0f, true}, std::pair{1.5f, false}}) {
        auto object = loadLwo(lwoForm(foldedPair(smoothing, sameGroup)));
        ASSERT_TRUE(object);
        const LwoLayer& layer = *object->layers[0];
        for (const LwoPolygon& polygon : layer.polygons)
            for (int c = 0; c < 3; ++c)
                expectVec(layer.corner(polygon, c).normal, polygon.normal[0], polygon.normal[1], polygon.normal[2]);
    }
}

TEST(LwoNormals, BoundingBoxIsComputedOnlyWhenAllZero)
{
    auto computed = loadLwo(lwoForm(lwoTriangle()));
    ASSERT_TRUE(computed);
    const std::array<float, 6> expected{0, 0, 0, 1, 1, 0};
    EXPECT_EQ(computed->layers[0]->boundingBox, expected);

    LwoBytes b = lwoTriangle();
    b.chunk("BBOX", [](LwoBytes& c) { c.f4(-9).f4(0).f4(0).f4(0).f4(0).f4(0); });
    auto kept = loadLwo(lwoForm(b));
    ASSERT_TRUE(kept);
    const std::array<float, 6> fromFile{-9, 0, 0, 0, 0, 0};
    EXPECT_EQ(kept->layers[0]->boundingBox, fromFile);
}

// A fan of n smoothed triangles around one point: smoothing compares every
// pair of them there.
std::vector<uint8_t> smoothedFan(int n)
{
    LwoBytes b;
    b.tags({"s"});
    b.chunk("PNTS", [&](LwoBytes& c) {
        c.f4(0).f4(0).f4(0);
        for (int i = 0; i <= n; ++i)
            c.f4(std::cos(float(i) * 0.001f)).f4(std::sin(float(i) * 0.001f)).f4(0.1f);
    });
    b.chunk("POLS", [&](LwoBytes& c) {
        c.id("FACE");
        for (int i = 0; i < n; ++i)
            c.u2(3).vx(0).vx(uint32_t(i + 1)).vx(uint32_t(i + 2));
    });
    b.surfaceTags(uint32_t(n));
    b.append(surfaceWithSmoothing("s", 0.5f));
    return lwoForm(b);
}

TEST(LwoNormals, SmoothingCostIsBounded)
{
    // Two thousand triangles at a point are smoothed as usual...
    auto fan = loadLwo(smoothedFan(2000));
    ASSERT_TRUE(fan);
    const LwoLayer& layer = *fan->layers[0];
    const auto& apex = layer.corner(layer.polygons[1000], 0).normal;
    EXPECT_NEAR(apex[0] * apex[0] + apex[1] * apex[1] + apex[2] * apex[2], 1.0f, 1e-4f);
    // ...but a point shared by so many polygons that comparing every pair
    // would take seconds is refused before the work starts, and reported at
    // the end of the polygons rather than at the surface after them.
    const std::vector<uint8_t> crowded = smoothedFan(12000);
    LwoId id = 0;
    long position = 0;
    EXPECT_FALSE(loadLwo(crowded, &id, &position));
    EXPECT_EQ(id, lwoId("POLS"));
    // The polygons end before the PTAG chunk (8 bytes of header, 4 of type,
    // 4 per pair) and the surface.
    EXPECT_EQ(size_t(position), crowded.size() - surfaceWithSmoothing("s", 0.5f).data.size() - 12 - 4 * 12000);
}
