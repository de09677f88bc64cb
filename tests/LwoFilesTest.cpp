// LightWave objects from files: real objects written by other programs, and
// the game's own meshes as the media generator writes them.
#include "lwo/LwoObject.h"

#include "render/Camera.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <stb_image.h>

namespace {

const std::filesystem::path TestDataDir = std::filesystem::path(VESBRIK_TESTDATA_DIR) / "lwo";
const std::filesystem::path MediaDir = VESBRIK_MEDIA_DIR;

struct ExpectedObject {
    std::string file;
    std::string form;
    size_t layers = 0;
    size_t points = 0;
    size_t polygons = 0;
    bool loads = false;
};

std::vector<ExpectedObject> readExpected(const std::filesystem::path& listing)
{
    std::vector<ExpectedObject> all;
    std::ifstream in(listing);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        ExpectedObject e;
        std::string loads;
        std::getline(fields, e.file, '\t');
        fields >> e.form >> e.layers >> e.points >> e.polygons >> loads;
        e.loads = loads == "yes";
        all.push_back(e);
    }
    return all;
}

std::array<float, 3> polygonCentre(const LwoLayer& layer, const LwoPolygon& polygon)
{
    std::array<float, 3> centre{};
    for (int c = 0; c < polygon.cornerCount; ++c)
        for (int a = 0; a < 3; ++a)
            centre[a] += layer.points[size_t(layer.corner(polygon, c).point)].position[a] / float(polygon.cornerCount);
    return centre;
}

// Every edge, matched by the positions of its ends, is used as often in one
// direction as in the other: the surface is closed and all its polygons wind
// the same way (boxes that touch share some edges, hence the counts).
void expectClosedAndConsistent(const LwoLayer& layer)
{
    using Position = std::array<float, 3>;
    std::map<std::pair<Position, Position>, int> edges;
    for (const LwoPolygon& polygon : layer.polygons)
        for (int c = 0; c < polygon.cornerCount; ++c) {
            const Position& a = layer.points[size_t(layer.corner(polygon, c).point)].position;
            const Position& b = layer.points[size_t(layer.corner(polygon, (c + 1) % polygon.cornerCount).point)].position;
            ++edges[{a, b}];
        }
    for (const auto& [edge, count] : edges) {
        auto reverse = edges.find({edge.second, edge.first});
        ASSERT_NE(reverse, edges.end());
        EXPECT_EQ(reverse->second, count);
    }
}

LwoObjectPtr loadMesh(const char* name)
{
    LwoId id = 0;
    auto object = loadLwoObject(MediaDir / name, &id);
    EXPECT_TRUE(object) << name << " fails in chunk " << lwoIdText(id);
    if (object) {
        EXPECT_EQ(object->layers.size(), 1u);
        for (const LwoPolygon& polygon : object->layers[0]->polygons)
            EXPECT_EQ(polygon.cornerCount, 3) << name << " must hold triangles only";
    }
    return object;
}

int surfaceNamed(const LwoObject& object, const std::string& name)
{
    for (size_t s = 0; s < object.surfaces.size(); ++s)
        if (object.surfaces[s]->name == name)
            return int(s);
    return -1;
}

} // namespace

// ---- real objects ----------------------------------------------------------------

TEST(LwoRealFiles, EveryListedFileLoadsWithItsCountsOrFailsCleanly)
{
    const std::filesystem::path listing = TestDataDir / "EXPECTED.tsv";
    if (!std::filesystem::exists(listing))
        GTEST_SKIP() << "no LightWave test objects at " << TestDataDir << "; real-file checks skipped";
    const std::vector<ExpectedObject> expected = readExpected(listing);
    ASSERT_FALSE(expected.empty());
    for (const ExpectedObject& e : expected) {
        SCOPED_TRACE(e.file);
        LwoId id = 0;
        long position = -1;
        auto object = loadLwoObject(TestDataDir / e.file, &id, &position);
        if (!e.loads) {
            EXPECT_FALSE(object);
            if (e.form != "LWO2" && e.form != "LWOB") {
                EXPECT_EQ(position, 12);
            }
            continue;
        }
        ASSERT_TRUE(object) << "fails in chunk " << lwoIdText(id) << " at " << position;
        size_t points = 0;
        size_t polygons = 0;
        for (const auto& layer : object->layers) {
            points += layer->points.size();
            polygons += layer->polygons.size();
            for (const LwoPolygon& polygon : layer->polygons)
                ASSERT_GE(polygon.surface, 0);
        }
        EXPECT_EQ(object->layers.size(), e.layers);
        EXPECT_EQ(points, e.points);
        EXPECT_EQ(polygons, e.polygons);
    }
}

