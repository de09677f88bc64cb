#pragma once
// Text through FreeType. A font is chosen by face name, cell height and
// average character width in pixels; fontconfig finds the nearest installed
// face, so "Tahoma" becomes DejaVu Sans on a plain Debian system. Glyphs are
// rendered once into an atlas texture and drawn as screen quads.
#include <cstdint>
#include <map>
#include <memory>
#include <string>

class CTexture;

enum TextFormat : unsigned {
    TextLeft = 0,
    TextTop = 0,
    TextCenter = 1,
    TextRight = 2,
};

struct TextRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// The installed font file nearest to a face name ("Tahoma", "DejaVu Sans")
// at a weight (600 and up asks for bold), and the face's index in the file.
// False when fontconfig finds none.
bool findFontFace(const std::string& name, int weight, std::string& file, int& index);

class CFont {
public:
    // height: the character cell (ascent plus descent) in pixels; width: the
    // average character width, 0 for the face's own proportions; weight as in
    // CSS (0 or 400 regular, 700 bold). None when no face can be loaded.
    static std::unique_ptr<CFont> create(const std::string& face, int height, int width = 0, int weight = 0);
    ~CFont();
    CFont(const CFont&) = delete;
    CFont& operator=(const CFont&) = delete;

    // Draws UTF-8 text into the pixel rectangle of the current target, aligned
    // by format, in the ARGB colour, cut at the rectangle's edges. Lines break
    // at '\n' only. Leaves the device state as it was; returns the text height.
    int drawText(const std::string& text, const TextRect& rect, unsigned format, uint32_t argb);
    // The advance width of one line of text in pixels.
    int textWidth(const std::string& text);
    int lineHeight() const { return cellHeight; }
    // The font file fontconfig chose (for messages and tests).
    const std::string& file() const { return fontFile; }

private:
    struct Glyph {
        int atlasX = 0, atlasY = 0, width = 0, height = 0;
        int left = 0, top = 0; // bitmap offset from the pen, y up from the baseline
        int advance = 0;
    };
    struct Face;

    CFont() = default;
    const Glyph& glyph(uint32_t codepoint);

    std::unique_ptr<Face> face;
    std::string fontFile;
    int cellHeight = 0;
    int ascent = 0;
    std::unique_ptr<CTexture> atlas;
    int shelfX = 0, shelfY = 0, shelfHeight = 0;
    std::map<uint32_t, Glyph> glyphs;
};
