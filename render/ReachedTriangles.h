#pragma once
// The triangles of one large mesh part that come within a distance of a
// point: the spot light's reach around the light. Beyond its reach the
// shadow-lit picture is exactly white, so what lies wholly beyond adds
// nothing when the picture multiplies the scene; the distant room, most of
// the frame's pixels, is left out that way. A triangle is left out only when
// its nearest point lies farther than the reach by a margin that covers the
// rounding of positions on the way to the pixels, so the picture is that of
// drawing every triangle.
//
// The choice is kept and made anew only when the part is placed elsewhere or
// the light has moved, which for the still scenery is rarely.
#include <memory>
#include <span>

#include "device/Device.h"

class CIndexBuffer;
class CMeshSubset;

class CReachedTriangles {
public:
    CReachedTriangles();
    ~CReachedTriangles();
    CReachedTriangles(const CReachedTriangles&) = delete;
    CReachedTriangles& operator=(const CReachedTriangles&) = delete;

    // Draws the part's triangles, placed by `world`, that come within
    // `reach` of `light`; the part must be the one of every earlier call.
    // Drawn as the one instance given, when one is (its world is `world`).
    void draw(const CMeshSubset& part, const glm::mat4& world, const glm::vec3& light, float reach,
              std::span<const MeshInstance> instance = {});
    int drawnTriangles() const { return kept; }

private:
    void choose(const CMeshSubset& part, const glm::mat4& world, const glm::vec3& light, float reach);

    std::unique_ptr<CIndexBuffer> chosen;
    int kept = 0;
    bool valid = false;
    glm::mat4 chosenWorld{1.0f};
    glm::vec3 chosenLight{0.0f};
    float chosenReach = 0.0f;
};

// The distance from a point to the nearest point of a triangle.
float distanceToTriangle(const glm::vec3& point, const glm::vec3& a, const glm::vec3& b, const glm::vec3& c);
