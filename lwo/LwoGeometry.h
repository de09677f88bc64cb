#pragma once
// The geometry chunks of a LightWave object (points, polygons, polygon tags,
// tag strings, vertex maps) and the steps that finish a layer once every chunk
// is read. Each reader is given the chunk's (even) size with the reader at the
// start of its body, and returns false when the chunk is malformed.
#include "lwo/LwoObject.h"

// Where each polygon's surface tag was read: the file position just after
// it, per polygon of a layer (0 for polygons no chunk tagged). A tag that
// turns out to name no tag string is reported there.
using LwoTagPositions = std::vector<uint32_t>;

bool readLwoPoints(CLwoReader& in, uint32_t size, LwoLayer& layer);
bool readLwoPolygons(CLwoReader& in, uint32_t size, LwoLayer& layer);
// The older generation's polygons: corner count, U2 point indices, surface number.
bool readOldLwoPolygons(CLwoReader& in, uint32_t size, LwoLayer& layer, LwoTagPositions& tagPositions);
bool readLwoPolygonTags(CLwoReader& in, uint32_t size, LwoLayer& layer, const LwoTagList& tags,
    LwoTagPositions& tagPositions);
// TAGS, and the older SRFS: consecutive strings appended to the tag list.
bool readLwoTags(CLwoReader& in, uint32_t size, LwoTagList& tags);
// VMAP (per point) or VMAD (per polygon corner). Point indices follow the
// layer's latest PNTS chunk and polygon indices its latest POLS chunk, as in
// POLS and PTAG; the map stores them as indices into the whole layer.
std::unique_ptr<LwoVertexMap> readLwoVertexMap(CLwoReader& in, uint32_t size, bool perPolygon, const LwoLayer& layer);

// What stopped finishing an object, and where: the layer, and for a surface
// tag that names no tag string, the polygon.
struct LwoFinishFault {
    enum class Kind { None, SurfaceTag, Smoothing } kind = Kind::None;
    size_t layer = 0;
    size_t polygon = 0;

    explicit operator bool() const { return kind != Kind::None; }
};

// Finishes every layer of a freshly read object: bounding boxes, polygon
// normals, point-to-polygon links, surfaces, corner normals and (for the newer
// generation only) vertex-map links. Fails when a polygon names a surface tag
// that does not exist or the smoothing would take unreasonably long.
LwoFinishFault finishLwoObject(LwoObject& object, bool linkVertexMaps);
