#include "render/WorldBatch.h"

#include "device/Device.h"
#include "render/Mesh.h"
#include "render/SceneEntity.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t IndexReach = 65536;

// Room for this many, with some to spare so a frame with a few more bricks
// does not make new buffers.
size_t grown(size_t needed) { return needed + needed / 2 + 64; }

} // namespace

CWorldBatch::CWorldBatch() = default;
CWorldBatch::~CWorldBatch() = default;

void CWorldBatch::gather(const RenderList& items)
{
    static_assert(sizeof(Vertex) == sizeof(MeshVertex), "mesh vertices are copied as they are");
    vertices.clear();
    indices.clear();
    runs.clear();
    // Subsets of one entity's mesh share its vertices: they are put into
    // world space once.
    const CSceneEntity* lastEntity = nullptr;
    const CMesh* lastMesh = nullptr;
    int meshBase = 0;
    for (const RenderItem& item : items) {
        if (!item.subset || !item.entity || !item.subset->indexBuffer || item.subset->triangleCount <= 0)
            continue;
        const CMesh* mesh = item.subset->owner;
        if (!mesh || !mesh->vertexBuffer || mesh->vertexCount <= 0)
            continue;
        const auto& meshBytes = mesh->vertexBuffer->contents();
        const size_t meshVertices = std::min(static_cast<size_t>(mesh->vertexCount), meshBytes.size() / sizeof(MeshVertex));
        const auto& subsetIndices = item.subset->indexBuffer->contents();
        const size_t indexCount = std::min(static_cast<size_t>(item.subset->triangleCount) * 3, subsetIndices.size());
        if (meshVertices == 0 || meshVertices > IndexReach || indexCount == 0)
            continue;

        const bool sameVertices = item.entity == lastEntity && mesh == lastMesh;
        if (!sameVertices) {
            if (runs.empty() || static_cast<size_t>(runs.back().vertexCount) + meshVertices > IndexReach)
                runs.push_back({static_cast<int>(vertices.size()), 0, static_cast<int>(indices.size()), 0});
            Run& run = runs.back();
            meshBase = run.vertexCount;
            const glm::mat4& world = item.entity->world;
            const glm::mat3 normalMatrix = glm::transpose(glm::inverse(glm::mat3(world)));
            const size_t first = vertices.size();
            vertices.resize(first + meshVertices);
            std::memcpy(&vertices[first], meshBytes.data(), meshVertices * sizeof(MeshVertex));
            for (size_t i = first; i < vertices.size(); ++i) {
                Vertex& v = vertices[i];
                const glm::vec4 position = world * glm::vec4(v.x, v.y, v.z, 1.0f);
                const glm::vec3 normal = normalMatrix * glm::vec3(v.nx, v.ny, v.nz);
                v.x = position.x, v.y = position.y, v.z = position.z;
                v.nx = normal.x, v.ny = normal.y, v.nz = normal.z;
            }
            run.vertexCount += static_cast<int>(meshVertices);
            lastEntity = item.entity;
            lastMesh = mesh;
        }
        Run& run = runs.back();
        for (size_t i = 0; i < indexCount; ++i) {
            // An index past the mesh's vertices would read another brick's:
            // such a subset is as broken as its own draw would refuse.
            const size_t index = std::min<size_t>(subsetIndices[i], meshVertices - 1);
            indices.push_back(static_cast<uint16_t>(meshBase + static_cast<int>(index)));
        }
        run.triangleCount += static_cast<int>(indexCount / 3);
    }
    std::erase_if(runs, [](const Run& run) { return run.triangleCount == 0; });
    if (!runs.empty())
        upload();
}

void CWorldBatch::upload()
{
    // The device refuses a draw whose base plus the buffer's largest index
    // runs past the vertices, so the vertex buffer reaches that far for
    // every run.
    size_t largestIndex = 0;
    for (uint16_t index : indices)
        largestIndex = std::max<size_t>(largestIndex, index);
    size_t vertexRoom = vertices.size();
    for (const Run& run : runs)
        vertexRoom = std::max(vertexRoom, static_cast<size_t>(run.baseVertex) + largestIndex + 1);

    const size_t vertexBytes = vertexRoom * sizeof(Vertex);
    if (!vertexBuffer || vertexBuffer->size() < vertexBytes)
        vertexBuffer = std::make_unique<CVertexBuffer>(grown(vertexRoom) * sizeof(Vertex));
    if (!indexBuffer || indexBuffer->count() < indices.size())
        indexBuffer = std::make_unique<CIndexBuffer>(grown(indices.size()));
    std::memcpy(vertexBuffer->lock(), vertices.data(), vertices.size() * sizeof(Vertex));
    vertexBuffer->unlock();
    // The rest is cleared: the device checks the largest index of the whole
    // buffer, and a longer list of an earlier frame must not count.
    uint16_t* indexTarget = indexBuffer->lock();
    std::copy(indices.begin(), indices.end(), indexTarget);
    std::fill(indexTarget + indices.size(), indexTarget + indexBuffer->count(), uint16_t{0});
    indexBuffer->unlock();
}

void CWorldBatch::draw()
{
    if (runs.empty())
        return;
    CDevice& d = device();
    d.setFvf(FvfMesh);
    d.setStreamSource(vertexBuffer.get(), sizeof(Vertex));
    d.setIndices(indexBuffer.get());
    for (const Run& run : runs)
        d.drawIndexedPrimitive(PrimitiveType::TriangleList, run.baseVertex, 0, run.vertexCount, run.startIndex,
                               run.triangleCount);
}
