#include "render/UnitCube.h"

#include <algorithm>
#include <array>

namespace {

// Each face by its outward axis and side; its corners are listed so that
// they run around the face in the winding the meshes use.
struct Face {
    int axis;    // 0 x, 1 y, 2 z
    float side;  // -1 or +1
};
constexpr std::array<Face, 6> Faces = {{{0, -1}, {0, 1}, {1, -1}, {1, 1}, {2, -1}, {2, 1}}};

} // namespace

std::vector<MeshVertex> unitCubeVertices()
{
    std::vector<MeshVertex> vertices;
    for (const Face& face : Faces) {
        const int a1 = (face.axis + 1) % 3;
        const int a2 = (face.axis + 2) % 3;
        // (a1, a2) turning from (-,-) through (+,-), (+,+), (-,+) turns about
        // +axis; on the negative side the turn is reversed to face outward.
        constexpr std::array<std::array<float, 2>, 4> Turn = {{{-1, -1}, {1, -1}, {1, 1}, {-1, 1}}};
        for (int i = 0; i < 4; ++i) {
            const auto& corner = Turn[size_t(face.side > 0 ? i : 3 - i)];
            float position[3];
            position[face.axis] = 0.5f * face.side;
            position[a1] = 0.5f * corner[0];
            position[a2] = 0.5f * corner[1];
            float normal[3] = {};
            normal[face.axis] = face.side;
            MeshVertex v{};
            v.x = position[0];
            v.y = position[1];
            v.z = position[2];
            v.nx = normal[0];
            v.ny = normal[1];
            v.nz = normal[2];
            v.u = corner[0] > 0 ? 1.0f : 0.0f;
            v.v = corner[1] > 0 ? 0.0f : 1.0f;
            vertices.push_back(v);
        }
    }
    return vertices;
}

std::vector<uint16_t> unitCubeIndices()
{
    std::vector<uint16_t> indices;
    for (uint16_t face = 0; face < Faces.size(); ++face) {
        const uint16_t first = uint16_t(face * 4);
        for (uint16_t corner : {0, 1, 2, 0, 2, 3})
            indices.push_back(uint16_t(first + corner));
    }
    return indices;
}

void buildUnitCube(CMesh& mesh, CMaterial* material)
{
    mesh.subsets.clear();
    mesh.setVertices(unitCubeVertices());

    const std::vector<uint16_t> indices = unitCubeIndices();
    auto subset = std::make_unique<CMeshSubset>(mesh);
    subset->indexBuffer = std::make_unique<CIndexBuffer>(indices.size());
    std::copy(indices.begin(), indices.end(), subset->indexBuffer->lock());
    subset->indexBuffer->unlock();
    subset->triangleCount = int(indices.size() / 3);
    // White glass that takes the board's colours, a little shiny, as the
    // bricks are meant to look.
    subset->values.diffuse = glm::vec4(1.0f);
    subset->values.specular = glm::vec4(0.9f);
    subset->values.luminous = glm::vec4(0.1f);
    subset->values.reflection = glm::vec4(0.3f);
    subset->values.power = 8.0f;
    subset->material = material;
    mesh.subsets.push_back(std::move(subset));
}
