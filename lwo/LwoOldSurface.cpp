// Surfaces of the older object generation, converted into the surface model of
// the newer one: fixed-point values become floats, texture names become image
// maps or procedurals, image names become clips and texture velocities become
// envelopes of the object.
#include "lwo/LwoObject.h"

#include <cmath>

namespace {

constexpr float SmoothingForFlag = 1.56207f; // 89.5 degrees

// What one old surface chunk is building besides the surface itself.
struct OldSurfaceState {
    LwoSurface& surface;
    LwoObject& object;
    LwoTexture* texture = nullptr; // the texture the T... sub-chunks describe
    LwoPlugin* shader = nullptr;   // the shader SDAT fills
};

std::string subChunkText(CLwoReader& in, const LwoSubChunk& sub)
{
    const std::vector<uint8_t> bytes = in.readBytes(sub.restAfter(in.tell()));
    std::string text(bytes.begin(), bytes.end());
    return text.substr(0, text.find('\0'));
}

// A clip for an old image name, appended to the object; gives its index.
int addClipForImage(LwoObject& object, const std::string& name)
{
    auto clip = std::make_unique<LwoClip>();
    const size_t sequence = name.find("(sequence)");
    if (sequence != std::string::npos) {
        clip->type = lwoId("ISEQ");
        clip->sequence.digits = 3;
        clip->sequence.prefix = name.substr(0, sequence > 0 ? sequence - 1 : 0);
    } else {
        clip->type = lwoId("STIL");
        clip->still.fileName = name;
    }
    object.clips.push_back(std::move(clip));
    const int index = int(object.clips.size());
    object.clips.back()->index = index;
    return index;
}

std::unique_ptr<LwoTexture> textureFromOldName(const std::string& name, LwoId channel)
{
    auto texture = std::make_unique<LwoTexture>();
    texture->channel = channel;
    if (name.find("Image Map") != std::string::npos) {
        texture->type = lwoId("IMAP");
        const char* projections[] = {"Planar", "Cylindrical", "Spherical", "Cubic", "Front"};
        for (int p = 0; p < 5; ++p)
            if (name.find(projections[p]) != std::string::npos) {
                texture->imageMap.projection = p;
                break;
            }
        texture->imageMap.antialiasStrength = 1.0f;
        texture->imageMap.amplitude.value = 1.0f;
    } else {
        texture->type = lwoId("PROC");
        texture->procedural.functionName = name;
    }
    return texture;
}

// A moving texture centre becomes three linear envelopes, one per axis, from
// the centre at time 0 to where 30 frames of velocity take it at time 1.
void addVelocityEnvelopes(CLwoReader& in, OldSurfaceState& state)
{
    std::array<float, 3> velocity;
    for (float& v : velocity)
        v = in.readF4();
    LwoTextureMapping& mapping = state.texture->mapping;
    const int firstIndex = int(state.object.envelopes.size()) + 1;
    for (int axis = 0; axis < 3; ++axis) {
        auto envelope = std::make_unique<LwoEnvelope>();
        envelope->index = firstIndex + axis;
        envelope->type = 0x301 + axis;
        envelope->name = "Position.X";
        envelope->name.back() = char('X' + axis);
        envelope->preBehaviour = 5;
        envelope->postBehaviour = 5;
        LwoEnvelopeKey key;
        key.shape = lwoId("LINE");
        key.time = 0.0f;
        key.value = mapping.centre.value[size_t(axis)];
        envelope->keys.push_back(key);
        key.time = 1.0f;
        key.value = velocity[size_t(axis)] * 30.0f + mapping.centre.value[size_t(axis)];
        envelope->keys.push_back(key);
        state.object.envelopes.push_back(std::move(envelope));
    }
    mapping.centre.envelope = firstIndex;
}

void readTextureFlags(CLwoReader& in, LwoTexture& texture)
{
    const uint16_t flags = in.readU2();
    // The highest axis bit wins; with none set the texture keeps the x axis.
    int axis = texture.axis;
    if (flags & 0x1)
        axis = 0;
    if (flags & 0x2)
        axis = 1;
    if (flags & 0x4)
        axis = 2;
    texture.axis = uint16_t(axis);
    texture.imageMap.axis = axis;
    texture.procedural.axis = axis;
    if (flags & 0x8)
        texture.mapping.coordinateSystem = 1;
    if (flags & 0x10)
        texture.negative = 1;
    if (flags & 0x20)
        texture.imageMap.pixelBlending = 1;
    if (flags & 0x40) {
        texture.imageMap.antialiasFlags = 1;
        texture.imageMap.antialiasStrength = 1.0f;
    }
}

void readVector3(CLwoReader& in, std::array<float, 3>& target)
{
    for (float& v : target)
        v = in.readF4(v);
}

// An old 8.8 fixed-point value; a sub-chunk too short for it keeps the default.
void readFixedPoint(CLwoReader& in, float& value)
{
    if (in.has(2))
        value = in.readI2() / 256.0f;
}

// The sub-chunks that describe the current texture; ignored before any.
void readTexturePart(CLwoReader& in, const LwoSubChunk& sub, OldSurfaceState& state)
{
    LwoTexture* texture = state.texture;
    if (!texture)
        return;
    const bool imageMap = texture->type == lwoId("IMAP");
    const bool procedural = texture->type == lwoId("PROC");
    switch (sub.id) {
    case lwoId("TFLG"): readTextureFlags(in, *texture); break;
    case lwoId("TSIZ"): readVector3(in, texture->mapping.size.value); break;
    case lwoId("TCTR"): readVector3(in, texture->mapping.centre.value); break;
    case lwoId("TFAL"): readVector3(in, texture->mapping.falloff.value); break;
    case lwoId("TVEL"): addVelocityEnvelopes(in, state); break;
    case lwoId("TCLR"):
        if (procedural)
            for (float& v : texture->procedural.value)
                v = in.readU1() / 255.0f;
        break;
    case lwoId("TVAL"):
        if (procedural)
            readFixedPoint(in, texture->procedural.value[0]);
        break;
    case lwoId("TAMP"):
        if (imageMap)
            texture->imageMap.amplitude.value = in.readF4(texture->imageMap.amplitude.value);
        break;
    case lwoId("TFP0"):
        if (imageMap)
            texture->imageMap.wrapWidth.value = in.readF4();
        break;
    case lwoId("TFP1"):
        if (imageMap)
            texture->imageMap.wrapHeight.value = in.readF4();
        break;
    case lwoId("TIMG"): texture->imageMap.clipIndex = addClipForImage(state.object, in.readS0()); break;
    case lwoId("TAAS"):
        texture->imageMap.antialiasStrength = in.readF4();
        texture->imageMap.antialiasFlags = 1;
        break;
    case lwoId("TOPC"): texture->opacity = in.readF4(texture->opacity); break;
    case lwoId("TREF"): texture->mapping.referenceObject = subChunkText(in, sub); break;
    default: break;
    }
}

// The texture list a texture-creating sub-chunk appends to, or null.
LwoTextureList* oldTextureList(LwoSurface& surface, LwoId id, LwoId& channel)
{
    switch (id) {
    case lwoId("CTEX"): channel = lwoId("COLR"); break;
    case lwoId("DTEX"): channel = lwoId("DIFF"); break;
    case lwoId("STEX"): channel = SpecularityId; break;
    case lwoId("RTEX"): channel = lwoId("REFL"); break;
    case lwoId("TTEX"): channel = lwoId("TRAN"); break;
    case lwoId("LTEX"): channel = lwoId("LUMI"); break;
    case lwoId("BTEX"): channel = lwoId("BUMP"); break;
    default: return nullptr;
    }
    return lwoTextureListFor(surface, channel);
}

void readOldSurfacePart(CLwoReader& in, const LwoSubChunk& sub, OldSurfaceState& state)
{
    LwoSurface& surface = state.surface;
    LwoId channel = 0;
    if (LwoTextureList* list = oldTextureList(surface, sub.id, channel)) {
        list->push_back(textureFromOldName(in.readS0(), channel));
        state.texture = list->back().get();
        return;
    }
    switch (sub.id) {
    case lwoId("COLR"):
        if (in.has(3))
            for (float& c : surface.colour)
                c = in.readU1() / 255.0f;
        break;
    case lwoId("FLAG"): {
        const uint16_t flags = in.readU2();
        if (flags & 0x4)
            surface.smoothingAngle = SmoothingForFlag;
        if (flags & 0x8)
            surface.colourHighlights.value = 1.0f;
        if (flags & 0x10)
            surface.colourFilter.value = 1.0f;
        if (flags & 0x80)
            surface.diffuseSharpness.value = 0.5f;
        if (flags & 0x100)
            surface.sidedness = 3;
        if (flags & 0x200)
            surface.additiveTransparency.value = 1.0f;
        break;
    }
    case lwoId("LUMI"): readFixedPoint(in, surface.luminosity.value); break;
    case lwoId("DIFF"): readFixedPoint(in, surface.diffuse.value); break;
    case SpecularityId: readFixedPoint(in, surface.specularity.value); break;
    case lwoId("REFL"): readFixedPoint(in, surface.reflection.value); break;
    case lwoId("TRAN"): readFixedPoint(in, surface.transparency.value); break;
    case lwoId("VLUM"): surface.luminosity.value = in.readF4(surface.luminosity.value); break;
    case lwoId("VDIF"): surface.diffuse.value = in.readF4(surface.diffuse.value); break;
    case lwoId("VSPC"): surface.specularity.value = in.readF4(surface.specularity.value); break;
    case lwoId("GLOS"): {
        // A glossiness of 0 would give the logarithm of 0; it means no gloss.
        if (!in.has(2))
            break;
        const uint16_t glossiness = in.readU2();
        surface.glossiness.value = glossiness > 0 ? std::log(float(glossiness)) * 0.048089873f : 0.0f;
        break;
    }
    case lwoId("SMAN"): surface.smoothingAngle = in.readF4(); break;
    case lwoId("RFLT"): surface.reflection.options = in.readU2(); break;
    case lwoId("RIMG"):
        surface.reflection.clipIndex = addClipForImage(state.object, in.readS0());
        surface.reflection.options = 3;
        break;
    case lwoId("RSAN"): surface.reflection.seamAngle = in.readF4(); break;
    case lwoId("RIND"): surface.refractiveIndex.value = in.readF4(surface.refractiveIndex.value); break;
    case lwoId("SHDR"): {
        auto shader = std::make_unique<LwoPlugin>();
        shader->name = subChunkText(in, sub);
        state.shader = shader.get();
        surface.shaders.push_back(std::move(shader));
        break;
    }
    case lwoId("SDAT"):
        if (state.shader)
            state.shader->data = in.readBytes(sub.size);
        break;
    default: readTexturePart(in, sub, state); break;
    }
}

} // namespace

std::unique_ptr<LwoSurface> readOldLwoSurface(CLwoReader& in, uint32_t size, LwoObject& object)
{
    const size_t start = in.tell();
    auto surface = createDefaultLwoSurface();
    surface->name = in.readS0();
    if (in.failed() || in.tell() > start + size)
        return nullptr;
    OldSurfaceState state{*surface, object};
    const bool read = readLwoSubChunks(in, start, size, [&](const LwoSubChunk& sub) {
        readOldSurfacePart(in, sub, state);
        return true;
    });
    return read ? std::move(surface) : nullptr;
}
