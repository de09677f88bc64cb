#pragma once
// The renderer: the scene camera, the lights and the four switches of the
// optional passes (bloom, shadow, mirror, filtered copy).
#include <memory>
#include <vector>

#include "render/Camera.h"
#include "render/Light.h"

class CRenderer {
public:
    CRenderer();

    // Creates a light of a kind and appends it to the light list.
    CLight* addLight(int kind);

    // Loads the effect files of the materials again (a debugging key).
    void reloadMaterials();

    CCamera camera;
    glm::mat4 projection{1.0f};
    std::vector<std::unique_ptr<CLight>> lights;

    bool enableShadow = true;
    bool enableBloom = true;
    bool enableMirror = true;
    bool filterFrameBuffer = true;
};
