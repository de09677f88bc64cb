#pragma once
// The spot light's shadows. Each frame with shadows on, the depth of every
// item as the light sees it goes into a 512 x 512 shadow map; later every
// item is drawn once more, lit only by whether the light reaches it and by
// the round pool of the spot texture. That shadow-lit picture is white where
// the light falls and darker elsewhere; the scene is multiplied by it, each
// item drawn straight over the scene where its depth equals what the scene
// kept (so each pixel is shaded once, for the surface it shows), and of the
// room around the well only what the spot reaches.
//
// Two ways to keep the light's depth: where the device can sample a depth
// texture, the map's depth buffer is compared in hardware ("scene"); where it
// cannot, the "shadow" pass writes the light-space depth into the map's R32F
// colour and "scene_nohw" compares it itself.
//
// The settled casters (the frame, the floor, the settled cells) mostly stand
// still, so their part of the map is kept in a second target and drawn anew
// only when one of them or the light has moved; each frame starts from a copy
// of it and adds what moves (the pieces and the debris). The map is the
// same as one drawn whole: each texel keeps the nearest depth, in whatever
// order the casters come.
#include <filesystem>
#include <map>
#include <memory>
#include <span>
#include <vector>

#include <glm/glm.hpp>

#include "effects/Effect.h"
#include "render/ReachedTriangles.h"
#include "render/RenderList.h"
#include "render/RenderTexture.h"

class CDevice;
class CLight;
class CTexture;

class CShadowMapLighting {
public:
    static constexpr unsigned MapSize = 512;
    // The light looks at the middle of the well's floor through a narrow
    // cone, so the map's texels are spent on the well.
    static constexpr glm::vec3 LightTarget{4.5f, 0.0f, 0.0f};
    static constexpr float LightFieldOfView = 0.5235988f; // pi / 6
    static constexpr float LightNearPlane = 40.0f;
    static constexpr float LightFarPlane = 140.0f;
    // How far the spot reaches (world units from the light): beyond, the
    // shadow-lit picture is white and leaves the scene as it is.
    static constexpr float SpotReach = 135.0f;

    // Loads the effect (a failure ends the program) and the spot texture (a
    // missing, unreadable or cut one is said and leaves none: the light then
    // shines a plain round pool), and makes the shadow target.
    explicit CShadowMapLighting(CDevice& device, const std::filesystem::path& mediaDir = "media");
    ~CShadowMapLighting();
    CShadowMapLighting(const CShadowMapLighting&) = delete;
    CShadowMapLighting& operator=(const CShadowMapLighting&) = delete;

    // ---- the two passes ---------------------------------------------------------
    // The light whose position the next shadow map is drawn from.
    void setLight(const CLight* light) { this->light = light; }
    bool hasLight() const { return light != nullptr; }
    // Fills the shadow map from every item; the render target in force before
    // is in force after.
    void renderShadowMap(const RenderList& allItems);
    // Draws every item shadow-lit into the current target, seen through the
    // camera's view and the scene's projection, with its own depth test: the
    // shadow-lit picture on its own.
    void renderShadowLit(const RenderList& allItems, const glm::mat4& view, const glm::mat4& projection);
    // Multiplies the current target by the shadow-lit picture, where the
    // target's depth-stencil surface still holds the depth of the scene the
    // same items drew: each item is drawn only where it is the surface that
    // depth kept, so every pixel is shaded once and nothing else is touched.
    void multiplyShadowLit(const RenderList& allItems, const glm::mat4& view, const glm::mat4& projection);

    // ---- what the passes use ------------------------------------------------------
    bool hardwareShadowMap() const { return hardware; }
    // World to shadow-map texture space, from the last renderShadowMap.
    const glm::mat4& lightTextureMatrix() const { return textureMatrix; }
    const glm::mat4& lightView() const { return view; }
    const glm::mat4& lightProjection() const { return projection; }
    CRenderTexture& shadowTarget() { return *target; }
    const CTexture* spotTexture() const { return spot.get(); }
    CEffect& effect() { return *shader; }
    // Whether the settled casters' part is kept between frames (it needs a
    // depth texture of the map's own), and how often it was drawn.
    bool keepsSettledCasters() const { return settledTarget != nullptr && keepSettled; }
    // Off, every map is drawn whole, as without a depth texture.
    void setKeepSettledCasters(bool keep) { keepSettled = keep; }
    int settledRedraws() const { return settledDraws; }
    // On (the default), the casters of one mesh part are drawn as instances
    // of one draw; off, one by one. The map and the picture are the same.
    void setInstancing(bool on) { instancing = on; }
    // The next map draws the settled casters anew.
    void forgetSettledCasters() { settledPlaces.clear(); settledValid = false; }

private:
    // Where one settled caster stands: its mesh part and its world matrix.
    struct CasterPlace {
        const void* subset;
        glm::mat4 world;
        bool operator==(const CasterPlace&) const = default;
    };
    void loadSpot(const std::filesystem::path& file);
    // What a pass over the items draws: depth into the map, the shadow-lit
    // picture with its own depth test, or that picture over the scene, each
    // item at the depth offset its material drew it with.
    enum class ItemPass { MapDepth, ShadowLit, OverScene };
    void drawItems(const RenderList& items, ItemPass what);
    void drawInstanced(const RenderList& items, ItemPass what);
    void offsetLikeScene(const RenderItem& item);
    // Over the scene, a part of many triangles drawn alone is drawn only
    // where the light reaches; false when it is not such a part.
    bool drawReachedPart(const RenderItem& item, std::span<const MeshInstance> instance);
    void drawMapFromSettled(const RenderList& allItems);
    // Pixels of the map, from (x0, y0) up to (x1, y1), the top row first.
    struct MapArea {
        int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        bool empty() const { return x1 <= x0 || y1 <= y0; }
    };
    // The pixels the items can cover in the map, with a pixel to spare
    // each way; the whole map for an item of unknown size.
    MapArea mapAreaOf(const RenderList& items) const;
    void prepareShadowLit(const glm::mat4& cameraView, const glm::mat4& sceneProjection);

    CDevice& device;
    const CLight* light = nullptr;
    bool hardware = false;
    std::unique_ptr<CEffect> shader;
    std::unique_ptr<CRenderTexture> target;
    std::unique_ptr<CRenderTexture> settledTarget;
    std::vector<CasterPlace> settledPlaces;
    glm::mat4 settledLightMatrix{1.0f};
    bool settledValid = false;
    // Whether the map holds the settled casters' map but for movingArea,
    // where the moving casters were drawn over it: the next map then needs
    // only that part copied back.
    bool mapFollowsSettled = false;
    MapArea movingArea;
    bool keepSettled = true;
    bool instancing = true;
    std::vector<MeshInstance> instances; // reused from run to run
    // The triangles the light reaches of each large part, by the part's
    // serial; a part not drawn in a frame is forgotten.
    struct ReachedPart {
        std::unique_ptr<CReachedTriangles> triangles;
        bool drawn = false;
    };
    std::map<uint64_t, ReachedPart> reachedParts;
    int settledDraws = 0;
    std::unique_ptr<CTexture> spot;
    glm::mat4 view{1.0f};
    glm::mat4 projection{1.0f};
    glm::mat4 textureMatrix{1.0f};
};

// World to shadow-map texture space for a light at `lightPosition`: the
// light's view and projection, then clip x, y in [-1, 1] to u, v in [0, 1]
// with v running down. Depth stays as the projection made it.
glm::mat4 shadowTextureMatrix(const glm::mat4& lightView, const glm::mat4& lightProjection);
