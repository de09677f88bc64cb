#include "lwo/LwoObject.h"

#include "lwo/LwoGeometry.h"

#include <algorithm>
#include <fstream>

namespace {

constexpr LwoId IdForm = lwoId("FORM");
constexpr LwoId IdLwo2 = lwoId("LWO2");
constexpr LwoId IdLwob = lwoId("LWOB");

// Where a layer's values came from in the file, so that a fault found only
// once every chunk is read is still reported at the chunk that caused it.
struct LayerSources {
    LwoTagPositions tagPositions;
    uint32_t polygonsEnd = 0; // the end of the layer's latest polygon chunk
};

// The state of one load: the object under construction and the current layer.
struct LoadState {
    LwoObjectPtr object = std::make_unique<LwoObject>();
    LwoLayer* layer = nullptr;
    std::vector<LayerSources> sources; // one per layer
    bool old = false;

    LoadState() { addLayer(); }

    void addLayer()
    {
        object->layers.push_back(std::make_unique<LwoLayer>());
        layer = object->layers.back().get();
        sources.emplace_back();
    }
    LayerSources& currentSources() { return sources.back(); }
};

// LAYR: the first fills the layer chunks before it went to; later ones start
// new layers.
bool readLayer(CLwoReader& in, size_t end, LoadState& state)
{
    if (state.object->layerCount > 0)
        state.addLayer();
    ++state.object->layerCount;
    LwoLayer& layer = *state.layer;
    layer.index = in.readU2();
    layer.flags = in.readU2();
    for (float& v : layer.pivot)
        v = in.readF4();
    layer.name = in.readS0();
    // The parent came later to the format; older writers leave it out.
    if (!in.failed() && in.tell() + 2 <= end)
        layer.parent = in.readU2();
    return true;
}

template <class T>
bool append(std::vector<std::unique_ptr<T>>& list, std::unique_ptr<T> item)
{
    if (!item)
        return false;
    list.push_back(std::move(item));
    return true;
}

bool readChunk(CLwoReader& in, LwoId id, uint32_t size, size_t end, LoadState& state)
{
    LwoObject& object = *state.object;
    LwoLayer& layer = *state.layer;
    switch (id) {
    case lwoId("LAYR"): return readLayer(in, end, state);
    case lwoId("PNTS"): return readLwoPoints(in, size, layer);
    case lwoId("POLS"):
        state.currentSources().polygonsEnd = uint32_t(end);
        return readLwoPolygons(in, size, layer);
    case lwoId("PTAG"): return readLwoPolygonTags(in, size, layer, object.tags, state.currentSources().tagPositions);
    case lwoId("TAGS"): return readLwoTags(in, size, object.tags);
    case lwoId("BBOX"):
        for (float& v : layer.boundingBox)
            v = in.readF4();
        return true;
    case lwoId("VMAP"):
    case lwoId("VMAD"): {
        auto map = readLwoVertexMap(in, size, id == lwoId("VMAD"), layer);
        return append(layer.vertexMaps, std::move(map));
    }
    case lwoId("SURF"): return append(object.surfaces, readLwoSurface(in, size));
    case lwoId("ENVL"): return append(object.envelopes, readLwoEnvelope(in, size));
    case lwoId("CLIP"): return append(object.clips, readLwoClip(in, size));
    default: return true; // skipped
    }
}

bool readOldChunk(CLwoReader& in, LwoId id, uint32_t size, size_t end, LoadState& state)
{
    LwoObject& object = *state.object;
    switch (id) {
    case lwoId("PNTS"): return readLwoPoints(in, size, *state.layer);
    case lwoId("POLS"):
        state.currentSources().polygonsEnd = uint32_t(end);
        return readOldLwoPolygons(in, size, *state.layer, state.currentSources().tagPositions);
    case lwoId("SRFS"): return readLwoTags(in, size, object.tags);
    case lwoId("SURF"): return append(object.surfaces, readOldLwoSurface(in, size, object));
    default: return true;
    }
}

} // namespace

LwoObjectPtr loadLwoObjectFromMemory(const uint8_t* data, size_t size, LwoId* failId, long* failPosition)
{
    if (!data || size < 12)
        return nullptr;
    CLwoReader in(data, size);
    const LwoId form = in.readId4();
    const uint32_t formSize = in.readU4();
    const LwoId formType = in.readId4();
    if (form != IdForm || (formType != IdLwo2 && formType != IdLwob) || size > LwoMaxFileSize) {
        if (failPosition)
            *failPosition = 12;
        return nullptr;
    }

    LoadState state;
    state.old = formType == IdLwob;
    LwoId id = 0;
    auto fail = [&]() -> LwoObjectPtr {
        if (failId)
            *failId = id;
        if (failPosition)
            *failPosition = long(in.tell());
        return nullptr;
    };

    // The chunks, until the end of the form. Each chunk must lie within the
    // file; its reader may read less than the chunk (the rest is skipped) but
    // never more.
    while (uint64_t(in.tell()) < uint64_t(formSize) + 8) {
        in.resetCount();
        id = in.readId4();
        const uint32_t rawSize = in.readU4();
        if (in.failed() || in.count() != 8 || rawSize > in.remaining())
            return fail();
        // A last chunk of odd size may lack its pad byte at the end of the file.
        const uint32_t chunkSize = uint32_t(std::min<size_t>(lwoEven(rawSize), in.remaining()));
        const size_t start = in.tell();
        const size_t end = start + chunkSize;
        in.resetCount();
        const bool read = state.old ? readOldChunk(in, id, chunkSize, end, state)
                                    : readChunk(in, id, chunkSize, end, state);
        if (!read || in.failed() || in.tell() > end)
            return fail();
        in.seek(end);
    }

    if (state.object->layerCount == 0)
        state.object->layerCount = 1;
    if (const LwoFinishFault fault = finishLwoObject(*state.object, !state.old)) {
        // Reported where the fault was read: the tag that names no tag string,
        // or the polygons too many of which meet at one point to smooth.
        const LayerSources& sources = state.sources[fault.layer];
        if (fault.kind == LwoFinishFault::Kind::SurfaceTag) {
            id = state.old ? lwoId("POLS") : lwoId("PTAG");
            if (fault.polygon < sources.tagPositions.size())
                in.seek(sources.tagPositions[fault.polygon]);
        } else {
            id = lwoId("POLS");
            in.seek(sources.polygonsEnd);
        }
        return fail();
    }
    return std::move(state.object);
}

LwoObjectPtr loadLwoObject(const std::filesystem::path& fileName, LwoId* failId, long* failPosition)
{
    std::ifstream file(fileName, std::ios::binary | std::ios::ate);
    if (!file)
        return nullptr;
    const std::streamoff length = file.tellg();
    if (length < 12)
        return nullptr;
    if (uint64_t(length) > LwoMaxFileSize) {
        if (failPosition)
            *failPosition = 12;
        return nullptr;
    }
    std::vector<uint8_t> data(static_cast<size_t>(length));
    file.seekg(0);
    if (!file.read(reinterpret_cast<char*>(data.data()), std::streamsize(length)))
        return nullptr;
    return loadLwoObjectFromMemory(data.data(), data.size(), failId, failPosition);
}

void freeLwoObject(LwoObjectPtr& object) { object.reset(); }
