#pragma once
// A material that draws every item in its entity's colour, unlit, through the
// renderer's camera: the cheapest honest picture of a scene. Tests tell
// objects apart by colour with it (made additive, it shows an item drawn
// twice), and the frame benchmark measures its yardstick with it.
#include <memory>

#include "render/Material.h"

class CEffect;
class CRenderer;

class CFlatMaterial : public CMaterial {
public:
    explicit CFlatMaterial(const CRenderer& renderer);
    ~CFlatMaterial() override;

    // False when its effect did not compile; nothing draws then.
    bool valid() const { return effect != nullptr; }

    bool reload() override { return valid(); }
    int begin() override;
    void beginPass(int pass) override;
    void apply(const CSceneEntity& entity, const MaterialValues& values) override;
    void endPass(int pass) override;
    void end() override;

    // Adds its colour to what is there instead of covering it.
    bool additive = false;
    // How many groups of items it has drawn.
    int begins = 0;

private:
    const CRenderer& renderer;
    std::unique_ptr<CEffect> effect;
};
