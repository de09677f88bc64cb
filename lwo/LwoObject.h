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

struct LwoPoint {
    std::array<float, 3> position{};
    std::vector<int> polygons; // one per corner that uses the point, in polygon order
    std::vector<LwoVertexMapRef> vertexMaps;
};

struct LwoPolygonVertex {
    int point = 0;
    std::array<float, 3> normal{};
    std::vector<LwoVertexMapRef> vertexMaps;
};

struct LwoPolygon {
    int surfaceTag = 0; // the tag of its surface name, as read
    int surface = -1;   // index into the object's surfaces, once resolved
    int part = 0;
    int smoothingGroup = 0;
    int flags = 0;      // the top six bits of the vertex-count word, in place
    LwoId type = 0;     // FACE, PTCH, CURV, ...
    std::array<float, 3> normal{};
    int firstCorner = 0; // its run in the layer's corner array
    int cornerCount = 0;
};

struct LwoLayer {
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

    LwoPolygonVertex& corner(const LwoPolygon& polygon, int i) { return corners[size_t(polygon.firstCorner + i)]; }
    const LwoPolygonVertex& corner(const LwoPolygon& polygon, int i) const
    {
        return corners[size_t(polygon.firstCorner + i)];
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
    // File order, then the defaults made for tags no SURF chunk names.
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
// Test the returned object, not only the id.
LwoObjectPtr loadLwoObject(const std::filesystem::path& fileName, LwoId* failId = nullptr,
    long* failPosition = nullptr);
// The same from bytes in memory (the file's whole contents).
LwoObjectPtr loadLwoObjectFromMemory(const uint8_t* data, size_t size, LwoId* failId = nullptr,
    long* failPosition = nullptr);

// Releases the object and everything it owns.
void freeLwoObject(LwoObjectPtr& object);
