#include "lwo/LwoGeometry.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>

namespace {

using Vec3 = std::array<float, 3>;

Vec3 sub(const Vec3& a, const Vec3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }

Vec3 cross(const Vec3& a, const Vec3& b)
{
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

float dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// The vector divided by its largest component's magnitude, when that is a
// usable number; otherwise the vector as it is.
Vec3 scaledToUnitMaximum(const Vec3& v)
{
    const float largest = std::max({std::fabs(v[0]), std::fabs(v[1]), std::fabs(v[2])});
    if (!(largest > 0.0f) || !std::isfinite(largest))
        return v;
    return {v[0] / largest, v[1] / largest, v[2] / largest};
}

// Divides by the length only when there is one, so degenerate polygons keep a
// zero normal rather than a NaN one. The vector is first brought to a largest
// component of 1: squaring the components of a very short or very long vector
// in floats would lose them to underflow or overflow, giving normals far from
// unit length (or none at all) for perfectly good polygons.
Vec3 normalised(const Vec3& v)
{
    const Vec3 scaled = scaledToUnitMaximum(v);
    const float length = std::sqrt(dot(scaled, scaled));
    if (!(length > 0.0f))
        return v;
    return {scaled[0] / length, scaled[1] / length, scaled[2] / length};
}

// The face normal of a polygon: (p1 - p0) x (pn - p0), normalised. Scaling
// the edges first changes only the cross product's length, not its direction,
// and keeps it within floats for polygons of any size.
Vec3 faceNormal(const Vec3& p0, const Vec3& p1, const Vec3& pn)
{
    return normalised(cross(scaledToUnitMaximum(sub(p1, p0)), scaledToUnitMaximum(sub(pn, p0))));
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
        polygon.normal = faceNormal(p0, p1, pn);
    }
}

// Turns per-item counts into the start of each item's run: counts[i] holds
// item i's count on entry (counts has one slot more than there are items);
// on return it holds the start of item i's run, and the last slot the total.
void countsToStarts(std::vector<int>& counts)
{
    int total = 0;
    for (int& count : counts) {
        const int n = count;
        count = total;
        total += n;
    }
}

// Each point views its run of the layer's point-to-polygon array: the
// polygons of its corners, in polygon order.
void linkPointsToPolygons(LwoLayer& layer)
{
    std::vector<int> next(layer.points.size() + 1, 0);
    for (const LwoPolygonVertex& corner : layer.corners)
        ++next[size_t(corner.point)];
    countsToStarts(next);
    layer.pointPolygonLinks.assign(layer.corners.size(), 0);
    for (size_t i = 0; i < layer.polygons.size(); ++i) {
        const LwoPolygon& polygon = layer.polygons[i];
        for (int c = 0; c < polygon.cornerCount; ++c)
            layer.pointPolygonLinks[size_t(next[size_t(layer.corner(polygon, c).point)]++)] = int(i);
    }
    // Each slot now holds the end of its point's run, which is where the
    // next point's run starts.
    int begin = 0;
    for (size_t p = 0; p < layer.points.size(); ++p) {
        layer.points[p].polygons = std::span<const int>(layer.pointPolygonLinks).subspan(
            size_t(begin), size_t(next[p] - begin));
        begin = next[p];
    }
}

// Every polygon gets the first surface named as its tag; tags no surface names
// get a default surface of that name, made once. Polygons no chunk tagged get
// one unnamed default surface, also made once.
LwoFinishFault resolveSurfaces(LwoObject& object)
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
    int untaggedSurface = -1;
    auto makeDefault = [&object](const std::string& name) {
        auto created = createDefaultLwoSurface();
        created->name = name;
        object.surfaces.push_back(std::move(created));
        return int(object.surfaces.size()) - 1;
    };
    for (size_t l = 0; l < object.layers.size(); ++l) {
        std::vector<LwoPolygon>& polygons = object.layers[l]->polygons;
        for (size_t p = 0; p < polygons.size(); ++p) {
            LwoPolygon& polygon = polygons[p];
            if (polygon.surfaceTag == LwoUntagged) {
                if (untaggedSurface < 0)
                    untaggedSurface = makeDefault("");
                polygon.surface = untaggedSurface;
                continue;
            }
            if (!validIndex(polygon.surfaceTag, tags.size()))
                return {LwoFinishFault::Kind::SurfaceTag, l, p};
            int& surface = surfaceOfTag[size_t(polygon.surfaceTag)];
            if (surface < 0)
                surface = makeDefault(tags[size_t(polygon.surfaceTag)]);
            polygon.surface = surface;
        }
    }
    return {};
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

// Each point views its run of the layer's point-to-entry array: the entries
// of the per-point maps that name it, in map order, then entry order.
void linkPointVertexMaps(LwoLayer& layer)
{
    std::vector<int> next(layer.points.size() + 1, 0);
    for (const auto& map : layer.vertexMaps)
        if (!map->perPolygon)
            for (int point : map->points)
                ++next[size_t(point)];
    countsToStarts(next);
    layer.pointVertexMapLinks.resize(size_t(next.back()));
    for (const auto& map : layer.vertexMaps) {
        if (map->perPolygon)
            continue;
        for (int e = 0; e < map->entryCount(); ++e)
            layer.pointVertexMapLinks[size_t(next[size_t(map->points[size_t(e)])]++)] = {map.get(), e};
    }
    int begin = 0;
    for (size_t p = 0; p < layer.points.size(); ++p) {
        layer.points[p].vertexMaps = std::span<const LwoVertexMapRef>(layer.pointVertexMapLinks)
                                         .subspan(size_t(begin), size_t(next[p] - begin));
        begin = next[p];
    }
}

// The corner each entry of a per-polygon map goes to: the first corner of the
// entry's polygon that uses the entry's point, or -1 when none does. The
// entries are taken polygon by polygon and each polygon's corners looked up
// sorted by point, so many entries on a polygon of many corners cost no more
// than sorting them.
std::vector<int> cornersOfEntries(const LwoLayer& layer, const LwoVertexMap& map)
{
    std::vector<int> corner(size_t(map.entryCount()), -1);
    std::vector<int> byPolygon(size_t(map.entryCount()));
    for (size_t e = 0; e < byPolygon.size(); ++e)
        byPolygon[e] = int(e);
    std::stable_sort(byPolygon.begin(), byPolygon.end(),
        [&map](int a, int b) { return map.polygons[size_t(a)] < map.polygons[size_t(b)]; });
    std::vector<std::pair<int, int>> cornersByPoint; // point, corner
    for (size_t run = 0; run < byPolygon.size();) {
        const int polygonIndex = map.polygons[size_t(byPolygon[run])];
        const LwoPolygon& polygon = layer.polygons[size_t(polygonIndex)];
        cornersByPoint.clear();
        for (int c = 0; c < polygon.cornerCount; ++c)
            cornersByPoint.emplace_back(layer.corner(polygon, c).point, polygon.firstCorner + c);
        std::sort(cornersByPoint.begin(), cornersByPoint.end());
        for (; run < byPolygon.size() && map.polygons[size_t(byPolygon[run])] == polygonIndex; ++run) {
            const size_t e = size_t(byPolygon[run]);
            auto found = std::lower_bound(cornersByPoint.begin(), cornersByPoint.end(),
                std::pair<int, int>(map.points[e], std::numeric_limits<int>::min()));
            if (found != cornersByPoint.end() && found->first == map.points[e])
                corner[e] = found->second;
        }
    }
    return corner;
}

// Each corner gets the entries of the per-polygon maps meant for it, in map
// order, then entry order; an entry whose point is no corner of its polygon
// is dropped.
void linkCornerVertexMaps(LwoLayer& layer)
{
    std::vector<std::vector<int>> targets; // per map, the corner of each entry
    for (const auto& map : layer.vertexMaps)
        targets.push_back(map->perPolygon ? cornersOfEntries(layer, *map) : std::vector<int>());
    bool any = false;
    for (const auto& map : layer.vertexMaps)
        any = any || map->perPolygon;
    if (!any)
        return;
    std::vector<int>& next = layer.cornerVertexMapStart;
    next.assign(layer.corners.size() + 1, 0);
    for (const std::vector<int>& corners : targets)
        for (int corner : corners)
            if (corner >= 0)
                ++next[size_t(corner)];
    countsToStarts(next);
    layer.cornerVertexMapLinks.resize(size_t(next.back()));
    for (size_t m = 0; m < targets.size(); ++m)
        for (size_t e = 0; e < targets[m].size(); ++e)
            if (targets[m][e] >= 0)
                layer.cornerVertexMapLinks[size_t(next[size_t(targets[m][e])]++)] = {layer.vertexMaps[m].get(), int(e)};
    // Each slot now holds its corner's end: shift to starts again.
    for (size_t c = next.size() - 1; c > 0; --c)
        next[c] = next[c - 1];
    next[0] = 0;
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
    // A first walk counts the polygons and corners, so the arrays grow once,
    // to their exact size.
    size_t polygonCount = 0;
    size_t cornerCount = 0;
    for (CLwoReader walk = block; walk.remaining() > 0; ++polygonCount) {
        const int corners = walk.readU2() & 0x03FF;
        for (int c = 0; c < corners; ++c)
            walk.readVx();
        if (walk.failed())
            return false;
        cornerCount += size_t(corners);
    }
    layer.polygonOffset = int(layer.polygons.size());
    layer.cornerOffset = int(layer.corners.size());
    layer.polygons.reserve(layer.polygons.size() + polygonCount);
    layer.corners.reserve(layer.corners.size() + cornerCount);
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
            layer.corners.push_back({int(point), {}});
        }
        layer.polygons.push_back(polygon);
    }
    return !block.failed();
}

