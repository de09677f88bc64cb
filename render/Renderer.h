#pragma once
// The renderer: the scene's entities, lights, camera and projection, the
// three materials, the off-screen targets, the spot light's shadows and the
// bloom, and the recipe that turns the entities into one picture each frame
// (renderFrame). A frame is drawn into the scene target, may get the mirror
// image of the scene reflected in the floor (y = 0) where the floor shows,
// may be multiplied by the spot light's shadow-lit picture, may get the glow
// of its brightest parts added on top, and is copied to the back buffer; the
// overlays (HUD, frame rate, menu) are drawn last. Four switches choose the
// optional steps; the settings set them and debug keys flip them.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/Texture.h"
#include "effects/Effect.h"
#include "render/Camera.h"
#include "render/GlowTiles.h"
#include "render/Light.h"
#include "render/Material.h"
#include "render/PostQuad.h"
#include "render/RenderList.h"
#include "render/RenderTexture.h"
#include "render/ScreenBox.h"
#include "render/SceneEntity.h"
#include "render/ShadowMapLighting.h"

class CMesh;

// The optional steps of a frame. The settings choose them and debug keys
// flip them one by one.
struct RenderSwitches {
    bool shadow = true;
    bool bloom = true;
    bool mirror = true;
    // The copy of the scene to the back buffer filtered, not pixel for pixel.
    bool filteredCopy = true;
    bool operator==(const RenderSwitches&) const = default;
};

// Something drawn over the finished frame: the HUD, the frame rate, the menu.
// Each starts from the frame's default state, and what it sets ends with it.
using FrameOverlay = std::function<void()>;

// Told the name of each step of the frame as it is finished (benchmarks time
// the steps one by one with it).
using FrameStepObserver = std::function<void(const char* step)>;

class CRenderer : public CItemDrawer {
public:
    // The bloom passes work on a small picture of the frame.
    static constexpr unsigned BloomTargetSize = 256;
    // The glow is blurred at this size, in the top left of the bloom targets:
    // a quarter of their texels, and as smooth a glow, softened a little.
    static constexpr int GlowBlurSize = 128;
    // The glow is laid over the frame shifted up and left by this fraction
    // of the viewport.
    static constexpr float BloomShift = 0.01f;

    // Needs the published device: the targets take the size of its viewport.
    CRenderer();
    ~CRenderer() override;
    CRenderer(const CRenderer&) = delete;
    CRenderer& operator=(const CRenderer&) = delete;

    // ---- entities and lights ---------------------------------------------------------
    // A new entity of the mesh at the origin, unturned, unscaled and white,
    // appended to the list, which owns it.
    CSceneEntity* addEntity(const CMesh* mesh, int kind);
    // Removes the entities of one kind (CSceneEntity::Kind); the others keep
    // their order.
    void removeEntities(int kind);
    void removeAllEntities();
    // Creates a light of a kind and appends it to the light list.
    CLight* addLight(int kind);

    // ---- materials ----------------------------------------------------------------------
    // "d3dfixed" is lit per vertex (CFixedMaterial), "glass" drawn as glass,
    // any other name with the Phong material. Names are compared exactly.
    // Until the Phong or glass material exists, the fixed material stands in
    // for it.
    CMaterial* materialFor(const std::string& surfaceName) const;
    // Loads the effect files of the materials again (a debugging key).
    void reloadMaterials();

    // ---- the picture's size --------------------------------------------------------------
    // The picture changed size (the window was resized, or went to or from
    // full screen): the targets the scene is drawn into at the picture's size
    // (scene, and aux, which holds the mirror image with a depth-stencil
    // surface of its own) are made anew at the new one; the glass's copy follows the
    // scene target by itself. The shadow map and the bloom keep their fixed
    // sizes, and the scene scale still draws into part of the new targets.
    // False, with the old targets kept, when the new ones cannot be made.
    bool resize(int width, int height);

    // ---- the frame ------------------------------------------------------------------------
    // The whole frame into the back buffer, then the overlays in the order
    // given. Without a mirror floor the mirror is left out; without a light,
    // the shadows.
    void renderFrame(const std::vector<FrameOverlay>& overlays = {});

    // The part of the scene target this frame's scene fills, as shares of its
    // width and height (1, 1 at scale 1), and half a texel of it: reads of the
    // scene stay inside the drawn part.
    glm::vec4 sceneTextureArea() const;

    // The item drawer of every render list: the material takes the entity's
    // and the subset's values, then the subset draws.
    void drawItem(const RenderItem& item) override;
    // A run of one subset: one instanced draw where its material draws so.
    void drawItems(std::span<const RenderItem> run) override;

    // On (the default), runs of items that share a mesh part are drawn as
    // instances of one draw in every step that can; off, item by item. The
    // picture is the same either way.
    void setInstancedDrawing(bool on);
    bool instancedDrawing() const { return instancing; }

    // None by default: the frame then runs without a word about its steps.
    void setStepObserver(FrameStepObserver observer) { stepObserver = std::move(observer); }

    // ---- what the frame draws with --------------------------------------------------------
    RenderSwitches switches() const
    {
        return {
            .shadow = enableShadow, .bloom = enableBloom, .mirror = enableMirror, .filteredCopy = filterFrameBuffer};
    }
    void setSwitches(const RenderSwitches& chosen)
    {
        enableShadow = chosen.shadow;
        enableBloom = chosen.bloom;
        enableMirror = chosen.mirror;
        filterFrameBuffer = chosen.filteredCopy;
    }

    // The share of the targets' width and height the scene is drawn at, from
    // the lowest the picture's size allows (lowestSceneScale) to 1: a slow
    // machine draws the scene at fewer pixels and the copy to the back buffer
    // stretches it over the window. The HUD, the frame rate
    // and the menu are drawn over it at the window's own size.
    float sceneScale() const { return sceneDrawScale; }
    void setSceneScale(float scale) { sceneDrawScale = scale; }

