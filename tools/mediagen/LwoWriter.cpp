#include "LwoWriter.h"

#include "lwo/LwoReader.h"

#include <algorithm>
#include <cstring>
#include <fstream>

namespace {

// Big-endian output with sizes patched in once a chunk is complete.
class CByteWriter {
public:
    void id(const char* text) { bytes.insert(bytes.end(), text, text + 4); }
    void u1(uint8_t v) { bytes.push_back(v); }
    void u2(uint16_t v)
    {
        u1(uint8_t(v >> 8));
        u1(uint8_t(v));
    }
    void u4(uint32_t v)
    {
        u2(uint16_t(v >> 16));
        u2(uint16_t(v));
    }
    void f4(float v)
    {
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        u4(bits);
    }
    void vx(uint32_t index)
    {
        if (index < 0xFF00)
            u2(uint16_t(index));
        else
            u4(0xFF000000u | index);
    }
    void s0(const std::string& text)
    {
        bytes.insert(bytes.end(), text.begin(), text.end());
        u1(0);
        if (bytes.size() & 1)
            u1(0);
    }

    // A chunk (U4 size) or sub-chunk (U2 size): begin gives the mark to end it with.
    size_t beginChunk(const char* name)
    {
        id(name);
        u4(0);
        return bytes.size();
    }
    size_t beginSub(const char* name)
    {
        id(name);
        u2(0);
        return bytes.size();
    }
    void endChunk(size_t mark) { patch(mark, 4); }
    void endSub(size_t mark) { patch(mark, 2); }

    std::vector<uint8_t> bytes;

private:
    void patch(size_t mark, int width)
    {
        const size_t length = bytes.size() - mark;
        if (length & 1)
            u1(0);
        for (int i = 0; i < width; ++i)
            bytes[mark - 1 - size_t(i)] = uint8_t(length >> (8 * i));
    }
};

void writeChannel(CByteWriter& out, const char* name, float value)
{
    const size_t sub = out.beginSub(name);
    out.f4(value);
    out.vx(0);
    out.endSub(sub);
}

// A colour image map over the mesh's UV map.
void writeImageBlock(CByteWriter& out, const LwoMeshSurface& surface, const std::string& uvMapName)
{
    const size_t block = out.beginSub("BLOK");
    const size_t header = out.beginSub("IMAP");
    out.s0("\x80");
    size_t sub = out.beginSub("CHAN");
    out.id("COLR");
    out.endSub(sub);
    sub = out.beginSub("OPAC");
    out.u2(0);
    out.f4(1.0f);
    out.vx(0);
    out.endSub(sub);
    sub = out.beginSub("ENAB");
    out.u2(1);
    out.endSub(sub);
    out.endSub(header);

    const size_t mapping = out.beginSub("TMAP");
    const char* vectors[] = {"CNTR", "SIZE", "ROTA"};
    for (const char* name : vectors) {
        sub = out.beginSub(name);
        const float v = std::strcmp(name, "SIZE") == 0 ? 1.0f : 0.0f;
        out.f4(v);
        out.f4(v);
        out.f4(v);
        out.vx(0);
        out.endSub(sub);
    }
    sub = out.beginSub("CSYS");
    out.u2(0);
    out.endSub(sub);
    out.endSub(mapping);

    sub = out.beginSub("PROJ");
    out.u2(5); // UV
    out.endSub(sub);
    sub = out.beginSub("AXIS");
    out.u2(2);
    out.endSub(sub);
    sub = out.beginSub("IMAG");
    out.vx(uint32_t(surface.colourClip));
    out.endSub(sub);
    sub = out.beginSub("WRAP");
    out.u2(1); // repeat
    out.u2(1);
    out.endSub(sub);
    sub = out.beginSub("VMAP");
    out.s0(uvMapName);
    out.endSub(sub);
    out.endSub(block);
}

void writeSurface(CByteWriter& out, const LwoMeshSurface& surface, const std::string& uvMapName)
{
    const size_t chunk = out.beginChunk("SURF");
    out.s0(surface.name);
    out.s0("");
    size_t sub = out.beginSub("COLR");
    for (float c : surface.colour)
        out.f4(c);
    out.vx(0);
    out.endSub(sub);
    writeChannel(out, "LUMI", surface.luminosity);
    writeChannel(out, "DIFF", surface.diffuse);
    writeChannel(out, lwoIdText(SpecularityId).c_str(), surface.specularity);
    writeChannel(out, "GLOS", surface.glossiness);
    writeChannel(out, "REFL", surface.reflection);
    sub = out.beginSub("SMAN");
    out.f4(surface.smoothingAngle);
    out.endSub(sub);
    sub = out.beginSub("SIDE");
    out.u2(1);
    out.endSub(sub);
    if (surface.colourClip > 0)
        writeImageBlock(out, surface, uvMapName);
    out.endChunk(chunk);
}

} // namespace