bool readOldLwoPolygons(CLwoReader& in, uint32_t size, LwoLayer& layer, LwoTagPositions& tagPositions)
{
    const size_t blockStart = in.tell();
    CLwoReader block = in.readBlock(size);
    if (in.failed())
        return false;
    // Counted first, as for the newer polygons. A negative surface number is
    // followed by a count of detail polygons, which then come as ordinary ones.
    size_t polygonCount = 0;
    size_t cornerCount = 0;
    for (CLwoReader walk = block; walk.remaining() > 0; ++polygonCount) {
        const uint16_t corners = walk.readU2();
        for (int c = 0; c < corners; ++c)
            walk.readU2();
        if (walk.readI2() < 0)
            walk.readI2();
        if (walk.failed())
            return false;
        cornerCount += corners;
    }
    layer.polygonOffset = int(layer.polygons.size());
    layer.cornerOffset = int(layer.corners.size());
    layer.polygons.reserve(layer.polygons.size() + polygonCount);
    layer.corners.reserve(layer.corners.size() + cornerCount);
    tagPositions.resize(layer.polygons.size() + polygonCount, 0);
    while (block.remaining() > 0) {
        LwoPolygon polygon;
        polygon.type = lwoId("FACE");
        polygon.cornerCount = block.readU2();
        polygon.firstCorner = int(layer.corners.size());
        for (int c = 0; c < polygon.cornerCount; ++c) {
            const int64_t point = int64_t(block.readU2()) + layer.pointOffset;
            if (block.failed() || !validIndex(point, layer.points.size()))
                return false;
            layer.corners.push_back({int(point), {}});
        }
        int surface = block.readI2();
        if (surface < 0) {
            block.readI2();
            surface = -surface;
        }
        // Surface numbers count from 1; 0 names no surface at all.
        if (block.failed() || surface == 0)
            return false;
        polygon.surfaceTag = surface - 1;
        tagPositions[layer.polygons.size()] = uint32_t(blockStart + block.tell());
        layer.polygons.push_back(polygon);
    }
    return true;
}

