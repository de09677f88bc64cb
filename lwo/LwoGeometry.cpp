#include "lwo/LwoGeometry.h"

#include <cmath>
#include <unordered_map>

namespace {

using Vec3 = std::array<float, 3>;

Vec3 sub(const Vec3& a, const Vec3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }

Vec3 cross(const Vec3& a, const Vec3& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

float dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// Divides by the length only when there is one, so degenerate polygons keep a
// zero normal rather than a NaN one.
Vec3 normalised(const Vec3& v)
{
    const float length = std::sqrt(dot(v, v));
    if (!(length > 0.0f))
        return v;
    return {v[0] / length, v[1] / length, v[2] / length};
}

// A point index read from a file, offset as the chunk requires, must name a
// point of the layer.
bool validIndex(int64_t index, size_t count) { return index >= 0 && uint64_t(index) < count; }

// Smoothing compares every polygon at a point with every other one there, so
// its cost grows with the square of the busiest point's use. Real meshes stay
// far below this; a file built to exceed it is refused rather than ground through.
constexpr int64_t SmoothingBudget = int64_t(1) << 27;

void computeBoundingBox(LwoLayer& layer)
{
    if (layer.points.empty())
        return;
    for (float v : layer.boundingBox)
        if (v != 0.0f)
            return;
    layer.boundingBox = {1e20f, 1e20f, 1e20f, -1e20f, -1e20f, -1e20f};
    for (const LwoPoint& point : layer.points)
        for (int axis = 0; axis < 3; ++axis) {
            layer.boundingBox[axis] = std::min(layer.boundingBox[axis], point.position[axis]);
            layer.boundingBox[3 + axis] = std::max(layer.boundingBox[3 + axis], point.position[axis]);
        }
}

void computePolygonNormals(LwoLayer& layer)
{
    for (LwoPolygon& polygon : layer.polygons) {
        if (polygon.cornerCount < 3)
            continue;
        const Vec3& p0 = layer.points[size_t(layer.corner(polygon, 0).point)].position;
        const Vec3& p1 = layer.points[size_t(layer.corner(polygon, 1).point)].position;
        const Vec3& pn = layer.points[size_t(layer.corner(polygon, polygon.cornerCount - 1).point)].position;
        polygon.normal = normalised(cross(sub(p1, p0), sub(pn, p0)));
    }
}

void linkPointsToPolygons(LwoLayer& layer)
{
    for (size_t i = 0; i < layer.polygons.size(); ++i) {
        const LwoPolygon& polygon = layer.polygons[i];
        for (int c = 0; c < polygon.cornerCount; ++c)
            layer.points[size_t(layer.corner(polygon, c).point)].polygons.push_back(int(i));
    }
}

// Every polygon gets the first surface named as its tag; tags no surface names
// get a default surface of that name, made once.
bool resolveSurfaces(LwoObject& object)
{
    const std::vector<std::string>& tags = object.tags.tags;
    std::vector<int> surfaceOfTag(tags.size(), -1);
    std::unordered_map<std::string, int> firstSurfaceNamed;
    for (size_t s = 0; s < object.surfaces.size(); ++s) {
        const std::string& name = object.surfaces[s]->name;
        if (!name.empty())
            firstSurfaceNamed.emplace(name, int(s));
    }
    for (size_t t = 0; t < tags.size(); ++t) {
        auto found = firstSurfaceNamed.find(tags[t]);
        if (!tags[t].empty() && found != firstSurfaceNamed.end())
            surfaceOfTag[t] = found->second;
    }
    for (auto& layer : object.layers)
        for (LwoPolygon& polygon : layer->polygons) {
            if (!validIndex(polygon.surfaceTag, tags.size()))
                return false;
            int& surface = surfaceOfTag[size_t(polygon.surfaceTag)];
            if (surface < 0) {
                auto created = createDefaultLwoSurface();
                created->name = tags[size_t(polygon.surfaceTag)];
                object.surfaces.push_back(std::move(created));
                surface = int(object.surfaces.size()) - 1;
            }
            polygon.surface = surface;
        }
    return true;
}

// The work smoothing takes: for every corner of a smoothed polygon, the
// polygons at its point.
int64_t smoothingWork(const LwoLayer& layer, const LwoObject& object)
{
    int64_t work = 0;
    for (const LwoPolygon& polygon : layer.polygons) {
        if (!(object.surfaces[size_t(polygon.surface)]->smoothingAngle > 0.0f))
            continue;
        for (int c = 0; c < polygon.cornerCount; ++c)
            work += int64_t(layer.points[size_t(layer.corner(polygon, c).point)].polygons.size());
    }
    return work;
}

bool computeCornerNormals(LwoLayer& layer, const LwoObject& object)
{
    if (smoothingWork(layer, object) > SmoothingBudget)
        return false;
    for (size_t i = 0; i < layer.polygons.size(); ++i) {
        const LwoPolygon& polygon = layer.polygons[i];
        const float angle = object.surfaces[size_t(polygon.surface)]->smoothingAngle;
        // acos(dot) <= angle, without the acos; dot products a hair above 1
        // between parallel faces still count as parallel.
        const float cosAngle = std::cos(angle);
        for (int c = 0; c < polygon.cornerCount; ++c) {
            LwoPolygonVertex& corner = layer.corner(polygon, c);
            corner.normal = polygon.normal;
            if (!(angle > 0.0f))
                continue;
            Vec3 sum = polygon.normal;
            for (int other : layer.points[size_t(corner.point)].polygons) {
                if (size_t(other) == i)
                    continue;
                const LwoPolygon& neighbour = layer.polygons[size_t(other)];
                if (neighbour.smoothingGroup != polygon.smoothingGroup)
                    continue;
                if (angle >= 3.14159265f || dot(neighbour.normal, polygon.normal) >= cosAngle)
                    for (int axis = 0; axis < 3; ++axis)
                        sum[axis] += neighbour.normal[axis];
            }
            corner.normal = normalised(sum);
        }
    }
    return true;
}

void linkPointVertexMaps(LwoLayer& layer)
{
    for (const auto& map : layer.vertexMaps) {
        if (map->perPolygon)
            continue;
        for (int e = 0; e < map->entryCount(); ++e)
            layer.points[size_t(map->points[size_t(e)])].vertexMaps.push_back({map.get(), e});
    }
}

// Each per-polygon entry goes to the first corner of its polygon that uses its
// point. The corners are looked up through a table rather than by walking the
// polygon for every entry, so many entries on a polygon of many corners cost
// no more than the file's size.
void linkCornerVertexMaps(LwoLayer& layer)
{
    bool any = false;
    for (const auto& map : layer.vertexMaps)
        any = any || map->perPolygon;
    if (!any)
        return;
    std::unordered_map<uint64_t, int> firstCorner;
    for (size_t i = 0; i < layer.polygons.size(); ++i) {
        const LwoPolygon& polygon = layer.polygons[i];
        for (int c = 0; c < polygon.cornerCount; ++c) {
            const uint64_t key = (uint64_t(i) << 32) | uint32_t(layer.corner(polygon, c).point);
            firstCorner.emplace(key, polygon.firstCorner + c);
        }
    }
    for (const auto& map : layer.vertexMaps) {
        if (!map->perPolygon)
            continue;
        for (int e = 0; e < map->entryCount(); ++e) {
            const uint64_t key = (uint64_t(uint32_t(map->polygons[size_t(e)])) << 32) | uint32_t(map->points[size_t(e)]);
            auto found = firstCorner.find(key);
            if (found != firstCorner.end())
                layer.corners[size_t(found->second)].vertexMaps.push_back({map.get(), e});
        }
    }
}

} // namespace

bool readLwoPoints(CLwoReader& in, uint32_t size, LwoLayer& layer)
{
    CLwoReader block = in.readBlock(size);
    if (in.failed())
        return false;
    const size_t n = size / 12;
    layer.pointOffset = int(layer.points.size());
    layer.points.resize(layer.points.size() + n);
    for (size_t i = 0; i < n; ++i) {
        LwoPoint& point = layer.points[size_t(layer.pointOffset) + i];
        for (float& v : point.position)
            v = block.readF4();
    }
    return !block.failed();
}

bool readLwoPolygons(CLwoReader& in, uint32_t size, LwoLayer& layer)
{
    if (size == 0)
        return true;
    const LwoId type = in.readId4();
    if (size < 4)
        return false;
    CLwoReader block = in.readBlock(size - 4);
    if (in.failed())
        return false;
    layer.polygonOffset = int(layer.polygons.size());
    layer.cornerOffset = int(layer.corners.size());
    while (block.remaining() > 0) {
        const uint16_t word = block.readU2();
        LwoPolygon polygon;
        polygon.type = type;
        polygon.flags = word & 0xFC00;
        polygon.cornerCount = word & 0x03FF;
        polygon.firstCorner = int(layer.corners.size());
        for (int c = 0; c < polygon.cornerCount; ++c) {
            const int64_t point = int64_t(block.readVx()) + layer.pointOffset;
            if (block.failed() || !validIndex(point, layer.points.size()))
                return false;
            LwoPolygonVertex corner;
            corner.point = int(point);
            layer.corners.push_back(corner);
        }
        if (block.failed())
            return false;
        layer.polygons.push_back(polygon);
    }
    return true;
}

bool readOldLwoPolygons(CLwoReader& in, uint32_t size, LwoLayer& layer)
{
    CLwoReader block = in.readBlock(size);
    if (in.failed())
        return false;
    layer.polygonOffset = int(layer.polygons.size());
    layer.cornerOffset = int(layer.corners.size());
    while (block.remaining() > 0) {
        LwoPolygon polygon;
        polygon.type = lwoId("FACE");
        polygon.cornerCount = block.readU2();
        polygon.firstCorner = int(layer.corners.size());
        for (int c = 0; c < polygon.cornerCount; ++c) {
            const int64_t point = int64_t(block.readU2()) + layer.pointOffset;
            if (block.failed() || !validIndex(point, layer.points.size()))
                return false;
            LwoPolygonVertex corner;
            corner.point = int(point);
            layer.corners.push_back(corner);
        }
        int surface = block.readI2();
        // A negative surface announces detail polygons; they follow as ordinary ones.
        if (surface < 0) {
            block.readI2();
            surface = -surface;
        }
        if (block.failed())
            return false;
        polygon.surfaceTag = surface - 1;
        layer.polygons.push_back(polygon);
    }
    return true;
}

bool readLwoPolygonTags(CLwoReader& in, uint32_t size, LwoLayer& layer, const LwoTagList& tags)
{
    const LwoId type = in.readId4();
    if (in.failed() || size < 4)
        return false;
    const bool surface = type == lwoId("SURF");
    const bool part = type == lwoId("PART");
    const bool group = type == lwoId("SMGP");
    if (!surface && !part && !group)
        return true; // other tag types are skipped
    CLwoReader block = in.readBlock(size - 4);
    while (!in.failed() && block.remaining() > 0) {
        const int64_t polygon = int64_t(block.readVx()) + layer.polygonOffset;
        const int tag = block.readU2() + tags.offset;
        if (block.failed() || !validIndex(polygon, layer.polygons.size()))
            return false;
        LwoPolygon& tagged = layer.polygons[size_t(polygon)];
        (surface ? tagged.surfaceTag : part ? tagged.part : tagged.smoothingGroup) = tag;
    }
    return !in.failed();
}

bool readLwoTags(CLwoReader& in, uint32_t size, LwoTagList& tags)
{
    CLwoReader block = in.readBlock(size);
    if (in.failed())
        return false;
    tags.offset = int(tags.tags.size());
    while (block.remaining() > 0) {
        std::string tag = block.readS0();
        if (block.failed())
            return false;
        tags.tags.push_back(std::move(tag));
    }
    return true;
}

std::unique_ptr<LwoVertexMap> readLwoVertexMap(CLwoReader& in, uint32_t size, bool perPolygon, const LwoLayer& layer)
{
    CLwoReader block = in.readBlock(size);
    if (in.failed())
        return nullptr;
    auto map = std::make_unique<LwoVertexMap>();
    map->perPolygon = perPolygon;
    map->type = block.readId4();
    map->dimension = block.readU2();
    map->name = block.readS0();
    while (!block.failed() && block.remaining() > 0) {
        const int64_t point = block.readVx();
        const int64_t polygon = perPolygon ? int64_t(block.readVx()) : 0;
        for (int d = 0; d < map->dimension; ++d)
            map->values.push_back(block.readF4());
        if (block.failed() || !validIndex(point, layer.points.size())
            || (perPolygon && !validIndex(polygon, layer.polygons.size())))
            return nullptr;
        map->points.push_back(int(point));
        if (perPolygon)
            map->polygons.push_back(int(polygon));
    }
    if (block.failed())
        return nullptr;
    return map;
}

bool finishLwoObject(LwoObject& object, bool linkVertexMaps)
{
    for (auto& layer : object.layers) {
        computeBoundingBox(*layer);
        computePolygonNormals(*layer);
        linkPointsToPolygons(*layer);
    }
    if (!resolveSurfaces(object))
        return false;
    for (auto& layer : object.layers) {
        if (!computeCornerNormals(*layer, object))
            return false;
        if (linkVertexMaps) {
            linkPointVertexMaps(*layer);
            linkCornerVertexMaps(*layer);
        }
    }
    return true;
}
