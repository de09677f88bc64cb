#include "render/ShadowMapLighting.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "device/Device.h"
#include "device/StateBlock.h"
#include "device/Texture.h"
#include "files/FileProblems.h"
#include "render/Camera.h"
#include "render/EffectFile.h"
#include "render/Light.h"
#include "render/Material.h"
#include "render/Math3d.h"
#include "render/Mesh.h"
#include "render/SceneEntity.h"
#include "render/ScreenBox.h"

namespace {

// Each technique's twin that draws instances is named with this after it.
constexpr const char* InstancedSuffix = "Instanced";

// A part of at least this many triangles drawn alone over the scene is drawn
// only as far as the light reaches (the room around the well); for a brick
// the choosing would cost more than it spares.
constexpr int LargePartTriangles = 256;

// The map starts out white: depth 1, as far as the light can see.
constexpr uint32_t MapClearColour = 0xFFFFFFFF;

// The states both passes draw with, whatever the step before left: solid
// geometry with the depth test, nothing blended, no stencil, no bias (the
// shaders bias their own comparison).
void setSolidDrawing(CDevice& d)
{
    d.setRenderState(RenderState::ZEnable, true);
    d.setRenderState(RenderState::ZWriteEnable, true);
    d.setRenderState(RenderState::ZFunc, Cmp::LessEqual);
    d.setRenderState(RenderState::CullMode, Cull::CCW);
    d.setRenderState(RenderState::AlphaBlendEnable, false);
    d.setRenderState(RenderState::StencilEnable, false);
    d.setRenderState(RenderState::ColorWriteEnable, ColorWriteAll);
    d.setRenderState(FloatState::DepthBias, 0.0f);
    d.setRenderState(FloatState::SlopeScaleDepthBias, 0.0f);
}

} // namespace

glm::mat4 shadowTextureMatrix(const glm::mat4& lightView, const glm::mat4& lightProjection)
{
    const glm::mat4 clipToTexture = matrixTranslation(0.5f, 0.5f, 0.0f) * matrixScaling(0.5f, -0.5f, 1.0f);
    return clipToTexture * (lightProjection * lightView);
}

CShadowMapLighting::CShadowMapLighting(CDevice& device, const std::filesystem::path& mediaDir) : device(device)
{
    shader = loadEffectFile(mediaDir / "shadowmap.fx", {"shadow", "scene", "scene_nohw"});
    loadSpot(mediaDir / "spot.jpg");
    hardware = device.supportsDepthTextures();
    // Without a depth texture the map is drawn with the device's own
    // depth-stencil surface, which is only as large as the window: a window
    // smaller than the map would cut the map off, so it gets its own.
    const bool windowTooSmall = device.width() < static_cast<int>(MapSize) || device.height() < static_cast<int>(MapSize);
    const Format depthFormat = hardware || windowTooSmall ? Format::D24S8 : Format::Unknown;
    target = std::make_unique<CRenderTexture>(&device, MapSize, MapSize, Format::R32F, depthFormat);
    if (depthFormat != Format::Unknown)
        settledTarget = std::make_unique<CRenderTexture>(&device, MapSize, MapSize, Format::R32F, depthFormat);
}

CShadowMapLighting::~CShadowMapLighting() = default;

void CShadowMapLighting::loadSpot(const std::filesystem::path& file)
{
    std::string problem;
    spot = loadTextureFromFile(file, nullptr, &problem);
    if (!spot)
        reportFileProblem(file.string(), whyUnusable(file, problem.empty() ? "not a readable image" : problem),
                          "the light shines a plain round pool");
}

void CShadowMapLighting::renderShadowMap(const RenderList& allItems)
{
    if (!light)
        return;
    CCamera lightCamera;
    lightCamera.setLookAt(light->position, LightTarget, {0.0f, 1.0f, 0.0f});
    view = lightCamera.view;
    projection = matrixPerspectiveFovLH(LightFieldOfView, 1.0f, LightNearPlane, LightFarPlane);
    textureMatrix = shadowTextureMatrix(view, projection);

    shader->setMatrix("matProj", projection);
    shader->setMatrix("matView", view);
    shader->setVector("vLightPos", glm::vec4(light->position, 0.0f));
    shader->setMatrix("matLightViewProj", textureMatrix);
    shader->setTechnique("shadow");

    CStateScope states;
    setSolidDrawing(device);
    if (keepsSettledCasters()) {
        drawMapFromSettled(allItems);
        return;
    }
    mapFollowsSettled = false;
    CRenderTargetScope mapTarget(*target);
    device.clear(ClearTarget | ClearZBuffer | ClearStencil, MapClearColour, 1.0f, 0);
    drawItems(allItems, ItemPass::MapDepth);
}

