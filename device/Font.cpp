#include "device/Font.h"

#include "device/Device.h"
#include "device/StateBlock.h"
#include "device/Texture.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int AtlasSize = 1024;

FT_Library library()
{
    static FT_Library shared = [] {
        FT_Library made = nullptr;
        if (FT_Init_FreeType(&made) != 0)
            made = nullptr;
        return made;
    }();
    return shared;
}

// Fontconfig keeps its configuration and caches until told to let go; it is
// told once, when the program ends, so a leak check at exit stays clean.
bool startFontconfig()
{
    struct Fontconfig {
        bool started = FcInit() == FcTrue;
        ~Fontconfig()
        {
            if (started)
                FcFini();
        }
    };
    static const Fontconfig fontconfig;
    return fontconfig.started;
}


// Next code point of UTF-8 text; malformed bytes read as U+FFFD.
uint32_t nextCodepoint(const std::string& text, size_t& at)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char first = byte(at++);
    if (first < 0x80)
        return first;
    int extra = first >= 0xF0 ? 3 : first >= 0xE0 ? 2 : first >= 0xC0 ? 1 : -1;
    if (extra < 0 || first >= 0xF8)
        return 0xFFFD;
    uint32_t code = first & (0x3F >> extra);
    for (int i = 0; i < extra; ++i) {
        if (at >= text.size() || (byte(at) & 0xC0) != 0x80)
            return 0xFFFD;
        code = (code << 6) | (byte(at++) & 0x3F);
    }
    return code;
}

// The glyph's pixels at box, cut to the clip rectangle, as two triangles
// reading the atlas from (atlasX, atlasY) on.
void appendClippedQuad(std::vector<ScreenVertex>& vertices, const TextRect& box, int atlasX, int atlasY,
                       const TextRect& clip, uint32_t argb)
{
    const int cx0 = std::max(box.left, clip.left), cy0 = std::max(box.top, clip.top);
    const int cx1 = std::min(box.right, clip.right), cy1 = std::min(box.bottom, clip.bottom);
    if (cx0 >= cx1 || cy0 >= cy1)
        return;
    const float inverse = 1.0f / AtlasSize;
    const float u0 = (atlasX + (cx0 - box.left)) * inverse, v0 = (atlasY + (cy0 - box.top)) * inverse;
    const float u1 = (atlasX + (cx1 - box.left)) * inverse, v1 = (atlasY + (cy1 - box.top)) * inverse;
    const ScreenVertex tl{float(cx0), float(cy0), 0, 1, argb, u0, v0};
    const ScreenVertex tr{float(cx1), float(cy0), 0, 1, argb, u1, v0};
    const ScreenVertex br{float(cx1), float(cy1), 0, 1, argb, u1, v1};
    const ScreenVertex bl{float(cx0), float(cy1), 0, 1, argb, u0, v1};
    vertices.insert(vertices.end(), {tl, tr, br, tl, br, bl});
}

// Draws the quads with the atlas's alpha over the target, point-sampled so
// the glyphs stay as sharp as FreeType made them; the state is put back after.
void drawGlyphQuads(const CTexture* atlas, const std::vector<ScreenVertex>& vertices)
{
    CDevice& d = device();
    const CStateBlock saved;
    d.setProgram(nullptr);
    d.setRenderState(RenderState::ZEnable, false);
    d.setRenderState(RenderState::CullMode, Cull::None);
    d.setRenderState(RenderState::AlphaBlendEnable, true);
    d.setRenderState(RenderState::SrcBlend, Blend::SrcAlpha);
    d.setRenderState(RenderState::DestBlend, Blend::InvSrcAlpha);
    d.setRenderState(RenderState::ColorWriteEnable, ColorWriteAll);
    d.setSamplerState(SamplerState::MagFilter, TexFilter::Point);
    d.setSamplerState(SamplerState::MinFilter, TexFilter::Point);
    d.setSamplerState(SamplerState::MipFilter, TexFilter::None);
    d.setTexture(atlas);
    d.setVertexLayout(ScreenVertexLayout);
    d.drawPrimitiveUP(PrimitiveType::TriangleList, static_cast<int>(vertices.size() / 3), vertices.data(),
                      sizeof(ScreenVertex));
    saved.apply();
}

} // namespace

// The installed font file nearest to the face name, and its index in the file.
bool findFontFace(const std::string& name, int weight, std::string& file, int& index)
{
    if (!startFontconfig())
        return false;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(name.c_str()));
    if (!pattern)
        return false;
    if (weight >= 600)
        FcPatternAddInteger(pattern, FC_WEIGHT, FC_WEIGHT_BOLD);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    bool found = false;
    if (match) {
        FcChar8* path = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path) {
            file = reinterpret_cast<const char*>(path);
            int i = 0;
            index = FcPatternGetInteger(match, FC_INDEX, 0, &i) == FcResultMatch ? i : 0;
            found = true;
        }
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return found;
}

struct CFont::Face {
    FT_Face handle = nullptr;
    ~Face()
    {
        if (handle)
            FT_Done_Face(handle);
    }
};

CFont::~CFont() = default;

