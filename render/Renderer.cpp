#include "render/Renderer.h"

CRenderer::CRenderer() : projection(sceneProjection()) {}

CLight* CRenderer::addLight(int kind)
{
    lights.push_back(std::make_unique<CLight>(kind));
    return lights.back().get();
}

void CRenderer::reloadMaterials() {}
