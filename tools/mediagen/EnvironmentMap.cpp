// The room the game stands in, seen two ways: the environment the shiny
// surfaces reflect (Chrome128.dds, a cube map of six 128 x 128 faces with a
// full mip chain, uncompressed 32-bit ARGB), and the picture on the backdrop
// that rings the well (backdrop.tga), painted from the same sky so the glass
// reflects what stands around it.
//
// A deep blue evening sky over a glowing horizon and a dark floor. Soft light
// panels hang only on the camera's side (towards -z, where the light is), so
// the bricks' front faces catch a gentle glint; behind the well, where the
// floor's reflection looks, the sky is a smooth gradient with no hard edge.
//
// Faces follow the cube-map convention of the file format (+x, -x, +y, -y,
// +z, -z; on each face u runs right and v runs down as seen from inside).
#include "MediaGenerator.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <stb_image_write.h>
#include <vector>

namespace {

constexpr int FaceSize = 128;
constexpr float Pi = 3.14159265f;

struct Rgb {
    float r, g, b;
};

Rgb mix(const Rgb& a, const Rgb& b, float t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }
Rgb add(const Rgb& a, const Rgb& b, float k) { return {a.r + b.r * k, a.g + b.g * k, a.b + b.b * k}; }

float smoothstep(float edge0, float edge1, float x)
{
    const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

// 1 inside [low, high], falling off softly over `soft` at both ends.
float band(float x, float low, float high, float soft)
{
    return smoothstep(low - soft, low + soft, x) * (1.0f - smoothstep(high - soft, high + soft, x));
}

// The shortest signed angle from b to a.
float angleBetween(float a, float b)
{
    float d = a - b;
    while (d > Pi)
        d -= 2.0f * Pi;
    while (d < -Pi)
        d += 2.0f * Pi;
    return d;
}

// The sky and floor alone, by the sine of the elevation: what the backdrop
// shows too.
Rgb sky(float y)
{
    const Rgb horizonSky{0.30f, 0.40f, 0.62f};
    const Rgb zenith{0.05f, 0.07f, 0.17f};
    const Rgb horizonFloor{0.10f, 0.11f, 0.15f};
    const Rgb deepFloor{0.02f, 0.02f, 0.03f};
    Rgb colour = y >= 0.0f ? mix(horizonSky, zenith, std::pow(y, 0.45f))
                           : mix(horizonFloor, deepFloor, std::pow(-y, 0.45f));
    // A pale glow along the horizon.
    return add(colour, Rgb{0.55f, 0.70f, 0.95f}, 0.35f * std::exp(-std::fabs(y) * 12.0f));
}

struct Panel {
    float azimuth;    // centre, radians from +z towards +x
    float halfWidth;  // radians
    float bottom;     // elevation, radians
    float top;
    float brightness;
};

// A wide soft box high in front of the well and two tall strips beside it,
// all on the camera's side.
const Panel Panels[] = {
    {Pi, 0.50f, 0.30f, 0.80f, 1.0f},
    {Pi - 1.00f, 0.07f, 0.05f, 0.90f, 0.85f},
    {Pi + 1.00f, 0.07f, 0.05f, 0.90f, 0.85f},
};

// Light reaching the centre of the cube from a unit direction.
Rgb environment(float x, float y, float z)
{
    const float elevation = std::asin(std::clamp(y, -1.0f, 1.0f));
    const float azimuth = std::atan2(x, z);
    Rgb colour = sky(y);
    for (const Panel& p : Panels) {
        const float across = angleBetween(azimuth, p.azimuth);
        // Soft edges: a soft box, not a window.
        const float inside = band(across, -p.halfWidth, p.halfWidth, 0.05f) * band(elevation, p.bottom, p.top, 0.05f);
        const Rgb light{p.brightness, p.brightness * 0.97f, p.brightness * 0.92f};
        colour = mix(colour, light, inside);
    }
    return colour;
}

// Direction through (u, v) in -1..1 of a face, as the file's faces are laid out.
std::array<float, 3> faceDirection(int face, float u, float v)
{
    switch (face) {
    case 0: return {1.0f, -v, -u};
    case 1: return {-1.0f, -v, u};
    case 2: return {u, 1.0f, v};
    case 3: return {u, -1.0f, -v};
    case 4: return {u, -v, 1.0f};
    default: return {-u, -v, -1.0f};
    }
}

using Level = std::vector<float>; // RGB floats, row by row

Level renderFace(int face)
{
    Level pixels(static_cast<size_t>(FaceSize) * FaceSize * 3);
    constexpr int Samples = 3; // per axis, against jagged panel edges
    for (int j = 0; j < FaceSize; ++j)
        for (int i = 0; i < FaceSize; ++i) {
            Rgb sum{0, 0, 0};
            for (int sj = 0; sj < Samples; ++sj)
                for (int si = 0; si < Samples; ++si) {
                    const float u = (i + (si + 0.5f) / Samples) / FaceSize * 2.0f - 1.0f;
                    const float v = (j + (sj + 0.5f) / Samples) / FaceSize * 2.0f - 1.0f;
                    auto d = faceDirection(face, u, v);
                    const float length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
                    sum = add(sum, environment(d[0] / length, d[1] / length, d[2] / length), 1.0f);
                }
            float* out = &pixels[(static_cast<size_t>(j) * FaceSize + i) * 3];
            out[0] = sum.r / (Samples * Samples);
            out[1] = sum.g / (Samples * Samples);
            out[2] = sum.b / (Samples * Samples);
        }
    return pixels;
}

Level halve(const Level& level, int size)
{
    const int half = size / 2;
    Level out(static_cast<size_t>(half) * half * 3);
    for (int y = 0; y < half; ++y)
        for (int x = 0; x < half; ++x)
            for (int c = 0; c < 3; ++c) {
                auto at = [&](int xx, int yy) { return level[(static_cast<size_t>(yy) * size + xx) * 3 + c]; };
                out[(static_cast<size_t>(y) * half + x) * 3 + c] =
                    0.25f * (at(2 * x, 2 * y) + at(2 * x + 1, 2 * y) + at(2 * x, 2 * y + 1) + at(2 * x + 1, 2 * y + 1));
            }
    return out;
}

void put32(std::vector<uint8_t>& bytes, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

std::vector<uint8_t> ddsHeader(int levels)
{
    std::vector<uint8_t> bytes(128, 0);
    bytes[0] = 'D', bytes[1] = 'D', bytes[2] = 'S', bytes[3] = ' ';
    put32(bytes, 4, 124);
    put32(bytes, 8, 0x1 | 0x2 | 0x4 | 0x8 | 0x1000 | 0x20000); // caps, size, pitch, format, mip count
    put32(bytes, 12, FaceSize);
    put32(bytes, 16, FaceSize);
    put32(bytes, 20, FaceSize * 4);
    put32(bytes, 28, static_cast<uint32_t>(levels));
    put32(bytes, 76, 32);
    put32(bytes, 80, 0x40 | 0x1); // RGB with alpha
    put32(bytes, 88, 32);
    put32(bytes, 92, 0x00FF0000);
    put32(bytes, 96, 0x0000FF00);
    put32(bytes, 100, 0x000000FF);
    put32(bytes, 104, 0xFF000000);
    put32(bytes, 108, 0x1000 | 0x8 | 0x400000); // texture, complex, mipmapped
    put32(bytes, 112, 0x200 | 0xFC00);           // a cube map with all six faces
    return bytes;
}

uint8_t toByte(float value) { return static_cast<uint8_t>(std::clamp(value, 0.0f, 1.0f) * 255.0f + 0.5f); }

bool makeEnvironmentMap(const std::filesystem::path& mediaDir)
{
    int levels = 1;
    for (int s = FaceSize; s > 1; s /= 2)
        ++levels;
    std::vector<uint8_t> file = ddsHeader(levels);
    for (int face = 0; face < 6; ++face) {
        Level level = renderFace(face);
        for (int size = FaceSize; size >= 1; size /= 2) {
            for (size_t p = 0; p < level.size() / 3; ++p) {
                // 32-bit ARGB words, little-endian: bytes B, G, R, A.
                file.push_back(toByte(level[p * 3 + 2]));
                file.push_back(toByte(level[p * 3 + 1]));
                file.push_back(toByte(level[p * 3 + 0]));
                file.push_back(255);
            }
            if (size > 1)
                level = halve(level, size);
        }
    }
    std::ofstream out(mediaDir / "Chrome128.dds", std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    return static_cast<bool>(out);
}

// The backdrop: a ring of sky 256 texels around and 128 high, from the top
// of the backdrop (row 0) down to the floor (the last row). The backdrop's
// height equals its radius, so from the well its top edge stands 45 degrees
// up. Faint pale streaks rise from the horizon, so the ring does not read as
// an empty void as the camera swings about.
bool makeBackdrop(const std::filesystem::path& mediaDir)
{
    constexpr int Width = 256, Height = 128;
    std::vector<uint8_t> pixels(size_t(Width * Height * 3));
    for (int row = 0; row < Height; ++row) {
        const float height = 1.0f - (row + 0.5f) / Height; // of the radius
        const float elevationSine = height / std::sqrt(1.0f + height * height);
        const Rgb base = sky(elevationSine);
        for (int column = 0; column < Width; ++column) {
            const float around = 2.0f * Pi * (column + 0.5f) / Width;
            const float streaks = 0.5f + 0.5f * std::sin(5.0f * around + 1.3f * std::sin(3.0f * around));
            const float rise = std::exp(-height * 6.0f);
            const Rgb colour = add(base, Rgb{0.35f, 0.45f, 0.70f}, 0.12f * streaks * streaks * rise);
            uint8_t* p = &pixels[size_t((row * Width + column) * 3)];
            p[0] = toByte(colour.r);
            p[1] = toByte(colour.g);
            p[2] = toByte(colour.b);
        }
    }
    return stbi_write_tga((mediaDir / "backdrop.tga").string().c_str(), Width, Height, 3, pixels.data()) != 0;
}

const MediaGeneratorRegistration reg("environment", &makeEnvironmentMap);
const MediaGeneratorRegistration backdropReg("backdrop", &makeBackdrop);

} // namespace
