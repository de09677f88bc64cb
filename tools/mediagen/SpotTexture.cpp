// The spot light's texture: a round pool of light, full in the middle and
// fading smoothly to black at the edge of the inscribed circle, so the light's cone ends
// in a soft circle and the map's corners, where the shadow map has least to
// say, stay dark.
#include "MediaGenerator.h"

#include <stb_image_write.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int Size = 128;
// Radii as fractions of the texture's width, from the centre.
constexpr float FullRadius = 0.38f;
constexpr float DarkRadius = 0.5f;

float smoothstep(float edge0, float edge1, float x)
{
    const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

bool makeSpotTexture(const std::filesystem::path& mediaDir)
{
    std::vector<unsigned char> pixels(static_cast<size_t>(Size) * Size * 3);
    for (int y = 0; y < Size; ++y) {
        for (int x = 0; x < Size; ++x) {
            const float u = (static_cast<float>(x) + 0.5f) / Size - 0.5f;
            const float v = (static_cast<float>(y) + 0.5f) / Size - 0.5f;
            const float radius = std::sqrt(u * u + v * v);
            // A slight fall across the pool itself, as a real spot has.
            const float inner = 1.0f - 0.08f * smoothstep(0.0f, FullRadius, radius);
            const float level = inner * (1.0f - smoothstep(FullRadius, DarkRadius, radius));
            const auto byte = static_cast<unsigned char>(std::lround(std::clamp(level, 0.0f, 1.0f) * 255.0f));
            unsigned char* p = &pixels[(static_cast<size_t>(y) * Size + x) * 3];
            p[0] = p[1] = p[2] = byte;
        }
    }
    return stbi_write_jpg((mediaDir / "spot.jpg").string().c_str(), Size, Size, 3, pixels.data(), 95) != 0;
}

MediaGeneratorRegistration registration("spot", &makeSpotTexture);

} // namespace
