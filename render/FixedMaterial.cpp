#include "render/FixedMaterial.h"

#include <algorithm>
#include <array>
#include <string>

#include "effects/Effect.h"
#include "platform/FatalError.h"
#include "render/Light.h"
#include "render/Renderer.h"
#include "render/SceneEntity.h"

namespace {

// Lit at the corners in the camera's space, with the viewer where the camera
// is; normals are not renormalised. A point light fades as 1 / (a0 + a1 d +
// a2 d^2) and stops at its range; a light along a direction (the spot light,
// w = 1 in vaLightDirection) does not fade. The texture's colour is
// multiplied by the lit colour and the highlight added on top; the alpha is
// the texture's.
const char* const FixedEffect = R"(
vertex litCorners {
    uniform mat4 matWorld;
    uniform mat4 matView;
    uniform mat4 matProj;
    uniform mat4 matWorldView;
    uniform mat4 matNormal; // the inverse transpose of matWorldView's 3 x 3
    uniform vec4 vMaterialDiffuse;
    uniform vec4 vMaterialAmbient;
    uniform vec4 vMaterialSpecular;
    uniform float fMaterialPower;
    uniform float fLightCount;
    uniform vec4 vaLightDiffuse[8];
    uniform vec4 vaLightSpecular[8];
    uniform vec4 vaLightAmbient[8];
    uniform vec4 vaLightPosition[8];  // camera space
    uniform vec4 vaLightDirection[8]; // camera space; w 1: lit along it, 0: from the position
    uniform vec4 vaLightFading[8];    // a0, a1, a2, range
    out vec4 vDiffuse;
    out vec4 vSpecular;
    out vec2 vTexCoord;
    void main() {
        // Placed as the effects place their vertices, term for term, so a
        // pass drawn over this surface meets it at the very same depth.
        gl_Position = matProj * matView * (matWorld * vec4(inPosition.xyz, 1.0));
        vTexCoord = inTexCoord0;
        vec4 viewPosition = matWorldView * vec4(inPosition.xyz, 1.0);
        vec3 normal = mat3(matNormal) * inNormal;
        vec3 toEye = -normalize(viewPosition.xyz);
        vec3 ambient = vec3(0.0);
        vec3 diffuse = vec3(0.0);
        vec3 specular = vec3(0.0);
        for (int i = 0; i < int(fLightCount); ++i) {
            vec3 toLight;
            float fading = 1.0;
            if (vaLightDirection[i].w > 0.5) {
                toLight = -normalize(vaLightDirection[i].xyz);
            } else {
                vec3 offset = vaLightPosition[i].xyz - viewPosition.xyz;
                float distance = length(offset);
                if (distance > vaLightFading[i].w)
                    continue;
                toLight = distance > 0.0 ? offset / distance : vec3(0.0, 0.0, -1.0);
                float denominator = vaLightFading[i].x + vaLightFading[i].y * distance
                                  + vaLightFading[i].z * distance * distance;
                fading = denominator > 0.0 ? 1.0 / denominator : 1.0;
            }
            ambient += fading * vaLightAmbient[i].rgb;
            diffuse += fading * vaLightDiffuse[i].rgb * max(dot(normal, toLight), 0.0);
            if (fMaterialPower > 0.0) {
                vec3 halfway = normalize(toLight + toEye);
                specular += fading * vaLightSpecular[i].rgb * pow(max(dot(normal, halfway), 0.0), fMaterialPower);
            }
        }
        vDiffuse.rgb = vMaterialAmbient.rgb * ambient + vMaterialDiffuse.rgb * diffuse;
        vDiffuse.a = vMaterialDiffuse.a;
        vDiffuse = clamp(vDiffuse, 0.0, 1.0);
        vSpecular = vec4(clamp(vMaterialSpecular.rgb * specular, 0.0, 1.0), 0.0);
    }
}

fragment textured {
    in vec4 vDiffuse;
    in vec4 vSpecular;
    in vec2 vTexCoord;
    uniform sampler2D texDiffuse;
    out vec4 fragColour;
    void main() {
        vec4 texel = texture(texDiffuse, vTexCoord);
        fragColour = clamp(vec4(texel.rgb * vDiffuse.rgb + vSpecular.rgb, texel.a), 0.0, 1.0);
    }
}

sampler texDiffuse { filter = point; address = wrap; }

technique fixed {
    pass p0 {
        vertex = litCorners;
        fragment = textured;
    }
}
)";

