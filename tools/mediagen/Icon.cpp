// The game's icon at the sizes desktops ask for: a T piece of the well's glass
// cubes, glowing on the menu's deep blue, in a rounded square. Every size is
// drawn on its own (16 samples a pixel) rather than shrunk from the largest,
// so the small ones stay sharp. Written to icons/vesbrik-N.png in the media
// folder; the install puts them into the desktop's icon theme.
#include "MediaGenerator.h"

#include <stb_image_write.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

namespace {

struct Rgba {
    float r = 0, g = 0, b = 0, a = 0;
};

constexpr std::array IconSizes = {16, 22, 24, 32, 48, 64, 128, 256, 512};

// The T piece in the colour of the game's cyan piece, on a 4 x 3 grid of
// cells centred in the icon.
constexpr int PieceCells[4][2] = {{0, 0}, {1, 0}, {2, 0}, {1, 1}};
constexpr float CellSize = 0.24f;
constexpr float PieceLeft = 0.5f - 1.5f * CellSize;
constexpr float PieceTop = 0.5f - 1.0f * CellSize + 0.02f;
constexpr Rgba Glass{0.10f, 0.85f, 0.95f, 1.0f};

float smoothstep(float edge0, float edge1, float x)
{
    const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

Rgba over(Rgba top, Rgba below)
{
    const float a = top.a + below.a * (1.0f - top.a);
    if (a <= 0.0f)
        return {};
    auto mix = [&](float t, float b) { return (t * top.a + b * below.a * (1.0f - top.a)) / a; };
    return {mix(top.r, below.r), mix(top.g, below.g), mix(top.b, below.b), a};
}

// Signed distance to a rounded square of half size h and corner radius r.
float roundedSquare(float x, float y, float h, float r)
{
    const float qx = std::abs(x) - h + r;
    const float qy = std::abs(y) - h + r;
    const float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
    return outside + std::min(std::max(qx, qy), 0.0f) - r;
}

// The menu's backdrop: deep blue to violet, a soft light from above.
Rgba backdrop(float u, float v)
{
    const float d = roundedSquare(u - 0.5f, v - 0.5f, 0.47f, 0.17f);
    if (d > 0.0f)
        return {};
    Rgba c{0.04f + 0.14f * v, 0.08f + 0.05f * (1 - v), 0.30f + 0.10f * (1 - v), 1.0f};
    const float light = std::exp(-((u - 0.5f) * (u - 0.5f) + (v - 0.15f) * (v - 0.15f)) * 6.0f);
    c.r += 0.10f * light, c.g += 0.18f * light, c.b += 0.30f * light;
    // A thin light rim, as on the menu's glass.
    const float rim = smoothstep(-0.035f, 0.0f, d);
    c.r += 0.25f * rim, c.g += 0.35f * rim, c.b += 0.45f * rim;
    return c;
}

// The distance from (u, v) to the nearest cube of the piece, for its glow.
float distanceToPiece(float u, float v)
{
    float nearest = 10.0f;
    for (const auto& cell : PieceCells) {
        const float cx = PieceLeft + (cell[0] + 0.5f) * CellSize;
        const float cy = PieceTop + (cell[1] + 0.5f) * CellSize;
        nearest = std::min(nearest, roundedSquare(u - cx, v - cy, CellSize * 0.5f, 0.02f));
    }
    return nearest;
}

// A glass cube seen from the front: a bevel lit from the top left, a face
// that darkens downwards, and a highlight in its upper corner.
Rgba cube(float x, float y)
{
    const float bevel = 0.16f;
    Rgba c = Glass;
    const float edge = std::min({x, y, 1 - x, 1 - y});
    if (edge < bevel) {
        const bool lit = (x < bevel && x <= 1 - y) || (y < bevel && y <= 1 - x);
        const float shade = lit ? 1.45f : 0.55f;
        c.r *= shade, c.g *= shade, c.b *= shade;
    } else {
        const float shade = 1.05f - 0.45f * y;
        c.r *= shade, c.g *= shade, c.b *= shade;
        const float spot = std::exp(-((x - 0.33f) * (x - 0.33f) + (y - 0.3f) * (y - 0.3f)) * 40.0f);
        c.r += 0.55f * spot, c.g += 0.55f * spot, c.b += 0.55f * spot;
    }
    c.a = 0.96f;
    return c;
}

Rgba sample(float u, float v)
{
    Rgba c = backdrop(u, v);
    if (c.a <= 0.0f)
        return c;
    const float glow = std::exp(-std::max(distanceToPiece(u, v), 0.0f) * 22.0f);
    c = over({0.35f, 0.95f, 1.0f, 0.55f * glow}, c);
    for (const auto& cell : PieceCells) {
        const float x = (u - PieceLeft) / CellSize - cell[0];
        const float y = (v - PieceTop) / CellSize - cell[1];
        // A dark seam between the cubes keeps them apart at small sizes.
        const float seam = 0.05f;
        if (x >= seam && x < 1 - seam && y >= seam && y < 1 - seam)
            c = over(cube((x - seam) / (1 - 2 * seam), (y - seam) / (1 - 2 * seam)), c);
        else if (x >= 0 && x < 1 && y >= 0 && y < 1)
            c = over({0.01f, 0.05f, 0.12f, 0.9f}, c);
    }
    return c;
}

bool writeIcon(const std::filesystem::path& file, int size)
{
    constexpr int Samples = 4;
    std::vector<unsigned char> bytes(static_cast<size_t>(size) * size * 4);
    for (int py = 0; py < size; ++py) {
        for (int px = 0; px < size; ++px) {
            // Average in premultiplied alpha, so edges do not darken.
            float r = 0, g = 0, b = 0, a = 0;
            for (int sy = 0; sy < Samples; ++sy) {
                for (int sx = 0; sx < Samples; ++sx) {
                    const Rgba c = sample((px + (sx + 0.5f) / Samples) / size, (py + (sy + 0.5f) / Samples) / size);
                    r += c.r * c.a, g += c.g * c.a, b += c.b * c.a, a += c.a;
                }
            }
            const float n = Samples * Samples;
            const float alpha = a / n;
            auto byte = [](float value) {
                return static_cast<unsigned char>(std::lround(std::clamp(value, 0.0f, 1.0f) * 255));
            };
            unsigned char* out = &bytes[(static_cast<size_t>(py) * size + px) * 4];
            out[0] = byte(alpha > 0 ? r / a : 0);
            out[1] = byte(alpha > 0 ? g / a : 0);
            out[2] = byte(alpha > 0 ? b / a : 0);
            out[3] = byte(alpha);
        }
    }
    return stbi_write_png(file.c_str(), size, size, 4, bytes.data(), size * 4) != 0;
}

bool makeIcons(const std::filesystem::path& mediaDir)
{
    const std::filesystem::path folder = mediaDir / "icons";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    bool ok = !error;
    for (int size : IconSizes)
        ok = writeIcon(folder / ("vesbrik-" + std::to_string(size) + ".png"), size) && ok;
    return ok;
}

MediaGeneratorRegistration registration("icons", &makeIcons);

} // namespace
