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
// the scene target itself.
#include "render/Material.h"

#include <filesystem>
#include <memory>

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

private:
    void copySceneTarget();
    void useTechnique(const char* name);

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
    int currentPass = 0;
};
