#pragma once
// The material of the glass bricks, drawn by media/fakeglass.fx (technique
// "GlassSingleRefract"): each brick shows the picture drawn behind it so far,
// shifted as if bent by the glass and tinted by the brick's colour, with the
// environment reflected more strongly at grazing angles and the scene's spot
// light glinting in it where it meets the eye. A run of bricks is drawn as
// instances of one draw ("GlassSingleRefractInstanced") where the renderer
// draws so.
//
// The picture behind comes from a copy of the scene target taken every time a
// run of glass items begins, so glass drawn later in a frame sees the glass
// drawn before it. A run drawn into another target (the mirror image) reads
// the scene target itself. Within a run drawn into the scene target, the
// bricks come from the farthest to the nearest (orderGlassBackToFront), and
// once the run reaches bricks standing well in front of its farthest ones
// (debris flying before the well, a row seen from its end) the copy is taken
// again: those see the bricks behind them through their glass. That is one
// screen-sized copy more at most, and only in frames where bricks stand out
// in front (the well seen from before, with no debris, takes none).
//
// An entity's highlight lights the brick a little and outlines it with a
// bright rim: the falling piece stands out from the stack. Highlighted bricks
// are drawn one by one within an instanced run, with their layer, and so are
// the outline entities ("GlassOutline": only the brick's edges, faint, in its
// colour; the drop guide). An entity's mark is engraved on every face.
#include "render/Material.h"
#include "render/RenderList.h"

#include <filesystem>
#include <memory>
#include <vector>

class CCamera;
class CEffect;
class CRenderer;
class CRenderTexture;
class CTexture;

class CGlassMaterial : public CMaterial {
public:
    // Creates the copy target at the viewport's size and loads the effect; an
    // effect that cannot be loaded ends the game.
    explicit CGlassMaterial(CRenderer& renderer, std::filesystem::path effectPath = "media/fakeglass.fx");
    ~CGlassMaterial() override;

    // The target whose picture the glass shows (the renderer's scene target).
    // None: the render target current when a run begins, if it is a texture.
    void setSceneTarget(const CRenderTexture* target) { sceneTarget = target; }

    // Makes the copy target anew (at the viewport's size now) and reloads the effect.
    bool reload() override;
    int begin() override;
    void beginPass(int pass) override;
    void apply(const CSceneEntity& entity, const MaterialValues& values) override;
    // Where the renderer draws instances and the effect has the program.
    bool instanced() const override;
    void drawInstances(std::span<const RenderItem> run, std::span<const MeshInstance> instances) override;
    void endPass(int pass) override;
    void end() override;

    CEffect& effect() const { return *shader; }
    // The picture the current run sees: a copy of the scene target, or the
    // scene target itself for a run drawn into another target.
    const CTexture* frameBufferCopy() const;

    // How much nearer than a run's farthest brick a brick must stand to see
    // the bricks behind it: more than a brick's width, so the bricks of one
    // wall never take a neighbour for what stands behind them.
    static constexpr float LayerGap = 1.5f;

private:
    struct PicturePart {
        int width = 0;
        int height = 0;
    };

    void copySceneTarget();
    // The top left part of the source that the glass can read: where the
    // scene is drawn, or the whole of another source.
    PicturePart copiedPart(const CTexture& source) const;
    void useTechnique(const char* name);
    // Takes the copy again before the first brick of the run's near layer.
    void copyForNearLayer(const CSceneEntity& entity);
    // Draws the instances of run items [first, last) that stand out as one
    // draw, then those that stand out one by one.
    void drawInstancedPart(std::span<const RenderItem> run, size_t first, size_t last);

    CRenderer& renderer;
    std::filesystem::path path;
    const CRenderTexture* sceneTarget = nullptr;
    std::unique_ptr<CRenderTexture> copyTarget;
    const CTexture* seen = nullptr;
    std::unique_ptr<CEffect> shader;

    // Parameter handles, looked up once per load.
    int matWorld = -1;
    int vMaterialDiffuse = -1;
    int vMaterialSpecular = -1;
    int fMaterialSpecularPower = -1;
    int matView = -1;
    int matProj = -1;
    int texFrameBuffer = -1;
    int vViewPos = -1;
    int texEnvironment = -1;
    int vFrameBufferArea = -1;
    int vLightPos = -1;
    int fHighlight = -1;
    int fMarks = -1;
    int currentPass = 0;

    // The run being drawn: whether it draws into the scene target (the only
    // one whose copy can show what the run drew), how far its first brick
    // stands and whether the near layer's copy has been taken.
    bool runIntoScene = false;
    bool runStarted = false;
    bool nearLayerCopied = false;
    float runFarthest = 0.0f;
    std::vector<MeshInstance> partInstances;
};

// How far in front of the camera a brick stands, along the camera's way of
// looking taken level: a tall wall of bricks seen a little from above stands
// at one depth from its top to its foot.
float glassDepth(const glm::vec3& position, const CCamera& camera);

// Puts the items of each run of the glass material in the list in order from
// the farthest to the nearest brick; the other items, and which items make up
// each run, stay as they are.
void orderGlassBackToFront(RenderList& items, const CMaterial* glass, const CCamera& camera);