// ---- the game's meshes --------------------------------------------------------------

TEST(LwoGameMeshes, BrickIsAClosedChamferedGlassCube)
{
    auto object = loadMesh("chamferbox.lwo");
    ASSERT_TRUE(object);
    ASSERT_EQ(object->surfaces.size(), 1u);
    EXPECT_EQ(object->surfaces[0]->name, "glass");
    const LwoLayer& layer = *object->layers[0];
    const std::array<float, 6> box{-0.5f, -0.5f, -0.5f, 0.5f, 0.5f, 0.5f};
    EXPECT_EQ(layer.boundingBox, box);
    expectClosedAndConsistent(layer);
    // Convex around its centre: every face looks away from it.
    for (const LwoPolygon& polygon : layer.polygons) {
        const auto centre = polygonCentre(layer, polygon);
        EXPECT_GT(centre[0] * polygon.normal[0] + centre[1] * polygon.normal[1] + centre[2] * polygon.normal[2], 0.0f);
    }
    // Chamfered: no point sits on a corner of the cube.
    for (const LwoPoint& point : layer.points) {
        int onFaces = 0;
        for (float v : point.position)
            onFaces += std::fabs(v) == 0.5f;
        EXPECT_EQ(onFaces, 1);
    }
}

TEST(LwoGameMeshes, FrameSurroundsTheWellWithATexturedSurface)
{
    auto object = loadMesh("frame.lwo");
    ASSERT_TRUE(object);
    const LwoLayer& layer = *object->layers[0];
    expectClosedAndConsistent(layer);

    // The frame entity stands at (4.5, 0, -0.5); the cells fill x -0.5..9.5,
    // y 1..21, z -0.5..0.5 of the world, and no part of the frame may enter it.
    const std::array<float, 3> at{4.5f, 0.0f, -0.5f};
    const std::array<float, 3> wellLow{-0.5f, 1.0f, -0.5f};
    const std::array<float, 3> wellHigh{9.5f, 21.0f, 0.5f};
    bool leftOfWell = false, rightOfWell = false, belowWell = false;
    for (const LwoPolygon& polygon : layer.polygons) {
        std::array<float, 3> low{1e9f, 1e9f, 1e9f}, high{-1e9f, -1e9f, -1e9f};
        for (int c = 0; c < 3; ++c)
            for (int a = 0; a < 3; ++a) {
                const float v = layer.points[size_t(layer.corner(polygon, c).point)].position[a] + at[a];
                low[a] = std::min(low[a], v);
                high[a] = std::max(high[a], v);
            }
        bool overlaps = true;
        for (int a = 0; a < 3; ++a)
            overlaps = overlaps && low[a] < wellHigh[a] - 1e-4f && high[a] > wellLow[a] + 1e-4f;
        EXPECT_FALSE(overlaps);
        leftOfWell = leftOfWell || (high[0] <= wellLow[0] && high[1] >= 20.5f);
        rightOfWell = rightOfWell || (low[0] >= wellHigh[0] && high[1] >= 20.5f);
        belowWell = belowWell || (high[1] <= wellLow[1] && low[0] <= 0.0f && high[0] >= 9.0f);
    }
    EXPECT_TRUE(leftOfWell && rightOfWell && belowWell);

    // The textured surface: first colour texture enabled, image through clip 1,
    // UVs from a TXUV map on every point of it.
    const int frame = surfaceNamed(*object, "frame");
    ASSERT_GE(frame, 0);
    const LwoSurface& surface = *object->surfaces[size_t(frame)];
    ASSERT_FALSE(surface.colourTextures.empty());
    const LwoTexture& texture = *surface.colourTextures[0];
    EXPECT_EQ(texture.enable, 1);
    EXPECT_EQ(texture.type, lwoId("IMAP"));
    ASSERT_EQ(texture.imageMap.clipIndex, 1);
    ASSERT_GE(object->clips.size(), 1u);
    const std::string still = object->clips[0]->still.fileName;
    const std::string imageName = still.substr(still.find_last_of("/:\\") + 1);
    int width = 0, height = 0, channels = 0;
    EXPECT_TRUE(stbi_info((MediaDir / imageName).string().c_str(), &width, &height, &channels)) << imageName;
    EXPECT_GT(width, 0);
    for (const LwoPolygon& polygon : layer.polygons)
        for (int c = 0; c < 3; ++c) {
            const LwoPoint& point = layer.points[size_t(layer.corner(polygon, c).point)];
            ASSERT_FALSE(point.vertexMaps.empty());
            EXPECT_EQ(point.vertexMaps[0].map->type, lwoId("TXUV"));
            EXPECT_EQ(point.vertexMaps[0].map->dimension, 2);
        }

    // A small part lit per vertex by the fixed material.
    const int plate = surfaceNamed(*object, "d3dfixed");
    ASSERT_GE(plate, 0);
    int plateTriangles = 0;
    for (const LwoPolygon& polygon : layer.polygons)
        plateTriangles += polygon.surface == plate;
    EXPECT_GT(plateTriangles, 0);
    EXPECT_LT(plateTriangles, int(layer.polygons.size()) / 2);
}

