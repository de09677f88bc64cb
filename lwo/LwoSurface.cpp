#include "lwo/LwoSurface.h"

namespace {

constexpr LwoId IdImageMap = lwoId("IMAP");
constexpr LwoId IdProcedural = lwoId("PROC");
constexpr LwoId IdGradient = lwoId("GRAD");

// The readers below pass each field's current value as the fallback, so a
// sub-chunk that stops early leaves the rest of its fields at their defaults.
void readEnveloped(CLwoReader& in, LwoEnvelopedValue& target)
{
    target.value = in.readF4(target.value);
    target.envelope = int(in.readVx(uint32_t(target.envelope)));
}

void readChannel(CLwoReader& in, LwoChannel& channel)
{
    channel.value = in.readF4(channel.value);
    channel.envelope = int(in.readVx(uint32_t(channel.envelope)));
}

void readVector(CLwoReader& in, LwoVectorParam& target)
{
    for (float& v : target.value)
        v = in.readF4(v);
    target.envelope = int(in.readVx(uint32_t(target.envelope)));
}

bool readMapping(CLwoReader& in, const LwoSubChunk& chunk, LwoTextureMapping& mapping)
{
    return readLwoSubChunks(in, chunk.start, chunk.size, [&](const LwoSubChunk& sub) {
        switch (sub.id) {
        case lwoId("CNTR"): readVector(in, mapping.centre); break;
        case lwoId("SIZE"): readVector(in, mapping.size); break;
        case lwoId("ROTA"): readVector(in, mapping.rotation); break;
        case lwoId("FALL"):
            mapping.falloffType = in.readU2();
            readVector(in, mapping.falloff);
            break;
        case lwoId("OREF"): mapping.referenceObject = in.readS0(); break;
        case lwoId("CSYS"): mapping.coordinateSystem = in.readU2(); break;
        default: break;
        }
        return true;
    });
}

bool readImageMapPart(CLwoReader& in, const LwoSubChunk& sub, LwoTexture& texture)
{
    LwoImageMap& map = texture.imageMap;
    switch (sub.id) {
    case lwoId("IMAG"): map.clipIndex = int(in.readVx()); break;
    case lwoId("PROJ"): map.projection = in.readU2(); break;
    case lwoId("VMAP"): map.vertexMapName = in.readS0(); break;
    case lwoId("AXIS"): map.axis = in.readU2(); break;
    case lwoId("WRAP"):
        map.wrapWidthMode = in.readU2();
        map.wrapHeightMode = in.readU2();
        break;
    case lwoId("WRPW"): readEnveloped(in, map.wrapWidth); break;
    case lwoId("WRPH"): readEnveloped(in, map.wrapHeight); break;
    case lwoId("AAST"):
        map.antialiasFlags = in.readU2();
        map.antialiasStrength = in.readF4();
        break;
    case lwoId("PIXB"): map.pixelBlending = in.readU2(); break;
    case lwoId("STCK"):
        map.stickyOn = in.readU2();
        map.stickyTime = in.readF4();
        break;
    case lwoId("TAMP"): readEnveloped(in, map.amplitude); break;
    case lwoId("TMAP"): return readMapping(in, sub, texture.mapping);
    default: break;
    }
    return true;
}

bool readProceduralPart(CLwoReader& in, const LwoSubChunk& sub, LwoTexture& texture)
{
    LwoProcedural& procedural = texture.procedural;
    switch (sub.id) {
    case lwoId("AXIS"): procedural.axis = in.readU2(); break;
    case lwoId("VALU"):
        procedural.value[0] = in.readF4();
        if (sub.size >= 8)
            procedural.value[1] = in.readF4();
        if (sub.size >= 12)
            procedural.value[2] = in.readF4();
        break;
    case lwoId("FUNC"):
        procedural.functionName = in.readS0();
        procedural.data = in.readBytes(sub.restAfter(in.tell()));
        break;
    case lwoId("TMAP"): return readMapping(in, sub, texture.mapping);
    default: break;
    }
    return true;
}

bool readGradientPart(CLwoReader& in, const LwoSubChunk& sub, LwoTexture& texture)
{
    LwoGradient& gradient = texture.gradient;
    switch (sub.id) {
    case lwoId("PNAM"): gradient.parameterName = in.readS0(); break;
    case lwoId("INAM"): gradient.itemName = in.readS0(); break;
    case lwoId("GRST"): gradient.start = in.readF4(); break;
    case lwoId("GREN"): gradient.end = in.readF4(); break;
    case lwoId("GRPT"): gradient.repeat = in.readU2(); break;
    case lwoId("FKEY"):
        // Each key is an input and four outputs: 20 bytes. (Dividing by 28,
        // the size of a key record with two list pointers on a 32-bit machine,
        // would silently drop keys.)
        gradient.keys.resize(sub.size / 20);
        for (LwoGradientKey& key : gradient.keys) {
            key.input = in.readF4();
            for (float& v : key.output)
                v = in.readF4();
        }
        break;
    case lwoId("IKEY"):
        gradient.integerKeys.resize(sub.size / 2);
        for (uint16_t& key : gradient.integerKeys)
            key = in.readU2();
        break;
    case lwoId("TMAP"): return readMapping(in, sub, texture.mapping);
    default: break;
    }
    return true;
}

// The header of a texture or shader block: a U2 size, the ordinal string,
// then sub-chunks. Leaves the reader at the header's end.
template <class Handler>
bool readBlockHeader(CLwoReader& in, size_t blockEnd, std::string& ordinal, Handler&& handle)
{
    const uint32_t headerSize = lwoEven(in.readU2());
    const size_t headerStart = in.tell();
    if (in.failed() || headerStart + headerSize > blockEnd)
        return false;
    ordinal = in.readS0();
    if (in.failed() || in.tell() > headerStart + headerSize)
        return false;
    return readLwoSubChunks(in, headerStart, headerSize, handle);
}

std::unique_ptr<LwoTexture> readTexture(CLwoReader& in, uint32_t size, LwoId type)
{
    const size_t start = in.tell();
    auto texture = std::make_unique<LwoTexture>();
    texture->type = type;
    const bool headerRead = readBlockHeader(in, start + size, texture->ordinal, [&](const LwoSubChunk& sub) {
        switch (sub.id) {
        case lwoId("CHAN"): texture->channel = in.readId4(); break;
        case lwoId("OPAC"):
            texture->opacityType = in.readU2();
            texture->opacity = in.readF4(texture->opacity);
            texture->opacityEnvelope = int(in.readVx());
            break;
        case lwoId("ENAB"): texture->enable = in.readU2(texture->enable); break;
        case lwoId("NEGA"): texture->negative = in.readU2(); break;
        case lwoId("AXIS"): texture->axis = in.readU2(); break;
        default: break;
        }
        return true;
    });
    if (!headerRead)
        return nullptr;
    const bool bodyRead = readLwoSubChunks(in, start, size, [&](const LwoSubChunk& sub) {
        if (type == IdImageMap)
            return readImageMapPart(in, sub, *texture);
        if (type == IdProcedural)
            return readProceduralPart(in, sub, *texture);
        return readGradientPart(in, sub, *texture);
    });
    return bodyRead ? std::move(texture) : nullptr;
}

std::unique_ptr<LwoPlugin> readShader(CLwoReader& in, uint32_t size)
{
    const size_t start = in.tell();
    auto shader = std::make_unique<LwoPlugin>();
    const bool headerRead = readBlockHeader(in, start + size, shader->ordinal, [&](const LwoSubChunk& sub) {
        if (sub.id == lwoId("ENAB"))
            shader->flags = in.readU2();
        return true;
    });
    if (!headerRead)
        return nullptr;
    const bool bodyRead = readLwoSubChunks(in, start, size, [&](const LwoSubChunk& sub) {
        if (sub.id == lwoId("FUNC")) {
            shader->name = in.readS0();
            shader->data = in.readBytes(sub.restAfter(in.tell()));
        }
        return true;
    });
    return bodyRead ? std::move(shader) : nullptr;
}

// A BLOK sub-chunk: a texture layer for one of the channels, or a shader.
bool readBlock(CLwoReader& in, const LwoSubChunk& sub, LwoSurface& surface)
{
    if (sub.size < 4)
        return false;
    const LwoId type = in.readId4();
    if (type == IdImageMap || type == IdProcedural || type == IdGradient) {
        auto texture = readTexture(in, sub.size - 4, type);
        if (!texture)
            return false;
        if (LwoTextureList* list = lwoTextureListFor(surface, texture->channel))
            list->push_back(std::move(texture)); // ordered once the surface is read
        return true;
    }
    if (type == lwoId("SHDR")) {
        auto shader = readShader(in, sub.size - 4);
        if (!shader)
            return false;
        surface.shaders.push_back(std::move(shader));
    }
    return true;
}

bool readSurfacePart(CLwoReader& in, const LwoSubChunk& sub, LwoSurface& surface)
{
    switch (sub.id) {
    case lwoId("COLR"):
        for (float& c : surface.colour)
            c = in.readF4(c);
        surface.colourEnvelope = int(in.readVx());
        break;
    case lwoId("LUMI"): readChannel(in, surface.luminosity); break;
    case lwoId("DIFF"): readChannel(in, surface.diffuse); break;
    case SpecularityId: readChannel(in, surface.specularity); break;
    case lwoId("GLOS"): readChannel(in, surface.glossiness); break;
    case lwoId("REFL"): readChannel(in, surface.reflection); break;
    case lwoId("TRAN"): readChannel(in, surface.transparency); break;
    case lwoId("TRNL"): readChannel(in, surface.translucency); break;
    case lwoId("BUMP"): readChannel(in, surface.bump); break;
    case lwoId("RIND"): readChannel(in, surface.refractiveIndex); break;
    case lwoId("SMAN"): surface.smoothingAngle = in.readF4(); break;
    case lwoId("SIDE"): surface.sidedness = in.readU2(uint16_t(surface.sidedness)); break;
    case lwoId("RFOP"): surface.reflection.options = in.readU2(); break;
    case lwoId("TROP"): surface.transparency.options = in.readU2(); break;
    case lwoId("RIMG"): surface.reflection.clipIndex = int(in.readVx()); break;
    case lwoId("TIMG"): surface.transparency.clipIndex = int(in.readVx()); break;
    case lwoId("RSAN"): surface.reflection.seamAngle = in.readF4(); break;
    case lwoId("ALPH"):
        surface.alphaMode = in.readU2();
        surface.alphaValue = in.readF4();
        break;
    case lwoId("AVAL"): surface.alphaValue = in.readF4(); break;
    case lwoId("CLRH"): readEnveloped(in, surface.colourHighlights); break;
    case lwoId("CLRF"): readEnveloped(in, surface.colourFilter); break;
    case lwoId("ADTR"): readEnveloped(in, surface.additiveTransparency); break;
    case lwoId("SHRP"): readEnveloped(in, surface.diffuseSharpness); break;
    case lwoId("GVAL"): readEnveloped(in, surface.glow); break;
    case lwoId("LINE"):
        surface.line.enable = 1;
        if (sub.size >= 2)
            surface.line.flags = in.readU2();
        if (sub.size >= 6)
            surface.line.size = in.readF4();
        if (sub.size >= 8)
            surface.line.envelope = int(in.readVx());
        break;
    case lwoId("BLOK"): return readBlock(in, sub, surface);
    default: break;
    }
    return true;
}

} // namespace