std::vector<uint8_t> writeLwo2(const LwoMesh& mesh)
{
    CByteWriter out;
    const size_t form = out.beginChunk("FORM");
    out.id("LWO2");

    size_t chunk = out.beginChunk("TAGS");
    for (const LwoMeshSurface& surface : mesh.surfaces)
        out.s0(surface.name);
    out.endChunk(chunk);

    chunk = out.beginChunk("LAYR");
    out.u2(0);
    out.u2(0);
    out.f4(0.0f);
    out.f4(0.0f);
    out.f4(0.0f);
    out.s0("");
    out.endChunk(chunk);

    chunk = out.beginChunk("PNTS");
    for (const auto& p : mesh.points)
        for (float v : p)
            out.f4(v);
    out.endChunk(chunk);

    std::array<float, 3> low{1e30f, 1e30f, 1e30f};
    std::array<float, 3> high{-1e30f, -1e30f, -1e30f};
    for (const auto& p : mesh.points)
        for (int a = 0; a < 3; ++a) {
            low[a] = std::min(low[a], p[a]);
            high[a] = std::max(high[a], p[a]);
        }
    chunk = out.beginChunk("BBOX");
    for (float v : low)
        out.f4(v);
    for (float v : high)
        out.f4(v);
    out.endChunk(chunk);

    if (!mesh.uvs.empty()) {
        chunk = out.beginChunk("VMAP");
        out.id("TXUV");
        out.u2(2);
        out.s0(mesh.uvMapName);
        for (size_t i = 0; i < mesh.uvs.size(); ++i) {
            out.vx(uint32_t(i));
            out.f4(mesh.uvs[i][0]);
            out.f4(mesh.uvs[i][1]);
        }
        out.endChunk(chunk);
    }

    chunk = out.beginChunk("POLS");
    out.id("FACE");
    for (const auto& triangle : mesh.triangles) {
        out.u2(3);
        for (int index : triangle)
            out.vx(uint32_t(index));
    }
    out.endChunk(chunk);

    chunk = out.beginChunk("PTAG");
    out.id("SURF");
    for (size_t i = 0; i < mesh.triangles.size(); ++i) {
        out.vx(uint32_t(i));
        out.u2(uint16_t(mesh.triangleSurface[i]));
    }
    out.endChunk(chunk);

    for (size_t i = 0; i < mesh.clips.size(); ++i) {
        chunk = out.beginChunk("CLIP");
        out.u4(uint32_t(i + 1));
        const size_t sub = out.beginSub("STIL");
        out.s0(mesh.clips[i]);
        out.endSub(sub);
        out.endChunk(chunk);
    }

    for (const LwoMeshSurface& surface : mesh.surfaces)
        writeSurface(out, surface, mesh.uvMapName);

    out.endChunk(form);
    return out.bytes;
}

bool saveLwo2(const LwoMesh& mesh, const std::filesystem::path& path)
{
    const std::vector<uint8_t> bytes = writeLwo2(mesh);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(file);
}
