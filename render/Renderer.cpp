#include "render/Renderer.h"

#include <algorithm>

#include "platform/Device.h"
#include "render/FixedMaterial.h"
#include "render/GlassMaterial.h"
#include "render/PhongMaterial.h"
#include "render/Math3d.h"
#include "render/ScreenQuad.h"
#include "render/Mesh.h"

namespace {

// The bloom passes work on a small picture of the frame.
constexpr unsigned BloomTargetSize = 256;

// The mirror image is laid over the floor at a little over half strength.
constexpr uint32_t MirrorBlendColour = 0x88FFFFFF;

constexpr uint32_t ClearColour = 0x00000000;

} // namespace

CRenderer::CRenderer() : projection(sceneProjection())
{
    CDevice& d = device();

    whiteTexture = CTexture::create(1, 1, 1, Format::A8R8G8B8);
    fillTextureSolid(whiteTexture.get(), 1.0f, 1.0f, 1.0f, 1.0f);

    sceneTarget = std::make_unique<CRenderTexture>(&d, 0, 0, Format::A8R8G8B8);
    auxTarget = std::make_unique<CRenderTexture>(&d, 0, 0, Format::A8R8G8B8);
    bloomTargetA = std::make_unique<CRenderTexture>(&d, BloomTargetSize, BloomTargetSize, Format::A8R8G8B8);
    bloomTargetB = std::make_unique<CRenderTexture>(&d, BloomTargetSize, BloomTargetSize, Format::A8R8G8B8);
    environmentTexture = whiteTexture.get();

    d.setRenderState(RenderState::Lighting, false);
    mirrorMatrix = matrixReflect(planeFromPointNormal({0.0f, 0.0f, 0.0f}, {0.0f, -1.0f, 0.0f}));

    phongMaterial = std::make_unique<CPhongMaterial>(*this);
    fixedMaterial = std::make_unique<CFixedMaterial>(*this);
    auto glass = std::make_unique<CGlassMaterial>(*this);
    // The glass looks through a copy of what the scene target holds so far.
    glass->setSceneTarget(sceneTarget.get());
    glassMaterial = std::move(glass);
}

CRenderer::~CRenderer() = default;

// ---- entities and lights ------------------------------------------------------------------

CSceneEntity* CRenderer::addEntity(const CMesh* mesh, int kind)
{
    auto entity = std::make_unique<CSceneEntity>();
    entity->mesh = mesh;
    entity->kind = kind;
    entity->updateWorld();
    entities.push_back(std::move(entity));
    return entities.back().get();
}

void CRenderer::removeEntities(int kind)
{
    if (kind == CSceneEntity::Permanent) {
        entities.clear();
    } else {
        std::erase_if(entities, [kind](const std::unique_ptr<CSceneEntity>& e) { return e->kind == kind; });
    }
    // The mirror entity is found again at the next frame; never keep a dangling one.
    mirrorEntity = nullptr;
}

CLight* CRenderer::addLight(int kind)
{
    lights.push_back(std::make_unique<CLight>(kind));
    return lights.back().get();
}

void collectRenderItems(RenderList& list, CSceneEntity& entity)
{
    if (!entity.mesh)
        return;
    for (const auto& subset : entity.mesh->subsets)
        list.push_back(RenderItem{subset.get(), &entity, subset->material});
}

// ---- materials ------------------------------------------------------------------------------

CMaterial* CRenderer::materialFor(const std::string& surfaceName) const
{
    CMaterial* chosen = nullptr;
    if (surfaceName == "d3dfixed")
        chosen = fixedMaterial.get();
    else if (surfaceName == "glass")
        chosen = glassMaterial.get();
    else
        chosen = phongMaterial.get();
    return chosen ? chosen : fixedMaterial.get();
}

void CRenderer::reloadMaterials()
{
    if (phongMaterial)
        phongMaterial->reload();
    if (glassMaterial)
        glassMaterial->reload();
}

void CRenderer::forgetBoundSubset() { resetSubsetCache(); }

void CRenderer::drawItem(const RenderItem& item)
{
    if (!item.material || !item.subset || !item.entity)
        return;
    item.material->apply(*item.entity, item.subset->values);
    item.subset->drawSubset();
}

// ---- the frame --------------------------------------------------------------------------------

