// Fuzzes the LightWave object reader with arbitrary bytes. Besides crashes and
// sanitizer reports, a loaded object must keep the promises the mesh builder
// relies on: every corner names a point of its layer, every polygon a surface,
// and every vertex-map link an entry of its map.
//
// Built only in the clang fuzz build:
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -DVESBRIK_FUZZ=ON && cmake --build build-fuzz --target fuzz_lwo
// Run from a scratch folder, seeded with the objects in fuzz/corpus/lwo, the
// test objects and the game's meshes:
//   UBSAN_OPTIONS=halt_on_error=1 build-fuzz/fuzz_lwo corpus seeds -dict=fuzz/lwo.dict
//       -max_len=65536 -runs=2500000 -max_total_time=1500   (one command line)
#include "lwo/LwoObject.h"

#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void checkObject(const LwoObject& object)
{
    check(!object.layers.empty());
    for (const auto& layer : object.layers) {
        for (const LwoPolygon& polygon : layer->polygons) {
            check(polygon.surface >= 0 && size_t(polygon.surface) < object.surfaces.size());
            check(polygon.firstCorner >= 0 && size_t(polygon.firstCorner + polygon.cornerCount) <= layer->corners.size());
            for (int c = 0; c < polygon.cornerCount; ++c) {
                const LwoPolygonVertex& corner = layer->corner(polygon, c);
                check(corner.point >= 0 && size_t(corner.point) < layer->points.size());
            }
        }
        auto checkRef = [](const LwoVertexMapRef& ref) {
            check(ref.map && ref.entry >= 0 && ref.entry < ref.map->entryCount()
                && ref.map->values.size() == size_t(ref.map->entryCount()) * size_t(ref.map->dimension));
        };
        size_t links = 0;
        for (const LwoPoint& point : layer->points) {
            links += point.polygons.size();
            for (int polygon : point.polygons)
                check(polygon >= 0 && size_t(polygon) < layer->polygons.size());
            for (const LwoVertexMapRef& ref : point.vertexMaps)
                checkRef(ref);
        }
        // One link per corner.
        check(links == layer->corners.size());
        for (size_t corner = 0; corner < layer->corners.size(); ++corner)
            for (const LwoVertexMapRef& ref : layer->cornerVertexMaps(corner)) {
                checkRef(ref);
                check(ref.map->perPolygon);
            }
    }
    for (const auto& surface : object.surfaces)
        for (const auto& texture : surface->colourTextures)
            check(texture != nullptr);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The game's objects are small; larger inputs only slow the search.
    if (size > 256 * 1024)
        return 0;
    LwoId id = 0;
    long position = 0;
    LwoObjectPtr object = loadLwoObjectFromMemory(data, size, &id, &position);
    if (object)
        checkObject(*object);
    else if (size >= 12)
        check(position >= 0 && size_t(position) <= size + 0x10000);
    return 0;
}
