#pragma once
// A LightWave object (LWO2 files and the older LWOB) read into memory: layers
// of points and polygons with their vertex maps, the tag strings, surfaces,
// envelopes and clips. The mesh builder reads the points, the triangles, the
// surfaces and the clips; it has no further use for the object afterwards.
//
// Files come from outside the program, so every index in them is checked: a
// point or polygon index out of range fails the load, like any other malformed
// chunk, and nothing in a file can make the reader read outside its buffers or
// allocate more than the file's own size justifies.
#include "lwo/LwoEnvelope.h"
#include "lwo/LwoReader.h"
#include "lwo/LwoSurface.h"

#include <array>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

struct LwoVertexMap {
    std::string name;
    LwoId type = 0; // TXUV, WGHT, RGB, ...
    int dimension = 0;
    bool perPolygon = false; // VMAD rather than VMAP
    std::vector<int> points;   // per entry
    std::vector<int> polygons; // per entry, VMAD only
    std::vector<float> values; // dimension values per entry

    int entryCount() const { return int(points.size()); }
};

struct LwoVertexMapRef {
    const LwoVertexMap* map = nullptr;
    int entry = 0;
};

// A point's links are views into arrays its layer owns (one array for all
// points), which keeps an object within a few times its file's size: a vector
// per point would cost more than the point itself.
struct LwoPoint {
    std::array<float, 3> position{};
    std::span<const int> polygons; // one per corner that uses the point, in polygon order
    std::span<const LwoVertexMapRef> vertexMaps; // per-point maps, in map then entry order
};

struct LwoPolygonVertex {
    int point = 0;
    std::array<float, 3> normal{};
};

// The surface tag of a polygon no PTAG chunk gives a surface.
constexpr int LwoUntagged = -1;

struct LwoPolygon {
    int surfaceTag = LwoUntagged; // the tag of its surface name, as read
    int surface = -1;             // index into the object's surfaces, once resolved
    int part = 0;
    int smoothingGroup = 0;
    LwoId type = 0;     // FACE, PTCH, CURV, ...
    std::array<float, 3> normal{};
    int firstCorner = 0;   // its run in the layer's corner array
    uint16_t cornerCount = 0;
    uint16_t flags = 0;    // the top six bits of the vertex-count word, in place
};

struct LwoLayer {
    LwoLayer() = default;
    // The points' links point into this layer's own arrays.
    LwoLayer(const LwoLayer&) = delete;
    LwoLayer& operator=(const LwoLayer&) = delete;

    std::string name;
    int index = 0;
    int parent = 0;
    int flags = 0;
    std::array<float, 3> pivot{};
    std::array<float, 6> boundingBox{}; // minimum x, y, z, maximum x, y, z

    std::vector<LwoPoint> points;
    int pointOffset = 0; // the point count before the latest PNTS chunk
    std::vector<LwoPolygon> polygons;
    int polygonOffset = 0; // the polygon count before the latest POLS chunk
    std::vector<LwoPolygonVertex> corners;
    int cornerOffset = 0;
    std::vector<std::unique_ptr<LwoVertexMap>> vertexMaps;

    // What the points' links view: every point's polygons, then every point's
    // vertex-map entries, one point after another.
    std::vector<int> pointPolygonLinks;
    std::vector<LwoVertexMapRef> pointVertexMapLinks;
    // The per-polygon (VMAD) entries of each corner, in map then entry order:
    // corner i's run starts at cornerVertexMapStart[i] and ends where corner
    // i + 1's starts. Both are empty when the layer has no VMAD.
    std::vector<int> cornerVertexMapStart;
    std::vector<LwoVertexMapRef> cornerVertexMapLinks;

    LwoPolygonVertex& corner(const LwoPolygon& polygon, int i) { return corners[size_t(polygon.firstCorner + i)]; }
    const LwoPolygonVertex& corner(const LwoPolygon& polygon, int i) const
    {
        return corners[size_t(polygon.firstCorner + i)];
    }
    std::span<const LwoVertexMapRef> cornerVertexMaps(size_t corner) const
    {
        if (corner + 1 >= cornerVertexMapStart.size())
            return {};
        const size_t first = size_t(cornerVertexMapStart[corner]);
        return {cornerVertexMapLinks.data() + first, size_t(cornerVertexMapStart[corner + 1]) - first};
    }
    std::span<const LwoVertexMapRef> cornerVertexMaps(const LwoPolygon& polygon, int i) const
    {
        return cornerVertexMaps(size_t(polygon.firstCorner + i));
    }
};

struct LwoTagList {
    int offset = 0; // the tag count before the latest tag chunk
    std::vector<std::string> tags;
};

struct LwoObject {
    std::vector<std::unique_ptr<LwoLayer>> layers; // never empty
    std::vector<std::unique_ptr<LwoEnvelope>> envelopes;
    std::vector<std::unique_ptr<LwoClip>> clips;
    // File order, then the defaults made for tags no SURF chunk names and (at
    // most one, unnamed) for polygons without a surface tag.
    std::vector<std::unique_ptr<LwoSurface>> surfaces;
    LwoTagList tags;
    int layerCount = 0; // the LAYR chunks seen, at least 1
};

using LwoObjectPtr = std::unique_ptr<LwoObject>;

// Files larger than this are refused like a file that is not an object (at
// position 12), before they are read in; the game's meshes are a few kilobytes.
constexpr size_t LwoMaxFileSize = 16u * 1024u * 1024u;

// Reads a LightWave object file. On failure gives null and, when asked, the id
// of the chunk being read and the position where reading stopped. A file that
// is not a LightWave object sets the position to 12 and leaves the id alone; a
// file that cannot be opened, or is shorter than 12 bytes, touches neither.
// Test the returned object, not only the id. A fault found only once every
// chunk is read (a surface tag naming no tag string, polygons too crowded to
// smooth) is reported at the chunk that holds it.
LwoObjectPtr loadLwoObject(const std::filesystem::path& fileName, LwoId* failId = nullptr,
    long* failPosition = nullptr);
// The same from bytes in memory (the file's whole contents).
LwoObjectPtr loadLwoObjectFromMemory(const uint8_t* data, size_t size, LwoId* failId = nullptr,
    long* failPosition = nullptr);

// Releases the object and everything it owns.
void freeLwoObject(LwoObjectPtr& object);
