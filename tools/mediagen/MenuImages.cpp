// The menu's images: the background, the title and the three items, made
// with real type (a bold face found through fontconfig, drawn by FreeType),
// colour and glow. Sizes suit an 800 x 600 reference screen, on which an
// image covers as many pixels as it has: the title sits at (160, 30) and the
// four items fill their slots on the row at y = 540 (see view/MenuLayout.h).
#include "MediaGenerator.h"

#include "device/Font.h"
#include "view/MenuLayout.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include <stb_image_write.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Colour {
    float r, g, b, a;
};

// Straight-alpha RGBA floats.
struct Canvas {
    int width;
    int height;
    std::vector<Colour> pixels;

    Canvas(int w, int h, Colour fill = {0, 0, 0, 0}) : width(w), height(h), pixels(static_cast<size_t>(w) * h, fill)
    {
    }
    Colour& at(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }

    // Source-over with a coverage factor.
    void blend(int x, int y, Colour c, float coverage)
    {
        if (x < 0 || y < 0 || x >= width || y >= height)
            return;
        const float a = std::clamp(c.a * coverage, 0.0f, 1.0f);
        Colour& d = at(x, y);
        const float out = a + d.a * (1.0f - a);
        if (out <= 0.0f)
            return;
        d.r = (c.r * a + d.r * d.a * (1.0f - a)) / out;
        d.g = (c.g * a + d.g * d.a * (1.0f - a)) / out;
        d.b = (c.b * a + d.b * d.a * (1.0f - a)) / out;
        d.a = out;
    }

    bool save(const std::filesystem::path& path) const
    {
        std::vector<unsigned char> bytes(pixels.size() * 4);
        for (size_t i = 0; i < pixels.size(); ++i) {
            const Colour& c = pixels[i];
            bytes[i * 4 + 0] = static_cast<unsigned char>(std::lround(std::clamp(c.r, 0.0f, 1.0f) * 255));
            bytes[i * 4 + 1] = static_cast<unsigned char>(std::lround(std::clamp(c.g, 0.0f, 1.0f) * 255));
            bytes[i * 4 + 2] = static_cast<unsigned char>(std::lround(std::clamp(c.b, 0.0f, 1.0f) * 255));
            bytes[i * 4 + 3] = static_cast<unsigned char>(std::lround(std::clamp(c.a, 0.0f, 1.0f) * 255));
        }
        return stbi_write_tga(path.c_str(), width, height, 4, bytes.data()) != 0;
    }
};

// A coverage mask (0..1 per pixel).
using Mask = std::vector<float>;

// Three box blurs: close to a Gaussian of the given radius.
Mask blur(const Mask& source, int width, int height, int radius)
{
    Mask a = source;
    Mask b(a.size());
    for (int round = 0; round < 3; ++round) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                float sum = 0;
                for (int k = -radius; k <= radius; ++k)
                    sum += a[static_cast<size_t>(y) * width + std::clamp(x + k, 0, width - 1)];
                b[static_cast<size_t>(y) * width + x] = sum / (2 * radius + 1);
            }
        }
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                float sum = 0;
                for (int k = -radius; k <= radius; ++k)
                    sum += b[static_cast<size_t>(std::clamp(y + k, 0, height - 1)) * width + x];
                a[static_cast<size_t>(y) * width + x] = sum / (2 * radius + 1);
            }
        }
    }
    return a;
}

class CTypeSetter {
public:
    CTypeSetter()
    {
        if (FT_Init_FreeType(&library) != 0)
            return;
        const std::string file = boldFaceFile();
        if (file.empty() || FT_New_Face(library, file.c_str(), 0, &face) != 0)
            face = nullptr;
    }
    ~CTypeSetter()
    {
        if (face)
            FT_Done_Face(face);
        if (library)
            FT_Done_FreeType(library);
    }
    bool ready() const { return face != nullptr; }

    int textWidth(const std::string& text, int pixelSize)
    {
        FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize));
        int width = 0;
        for (unsigned char c : text) {
            if (FT_Load_Char(face, c, FT_LOAD_DEFAULT) == 0)
                width += static_cast<int>(face->glyph->advance.x >> 6);
        }
        return width;
    }

    // The text's coverage with its baseline at y = baseline, starting at x.
    void draw(const std::string& text, int pixelSize, int x, int baseline, Mask& mask, int width, int height)
    {
        FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize));
        int pen = x;
        for (unsigned char c : text) {
            if (FT_Load_Char(face, c, FT_LOAD_RENDER) != 0)
                continue;
            const FT_Bitmap& bitmap = face->glyph->bitmap;
            for (unsigned row = 0; row < bitmap.rows; ++row) {
                for (unsigned column = 0; column < bitmap.width; ++column) {
                    const int px = pen + face->glyph->bitmap_left + static_cast<int>(column);
                    const int py = baseline - face->glyph->bitmap_top + static_cast<int>(row);
                    if (px < 0 || py < 0 || px >= width || py >= height)
                        continue;
                    const float v = bitmap.buffer[row * static_cast<unsigned>(bitmap.pitch) + column] / 255.0f;
                    float& m = mask[static_cast<size_t>(py) * width + px];
                    m = std::max(m, v);
                }
            }
            pen += static_cast<int>(face->glyph->advance.x >> 6);
        }
    }

    // Ascent of capitals in pixels at this size.
    int capHeight(int pixelSize)
    {
        FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize));
        if (FT_Load_Char(face, 'H', FT_LOAD_DEFAULT) != 0)
            return pixelSize * 7 / 10;
        return static_cast<int>(face->glyph->metrics.horiBearingY >> 6);
    }

