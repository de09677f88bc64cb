#include "render/ScreenBox.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// Points closer to the eye's plane than this (in clip w) count as on it: a
// projection there runs off to infinity.
constexpr float NearestW = 1.0e-4f;

// The box's corners in clip space; corner i takes the highest x for bit 0, y
// for bit 1 and z for bit 2.
std::array<glm::vec4, 8> clipCorners(const glm::vec3& lowest, const glm::vec3& highest, const glm::mat4& toClip)
{
    std::array<glm::vec4, 8> corners;
    for (int i = 0; i < 8; ++i) {
        const glm::vec3 corner{(i & 1) ? highest.x : lowest.x, (i & 2) ? highest.y : lowest.y,
                               (i & 4) ? highest.z : lowest.z};
        corners[i] = toClip * glm::vec4(corner, 1.0f);
    }
    return corners;
}

struct Extent {
    glm::vec2 low{INFINITY};
    glm::vec2 high{-INFINITY};
    void take(const glm::vec4& clip)
    {
        const glm::vec2 onScreen = glm::vec2(clip) / clip.w;
        low = glm::min(low, onScreen);
        high = glm::max(high, onScreen);
    }
};

} // namespace

std::optional<ScreenBox> screenBoxOf(const glm::vec3& lowest, const glm::vec3& highest, const glm::mat4& toClip)
{
    const std::array<glm::vec4, 8> corners = clipCorners(lowest, highest, toClip);
    Extent extent;
    for (int i = 0; i < 8; ++i) {
        if (corners[i].w >= NearestW)
            extent.take(corners[i]);
        // The edges to the corners that differ in one bit, each once: where
        // an edge passes the eye's plane, the point it passes at.
        for (int bit = 1; bit < 8; bit <<= 1) {
            const int j = i | bit;
            if (j == i)
                continue;
            const glm::vec4& a = corners[i];
            const glm::vec4& b = corners[j];
            if ((a.w >= NearestW) != (b.w >= NearestW)) {
                const float t = (NearestW - a.w) / (b.w - a.w);
                extent.take(a + (b - a) * t);
            }
        }
    }
    if (!(extent.low.x <= extent.high.x) || !(extent.low.y <= extent.high.y))
        return std::nullopt; // nothing in front of the eye, or not a number
    const ScreenBox cut{glm::max(extent.low, glm::vec2(-1.0f)), glm::min(extent.high, glm::vec2(1.0f))};
    if (cut.low.x > cut.high.x || cut.low.y > cut.high.y)
        return std::nullopt;
    return cut;
}