namespace {

bool isSettled(const RenderItem& item)
{
    return item.entity && (item.entity->settled || item.entity->kind == CSceneEntity::Permanent);
}

} // namespace

// The settled casters' part is drawn only when one of them or the light has
// moved; the map starts from a copy of it, and what moves is drawn over.
void CShadowMapLighting::drawMapFromSettled(const RenderList& allItems)
{
    RenderList settled, moving;
    std::vector<CasterPlace> places;
    for (const RenderItem& item : allItems) {
        if (!item.subset || !item.entity)
            continue;
        if (isSettled(item)) {
            settled.push_back(item);
            places.push_back({item.subset, item.entity->world});
        } else {
            moving.push_back(item);
        }
    }
    if (!settledValid || places != settledPlaces || textureMatrix != settledLightMatrix) {
        CRenderTargetScope settledMap(*settledTarget);
        device.clear(ClearTarget | ClearZBuffer | ClearStencil, MapClearColour, 1.0f, 0);
        drawItems(settled, ItemPass::MapDepth);
        settledPlaces = std::move(places);
        settledLightMatrix = textureMatrix;
        settledValid = true;
        mapFollowsSettled = false;
        ++settledDraws;
    }
    // Only where the last map differs from the settled casters' map is it
    // copied back: the falling piece and the debris cover a small part, and
    // a software GL copies on the calling thread, after waiting for the GL.
    const MapArea whole{0, 0, target->drawWidth(), target->drawHeight()};
    const MapArea stale = mapFollowsSettled ? movingArea : whole;
    mapFollowsSettled =
        stale.empty() || device.copySurfacesArea(settledTarget->colorTexture()->surface(),
                                                 settledTarget->depthTexture()->surface(),
                                                 target->colorTexture()->surface(), target->depthTexture()->surface(),
                                                 stale.x0, stale.y0, stale.x1 - stale.x0, stale.y1 - stale.y0);
    movingArea = mapAreaOf(moving);
    if (moving.empty())
        return;
    CRenderTargetScope mapTarget(*target);
    drawItems(moving, ItemPass::MapDepth);
}

CShadowMapLighting::MapArea CShadowMapLighting::mapAreaOf(const RenderList& items) const
{
    const int width = target->drawWidth();
    const int height = target->drawHeight();
    const MapArea whole{0, 0, width, height};
    MapArea area{width, height, 0, 0};
    for (const RenderItem& item : items) {
        const CMesh* mesh = item.entity ? item.entity->mesh : nullptr;
        if (!mesh || !mesh->bounds)
            return whole;
        const std::optional<ScreenBox> box =
            screenBoxOf(mesh->bounds->lowest, mesh->bounds->highest, projection * view * item.entity->world);
        if (!box)
            continue; // nowhere in the map
        const auto column = [width](float x) { return (x + 1.0f) * 0.5f * static_cast<float>(width); };
        const auto row = [height](float y) { return (1.0f - y) * 0.5f * static_cast<float>(height); };
        area.x0 = std::min(area.x0, static_cast<int>(std::floor(column(box->low.x))) - 1);
        area.x1 = std::max(area.x1, static_cast<int>(std::ceil(column(box->high.x))) + 1);
        area.y0 = std::min(area.y0, static_cast<int>(std::floor(row(box->high.y))) - 1);
        area.y1 = std::max(area.y1, static_cast<int>(std::ceil(row(box->low.y))) + 1);
    }
    return {std::max(area.x0, 0), std::max(area.y0, 0), std::min(area.x1, width), std::min(area.y1, height)};
}

void CShadowMapLighting::prepareShadowLit(const glm::mat4& cameraView, const glm::mat4& sceneProjection)
{
    shader->setMatrix("matProj", sceneProjection);
    shader->setMatrix("matView", cameraView);
    if (hardware) {
        shader->setTechnique("scene");
        shader->setTexture("texDepth", target->depthTexture());
    } else {
        shader->setTechnique("scene_nohw");
        shader->setTexture("texDepth", target->colorTexture());
    }
    shader->setTexture("texSpot", spot.get());
    shader->setFloat("fReachEnd", SpotReach);
}