std::unique_ptr<LwoSurface> createDefaultLwoSurface() { return std::make_unique<LwoSurface>(); }

LwoTextureList* lwoTextureListFor(LwoSurface& surface, LwoId channel)
{
    switch (channel) {
    case lwoId("COLR"): return &surface.colourTextures;
    case lwoId("LUMI"): return &surface.luminosity.textures;
    case lwoId("DIFF"): return &surface.diffuse.textures;
    case SpecularityId: return &surface.specularity.textures;
    case lwoId("GLOS"): return &surface.glossiness.textures;
    case lwoId("REFL"): return &surface.reflection.textures;
    case lwoId("TRAN"): return &surface.transparency.textures;
    case lwoId("RIND"): return &surface.refractiveIndex.textures;
    case lwoId("TRNL"): return &surface.translucency.textures;
    case lwoId("BUMP"): return &surface.bump.textures;
    default: return nullptr;
    }
}

std::unique_ptr<LwoSurface> readLwoSurface(CLwoReader& in, uint32_t size)
{
    const size_t start = in.tell();
    auto surface = createDefaultLwoSurface();
    surface->name = in.readS0();
    surface->sourceName = in.readS0();
    if (in.failed() || in.tell() > start + size)
        return nullptr;
    const bool read = readLwoSubChunks(
        in, start, size, [&](const LwoSubChunk& sub) { return readSurfacePart(in, sub, *surface); });
    if (!read)
        return nullptr;
    for (LwoId channel : {lwoId("COLR"), lwoId("LUMI"), lwoId("DIFF"), SpecularityId, lwoId("GLOS"), lwoId("REFL"),
             lwoId("TRAN"), lwoId("RIND"), lwoId("TRNL"), lwoId("BUMP")})
        sortByOrdinal(*lwoTextureListFor(*surface, channel));
    sortByOrdinal(surface->shaders);
    return surface;
}
