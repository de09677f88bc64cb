// The cube that stands in for a missing brick mesh: the size of one cell,
// closed, and facing the same way as the game's own brick, so it is lit and
// culled like it.
#include "render/UnitCube.h"

#include <glm/glm.hpp>
#include <map>

#include <gtest/gtest.h>

#include "lwo/LwoObject.h"

namespace {

glm::vec3 positionOf(const MeshVertex& v) { return {v.x, v.y, v.z}; }

// Seen from outside a convex body around the origin, each triangle's turn
// (b - a) x (c - a) points away from the origin.
bool facesOutward(const glm::vec3& a, const glm::vec3& b, const glm::vec3& c)
{
    return glm::dot(glm::cross(b - a, c - a), (a + b + c) / 3.0f) > 0.0f;
}

} // namespace

TEST(UnitCube, FillsOneCellWithClosedOutwardFaces)
{
    const std::vector<MeshVertex> vertices = unitCubeVertices();
    const std::vector<uint16_t> indices = unitCubeIndices();
    ASSERT_EQ(vertices.size(), 24u);
    ASSERT_EQ(indices.size(), 36u);

    // Every edge of a closed surface is used once in each direction.
    std::map<std::pair<int, int>, int> edges;
    auto key = [&](uint16_t i) {
        const glm::vec3 p = positionOf(vertices[i]) * 2.0f;
        return int(std::lround(p.x)) * 9 + int(std::lround(p.y)) * 3 + int(std::lround(p.z));
    };
    for (size_t t = 0; t < indices.size(); t += 3) {
        const glm::vec3 a = positionOf(vertices[indices[t]]);
        const glm::vec3 b = positionOf(vertices[indices[t + 1]]);
        const glm::vec3 c = positionOf(vertices[indices[t + 2]]);
        EXPECT_TRUE(facesOutward(a, b, c)) << "triangle " << t / 3;
        // The flat normal of the face is the turn's direction.
        const glm::vec3 normal{vertices[indices[t]].nx, vertices[indices[t]].ny, vertices[indices[t]].nz};
        EXPECT_GT(glm::dot(glm::normalize(glm::cross(b - a, c - a)), normal), 0.999f);
        for (int e = 0; e < 3; ++e)
            ++edges[{key(indices[t + e]), key(indices[t + (e + 1) % 3])}];
    }
    for (const auto& [edge, count] : edges) {
        EXPECT_EQ(count, 1);
        EXPECT_EQ(edges.count({edge.second, edge.first}), 1u);
    }
    for (const MeshVertex& v : vertices)
        for (float coordinate : {v.x, v.y, v.z})
            EXPECT_FLOAT_EQ(std::fabs(coordinate), 0.5f);
}

TEST(UnitCube, TurnsLikeTheGamesOwnBrick)
{
    LwoId failId = 0;
    LwoObjectPtr brick = loadLwoObject(VESBRIK_MEDIA_DIR "/chamferbox.lwo", &failId);
    ASSERT_TRUE(brick) << "the built brick mesh is needed to compare with";
    int outward = 0, inward = 0;
    for (const auto& layer : brick->layers)
        for (const LwoPolygon& polygon : layer->polygons) {
            glm::vec3 p[3];
            for (int i = 0; i < 3; ++i) {
                const auto& position = layer->points[size_t(layer->corner(polygon, i).point)].position;
                p[i] = {position[0], position[1], position[2]};
            }
            ++(facesOutward(p[0], p[1], p[2]) ? outward : inward);
        }
    EXPECT_GT(outward, 0);
    EXPECT_EQ(inward, 0) << "the brick turns the other way: the cube must follow it";
}
