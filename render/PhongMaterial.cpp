#include "render/PhongMaterial.h"

#include "device/Device.h"
#include "render/EffectFile.h"
#include "render/Renderer.h"
#include "render/SceneEntity.h"

#include <vector>

namespace {

constexpr const char* LitTechnique = "phong";
constexpr const char* MatteTechnique = "phongMatte";

// A surface with neither a highlight nor a reflection: the matte program draws
// it the same for less.
bool isMatte(const MaterialValues& values)
{
    return glm::vec3(values.specular) == glm::vec3(0.0f) && glm::vec3(values.reflection) == glm::vec3(0.0f);
}

} // namespace

CPhongMaterial::CPhongMaterial(CRenderer& renderer, std::filesystem::path effectPath)
    : renderer(renderer), path(std::move(effectPath))
{
    reload();
}

CPhongMaterial::~CPhongMaterial() = default;

bool CPhongMaterial::reload()
{
    shader = loadEffectFile(path, {LitTechnique});
    return true;
}

int CPhongMaterial::begin()
{
    shader->setTechnique(LitTechnique);
    return shader->begin(0);
}

void CPhongMaterial::beginPass(int pass)
{
    currentPass = pass;
    shader->setMatrix("matView", renderer.camera().view);
    shader->setMatrix("matProj", renderer.projection());
    shader->setTexture("texEnvironment", renderer.environmentTexture());

    std::vector<glm::vec4> positions;
    std::vector<glm::vec4> colours;
    positions.reserve(renderer.lights().size());
    colours.reserve(renderer.lights().size());
    for (const auto& light : renderer.lights()) {
        positions.emplace_back(light->position, 1.0f);
        colours.push_back(light->diffuse);
    }
    const int count = static_cast<int>(renderer.lights().size());
    shader->setVectorArray("vaLightPos", positions.data(), count);
    shader->setVectorArray("vaLightDiffuse", colours.data(), count);
    shader->setVector("vViewPos", glm::vec4(renderer.camera().eye, 1.0f));
    shader->beginPass(pass);
}

// Changes program between items of one run when the surface asks for the
// other; an effect without the matte technique draws everything lit.
void CPhongMaterial::useTechnique(const char* name)
{
    if (shader->technique() == name || !shader->hasTechnique(name))
        return;
    shader->endPass();
    shader->end();
    shader->setTechnique(name);
    shader->begin(0);
    beginPass(currentPass);
}

void CPhongMaterial::apply(const CSceneEntity& entity, const MaterialValues& values)
{
    useTechnique(isMatte(values) ? MatteTechnique : LitTechnique);
    shader->setMatrix("matWorld", entity.world);
    shader->setVector("vMaterialDiffuse", values.diffuse * entity.colour);
    shader->setVector("vMaterialSpecular", values.specular);
    shader->setFloat("fMaterialSpecularPower", values.power);
    shader->setVector("vMaterialAmbient", values.luminous);
    shader->setVector("vMaterialReflect", values.reflection);
    shader->setTexture("texDiffuse", values.texture ? values.texture : renderer.whiteTexture());
    shader->commitChanges();
}

DepthOffset CPhongMaterial::depthOffset(const MaterialValues& values) const
{
    const char* technique = isMatte(values) && shader->hasTechnique(MatteTechnique) ? MatteTechnique : LitTechnique;
    return {shader->passState(technique, 0, FloatState::DepthBias, 0.0f),
            shader->passState(technique, 0, FloatState::SlopeScaleDepthBias, 0.0f)};
}

void CPhongMaterial::endPass(int) { shader->endPass(); }

void CPhongMaterial::end() { shader->end(); }
