#pragma once
// The renderer: the scene's entities, lights, camera and projection, the
// three materials and the off-screen targets, and the passes that turn the
// entities into one picture each frame. A frame is drawn into the scene
// target, may get the mirror image of the scene reflected in the floor
// (y = 0) where the floor box shows, and is copied to the back buffer.
// Four switches choose the optional passes (bloom, shadow, mirror, filtered
// copy); the settings set them and debug keys flip them. The shadow and bloom
// passes are not part of the frame yet: their switches change nothing.
#include <memory>
#include <string>
#include <vector>

#include "platform/Texture.h"
#include "render/Camera.h"
#include "render/Light.h"
#include "render/Material.h"
#include "render/RenderList.h"
#include "render/RenderTexture.h"
#include "render/SceneEntity.h"

class CMesh;

class CRenderer : public CItemDrawer {
public:
    // Needs the published device: the targets take the size of its viewport.
    CRenderer();
    ~CRenderer() override;
    CRenderer(const CRenderer&) = delete;
    CRenderer& operator=(const CRenderer&) = delete;

    // ---- entities and lights ---------------------------------------------------------
    // A new entity of the mesh at the origin, unturned, unscaled and white,
    // appended to the list, which owns it.
    CSceneEntity* addEntity(const CMesh* mesh, int kind);
    // Kind 0 removes every entity; any other kind removes the entities of that
    // kind. The others keep their order.
    void removeEntities(int kind);
    // Creates a light of a kind and appends it to the light list.
    CLight* addLight(int kind);

    // ---- materials ----------------------------------------------------------------------
    // "d3dfixed" is drawn fixed-function, "glass" as glass, any other name
    // with the Phong material. Names are compared exactly. Until the Phong or
    // glass material exists, the fixed-function material stands in for it.
    CMaterial* materialFor(const std::string& surfaceName) const;
    // Loads the effect files of the materials again (a debugging key).
    void reloadMaterials();

    // ---- the frame ------------------------------------------------------------------------
    // Draws every entity for the camera into the current render target: scene
    // target, mirror, copy. Needs at least two entities for the mirror (the
    // second is the floor); with fewer the mirror is left out.
    void renderFrame();

    // The item drawer of every render list: the material takes the entity's
    // and the subset's values, then the subset draws.
    void forgetBoundSubset() override;
    void drawItem(const RenderItem& item) override;

    // ---- state ------------------------------------------------------------------------------
    // The entity whose visible pixels show the mirror image (re-read every frame).
    CSceneEntity* mirrorEntity = nullptr;
    // Reflection through the floor plane y = 0.
    glm::mat4 mirrorMatrix{1.0f};

    std::unique_ptr<CMaterial> phongMaterial;
    std::unique_ptr<CMaterial> fixedMaterial;
    std::unique_ptr<CMaterial> glassMaterial;

    // A 1 x 1 opaque white texture: the stand-in for a missing texture.
    std::unique_ptr<CTexture> whiteTexture;
    // The environment cube map, or the white texture when it did not load.
    const CTexture* environmentTexture = nullptr;

    bool enableShadow = true;
    bool enableBloom = true;
    bool enableMirror = true;
    bool filterFrameBuffer = true;

    std::vector<std::unique_ptr<CSceneEntity>> entities;
    std::vector<std::unique_ptr<CLight>> lights;
    CCamera camera;
    glm::mat4 projection{1.0f};

    std::unique_ptr<CRenderTexture> sceneTarget;
    std::unique_ptr<CRenderTexture> auxTarget;
    std::unique_ptr<CRenderTexture> bloomTargetA;
    std::unique_ptr<CRenderTexture> bloomTargetB;

private:
    void drawMirror(const RenderList& mirrorItems, const RenderList& otherItems);
};

// Appends one item per subset of the entity's mesh, in subset order.
void collectRenderItems(RenderList& list, CSceneEntity& entity);
