#pragma once
// The fixed-function material: surfaces named "d3dfixed" are lit by the
// device's own per-vertex lighting from the renderer's lights, with the
// subset's colours as the device material and its texture in stage 0.
// It draws with the device's view and projection, not the camera's, so the
// mirror pass shows its items unreflected.
#include "device/StateBlock.h"
#include "render/Material.h"

class CRenderer;

class CFixedMaterial : public CMaterial {
public:
    explicit CFixedMaterial(const CRenderer& renderer) : renderer(renderer) {}

    // Nothing to load.
    bool reload() override { return false; }
    // One pass; the device state of before begin is back after end.
    int begin() override
    {
        before.capture();
        return 1;
    }
    // Lighting on, no shaders, one device light per renderer light.
    void beginPass(int pass) override;
    // World matrix and device material; the entity's colour is not applied.
    void apply(const CSceneEntity& entity, const MaterialValues& values) override;
    void endPass(int) override {}
    void end() override { before.apply(); }

private:
    const CRenderer& renderer;
    CStateBlock before;
};
