#pragma once
// The renderer: the scene camera, the lights and the four switches of the
// optional passes (bloom, shadow, mirror, filtered copy).
#include <memory>
#include <vector>

#include "platform/Texture.h"
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

    // A 1 x 1 opaque white texture: the stand-in for a missing texture.
    std::unique_ptr<CTexture> whiteTexture;
    // The environment cube map, or the white texture when it did not load.
    const CTexture* environmentTexture = nullptr;

    bool enableShadow = true;
    bool enableBloom = true;
    bool enableMirror = true;
    bool filterFrameBuffer = true;
};