// The recipe of a frame. Everything is drawn into the scene target first, so
// the mirror can be laid over it and the copy to the back buffer can choose
// its filtering.
void CRenderer::renderFrame()
{
    CDevice& d = device();

    // ---- the items of this frame: the floor box (second entity) apart from the rest
    mirrorEntity = entities.size() >= 2 ? entities[1].get() : nullptr;
    RenderList allItems;
    RenderList mirrorItems;
    RenderList otherItems;
    for (const auto& entity : entities) {
        collectRenderItems(allItems, *entity);
        collectRenderItems(entity.get() == mirrorEntity ? mirrorItems : otherItems, *entity);
    }

    // ---- scene: the floor, then everything standing on it
    sceneTarget->saveTarget();
    sceneTarget->bind();
    d.setRenderState(RenderState::StencilEnable, false);
    d.clear(ClearTarget | ClearZBuffer, ClearColour, 1.0f, 0);
    drawRenderList(mirrorItems, *this);
    drawRenderList(otherItems, *this);

    // ---- mirror: the scene reflected in the floor where the floor shows
    if (enableMirror && mirrorEntity)
        drawMirror(mirrorItems, otherItems);

    // ---- copy to the back buffer, filtered or pixel for pixel
    sceneTarget->restoreTarget();
    if (!filterFrameBuffer) {
        d.setSamplerState(SamplerState::MagFilter, TexFilter::Point);
        d.setSamplerState(SamplerState::MinFilter, TexFilter::Point);
    }
    drawScreenQuad(sceneTarget->colorTexture(), 0.0f, 0.0f, 1.0f, 1.0f, 0xFFFFFFFF, false);
}

// Marks in the stencil buffer the floor pixels that nothing stands in front
// of, draws the reflected scene into the aux target only there, and lays that
// over the scene target. The scene target must be bound.
void CRenderer::drawMirror(const RenderList& mirrorItems, const RenderList& otherItems)
{
    CDevice& d = device();

    // Depth of the other items alone, so the floor marks only where it shows.
    // Only the depth is wanted: drawn again in colour, the glass would refract
    // its own first image and the well would change colour with the mirror.
    d.clear(ClearZBuffer | ClearStencil, ClearColour, 1.0f, 0);
    d.setRenderState(RenderState::ColorWriteEnable, 0u);
    drawRenderList(otherItems, *this);

    d.setRenderState(RenderState::StencilEnable, true);
    d.setRenderState(RenderState::StencilPass, StencilOp::Incr);
    d.setRenderState(RenderState::StencilFunc, Cmp::Always);
    d.setRenderState(RenderState::StencilRef, 0u);
    drawRenderList(mirrorItems, *this);

    // Effects see the world through the mirror; the device's own view is left
    // alone, so fixed-function items are not reflected.
    const glm::mat4 savedView = camera.view;
    const glm::mat4 savedProjection = projection;
    camera.view = matrixMultiply(mirrorMatrix, savedView);

    d.setRenderState(RenderState::StencilEnable, true);
    d.setRenderState(RenderState::StencilFunc, Cmp::Less); // 0 < stencil: the marked pixels
    d.setRenderState(RenderState::StencilRef, 0u);
    d.setRenderState(RenderState::StencilPass, StencilOp::Keep);
    d.setRenderState(RenderState::CullMode, Cull::CW); // the reflection turns the winding round
    d.setRenderState(RenderState::ColorWriteEnable, static_cast<uint32_t>(ColorWriteAll));

    auxTarget->bind(); // keeps the device's depth-stencil surface and its marks
    d.clear(ClearTarget | ClearZBuffer, ClearColour, 1.0f, 0);
    drawRenderList(otherItems, *this);
    drawRenderList(mirrorItems, *this);

    camera.view = savedView;
    projection = savedProjection;
    d.setRenderState(RenderState::StencilEnable, false);
    d.setRenderState(RenderState::CullMode, Cull::CCW);

    // Where the mirror pass drew nothing the aux target is clear (alpha 0), so
    // blending by its alpha leaves the scene unchanged there. Stage 0 has to
    // modulate alpha for the quad's own alpha to weaken the image; set it here
    // rather than rely on whatever drew a quad before.
    sceneTarget->bind();
    const uint32_t savedAlphaOp = d.textureStageState(TextureStageState::AlphaOp);
    const uint32_t savedAlphaArg1 = d.textureStageState(TextureStageState::AlphaArg1);
    const uint32_t savedAlphaArg2 = d.textureStageState(TextureStageState::AlphaArg2);
    d.setTextureStageState(TextureStageState::AlphaOp, TextureOp::Modulate);
    d.setTextureStageState(TextureStageState::AlphaArg1, TextureArg::Texture);
    d.setTextureStageState(TextureStageState::AlphaArg2, TextureArg::Diffuse);
    d.setRenderState(RenderState::SrcBlend, Blend::BothSrcAlpha);
    d.setRenderState(RenderState::DestBlend, Blend::Zero); // overridden by BothSrcAlpha
    d.setRenderState(RenderState::AlphaBlendEnable, true);
    drawScreenQuad(auxTarget->colorTexture(), 0.0f, 0.0f, 1.0f, 1.0f, MirrorBlendColour, false);
    d.setRenderState(RenderState::AlphaBlendEnable, false);
    d.setTextureStageState(TextureStageState::AlphaOp, savedAlphaOp);
    d.setTextureStageState(TextureStageState::AlphaArg1, savedAlphaArg1);
    d.setTextureStageState(TextureStageState::AlphaArg2, savedAlphaArg2);
}
