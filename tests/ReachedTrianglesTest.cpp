// Which triangles of a large part the spot light reaches: a triangle is
// left out only when all of it lies beyond the reach, nearest point, edge
// or interior alike, and the choice follows the part and the light.
#include "DeviceTestContext.h"

#include "render/Mesh.h"
#include "render/ReachedTriangles.h"

#include <glm/gtc/matrix_transform.hpp>

#include <algorithm>
#include <vector>

namespace {

using ReachedTriangles = DeviceTest;

TEST_F(ReachedTriangles, ATriangleIsLeftOutOnlyWhenAllOfItLiesBeyondTheReach)
{
    const glm::vec3 light{0.0f};
    const std::vector<glm::vec3> corners = {
        // Corners far away, the middle close by: the nearest point is inside.
        {-200.0f, -200.0f, 50.0f}, {200.0f, -200.0f, 50.0f}, {0.0f, 300.0f, 50.0f},
        // Wholly beyond, facing the light straight on.
        {-5.0f, -5.0f, 150.0f}, {5.0f, -5.0f, 150.0f}, {0.0f, 5.0f, 150.0f},
        // Nearest along an edge, at 120 and at 90.
        {120.0f, -10.0f, 0.0f}, {120.0f, 10.0f, 0.0f}, {200.0f, 0.0f, 0.0f},
        {90.0f, -10.0f, 0.0f}, {90.0f, 10.0f, 0.0f}, {200.0f, 0.0f, 5.0f},
        // Nearest at a corner, at 99.99: within the reach.
        {0.0f, -99.99f, 0.0f}, {10.0f, -150.0f, 0.0f}, {-10.0f, -150.0f, 0.0f},
    };
    EXPECT_NEAR(distanceToTriangle(light, corners[0], corners[1], corners[2]), 50.0f, 1e-3f);
    EXPECT_NEAR(distanceToTriangle(light, corners[3], corners[4], corners[5]), 150.0f, 1e-3f);
    EXPECT_NEAR(distanceToTriangle(light, corners[6], corners[7], corners[8]), 120.0f, 1e-3f);
    EXPECT_NEAR(distanceToTriangle(light, corners[12], corners[13], corners[14]), 99.99f, 1e-3f);

    CMesh mesh;
    mesh.vertexCount = int(corners.size());
    mesh.vertexBuffer = std::make_unique<CVertexBuffer>(corners.size() * sizeof(MeshVertex));
    std::vector<MeshVertex> vertices(corners.size());
    for (size_t i = 0; i < corners.size(); ++i)
        vertices[i] = MeshVertex{corners[i].x, corners[i].y, corners[i].z, 0, 0, -1, 0, 0, {}};
    std::copy_n(reinterpret_cast<const uint8_t*>(vertices.data()), mesh.vertexBuffer->size(), mesh.vertexBuffer->lock());
    mesh.vertexBuffer->unlock();
    CMeshSubset part(mesh);
    part.triangleCount = int(corners.size() / 3);
    part.indexBuffer = std::make_unique<CIndexBuffer>(corners.size());
    for (size_t i = 0; i < corners.size(); ++i)
        part.indexBuffer->lock()[i] = uint16_t(i);
    part.indexBuffer->unlock();

    CReachedTriangles reached;
    reached.draw(part, glm::mat4(1.0f), light, 100.0f);
    EXPECT_EQ(reached.drawnTriangles(), 3) << "the one around the light, the edge at 90, the corner at 99.99";
    // The part placed 60 nearer along z: the one beyond comes within reach,
    // the edges and the corner move out of it.
    reached.draw(part, glm::translate(glm::mat4(1.0f), {0.0f, 0.0f, -60.0f}), light, 100.0f);
    EXPECT_EQ(reached.drawnTriangles(), 2);
    // The light moved out beyond the far triangle: only that one is reached.
    reached.draw(part, glm::mat4(1.0f), {0.0f, 0.0f, 200.0f}, 100.0f);
    EXPECT_EQ(reached.drawnTriangles(), 1);
}

} // namespace