private:
    static std::string boldFaceFile()
    {
        std::string file;
        int index = 0;
        return findFontFace("DejaVu Sans", 700, file, index) ? file : "";
    }

    FT_Library library = nullptr;
    FT_Face face = nullptr;
};

// Text with a soft outer glow and a glassy fill: a vertical gradient with a
// bright band across the upper half, a thin dark rim for contrast.
struct TextStyle {
    Colour top;
    Colour bottom;
    Colour glow;
    int glowRadius;
    float glowStrength;
};

Canvas textImage(CTypeSetter& type, const std::string& text, int pixelSize, int width, int height,
                 const TextStyle& style)
{
    Canvas canvas(width, height);
    Mask mask(static_cast<size_t>(width) * height, 0.0f);
    const int textWidth = type.textWidth(text, pixelSize);
    const int cap = type.capHeight(pixelSize);
    const int baseline = (height + cap) / 2;
    type.draw(text, pixelSize, (width - textWidth) / 2, baseline, mask, width, height);

    const Mask glow = blur(mask, width, height, style.glowRadius);
    const Mask rim = blur(mask, width, height, 1);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const size_t i = static_cast<size_t>(y) * width + x;
            canvas.blend(x, y, style.glow, std::min(1.0f, glow[i] * style.glowStrength));
            canvas.blend(x, y, {0.02f, 0.03f, 0.08f, 0.8f}, std::min(1.0f, rim[i] * 1.6f));
        }
    }
    const float top = static_cast<float>(baseline - cap);
    for (int y = 0; y < height; ++y) {
        const float t = std::clamp((y - top) / static_cast<float>(std::max(cap, 1)), 0.0f, 1.0f);
        Colour fill{style.top.r + (style.bottom.r - style.top.r) * t, style.top.g + (style.bottom.g - style.top.g) * t,
                    style.top.b + (style.bottom.b - style.top.b) * t, 1.0f};
        // The glass highlight: a brighter band over the upper 45 % of the letters.
        if (t < 0.45f) {
            const float h = 0.45f * (1.0f - t / 0.45f);
            fill.r += (1.0f - fill.r) * h;
            fill.g += (1.0f - fill.g) * h;
            fill.b += (1.0f - fill.b) * h;
        }
        for (int x = 0; x < width; ++x)
            canvas.blend(x, y, fill, mask[static_cast<size_t>(y) * width + x]);
    }
    return canvas;
}

void addressPlate(Canvas& canvas);

// Deep blue to violet, with soft light shafts, faint cells of a well and
// glassy discs of light: a backdrop for the translucent cubes.
Canvas background()
{
    const int width = 800, height = 600;
    Canvas canvas(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const float v = static_cast<float>(y) / height;
            const float u = static_cast<float>(x) / width;
            // Thinner in the middle, where the well stands, so the moving
            // scene shows through the menu; nearly solid at the edges.
            const float fromMiddle = std::hypot(u - 0.5f, v - 0.5f) / 0.5f;
            const float edge = std::clamp((fromMiddle - 0.35f) / 0.75f, 0.0f, 1.0f);
            const float alpha = 0.62f + 0.38f * edge * edge * (3.0f - 2.0f * edge);
            Colour c{0.02f + 0.10f * v + 0.05f * u, 0.04f + 0.06f * (1 - v), 0.16f + 0.18f * (1 - v) + 0.06f * u, alpha};
            // Light shafts falling from the upper left.
            const float shaft = std::sin((u * 1.4f + v * 0.9f) * 9.0f) * 0.5f + 0.5f;
            const float shaftFade = std::max(0.0f, 1.0f - v * 1.2f) * std::pow(shaft, 6.0f) * 0.12f;
            c.r += shaftFade * 0.6f;
            c.g += shaftFade * 0.9f;
            c.b += shaftFade;
            // A faint grid of square cells.
            const int cellX = x % 40, cellY = y % 40;
            if (cellX == 0 || cellY == 0) {
                c.r += 0.025f;
                c.g += 0.04f;
                c.b += 0.06f;
            }
            canvas.at(x, y) = c;
        }
    }
    // Glassy discs: soft bodies with a bright rim, seeded by a small fixed sequence.
    uint32_t state = 20261207;
    auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(state >> 8) / static_cast<float>(1u << 24);
    };
    for (int i = 0; i < 28; ++i) {
        const float cx = next() * width, cy = next() * height;
        const float radius = 12.0f + next() * 60.0f;
        const Colour tint{0.4f + 0.4f * next(), 0.7f + 0.3f * next(), 1.0f, 1.0f};
        const int x0 = std::max(0, static_cast<int>(cx - radius - 2));
        const int x1 = std::min(width - 1, static_cast<int>(cx + radius + 2));
        const int y0 = std::max(0, static_cast<int>(cy - radius - 2));
        const int y1 = std::min(height - 1, static_cast<int>(cy + radius + 2));
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                const float d = std::hypot(x - cx, y - cy) / radius;
                if (d > 1.05f)
                    continue;
                const float body = 0.06f * (1.0f - d * d);
                const float rim = 0.22f * std::exp(-std::pow((d - 0.96f) * 18.0f, 2.0f));
                const float shine = 0.18f * std::exp(-(std::pow(x - (cx - radius * 0.35f), 2.0f) +
                                                       std::pow(y - (cy - radius * 0.35f), 2.0f)) /
                                                     (radius * radius * 0.04f));
                canvas.blend(x, y, tint, std::max(0.0f, body + rim + shine));
            }
        }
    }
    addressPlate(canvas);
    return canvas;
}

