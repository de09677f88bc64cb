#include "render/ReachedTriangles.h"

#include <algorithm>
#include <cstring>

#include "device/Buffers.h"
#include "render/Mesh.h"

namespace {

// How much nearer than its true distance a triangle may show at a pixel:
// positions and the way to the light are rounded differently here and on the
// way to each pixel, by far less than this at the room's size.
constexpr float ReachMargin = 0.05f;

glm::vec3 vertexPosition(std::span<const uint8_t> vertices, uint16_t index)
{
    MeshVertex vertex;
    std::memcpy(&vertex, vertices.data() + size_t(index) * sizeof(MeshVertex), sizeof(MeshVertex));
    return {vertex.x, vertex.y, vertex.z};
}

} // namespace

// The nearest point is inside the triangle, on an edge or a corner: which
// one follows from where the point's projection falls against each edge.
float distanceToTriangle(const glm::vec3& p, const glm::vec3& a, const glm::vec3& b, const glm::vec3& c)
{
    const glm::vec3 ab = b - a, ac = c - a, ap = p - a;
    const float d1 = glm::dot(ab, ap), d2 = glm::dot(ac, ap);
    if (d1 <= 0.0f && d2 <= 0.0f)
        return glm::length(p - a);
    const glm::vec3 bp = p - b;
    const float d3 = glm::dot(ab, bp), d4 = glm::dot(ac, bp);
    if (d3 >= 0.0f && d4 <= d3)
        return glm::length(p - b);
    const float vc = d1 * d4 - d3 * d2;
    if (vc <= 0.0f && d1 >= 0.0f && d3 <= 0.0f)
        return glm::length(p - (a + ab * (d1 / (d1 - d3))));
    const glm::vec3 cp = p - c;
    const float d5 = glm::dot(ab, cp), d6 = glm::dot(ac, cp);
    if (d6 >= 0.0f && d5 <= d6)
        return glm::length(p - c);
    const float vb = d5 * d2 - d1 * d6;
    if (vb <= 0.0f && d2 >= 0.0f && d6 <= 0.0f)
        return glm::length(p - (a + ac * (d2 / (d2 - d6))));
    const float va = d3 * d6 - d5 * d4;
    if (va <= 0.0f && d4 - d3 >= 0.0f && d5 - d6 >= 0.0f)
        return glm::length(p - (b + (c - b) * ((d4 - d3) / ((d4 - d3) + (d5 - d6)))));
    const float denominator = va + vb + vc;
    if (denominator == 0.0f) // all three corners in a line: the nearest of its ends will do
        return std::min({glm::length(p - a), glm::length(p - b), glm::length(p - c)});
    const float v = vb / denominator, w = vc / denominator;
    return glm::length(p - (a + ab * v + ac * w));
}

CReachedTriangles::CReachedTriangles() = default;
CReachedTriangles::~CReachedTriangles() = default;

void CReachedTriangles::draw(const CMeshSubset& part, const glm::mat4& world, const glm::vec3& light, float reach,
                             std::span<const MeshInstance> instance)
{
    if (!valid || world != chosenWorld || light != chosenLight || reach != chosenReach)
        choose(part, world, light, reach);
    if (chosen)
        part.drawTriangles(*chosen, kept, instance);
}

void CReachedTriangles::choose(const CMeshSubset& part, const glm::mat4& world, const glm::vec3& light, float reach)
{
    valid = true;
    chosenWorld = world;
    chosenLight = light;
    chosenReach = reach;
    kept = 0;
    if (!part.indexBuffer || !part.owner->vertexBuffer)
        return;
    const std::span<const uint16_t> indices = part.indexBuffer->contents();
    const std::span<const uint8_t> vertices = part.owner->vertexBuffer->contents();
    // The device refuses to draw a part that reads past its vertices, and
    // then there is nothing of it in the scene either.
    if (indices.empty() || part.indexBuffer->maxIndex() >= vertices.size() / sizeof(MeshVertex))
        return;
    if (!chosen || chosen->count() != indices.size())
        chosen = std::make_unique<CIndexBuffer>(indices.size());
    uint16_t* out = chosen->lock();
    const size_t triangles = std::min(size_t(std::max(part.triangleCount, 0)), indices.size() / 3);
    for (size_t t = 0; t < triangles; ++t) {
        const uint16_t* corner = &indices[t * 3];
        const auto placed = [&](uint16_t i) { return glm::vec3(world * glm::vec4(vertexPosition(vertices, i), 1.0f)); };
        if (distanceToTriangle(light, placed(corner[0]), placed(corner[1]), placed(corner[2])) >= reach + ReachMargin)
            continue;
        std::copy(corner, corner + 3, out + size_t(kept) * 3);
        ++kept;
    }
    chosen->unlock();
}
