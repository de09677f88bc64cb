#pragma once
// Drawing tests of the scene: a device of a chosen size with the game's
// folder as the working directory (the game opens "media/..." relative to
// it), and a flat material that draws every item in its entity's colour,
// unlit, through the camera the renderer holds (reflected in the mirror pass
// like every effect-drawn item), so tests can tell objects apart by colour.
// Made additive, it shows when something is drawn twice.
#include "DeviceTestContext.h"

#include "platform/Effect.h"
#include "render/Material.h"
#include "render/Renderer.h"
#include "render/SceneEntity.h"

#include <filesystem>
#include <memory>

class SceneTest : public DeviceTest {
protected:
    void SetUp() override
    {
        previousFolder = std::filesystem::current_path();
        std::filesystem::current_path(std::filesystem::path(VESBRIK_MEDIA_DIR).parent_path());
        DeviceTest::SetUp();
    }
    void TearDown() override
    {
        DeviceTest::TearDown();
        std::filesystem::current_path(previousFolder);
    }

private:
    std::filesystem::path previousFolder;
};

class CFlatMaterial : public CMaterial {
public:
    explicit CFlatMaterial(const CRenderer& renderer) : renderer(renderer)
    {
        std::string errors;
        effect = CEffect::fromText(R"(
vertex placed {
    uniform mat4 matWorld;
    uniform mat4 matView;
    uniform mat4 matProj;
    void main() { gl_Position = matProj * matView * matWorld * vec4(inPosition.xyz, 1.0); }
}
fragment flat {
    uniform vec4 vColour;
    out vec4 fragColour;
    void main() { fragColour = vColour; }
}
technique flat { pass p0 { vertex = placed; fragment = flat; } }
technique add {
    pass p0 { vertex = placed; fragment = flat; AlphaBlendEnable = true; SrcBlend = one; DestBlend = one; }
}
)",
                                   "flat.fx", errors);
        EXPECT_TRUE(effect) << errors;
    }

    bool reload() override { return true; }
    int begin() override
    {
        ++begins;
        effect->setTechnique(additive ? "add" : "flat");
        effect->setMatrix("matView", renderer.camera.view);
        effect->setMatrix("matProj", renderer.projection);
        return effect->begin();
    }
    void beginPass(int pass) override { effect->beginPass(pass); }
    void apply(const CSceneEntity& entity, const MaterialValues&) override
    {
        effect->setMatrix("matWorld", entity.world);
        effect->setVector("vColour", entity.colour);
        effect->commitChanges();
    }
    void endPass(int) override { effect->endPass(); }
    void end() override { effect->end(); }

    int begins = 0;
    // Adds its colour to what is there, so drawing an item twice shows.
    bool additive = false;

private:
    const CRenderer& renderer;
    std::unique_ptr<CEffect> effect;
};
