#pragma once
// The geometry chunks of a LightWave object (points, polygons, polygon tags,
// tag strings, vertex maps) and the steps that finish a layer once every chunk
// is read. Each reader is given the chunk's (even) size with the reader at the
// start of its body, and returns false when the chunk is malformed.
#include "lwo/LwoObject.h"

bool readLwoPoints(CLwoReader& in, uint32_t size, LwoLayer& layer);
bool readLwoPolygons(CLwoReader& in, uint32_t size, LwoLayer& layer);
// The older generation's polygons: corner count, U2 point indices, surface number.
bool readOldLwoPolygons(CLwoReader& in, uint32_t size, LwoLayer& layer);
bool readLwoPolygonTags(CLwoReader& in, uint32_t size, LwoLayer& layer, const LwoTagList& tags);
// TAGS, and the older SRFS: consecutive strings appended to the tag list.
bool readLwoTags(CLwoReader& in, uint32_t size, LwoTagList& tags);
// VMAP (per point) or VMAD (per polygon corner).
std::unique_ptr<LwoVertexMap> readLwoVertexMap(CLwoReader& in, uint32_t size, bool perPolygon, const LwoLayer& layer);

// Finishes every layer of a freshly read object: bounding boxes, polygon
// normals, point-to-polygon links, surfaces, corner normals and (for the newer
// generation only) vertex-map links. False when a polygon names a surface tag
// that does not exist or the smoothing would take unreasonably long.
bool finishLwoObject(LwoObject& object, bool linkVertexMaps);
