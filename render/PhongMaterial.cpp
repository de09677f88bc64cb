#include "render/PhongMaterial.h"

#include "platform/Device.h"
#include "render/EffectFile.h"
#include "render/Renderer.h"
#include "render/SceneEntity.h"

#include <vector>

CPhongMaterial::CPhongMaterial(CRenderer& renderer, std::filesystem::path effectPath)
    : renderer(renderer), path(std::move(effectPath))
{
    reload();
}

CPhongMaterial::~CPhongMaterial() = default;

bool CPhongMaterial::reload()
{
    shader = loadEffectFile(path);
    return true;
}

int CPhongMaterial::begin()
{
    shader->setTechnique("phong");
    return shader->begin(0);
}

void CPhongMaterial::beginPass(int pass)
{
    shader->setMatrix("matView", renderer.camera.view);
    shader->setMatrix("matProj", renderer.projection);
    shader->setTexture("texEnvironment", renderer.environmentTexture);

    std::vector<glm::vec4> positions;
    std::vector<glm::vec4> colours;
    positions.reserve(renderer.lights.size());
    colours.reserve(renderer.lights.size());
    for (const auto& light : renderer.lights) {
        positions.emplace_back(light->position, 1.0f);
        colours.push_back(light->diffuse);
    }
    const int count = static_cast<int>(renderer.lights.size());
    shader->setVectorArray("vaLightPos", positions.data(), count);
    shader->setVectorArray("vaLightDiffuse", colours.data(), count);
    shader->setVector("vViewPos", glm::vec4(renderer.camera.eye, 1.0f));
    shader->beginPass(pass);
}

void CPhongMaterial::apply(const CSceneEntity& entity, const MaterialValues& values)
{
    shader->setMatrix("matWorld", entity.world);
    shader->setVector("vMaterialDiffuse", values.diffuse * entity.colour);
    shader->setVector("vMaterialSpecular", values.specular);
    shader->setFloat("fMaterialSpecularPower", values.power);
    shader->setVector("vMaterialAmbient", values.luminous);
    shader->setVector("vMaterialReflect", values.reflection);
    shader->setTexture("texDiffuse", values.texture ? values.texture : renderer.whiteTexture.get());
    shader->commitChanges();
}

void CPhongMaterial::endPass(int) { shader->endPass(); }

void CPhongMaterial::end() { shader->end(); }