    // The camera the scene is seen through; the view moves it every step.
    CCamera& camera() { return sceneCamera; }
    const CCamera& camera() const { return sceneCamera; }
    const glm::mat4& projection() const { return projectionMatrix; }
    // The camera's view as the frame began, never the mirror's: the fixed
    // material draws with it, so the mirror step shows its surfaces
    // unreflected.
    const glm::mat4& frameView() const { return frameStartView; }
    void setProjection(const glm::mat4& projection) { projectionMatrix = projection; }

    using EntityList = std::vector<std::unique_ptr<CSceneEntity>>;
    using LightList = std::vector<std::unique_ptr<CLight>>;
    // In drawing order; addEntity and removeEntities change the list.
    const EntityList& entities() const { return entityList; }
    // The first light is the spot light that casts the shadows.
    const LightList& lights() const { return lightList; }
    void removeLights() { lightList.clear(); }

    // The floor whose visible pixels show the mirror image; the scene set-up
    // names it. Removing it from the entity list forgets it.
    void setMirrorFloor(CSceneEntity* floor) { mirrorFloorEntity = floor; }
    const CSceneEntity* mirrorFloor() const { return mirrorFloorEntity; }

    // The environment cube map the surfaces reflect; null puts back the plain
    // white texture.
    void setEnvironment(const CTexture* cubeMap) { environment = cubeMap ? cubeMap : whiteStandIn.get(); }
    const CTexture* environmentTexture() const { return environment; }
    // A 1 x 1 opaque white texture: the stand-in for a missing texture.
    const CTexture* whiteTexture() const { return whiteStandIn.get(); }

    // The spot light's shadows, which keep their map between frames.
    CShadowMapLighting& shadows() { return *shadowLighting; }
    // Puts shadows made elsewhere (another media folder) in place of the own.
    void replaceShadows(std::unique_ptr<CShadowMapLighting> replacement);
    // Puts other materials in place of the Phong and the glass ones; a null
    // one leaves the fixed material drawing in its place.
    void replaceMaterials(std::unique_ptr<CMaterial> phong, std::unique_ptr<CMaterial> glass);

    // What the last frame left in the targets, to look at: the scene, and the
    // bloom's small pictures (the glow ends in the top left GlowBlurSize
    // square of the second).
    const CRenderTexture& sceneImage() const { return *sceneTarget; }
    const CRenderTexture& bloomFirstImage() const { return *bloomTargetA; }
    const CRenderTexture& bloomGlowImage() const { return *bloomTargetB; }
    // "hipass" and "blur" of the bloom.
    const CEffect& bloomEffect() const { return *postEffect; }

private:
    void stepFinished(const char* step) const
    {
        if (stepObserver)
            stepObserver(step);
    }

    FrameStepObserver stepObserver;
    bool instancing = true;
    // Reused from run to run.
    std::vector<MeshInstance> instances;
    // Reused from frame to frame: the items the mirror draws reflected.
    RenderList reflectedItems;

    // This frame's items: all of them that take part in the shadows (every
    // one but the outlines), the mirror floor's, and the others.
    struct FrameItems {
        RenderList all;
        RenderList mirror;
        RenderList others;
    };
    FrameItems collectFrameItems();

    // The steps of the frame, in the order renderFrame takes them.
    void beginFrame();
    void chooseSceneArea();
    void drawShadowMap(const RenderList& allItems);
    void drawScene(const FrameItems& items);
    bool drawMirror(const FrameItems& items);
    std::optional<ScreenBox> floorOnScreen() const;
    const RenderList& reflectionsOnFloor(const RenderList& items, const ScreenBox& floor);
    void multiplyShadowLit(const RenderList& allItems, bool sceneDepthKept);
    void addBloom();
    void renderBloom();
    void copySceneToBackBuffer();
    void runPostPass(const char* technique, const CTexture& source, glm::vec2 sourceArea = {1.0f, 1.0f});
    void drawOverlay(const FrameOverlay& overlay);

    // The floor whose visible pixels show the mirror image, or null.
    CSceneEntity* mirrorFloorEntity = nullptr;
    // Reflection through the floor plane y = 0.
    glm::mat4 mirrorMatrix{1.0f};

    std::unique_ptr<CMaterial> phongMaterial;
    std::unique_ptr<CMaterial> fixedMaterial;
    std::unique_ptr<CMaterial> glassMaterial;

    std::unique_ptr<CTexture> whiteStandIn;
    // The environment cube map, or the white texture when there is none.
    const CTexture* environment = nullptr;

    bool enableShadow = true;
    bool enableBloom = true;
    bool enableMirror = true;
    bool filterFrameBuffer = true;
    float sceneDrawScale = 1.0f;

    EntityList entityList;
    LightList lightList;
    CCamera sceneCamera;
    glm::mat4 projectionMatrix{1.0f};
    glm::mat4 frameStartView{1.0f};

    std::unique_ptr<CRenderTexture> sceneTarget;
    std::unique_ptr<CRenderTexture> auxTarget;
    std::unique_ptr<CRenderTexture> bloomTargetA;
    std::unique_ptr<CRenderTexture> bloomTargetB;
    std::unique_ptr<CShadowMapLighting> shadowLighting;
    std::unique_ptr<CEffect> postEffect;
    // The textured quads laid over the frame and copied out of it.
    std::unique_ptr<CPostQuad> postQuad;
    // Adds the glow where there is some.
    std::unique_ptr<CGlowTiles> glowTiles;
};

// Appends one item per subset of the entity's mesh, in subset order.
void collectRenderItems(RenderList& list, CSceneEntity& entity);
