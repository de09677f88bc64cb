#include "render/Mesh.h"

#include <algorithm>

#include "device/Device.h"
#include "files/FileProblems.h"
#include "lwo/LwoObject.h"

namespace {

// Parts are made and drawn on the one thread that owns the device.
uint64_t nextSubsetSerial = 1;

// The surface's colours and shading values as the materials take them.
MaterialValues surfaceValues(const LwoSurface& surface)
{
    MaterialValues values;
    const float diffuse = surface.diffuse.value;
    const float luminous = surface.luminosity.value;
    values.diffuse = {surface.colour[0] * diffuse, surface.colour[1] * diffuse, surface.colour[2] * diffuse, diffuse};
    values.specular = glm::vec4(surface.specularity.value);
    values.luminous = {surface.colour[0] * luminous, surface.colour[1] * luminous, surface.colour[2] * luminous,
                       luminous};
    values.reflection = glm::vec4(surface.reflection.value);
    values.power = surface.glossiness.value * 10.0f;
    return values;
}

// The still image of the surface's first colour texture layer, when that
// layer is an enabled image map; "" otherwise. Procedural and gradient layers
// have no image to show, so they give no texture.
std::string colourImageName(const LwoObject& object, const LwoSurface& surface)
{
    if (surface.colourTextures.empty())
        return "";
    const LwoTexture& layer = *surface.colourTextures.front();
    if (layer.enable != 1 || layer.type != lwoId("IMAP"))
        return "";
    // Clip k counts from 1 in file order; k of 1 or less is the first clip.
    const size_t k = layer.imageMap.clipIndex <= 1 ? 0 : size_t(layer.imageMap.clipIndex - 1);
    if (k >= object.clips.size())
        return "";
    return object.clips[k]->still.fileName;
}

bool allTriangles(const LwoObject& object)
{
    for (const auto& layer : object.layers)
        for (const LwoPolygon& polygon : layer->polygons)
            if (polygon.cornerCount != 3)
                return false;
    return true;
}

size_t pointCount(const LwoObject& object)
{
    size_t count = 0;
    for (const auto& layer : object.layers)
        count += layer->points.size();
    return count;
}

// The triangles of every surface as 16-bit indices into the whole vertex
// buffer, in layer and polygon order, gathered in one pass over the object.
// A later layer's points follow the earlier layers' points in the buffer, so
// its indices are offset by their count.
std::vector<std::vector<uint16_t>> indicesBySurface(const LwoObject& object)
{
    std::vector<std::vector<uint16_t>> indices(object.surfaces.size());
    size_t offset = 0;
    for (const auto& layer : object.layers) {
        for (const LwoPolygon& polygon : layer->polygons) {
            if (polygon.surface < 0 || size_t(polygon.surface) >= indices.size())
                continue;
            std::vector<uint16_t>& list = indices[size_t(polygon.surface)];
            for (int i = 0; i < 3; ++i)
                list.push_back(uint16_t(offset + size_t(layer->corner(polygon, i).point)));
        }
        offset += layer->points.size();
    }
    return indices;
}

} // namespace

// ---- subsets ---------------------------------------------------------------------

CMeshSubset::CMeshSubset(const CMesh& owner) : owner(&owner), serial(nextSubsetSerial++) {}

CMeshSubset::~CMeshSubset() = default;

void CMeshSubset::drawSubset() const
{
    if (!indexBuffer || !owner->vertexBuffer || triangleCount <= 0)
        return;
    CDevice& d = device();
    d.setVertexLayout(MeshVertexLayout);
    d.setStreamSource(owner->vertexBuffer.get(), sizeof(MeshVertex));
    d.setIndices(indexBuffer.get());
    d.drawIndexedPrimitive(PrimitiveType::TriangleList, 0, 0, triangleCount);
}

void CMeshSubset::drawTriangles(const CIndexBuffer& chosen, int triangles,
                                std::span<const MeshInstance> instances) const
{
    if (!owner->vertexBuffer || triangles <= 0)
        return;
    CDevice& d = device();
    d.setVertexLayout(MeshVertexLayout);
    d.setStreamSource(owner->vertexBuffer.get(), sizeof(MeshVertex));
    d.setIndices(&chosen);
    if (instances.empty())
        d.drawIndexedPrimitive(PrimitiveType::TriangleList, 0, 0, triangles);
    else
        d.drawIndexedPrimitiveInstanced(PrimitiveType::TriangleList, 0, 0, triangles, instances.data(),
                                        static_cast<int>(instances.size()));
}

void CMeshSubset::drawInstances(std::span<const MeshInstance> instances) const
{
    if (!indexBuffer || !owner->vertexBuffer || triangleCount <= 0 || instances.empty())
        return;
    CDevice& d = device();
    d.setVertexLayout(MeshVertexLayout);
    d.setStreamSource(owner->vertexBuffer.get(), sizeof(MeshVertex));
    d.setIndices(indexBuffer.get());
    d.drawIndexedPrimitiveInstanced(PrimitiveType::TriangleList, 0, 0, triangleCount, instances.data(),
                                    static_cast<int>(instances.size()));
}

// ---- building --------------------------------------------------------------------

std::string objectDirectory(const std::string& fileName)
{
    size_t cut = fileName.rfind('\\');
    if (cut == std::string::npos)
        cut = fileName.rfind('/');
    return cut == std::string::npos ? "" : fileName.substr(0, cut + 1);
}