void CShadowMapLighting::renderShadowLit(const RenderList& allItems, const glm::mat4& cameraView,
                                         const glm::mat4& sceneProjection)
{
    prepareShadowLit(cameraView, sceneProjection);
    CStateScope states;
    setSolidDrawing(device);
    drawItems(allItems, ItemPass::ShadowLit);
}

// The vertex stages of every program place their vertices alike and
// invariantly, so an item drawn here lands on exactly the depth it left in
// the scene: the equal test passes on the surface the scene shows and
// nowhere behind it, and the blend multiplies what is there.
void CShadowMapLighting::multiplyShadowLit(const RenderList& allItems, const glm::mat4& cameraView,
                                           const glm::mat4& sceneProjection)
{
    prepareShadowLit(cameraView, sceneProjection);
    CStateScope states;
    setSolidDrawing(device);
    device.setRenderState(RenderState::ZFunc, Cmp::Equal);
    device.setRenderState(RenderState::ZWriteEnable, false);
    device.setRenderState(RenderState::AlphaBlendEnable, true);
    device.setRenderState(RenderState::SrcBlend, Blend::DestColor);
    device.setRenderState(RenderState::DestBlend, Blend::Zero); // source x destination
    drawItems(allItems, ItemPass::OverScene);
    std::erase_if(reachedParts, [](const auto& entry) { return !entry.second.drawn; });
    for (auto& [serial, part] : reachedParts)
        part.drawn = false;
}

void CShadowMapLighting::drawItems(const RenderList& items, ItemPass what)
{
    const std::string technique = shader->technique();
    if (instancing && shader->setTechnique(technique + InstancedSuffix)) {
        drawInstanced(items, what);
        shader->setTechnique(technique);
        return;
    }
    const int passes = shader->begin(0);
    for (int pass = 0; pass < passes; ++pass) {
        shader->beginPass(pass);
        for (const RenderItem& item : items) {
            if (!item.subset || !item.entity)
                continue;
            shader->setMatrix("matWorld", item.entity->world);
            if (what != ItemPass::MapDepth)
                shader->setVector("vMaterialDiffuse", item.subset->values.diffuse * item.entity->colour);
            if (what == ItemPass::OverScene)
                offsetLikeScene(item);
            shader->commitChanges();
            if (what != ItemPass::OverScene || !drawReachedPart(item, {}))
                item.subset->drawSubset();
        }
        shader->endPass();
    }
    shader->end();
}

// The technique's instanced twin reads each item's world matrix from its
// instance; consecutive items of one mesh part become one draw.
void CShadowMapLighting::drawInstanced(const RenderList& items, ItemPass what)
{
    const int passes = shader->begin(0);
    for (int pass = 0; pass < passes; ++pass) {
        shader->beginPass(pass);
        for (size_t first = 0; first < items.size();) {
            const size_t length = subsetRunLength(items, first);
            const std::span<const RenderItem> run = std::span(items).subspan(first, length);
            first += length;
            if (!run.front().subset)
                continue;
            if (what == ItemPass::OverScene)
                offsetLikeScene(run.front());
            collectInstances(run, instances);
            if (what != ItemPass::OverScene || run.size() != 1 || !drawReachedPart(run.front(), instances))
                run.front().subset->drawInstances(instances);
        }
        shader->endPass();
    }
    shader->end();
}

// A material that pushed its surfaces back in the depth buffer (a polygon
// offset) left them there: drawn over the scene, the item is pushed back
// alike, or the equal depth test would miss it.
void CShadowMapLighting::offsetLikeScene(const RenderItem& item)
{
    const DepthOffset offset = item.material ? item.material->depthOffset(item.subset->values) : DepthOffset{};
    device.setRenderState(FloatState::DepthBias, offset.constant);
    device.setRenderState(FloatState::SlopeScaleDepthBias, offset.slopeScaled);
}

bool CShadowMapLighting::drawReachedPart(const RenderItem& item, std::span<const MeshInstance> instance)
{
    if (!light || !item.subset || !item.entity || item.subset->triangleCount < LargePartTriangles)
        return false;
    ReachedPart& reached = reachedParts[item.subset->serial];
    if (!reached.triangles)
        reached.triangles = std::make_unique<CReachedTriangles>();
    reached.triangles->draw(*item.subset, item.entity->world, light->position, SpotReach, instance);
    reached.drawn = true;
    return true;
}
