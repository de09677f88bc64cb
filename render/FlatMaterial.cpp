#include "render/FlatMaterial.h"

#include "effects/Effect.h"
#include "render/Renderer.h"

#include <cstdio>
#include <string>

namespace {

const char* const FlatEffect = R"(
vertex placed {
    uniform mat4 matWorld;
    uniform mat4 matView;
    uniform mat4 matProj;
    // Placed as every program places its vertices, so passes drawn over it
    // with another program meet it at equal depth.
    void main() { gl_Position = matProj * matView * (matWorld * vec4(inPosition.xyz, 1.0)); }
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
)";

} // namespace

CFlatMaterial::CFlatMaterial(const CRenderer& renderer) : renderer(renderer)
{
    std::string errors;
    effect = CEffect::fromText(FlatEffect, "flat.fx", errors);
    if (!effect)
        std::fprintf(stderr, "vesbrik: flat material: %s\n", errors.c_str());
}

CFlatMaterial::~CFlatMaterial() = default;

int CFlatMaterial::begin()
{
    if (!effect)
        return 0;
    ++begins;
    effect->setTechnique(additive ? "add" : "flat");
    effect->setMatrix("matView", renderer.camera().view);
    effect->setMatrix("matProj", renderer.projection());
    return effect->begin();
}

void CFlatMaterial::beginPass(int pass) { effect->beginPass(pass); }

void CFlatMaterial::apply(const CSceneEntity& entity, const MaterialValues&)
{
    effect->setMatrix("matWorld", entity.world);
    effect->setVector("vColour", entity.colour);
    effect->commitChanges();
}

void CFlatMaterial::endPass(int) { effect->endPass(); }

void CFlatMaterial::end() { effect->end(); }
