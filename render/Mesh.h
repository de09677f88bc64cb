#pragma once
// The drawable form of a LightWave object: one vertex buffer holding every
// point of the object and one subset per surface, each with its triangles'
// indices, its colours, an optional texture and the material that draws it.
// The LightWave data is not needed once the mesh is built.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <glm/glm.hpp>

#include "device/Buffers.h"
#include "device/Device.h"
#include "device/Texture.h"
#include "render/Material.h"

struct LwoObject;
struct LwoSurface;
class CMesh;

// One vertex as the meshes store it (44 bytes), and what it feeds.
struct MeshVertex {
    float x, y, z;
    float nx, ny, nz;
    float u, v;
    float unused[3]; // the second texture set, always 0
};
static_assert(sizeof(MeshVertex) == 44, "mesh vertices are 44 bytes");
inline constexpr VertexAttribute MeshVertexAttributes[] = {
    {VertexInput::Position, offsetof(MeshVertex, x), 3},
    {VertexInput::Normal, offsetof(MeshVertex, nx), 3},
    {VertexInput::TexCoord0, offsetof(MeshVertex, u), 2},
    {VertexInput::TexCoord1, offsetof(MeshVertex, unused), 3},
};
inline constexpr VertexLayout MeshVertexLayout{MeshVertexAttributes, sizeof(MeshVertex)};

// Meshes use 16-bit indices, so an object may have at most this many points.
constexpr size_t MeshMaxPoints = 65536;

// Picks the material for a surface name ("glass", "d3dfixed", anything else).
using MaterialForSurface = std::function<CMaterial*(const std::string& surfaceName)>;

class CMeshSubset {
public:
    explicit CMeshSubset(const CMesh& owner);
    ~CMeshSubset();
    CMeshSubset(const CMeshSubset&) = delete;
    CMeshSubset& operator=(const CMeshSubset&) = delete;

    // Draws the subset's triangles from the owner's vertex buffer and its own
    // index buffer, binding both every time: the device sends GL only what
    // changed, so a subset drawn for many entities in a row still costs one
    // draw call each, and a draw never depends on what was bound before.
    void drawSubset() const;
    // The same once per instance, in one draw.
    void drawInstances(std::span<const MeshInstance> instances) const;
    // The first `triangles` triangles of another list of the part's own
    // triangles (a choice of them), with the part's vertices; once per
    // instance in one draw when instances are given.
    void drawTriangles(const CIndexBuffer& chosen, int triangles, std::span<const MeshInstance> instances = {}) const;

    std::unique_ptr<CIndexBuffer> indexBuffer; // none when it has no triangles
    int triangleCount = 0;
    MaterialValues values;                     // values.texture is `texture`
    std::unique_ptr<CTexture> texture;
    CMaterial* material = nullptr;             // not owned
    const CMesh* owner;
    // A number no other part has had: what work kept for a part is filed
    // under, since a new part may take the address of a freed one.
    const uint64_t serial;
};

class CMesh {
public:
    // Loads the object file and builds the buffers and subsets. Fails when the
    // file cannot be read, when a polygon is not a triangle, or when the
    // object has more points than 16-bit indices reach; subsets made before
    // the failure stay and the mesh then has no vertex buffer.
    bool buildMesh(const std::filesystem::path& fileName, const MaterialForSurface& materialFor);
    // The same from an object already read; textures are looked up in `directory`.
    bool buildFromObject(const LwoObject& object, const std::string& directory, const MaterialForSurface& materialFor);

    // Fills the vertex buffer with these vertices and takes the box around
    // them; no vertices leave the mesh without either.
    void setVertices(const std::vector<MeshVertex>& vertices);

    // The smallest box, in the mesh's own space, that holds every vertex.
    struct Bounds {
        glm::vec3 lowest;
        glm::vec3 highest;
    };

    int vertexCount = 0;
    std::unique_ptr<CVertexBuffer> vertexBuffer;
    // None until vertices are set: then nothing may be assumed of where it lies.
    std::optional<Bounds> bounds;
    std::vector<std::unique_ptr<CMeshSubset>> subsets;
};

// The folder of an object file, with its separator: the name up to and
// including its last "\", or else its last "/", or else nothing.
std::string objectDirectory(const std::string& fileName);

// Where the texture of an image clip is looked for: the clip's own file name
// (whatever device prefix and folders it was saved with) in the object's
// directory. The result uses "/" between folders.
std::string clipTexturePath(const std::string& objectDirectory, const std::string& clipFileName);

// The averaged normal of every point: the plain mean of the normals of the
// polygons that use it (one term per use, not renormalised), zero for an
// unused point. All layers, in order.
std::vector<MeshVertex> meshVertices(const LwoObject& object);

// What a mesh's buffers hold, worked out without a device: every point of
// the object as a vertex, and for each surface (in the object's order) the
// 16-bit indices of its triangles.
struct MeshGeometry {
    std::vector<MeshVertex> vertices;
    std::vector<std::vector<uint16_t>> indicesBySurface;
};

// Why an object cannot become a mesh.
enum class MeshGeometryFault { None, TooManyPoints, NotTriangles };

// Fills `geometry` from the object, or says why it cannot (then `geometry` is
// left empty).
MeshGeometryFault buildMeshGeometry(const LwoObject& object, MeshGeometry& geometry);
