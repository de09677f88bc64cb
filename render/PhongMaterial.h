#pragma once
// The material of every ordinary surface: per-pixel lighting from all the
// renderer's lights, a specular highlight, the surface's own glow, a diffuse
// texture and a reflection of the environment cube map, drawn by the effect
// media/phong.fx (technique "phong"; "phongMatte" for surfaces without a
// highlight or a reflection).
#include "render/Material.h"

#include <filesystem>
#include <memory>

class CEffect;
class CRenderer;

class CPhongMaterial : public CMaterial {
public:
    // Loads the effect at once; an effect that cannot be loaded ends the game.
    // Camera, projection, lights and textures are read from the renderer at
    // every draw.
    explicit CPhongMaterial(CRenderer& renderer, std::filesystem::path effectPath = "media/phong.fx");
    ~CPhongMaterial() override;

    bool reload() override;
    int begin() override;
    void beginPass(int pass) override;
    void apply(const CSceneEntity& entity, const MaterialValues& values) override;
    // As the effect's first pass of the surface's technique sets it.
    DepthOffset depthOffset(const MaterialValues& values) const override;
    void endPass(int pass) override;
    void end() override;

    CEffect& effect() const { return *shader; }

private:
    void useTechnique(const char* name);

    CRenderer& renderer;
    std::filesystem::path path;
    std::unique_ptr<CEffect> shader;
    int currentPass = 0;
};