std::string clipTexturePath(const std::string& directory, const std::string& clipFileName)
{
    // A clip name is "device:folder/file" or "folder/file" in LightWave's own
    // notation, and Windows names use "\": only the last part is kept, so the
    // image is found beside the object wherever it was made.
    const size_t colon = clipFileName.find(':');
    const size_t split = colon == std::string::npos ? 0 : colon + 1;
    std::string name = clipFileName.substr(0, split) + "/" + clipFileName.substr(split);
    std::replace(name.begin(), name.end(), '/', '\\');
    name = name.substr(name.rfind('\\') + 1);
    std::string path = directory + name;
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

std::vector<MeshVertex> meshVertices(const LwoObject& object)
{
    std::vector<MeshVertex> vertices;
    vertices.reserve(pointCount(object));
    for (const auto& layer : object.layers)
        for (const LwoPoint& point : layer->points) {
            MeshVertex v{};
            v.x = point.position[0];
            v.y = point.position[1];
            v.z = point.position[2];
            // A point shared by faces of different directions gets one
            // blended normal: the bricks' rounded look comes from this.
            if (!point.polygons.empty()) {
                float sum[3] = {};
                for (int polygon : point.polygons)
                    for (int axis = 0; axis < 3; ++axis)
                        sum[axis] += layer->polygons[size_t(polygon)].normal[size_t(axis)];
                const float count = float(point.polygons.size());
                v.nx = sum[0] / count;
                v.ny = sum[1] / count;
                v.nz = sum[2] / count;
            }
            if (!point.vertexMaps.empty() && point.vertexMaps.front().map) {
                const LwoVertexMapRef& ref = point.vertexMaps.front();
                const LwoVertexMap& map = *ref.map;
                const size_t first = size_t(ref.entry) * size_t(map.dimension);
                if (map.dimension >= 1 && first < map.values.size())
                    v.u = map.values[first];
                if (map.dimension >= 2 && first + 1 < map.values.size())
                    v.v = map.values[first + 1];
            }
            vertices.push_back(v);
        }
    return vertices;
}

bool CMesh::buildMesh(const std::filesystem::path& fileName, const MaterialForSurface& materialFor)
{
    LwoId failId = 0;
    LwoObjectPtr object = loadLwoObject(fileName, &failId);
    if (!object || failId != 0)
        return false;
    return buildFromObject(*object, objectDirectory(fileName.string()), materialFor);
}

MeshGeometryFault buildMeshGeometry(const LwoObject& object, MeshGeometry& geometry)
{
    geometry = {};
    // Beyond 16-bit indices the triangles would silently point at the wrong
    // points.
    if (pointCount(object) > MeshMaxPoints)
        return MeshGeometryFault::TooManyPoints;
    if (!allTriangles(object))
        return MeshGeometryFault::NotTriangles;
    geometry.indicesBySurface = indicesBySurface(object);
    geometry.vertices = meshVertices(object);
    return MeshGeometryFault::None;
}

bool CMesh::buildFromObject(const LwoObject& object, const std::string& directory,
                            const MaterialForSurface& materialFor)
{
    MeshGeometry geometry;
    const MeshGeometryFault fault = buildMeshGeometry(object, geometry);
    // Too many points: refused before making anything.
    if (fault == MeshGeometryFault::TooManyPoints)
        return false;

    const bool triangles = fault == MeshGeometryFault::None;
    const std::vector<std::vector<uint16_t>>& surfaceIndices = geometry.indicesBySurface;
    for (size_t s = 0; s < object.surfaces.size(); ++s) {
        const LwoSurface& surface = *object.surfaces[s];
        subsets.push_back(std::make_unique<CMeshSubset>(*this));
        CMeshSubset& subset = *subsets.back();
        subset.values = surfaceValues(surface);
        if (materialFor)
            subset.material = materialFor(surface.name.empty() ? "default" : surface.name);
        if (!triangles)
            return false;

        const std::vector<uint16_t>& indices = surfaceIndices[s];
        subset.triangleCount = int(indices.size() / 3);
        if (!indices.empty()) {
            subset.indexBuffer = std::make_unique<CIndexBuffer>(indices.size());
            std::copy(indices.begin(), indices.end(), subset.indexBuffer->lock());
            subset.indexBuffer->unlock();
        }

        const std::string image = colourImageName(object, surface);
        if (!image.empty()) {
            const std::string path = clipTexturePath(directory, image);
            std::string problem;
            subset.texture = loadTextureFromFile(path, nullptr, &problem);
            subset.values.texture = subset.texture.get();
            if (!subset.texture)
                reportFileProblem(path, whyUnusable(path, problem.empty() ? "not a readable image" : problem),
                                  "surface \"" + surface.name + "\" is drawn without it");
        }
    }
    // An object without surfaces still has to be all triangles.
    if (!triangles)
        return false;

    setVertices(geometry.vertices);
    return true;
}

void CMesh::setVertices(const std::vector<MeshVertex>& vertices)
{
    vertexCount = int(vertices.size());
    vertexBuffer.reset();
    bounds.reset();
    if (vertices.empty())
        return;
    vertexBuffer = std::make_unique<CVertexBuffer>(vertices.size() * sizeof(MeshVertex));
    std::copy_n(reinterpret_cast<const uint8_t*>(vertices.data()), vertices.size() * sizeof(MeshVertex),
                vertexBuffer->lock());
    vertexBuffer->unlock();
    Bounds box{glm::vec3(vertices.front().x, vertices.front().y, vertices.front().z), glm::vec3(0.0f)};
    box.highest = box.lowest;
    for (const MeshVertex& vertex : vertices) {
        const glm::vec3 point{vertex.x, vertex.y, vertex.z};
        box.lowest = glm::min(box.lowest, point);
        box.highest = glm::max(box.highest, point);
    }
    bounds = box;
}
