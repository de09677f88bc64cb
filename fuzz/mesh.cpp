// Fuzzes mesh building behind the LightWave reader: arbitrary bytes are read
// as an object and, when that succeeds, turned into a mesh's vertices and
// per-surface triangle indices (the part of a mesh that needs no device).
// Besides crashes and sanitizer reports, the result must be what the buffers
// rely on: every index names a vertex, every polygon becomes one triangle of
// its surface's list, and the vertex normals are means of unit normals.
//
// Built only in the clang fuzz build; seed it with the small objects in
// fuzz/corpus/lwo and the game's meshes (copied from build/media), e.g.
//   UBSAN_OPTIONS=halt_on_error=1 build-fuzz/fuzz_mesh corpus seeds
//       -dict=fuzz/lwo.dict -max_len=65536 -rss_limit_mb=1024 -jobs=1   (one command line)
#include "lwo/LwoObject.h"
#include "render/Mesh.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

size_t countPoints(const LwoObject& object)
{
    size_t points = 0;
    for (const auto& layer : object.layers)
        points += layer->points.size();
    return points;
}

bool allTriangles(const LwoObject& object)
{
    for (const auto& layer : object.layers)
        for (const LwoPolygon& polygon : layer->polygons)
            if (polygon.cornerCount != 3)
                return false;
    return true;
}

// Each polygon's corners, offset by the points of the layers before it, are
// the next three indices of its surface's list.
void checkIndices(const LwoObject& object, const MeshGeometry& geometry)
{
    check(geometry.indicesBySurface.size() == object.surfaces.size());
    std::vector<size_t> next(object.surfaces.size(), 0);
    size_t offset = 0;
    for (const auto& layer : object.layers) {
        for (const LwoPolygon& polygon : layer->polygons) {
            check(polygon.surface >= 0 && size_t(polygon.surface) < object.surfaces.size());
            const std::vector<uint16_t>& list = geometry.indicesBySurface[size_t(polygon.surface)];
            size_t& at = next[size_t(polygon.surface)];
            check(at + 3 <= list.size());
            for (int c = 0; c < 3; ++c)
                check(list[at++] == offset + size_t(layer->corner(polygon, c).point));
        }
        offset += layer->points.size();
    }
    for (size_t s = 0; s < next.size(); ++s)
        check(next[s] == geometry.indicesBySurface[s].size());
}

void checkVertices(const LwoObject& object, const MeshGeometry& geometry)
{
    size_t v = 0;
    for (const auto& layer : object.layers)
        for (const LwoPoint& point : layer->points) {
            const MeshVertex& vertex = geometry.vertices[v++];
            check(vertex.unused[0] == 0.0f && vertex.unused[1] == 0.0f && vertex.unused[2] == 0.0f);
            if (point.polygons.empty()) {
                check(vertex.nx == 0.0f && vertex.ny == 0.0f && vertex.nz == 0.0f);
                continue;
            }
            // A mean of unit (or zero) normals is no longer than one; normals
            // of polygons with non-finite corners prove nothing.
            const float length = std::sqrt(vertex.nx * vertex.nx + vertex.ny * vertex.ny + vertex.nz * vertex.nz);
            if (std::isfinite(length))
                check(length <= 1.0001f);
        }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 256 * 1024)
        return 0;
    LwoObjectPtr object = loadLwoObjectFromMemory(data, size);
    if (!object)
        return 0;
    MeshGeometry geometry;
    switch (buildMeshGeometry(*object, geometry)) {
    case MeshGeometryFault::TooManyPoints:
        check(countPoints(*object) > MeshMaxPoints && geometry.vertices.empty());
        break;
    case MeshGeometryFault::NotTriangles:
        check(!allTriangles(*object) && geometry.vertices.empty());
        break;
    case MeshGeometryFault::None:
        check(allTriangles(*object));
        check(geometry.vertices.size() == countPoints(*object));
        checkIndices(*object, geometry);
        checkVertices(*object, geometry);
        break;
    }
    return 0;
}