// The game's web address is written in black along the bottom left of the
// screen; a pale frosted plate there lets it read on the dark backdrop. The
// plate ends in a rounded corner well before the item row at x = 400.
void addressPlate(Canvas& canvas)
{
    const float right = 236.0f, top = 576.0f, radius = 10.0f;
    const Colour frost{0.80f, 0.83f, 0.94f, 1.0f};
    for (int y = static_cast<int>(top) - 3; y < canvas.height; ++y) {
        for (int x = 0; x < static_cast<int>(right) + 3; ++x) {
            // Distance outside the rounded rectangle (negative inside).
            const float dx = std::max(0.0f, x + 0.5f - (right - radius));
            const float dy = std::max(0.0f, (top + radius) - (y + 0.5f));
            const float outside = std::hypot(dx, dy) - radius;
            const float cover = std::clamp(0.5f - outside, 0.0f, 1.0f);
            if (cover <= 0.0f)
                continue;
            // Brighter along the top edge, like light caught by glass.
            const float sheen = std::clamp(1.0f - (y - top) / 6.0f, 0.0f, 1.0f) * 0.12f;
            const Colour c{std::min(1.0f, frost.r + sheen), std::min(1.0f, frost.g + sheen),
                           std::min(1.0f, frost.b + sheen), 1.0f};
            canvas.blend(x, y, c, cover * 0.85f);
        }
    }
}

bool makeMenuImages(const std::filesystem::path& mediaDir)
{
    CTypeSetter type;
    if (!type.ready()) {
        std::fprintf(stderr, "menu images: no bold face found through fontconfig\n");
        return false;
    }
    bool ok = background().save(mediaDir / "back1.tga");

    const TextStyle title{{0.55f, 0.95f, 1.0f, 1}, {0.10f, 0.35f, 0.95f, 1}, {0.35f, 0.75f, 1.0f, 1}, 7, 2.2f};
    // As large as fits 480 x 140 with room for the glow on every side.
    int titleSize = 104;
    while (titleSize > 20 && type.textWidth("VESBRIK", titleSize) > 480 - 2 * 26)
        --titleSize;
    ok = textImage(type, "VESBRIK", titleSize, 480, 140, title).save(mediaDir / "title.tga") && ok;

    // The items are tinted by the menu (white, or pulsing to red when chosen),
    // so they are drawn near white with a cool glow, centred in their slots.
    // One size for all four, the largest at which each fits its slot.
    const struct {
        const char* text;
        const char* file;
    } items[CMenu::ItemCount] = {
        {"PLAY", "play.tga"}, {"SCORES", "highscore.tga"}, {"OPTIONS", "options.tga"}, {"EXIT", "exit.tga"}};
    const int margin = 8;
    int size = 34;
    for (int i = 0; i < CMenu::ItemCount; ++i) {
        while (size > 10 && type.textWidth(items[i].text, size) > MenuLayout::ItemSlots[i].width - 2 * margin)
            --size;
    }
    const TextStyle itemStyle{{1.0f, 1.0f, 1.0f, 1}, {0.80f, 0.86f, 0.95f, 1}, {0.55f, 0.75f, 1.0f, 1}, 4, 1.6f};
    for (int i = 0; i < CMenu::ItemCount; ++i) {
        const Canvas image =
            textImage(type, items[i].text, size, MenuLayout::ItemSlots[i].width, MenuLayout::ItemHeight, itemStyle);
        ok = image.save(mediaDir / items[i].file) && ok;
    }
    return ok;
}

MediaGeneratorRegistration registration("menu images", &makeMenuImages);

} // namespace
