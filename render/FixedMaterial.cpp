#include "render/FixedMaterial.h"

#include <algorithm>

#include "device/Device.h"
#include "render/Renderer.h"
#include "render/SceneEntity.h"

namespace {

LightType deviceLightType(int kind)
{
    switch (kind) {
    case CLight::Point:
        return LightType::Point;
    case CLight::Directional:
        return LightType::Directional;
    default:
        return LightType::None;
    }
}

} // namespace

void CFixedMaterial::beginPass(int)
{
    CDevice& d = device();
    d.setRenderState(RenderState::Lighting, true);
    d.setRenderState(RenderState::SpecularEnable, true);
    d.setProgram(nullptr);
    const int count = static_cast<int>(std::min<size_t>(renderer.lights().size(), MaxLights));
    for (int i = 0; i < count; ++i) {
        const CLight& source = *renderer.lights()[static_cast<size_t>(i)];
        Light light;
        light.type = deviceLightType(source.kind);
        light.diffuse = source.diffuse;
        light.specular = source.specular;
        light.ambient = source.ambient;
        light.position = source.position;
        light.direction = source.direction;
        light.range = source.range;
        light.falloff = source.falloff;
        light.attenuation0 = source.attenuation0;
        light.attenuation1 = source.attenuation1;
        d.setLight(i, light);
        d.lightEnable(i, true);
    }
}

void CFixedMaterial::apply(const CSceneEntity& entity, const MaterialValues& values)
{
    CDevice& d = device();
    d.setTransform(TransformType::World, entity.world);
    Material material;
    material.diffuse = values.diffuse;
    material.ambient = values.luminous;
    material.specular = values.specular;
    material.power = values.power;
    d.setMaterial(material);
    d.setTexture(values.texture);
}