TEST(LwoGameMeshes, FloorTopLiesOnTheMirrorPlaneUnderTheWell)
{
    auto object = loadMesh("box.lwo");
    ASSERT_TRUE(object);
    const LwoLayer& layer = *object->layers[0];
    expectClosedAndConsistent(layer);
    // The box entity stands at (0, 30, 0): its top must reach world y = 0.
    const auto& box = layer.boundingBox;
    EXPECT_EQ(box[4] + 30.0f, 0.0f);
    EXPECT_LT(box[1] + 30.0f, 0.0f);
    // Far wider and deeper than the well (x -0.5..9.5 at z 0) in every direction.
    EXPECT_LE(box[0], -100.0f);
    EXPECT_GE(box[3], 100.0f);
    EXPECT_LE(box[2], -100.0f);
    EXPECT_GE(box[5], 100.0f);
    // The top face looks up.
    bool topFacesUp = false;
    for (const LwoPolygon& polygon : layer.polygons)
        if (polygonCentre(layer, polygon)[1] == box[4])
            topFacesUp = topFacesUp || polygon.normal[1] == 1.0f;
    EXPECT_TRUE(topFacesUp);
    ASSERT_EQ(object->surfaces.size(), 1u);
}

TEST(LwoGameMeshes, TheBackdropRingsTheCameraAboveTheFloorAndWithinItsFarPlane)
{
    auto object = loadMesh("frame.lwo");
    ASSERT_TRUE(object);
    const LwoLayer& layer = *object->layers[0];
    const int backdrop = surfaceNamed(*object, "backdrop");
    ASSERT_GE(backdrop, 0);
    const LwoSurface& surface = *object->surfaces[size_t(backdrop)];
    ASSERT_FALSE(surface.colourTextures.empty());
    const int clip = surface.colourTextures[0]->imageMap.clipIndex;
    ASSERT_GE(clip, 1);
    ASSERT_LE(size_t(clip), object->clips.size());
    const std::string still = object->clips[size_t(clip - 1)]->still.fileName;
    int width = 0, height = 0, channels = 0;
    EXPECT_TRUE(stbi_info((MediaDir / still.substr(still.find_last_of("/:\\") + 1)).string().c_str(), &width, &height,
                          &channels));

    // The camera's start and the middle of its playing and menu paths.
    const std::array<std::array<float, 3>, 3> eyes = {{{-4.0f, 15.0f, -60.0f}, {4.5f, 12.0f, -35.0f}, {4.5f, 3.0f, -10.0f}}};
    const std::array<float, 3> at{4.5f, 0.0f, -0.5f};
    std::array<float, 3> low{1e9f, 1e9f, 1e9f}, high{-1e9f, -1e9f, -1e9f};
    int triangles = 0;
    for (const LwoPolygon& polygon : layer.polygons) {
        if (polygon.surface != backdrop)
            continue;
        ++triangles;
        for (int c = 0; c < 3; ++c) {
            std::array<float, 3> p = layer.points[size_t(layer.corner(polygon, c).point)].position;
            for (int a = 0; a < 3; ++a) {
                p[a] += at[a];
                low[a] = std::min(low[a], p[a]);
                high[a] = std::max(high[a], p[a]);
            }
            // Nothing under the floor: the mirror pass redraws the scene
            // without the floor, and it would show there.
            EXPECT_GE(p[1], 0.0f);
            for (const auto& eye : eyes) {
                const float dx = p[0] - eye[0], dy = p[1] - eye[1], dz = p[2] - eye[2];
                EXPECT_LT(std::sqrt(dx * dx + dy * dy + dz * dz), SceneFarPlane * 0.9f);
            }
        }
    }
    ASSERT_GT(triangles, 0);
    // It stands around every camera and high over it.
    for (const auto& eye : eyes) {
        EXPECT_LT(low[0], eye[0] - 20.0f);
        EXPECT_GT(high[0], eye[0] + 20.0f);
        EXPECT_LT(low[2], eye[2] - 20.0f);
        EXPECT_GT(high[2], eye[2] + 20.0f);
        EXPECT_GT(high[1], eye[1] + 40.0f);
    }
}
