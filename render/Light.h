#pragma once
// A light of the scene. The first light of the renderer is the moving spot
// light: it glides towards a goal that the game picks at random.
#include <glm/glm.hpp>

class CLight {
public:
    // A point light shines from its position, fading with distance up to its
    // range. The spot light stands at its position too: the shadows, the
    // glass and the Phong surfaces see it there, but the surfaces lit per
    // vertex (CFixedMaterial) take only its direction, as from far away.
    enum Kind { Point = 0, Spot = 1 };

    explicit CLight(int kind);

    // One simulation step: a fiftieth of the remaining way to the goal.
    void smoothStep();

    glm::vec3 position{0.0f};
    int kind = Point;
    glm::vec4 diffuse{0.0f};
    glm::vec4 ambient{1.0f};
    glm::vec4 specular{1.0f};
    glm::vec3 direction{0.0f};
    float falloff = 0.0f;
    float attenuation0 = 0.0f;
    float attenuation1 = 0.0f;
    float range = 0.0f;
    glm::vec3 positionGoal{0.0f};
    float smoothingDivisor = 50.0f;
};
