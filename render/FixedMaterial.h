#pragma once
// The material of the surfaces named "d3dfixed" (the plate on the frame):
// lit per vertex from the renderer's lights, with a specular highlight added
// over the texture, by a small program of its own. Its surfaces keep the look
// they were made for: the spot light seen along its direction only, colours
// clamped at each corner and blended across the triangle. The entity's colour
// is not applied. It draws with the view of the frame's start, not the
// camera's, so the mirror step shows its items unreflected.
#include "render/Material.h"

#include <memory>

class CEffect;
class CRenderer;

class CFixedMaterial : public CMaterial {
public:
    // Builds the program; a GL that cannot compile it ends the game, as a
    // broken effect file does.
    explicit CFixedMaterial(const CRenderer& renderer);
    ~CFixedMaterial() override;

    // Nothing to load: the program is the game's own.
    bool reload() override { return false; }
    // One pass; the program and the render states of before begin are back after end.
    int begin() override;
    // The view, the projection and up to MaxLights of the renderer's lights.
    void beginPass(int pass) override;
    // World matrix, the subset's colours and texture (white without one).
    void apply(const CSceneEntity& entity, const MaterialValues& values) override;
    void endPass(int) override;
    void end() override;

    // How many of the renderer's lights reach the surfaces.
    static constexpr int MaxLights = 8;
    const CEffect& effect() const { return *shader; }

private:
    const CRenderer& renderer;
    std::unique_ptr<CEffect> shader;
    glm::mat4 view{1.0f};
};