std::unique_ptr<CFont> CFont::create(const std::string& faceName, int height, int width, int weight)
{
    if (!library() || height <= 0 || height > 1024 || width < 0 || width > 1024)
        return nullptr;
    std::string file;
    int index = 0;
    if (!findFontFace(faceName, weight, file, index))
        return nullptr;
    std::unique_ptr<CFont> font(new CFont());
    font->face = std::make_unique<Face>();
    if (FT_New_Face(library(), file.c_str(), index, &font->face->handle) != 0)
        return nullptr;
    FT_Face f = font->face->handle;
    font->fontFile = file;
    // The height is the character cell, ascent plus descent, as Windows fonts
    // are sized; the em square is the part of it the face's metrics give.
    const int units = f->units_per_EM > 0 ? f->units_per_EM : 2048;
    const int cell = f->ascender - f->descender > 0 ? f->ascender - f->descender : units;
    const double em = static_cast<double>(height) * units / cell;
    double emWidth = em;
    if (width > 0) {
        // The average character width of the face, scaled to the wanted one.
        const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(f, FT_SFNT_OS2));
        const double average = os2 && os2->xAvgCharWidth > 0 ? os2->xAvgCharWidth : units * 0.5;
        emWidth = static_cast<double>(width) * units / average;
    }
    if (FT_Set_Pixel_Sizes(f, static_cast<FT_UInt>(std::lround(std::max(1.0, emWidth))),
                           static_cast<FT_UInt>(std::lround(std::max(1.0, em)))) != 0)
        return nullptr;
    font->cellHeight = height;
    font->ascent = static_cast<int>(std::lround(static_cast<double>(height) * f->ascender / cell));
    font->atlas = CTexture::create(AtlasSize, AtlasSize, 1, Format::A8);
    if (!font->atlas)
        return nullptr;
    std::vector<uint8_t> empty(static_cast<size_t>(AtlasSize) * AtlasSize, 0);
    font->atlas->upload(0, PixelLayout::R8, empty.data());
    font->atlas->useRedAsAlpha();
    return font;
}

const CFont::Glyph& CFont::glyph(uint32_t codepoint)
{
    if (auto found = glyphs.find(codepoint); found != glyphs.end())
        return found->second;
    Glyph g;
    FT_Face f = face->handle;
    if (FT_Load_Char(f, codepoint, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) == 0) {
        const FT_Bitmap& bitmap = f->glyph->bitmap;
        g.width = static_cast<int>(bitmap.width);
        g.height = static_cast<int>(bitmap.rows);
        g.left = f->glyph->bitmap_left;
        g.top = f->glyph->bitmap_top;
        g.advance = static_cast<int>((f->glyph->advance.x + 32) >> 6);
        if (g.width > 0 && g.height > 0 && g.width < AtlasSize && g.height < AtlasSize) {
            if (shelfX + g.width + 1 > AtlasSize) {
                shelfX = 0;
                shelfY += shelfHeight + 1;
                shelfHeight = 0;
            }
            if (shelfY + g.height + 1 > AtlasSize) {
                // The atlas is full: start it again; glyphs already drawn are
                // done with, the ones needed again are rendered anew.
                glyphs.clear();
                shelfX = shelfY = shelfHeight = 0;
            }
            std::vector<uint8_t> pixels(static_cast<size_t>(g.width) * g.height);
            for (int row = 0; row < g.height; ++row) {
                const unsigned char* source = bitmap.buffer + static_cast<ptrdiff_t>(row) * bitmap.pitch;
                std::copy_n(source, g.width, pixels.begin() + static_cast<ptrdiff_t>(row) * g.width);
            }
            g.atlasX = shelfX;
            g.atlasY = shelfY;
            atlas->uploadRegion(g.atlasX, g.atlasY, g.width, g.height, PixelLayout::R8, pixels.data());
            shelfX += g.width + 1;
            shelfHeight = std::max(shelfHeight, g.height);
        } else {
            g.width = g.height = 0;
        }
    }
    return glyphs[codepoint] = g;
}

int CFont::textWidth(const std::string& text)
{
    int width = 0;
    for (size_t at = 0; at < text.size();) {
        const uint32_t code = nextCodepoint(text, at);
        if (code == '\n')
            break;
        width += glyph(code).advance;
    }
    return width;
}

int CFont::drawText(const std::string& text, const TextRect& rect, unsigned format, uint32_t argb)
{
    std::vector<ScreenVertex> vertices;
    int lineTop = rect.top;
    size_t lineStart = 0;
    int lines = 0;
    while (lineStart <= text.size()) {
        size_t lineEnd = text.find('\n', lineStart);
        if (lineEnd == std::string::npos)
            lineEnd = text.size();
        const std::string line = text.substr(lineStart, lineEnd - lineStart);
        const int width = textWidth(line);
        int penX = rect.left;
        if (format & TextRight)
            penX = rect.right - width;
        else if (format & TextCenter)
            penX = (rect.left + rect.right - width) / 2;
        const int baseline = lineTop + ascent;
        for (size_t at = 0; at < line.size();) {
            const Glyph& g = glyph(nextCodepoint(line, at));
            if (g.width > 0) {
                const TextRect box{penX + g.left, baseline - g.top, penX + g.left + g.width, baseline - g.top + g.height};
                appendClippedQuad(vertices, box, g.atlasX, g.atlasY, rect, argb);
            }
            penX += g.advance;
        }
        ++lines;
        lineTop += cellHeight;
        lineStart = lineEnd + 1;
    }
    if (!vertices.empty())
        drawGlyphQuads(atlas.get(), vertices);
    return lines * cellHeight;
}