// The renderer's lights as the program reads them, in camera space.
struct LightArrays {
    std::array<glm::vec4, CFixedMaterial::MaxLights> diffuse{}, specular{}, ambient{}, position{}, direction{}, fading{};
    int count = 0;
};

LightArrays lightsSeenFrom(const glm::mat4& view, const CRenderer::LightList& lights)
{
    LightArrays arrays;
    for (const auto& light : lights) {
        if (arrays.count == CFixedMaterial::MaxLights)
            break;
        if (light->kind != CLight::Point && light->kind != CLight::Spot)
            continue; // a kind this material does not know lights nothing
        const auto i = static_cast<size_t>(arrays.count++);
        arrays.diffuse[i] = light->diffuse;
        arrays.specular[i] = light->specular;
        arrays.ambient[i] = light->ambient;
        arrays.position[i] = view * glm::vec4(light->position, 1.0f);
        arrays.direction[i] = glm::vec4(glm::vec3(view * glm::vec4(light->direction, 0.0f)),
                                        light->kind == CLight::Spot ? 1.0f : 0.0f);
        arrays.fading[i] = {light->attenuation0, light->attenuation1, 0.0f, light->range};
    }
    return arrays;
}

} // namespace

CFixedMaterial::CFixedMaterial(const CRenderer& renderer) : renderer(renderer)
{
    std::string errors;
    shader = CEffect::fromText(FixedEffect, "fixed material", errors);
    if (!shader)
        exitWithMessage(errors.empty() ? "error loading shader" : errors);
}

CFixedMaterial::~CFixedMaterial() = default;

int CFixedMaterial::begin() { return shader->begin(0); }

void CFixedMaterial::beginPass(int pass)
{
    view = renderer.frameView();
    shader->setMatrix("matView", view);
    shader->setMatrix("matProj", renderer.projection());
    const LightArrays lights = lightsSeenFrom(view, renderer.lights());
    shader->setFloat("fLightCount", static_cast<float>(lights.count));
    shader->setVectorArray("vaLightDiffuse", lights.diffuse.data(), lights.count);
    shader->setVectorArray("vaLightSpecular", lights.specular.data(), lights.count);
    shader->setVectorArray("vaLightAmbient", lights.ambient.data(), lights.count);
    shader->setVectorArray("vaLightPosition", lights.position.data(), lights.count);
    shader->setVectorArray("vaLightDirection", lights.direction.data(), lights.count);
    shader->setVectorArray("vaLightFading", lights.fading.data(), lights.count);
    shader->beginPass(pass);
}

void CFixedMaterial::apply(const CSceneEntity& entity, const MaterialValues& values)
{
    const glm::mat4 worldView = view * entity.world;
    shader->setMatrix("matWorld", entity.world);
    shader->setMatrix("matWorldView", worldView);
    shader->setMatrix("matNormal", glm::mat4(glm::transpose(glm::inverse(glm::mat3(worldView)))));
    shader->setVector("vMaterialDiffuse", values.diffuse);
    shader->setVector("vMaterialAmbient", values.luminous);
    shader->setVector("vMaterialSpecular", values.specular);
    shader->setFloat("fMaterialPower", values.power);
    shader->setTexture("texDiffuse", values.texture ? values.texture : renderer.whiteTexture());
    shader->commitChanges();
}

void CFixedMaterial::endPass(int) { shader->endPass(); }

void CFixedMaterial::end() { shader->end(); }
