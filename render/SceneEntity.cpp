#include "render/SceneEntity.h"

#include "render/Math3d.h"

void CSceneEntity::updateWorld(const std::optional<glm::mat4>& rotationMatrix)
{
    const glm::mat4 r = rotationMatrix ? *rotationMatrix : matrixRotationYawPitchRoll(rotation.x, rotation.y, rotation.z);
    world = matrixTranslation(position.x, position.y, position.z) * (r * matrixScaling(scale.x, scale.y, scale.z));
}