bool readLwoPolygonTags(CLwoReader& in, uint32_t size, LwoLayer& layer, const LwoTagList& tags,
    LwoTagPositions& tagPositions)
{
    const LwoId type = in.readId4();
    if (in.failed() || size < 4)
        return false;
    const bool surface = type == lwoId("SURF");
    const bool part = type == lwoId("PART");
    const bool group = type == lwoId("SMGP");
    if (!surface && !part && !group)
        return true; // other tag types are skipped
    const size_t blockStart = in.tell();
    CLwoReader block = in.readBlock(size - 4);
    if (surface)
        tagPositions.resize(layer.polygons.size(), 0);
    while (!in.failed() && block.remaining() > 0) {
        const int64_t polygon = int64_t(block.readVx()) + layer.polygonOffset;
        const int tag = block.readU2() + tags.offset;
        if (block.failed() || !validIndex(polygon, layer.polygons.size()))
            return false;
        LwoPolygon& tagged = layer.polygons[size_t(polygon)];
        (surface ? tagged.surfaceTag : part ? tagged.part : tagged.smoothingGroup) = tag;
        if (surface)
            tagPositions[size_t(polygon)] = uint32_t(blockStart + block.tell());
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
    if (block.failed())
        return nullptr;
    // Counted first, so the arrays are allocated once, to their exact size.
    size_t entries = 0;
    for (CLwoReader walk = block; walk.remaining() > 0 && !walk.failed(); ++entries) {
        walk.readVx();
        if (perPolygon)
            walk.readVx();
        for (int d = 0; d < map->dimension; ++d)
            walk.readF4();
    }
    map->points.reserve(entries);
    if (perPolygon)
        map->polygons.reserve(entries);
    map->values.reserve(entries * size_t(map->dimension));
    while (!block.failed() && block.remaining() > 0) {
        const int64_t point = int64_t(block.readVx()) + layer.pointOffset;
        const int64_t polygon = perPolygon ? int64_t(block.readVx()) + layer.polygonOffset : 0;
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

LwoFinishFault finishLwoObject(LwoObject& object, bool linkVertexMaps)
{
    for (auto& layer : object.layers) {
        computeBoundingBox(*layer);
        computePolygonNormals(*layer);
        linkPointsToPolygons(*layer);
    }
    if (LwoFinishFault fault = resolveSurfaces(object))
        return fault;
    for (size_t l = 0; l < object.layers.size(); ++l) {
        LwoLayer& layer = *object.layers[l];
        if (!computeCornerNormals(layer, object))
            return {LwoFinishFault::Kind::Smoothing, l, 0};
        if (linkVertexMaps) {
            linkPointVertexMaps(layer);
            linkCornerVertexMaps(layer);
        }
    }
    return {};
}
