#include "render/Renderer.h"

#include <algorithm>
#include <cmath>

#include "device/Device.h"
#include "device/StateBlock.h"
#include "render/EffectFile.h"
#include "render/FixedMaterial.h"
#include "render/FrameState.h"
#include "render/GlassMaterial.h"
#include "render/PhongMaterial.h"
#include "render/SceneScaleChooser.h"
#include "render/Math3d.h"
#include "render/ScreenBox.h"
#include "render/ScreenQuad.h"
#include "render/Mesh.h"

namespace {

// The mirror image is laid over the floor at a little over half strength.
constexpr uint32_t MirrorBlendColour = 0x88FFFFFF;

constexpr uint32_t ClearColour = 0x00000000;
constexpr uint32_t White = 0xFFFFFFFF;

// The blur directions of the bloom, in texture units of the 256 x 256
// target: one diagonal, then the other.
constexpr glm::vec4 FirstBlurDirection{0.01f, 0.01f, 0.0f, 0.0f};
constexpr glm::vec4 SecondBlurDirection{0.01f, -0.01f, 0.0f, 0.0f};

// The camera seen through the mirror for as long as the scope lasts:
// the camera's items are reflected, the frame's start view (frameView) is not.
class CReflectedView {
public:
    CReflectedView(CCamera& camera, const glm::mat4& mirror) : camera(camera), savedView(camera.view)
    {
        camera.view = savedView * mirror;
    }
    ~CReflectedView() { camera.view = savedView; }
    CReflectedView(const CReflectedView&) = delete;
    CReflectedView& operator=(const CReflectedView&) = delete;

private:
    CCamera& camera;
    glm::mat4 savedView;
};

// A screen box as (left, top, right, bottom) fractions of the viewport, widened
// to whole pixels, so a quad over it covers every pixel the box touches.
glm::vec4 wholePixelsOf(const ScreenBox& box, const Viewport& viewport)
{
    const float w = static_cast<float>(viewport.width);
    const float h = static_cast<float>(viewport.height);
    return {std::floor((box.low.x + 1.0f) * 0.5f * w) / w, std::floor((1.0f - box.high.y) * 0.5f * h) / h,
            std::ceil((box.high.x + 1.0f) * 0.5f * w) / w, std::ceil((1.0f - box.low.y) * 0.5f * h) / h};
}

} // namespace

CRenderer::CRenderer() : projectionMatrix(sceneProjection())
{
    CDevice& d = device();

    whiteStandIn = CTexture::create(1, 1, 1, Format::A8R8G8B8);
    fillTextureSolid(whiteStandIn.get(), 1.0f, 1.0f, 1.0f, 1.0f);

    sceneTarget = std::make_unique<CRenderTexture>(&d, 0, 0, Format::A8R8G8B8);
    // The mirror image gets a depth-stencil surface of its own, so the scene's
    // depth outlives the mirror step for the shadow step.
    auxTarget = std::make_unique<CRenderTexture>(&d, 0, 0, Format::A8R8G8B8, Format::D24S8);
    bloomTargetA = std::make_unique<CRenderTexture>(&d, BloomTargetSize, BloomTargetSize, Format::A8R8G8B8);
    bloomTargetB = std::make_unique<CRenderTexture>(&d, BloomTargetSize, BloomTargetSize, Format::A8R8G8B8);
    // The blurs work on the top left quarter of the bloom targets' texels.
    bloomTargetA->setDrawArea(GlowBlurSize, GlowBlurSize);
    environment = whiteStandIn.get();
    shadowLighting = std::make_unique<CShadowMapLighting>(d);
    postEffect = loadEffectFile("media/post.fx", {"hipass", "blur"});
    postQuad = std::make_unique<CPostQuad>();
    glowTiles = std::make_unique<CGlowTiles>(GlowBlurSize);

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
    entityList.push_back(std::move(entity));
    return entityList.back().get();
}

void CRenderer::removeEntities(int kind)
{
    std::erase_if(entityList, [kind](const std::unique_ptr<CSceneEntity>& e) { return e->kind == kind; });
    // Never keep a dangling floor.
    const bool floorKept = std::any_of(entityList.begin(), entityList.end(),
                                       [this](const auto& e) { return e.get() == mirrorFloorEntity; });
    if (!floorKept)
        mirrorFloorEntity = nullptr;
}

void CRenderer::removeAllEntities()
{
    entityList.clear();
    mirrorFloorEntity = nullptr;
}

CLight* CRenderer::addLight(int kind)
{
    lightList.push_back(std::make_unique<CLight>(kind));
    return lightList.back().get();
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

void CRenderer::replaceMaterials(std::unique_ptr<CMaterial> phong, std::unique_ptr<CMaterial> glass)
{
    phongMaterial = std::move(phong);
    glassMaterial = std::move(glass);
}

void CRenderer::replaceShadows(std::unique_ptr<CShadowMapLighting> replacement)
{
    if (!replacement)
        return;
    shadowLighting = std::move(replacement);
    shadowLighting->setInstancing(instancing);
}

void CRenderer::reloadMaterials()
{
    if (phongMaterial)
        phongMaterial->reload();
    if (glassMaterial)
        glassMaterial->reload();
}

void CRenderer::drawItem(const RenderItem& item)
{
    if (!item.material || !item.subset || !item.entity)
        return;
    item.material->apply(*item.entity, item.subset->values);
    item.subset->drawSubset();
}

void CRenderer::drawItems(std::span<const RenderItem> run)
{
    if (run.empty())
        return;
    const RenderItem& first = run.front();
    if (!first.material || !first.subset || !first.material->instanced()) {
        CItemDrawer::drawItems(run);
        return;
    }
    collectInstances(run, instances);
    first.material->drawInstances(run, instances);
}

void CRenderer::setInstancedDrawing(bool on)
{
    instancing = on;
    shadowLighting->setInstancing(on);
}

// ---- the picture's size -------------------------------------------------------------------------

bool CRenderer::resize(int width, int height)
{
    const bool scene = sceneTarget->resize(width, height);
    const bool aux = auxTarget->resize(width, height);
    return scene && aux;
}

// ---- the frame --------------------------------------------------------------------------------

// The recipe of a frame, step by step. Every step starts from the frame's
// default state and puts back what it changes; the scene is drawn into the
// scene target so the mirror and the shadows can be laid over it and the
// copy to the back buffer can choose its filtering.
void CRenderer::renderFrame(const std::vector<FrameOverlay>& overlays)
{
    const FrameItems items = collectFrameItems();

    // ---- frame start: the default state, the back buffer cleared
    chooseSceneArea();
    beginFrame();
    stepFinished("start");

    // ---- shadow map: the depth of everything as the spot light sees it
    if (enableShadow) {
        drawShadowMap(items.all);
        stepFinished("shadow map");
    }

    {
        CRenderTargetScope scene(*sceneTarget);
        // ---- scene: the floor, then everything standing on it
        drawScene(items);
        stepFinished("scene");
        // ---- mirror: the scene reflected in the floor where the floor shows
        bool sceneDepthKept = true;
        if (enableMirror && mirrorFloorEntity) {
            sceneDepthKept = drawMirror(items);
            stepFinished("mirror");
        }
        // ---- shadow multiply: the scene darkened where the spot light does not reach
        if (enableShadow && shadowLighting->hasLight()) {
            multiplyShadowLit(items.all, sceneDepthKept);
            stepFinished("shadow lit");
        }
    }

    // ---- bloom: the glow of the brightest parts added on top
    if (enableBloom) {
        addBloom();
        stepFinished("bloom");
    }

    // ---- copy to the back buffer, filtered or pixel for pixel
    copySceneToBackBuffer();
    stepFinished("copy");

    // ---- overlays: HUD, frame rate, menu, as the caller orders them
    for (const FrameOverlay& overlay : overlays)
        drawOverlay(overlay);
    stepFinished("overlays");
}

CRenderer::FrameItems CRenderer::collectFrameItems()
{
    FrameItems items;
    for (const auto& entity : entityList) {
        // An outline has no body to cast a shadow or take one.
        if (!entity->outline)
            collectRenderItems(items.all, *entity);
        collectRenderItems(entity.get() == mirrorFloorEntity ? items.mirror : items.others, *entity);
    }
    // The glass sees what was drawn before it: the far bricks first.
    orderGlassBackToFront(items.others, glassMaterial.get(), sceneCamera);
    return items;
}

// The fixed material's items draw with the view of the frame's start.
// Nothing is cleared at the window's size: the copy of the scene covers all
// the back buffer's colour, the scene step clears the depth and stencil it
// draws with (the back buffer's) where the scene is drawn, and no overlay
// tests depth. A software GL spends a memory fill on every clear, 8 MB for
// each buffer of a 1920 x 1080 window.
void CRenderer::beginFrame()
{
    CDevice& d = device();
    applyDefaultFrameState(d);
    frameStartView = sceneCamera.view;
}

// At a scale below 1 the scene and its mirror and shadow images are drawn into
// the top left part of the targets, the same part in each, so every image of
// one frame lines up pixel for pixel.
void CRenderer::chooseSceneArea()
{
    const CTexture& whole = *sceneTarget->colorTexture();
    const float scale = std::clamp(sceneDrawScale, lowestSceneScale(whole.width(), whole.height()), 1.0f);
    const int width = std::clamp(static_cast<int>(std::lround(whole.width() * scale)), 1, whole.width());
    const int height = std::clamp(static_cast<int>(std::lround(whole.height() * scale)), 1, whole.height());
    sceneTarget->setDrawArea(width, height);
    auxTarget->setDrawArea(width, height);
}

namespace {

// The drawn part of a target as shares of its texture's width and height,
// and half a texel of it.
glm::vec4 drawnShare(const CRenderTexture& target)
{
    const CTexture& whole = *target.colorTexture();
    const float w = static_cast<float>(whole.width());
    const float h = static_cast<float>(whole.height());
    return {static_cast<float>(target.drawWidth()) / w, static_cast<float>(target.drawHeight()) / h, 0.5f / w,
            0.5f / h};
}

// Texture coordinates half a texel inside a drawn share's edges (left, top,
// right, bottom): filtered reads there take in only drawn texels.
glm::vec4 readBounds(const glm::vec4& share) { return {share.z, share.w, share.x - share.z, share.y - share.w}; }

} // namespace

glm::vec4 CRenderer::sceneTextureArea() const { return drawnShare(*sceneTarget); }

void CRenderer::drawShadowMap(const RenderList& allItems)
{
    shadowLighting->setLight(lightList.empty() ? nullptr : lightList.front().get());
    shadowLighting->renderShadowMap(allItems);
}

// With the mirror on, the floor marks the stencil buffer as it is drawn and
// everything drawn in front of it afterwards takes the mark away again: the
// marks are then the floor pixels that nothing stands in front of, which is
// where the reflection shows, and no extra pass is needed to find them.
void CRenderer::drawScene(const FrameItems& items)
{
    CDevice& d = device();
    d.clear(ClearTarget | ClearZBuffer | ClearStencil, ClearColour, 1.0f, 0);
    CStateScope states;
    const bool markFloor = enableMirror && mirrorFloorEntity;
    if (markFloor) {
        d.setRenderState(RenderState::StencilEnable, true);
        d.setRenderState(RenderState::StencilFunc, Cmp::Always);
        d.setRenderState(RenderState::StencilPass, StencilOp::Replace);
        d.setRenderState(RenderState::StencilRef, 1u);
    }
    drawRenderList(items.mirror, *this);
    if (markFloor)
        d.setRenderState(RenderState::StencilRef, 0u);
    drawRenderList(items.others, *this);
}

// Draws the reflected scene into the aux target where the scene step marked
// the floor, and lays that over the scene target, which must be bound. The
// reflection is drawn over a copy of the scene's depth-stencil surface: it
// needs the marks but a depth test of its own, and the shadow step after it
// needs the scene's depth as the scene left it. True when that depth was
// kept; when the copy is refused (the drawn part does not fit in both) the mirror
// draws over the scene's own surface, as it must to find its pixels.
bool CRenderer::drawMirror(const FrameItems& items)
{
    const std::optional<ScreenBox> floor = floorOnScreen();
    if (!floor)
        return true; // no floor pixel, so nowhere the reflection could show
    const RenderList& onFloor = reflectionsOnFloor(items.others, *floor);
    CDevice& d = device();
    CStateScope states;
    d.setRenderState(RenderState::StencilEnable, true);
    d.setRenderState(RenderState::StencilFunc, Cmp::Less); // 0 < stencil: the marked pixels
    d.setRenderState(RenderState::StencilRef, 0u);
    d.setRenderState(RenderState::StencilPass, StencilOp::Keep);
    d.setRenderState(RenderState::CullMode, Cull::CW); // the reflection turns the winding round
    bool sceneDepthKept = false;
    {
        CReflectedView reflected(sceneCamera, mirrorMatrix);
        CSurface* sceneDepth = d.depthStencilSurface();
        CRenderTargetScope mirrorImage(*auxTarget);
        // Only the drawn part: the mirror draws nowhere else.
        sceneDepthKept = d.copyDepthStencilPart(sceneDepth, auxTarget->depthTexture()->surface(),
                                                auxTarget->drawWidth(), auxTarget->drawHeight());
        if (!sceneDepthKept)
            d.setDepthStencilSurface(sceneDepth);
        d.clear(ClearTarget | ClearZBuffer, ClearColour, 1.0f, 0);
        drawRenderList(onFloor, *this);
        drawRenderList(items.mirror, *this);
    }

    // Where the mirror pass drew nothing the aux target is clear (alpha 0), so
    // blending by its alpha leaves the scene unchanged there; the stencil test
    // spares the software renderer those pixels. The quad's own alpha weakens
    // the image.
    d.setRenderState(RenderState::CullMode, Cull::CCW);
    d.setRenderState(RenderState::SrcBlend, Blend::BothSrcAlpha);
    d.setRenderState(RenderState::DestBlend, Blend::Zero); // overridden by BothSrcAlpha
    d.setRenderState(RenderState::AlphaBlendEnable, true);
    // Only over the floor's part of the screen: elsewhere no pixel is marked.
    const glm::vec4 area = sceneTextureArea();
    postQuad->drawPart(auxTarget->colorTexture(), wholePixelsOf(*floor, d.viewport()), MirrorBlendColour,
                       QuadFilter::Point, glm::vec2(area));
    return sceneDepthKept;
}

// Where the floor can show: the screen box of its mesh, or the whole screen
// when its mesh has no box.
std::optional<ScreenBox> CRenderer::floorOnScreen() const
{
    const CMesh* mesh = mirrorFloorEntity ? mirrorFloorEntity->mesh : nullptr;
    if (!mesh || !mesh->bounds)
        return ScreenBox{};
    return screenBoxOf(mesh->bounds->lowest, mesh->bounds->highest,
                       projectionMatrix * sceneCamera.view * mirrorFloorEntity->world);
}

// The items whose reflection can fall on the floor's part of the screen: most
// of a tall stack's reflection lies below the bottom of the screen, and
// drawing it would cost every vertex for no pixel. An item whose mesh has no
// box is kept.
const RenderList& CRenderer::reflectionsOnFloor(const RenderList& items, const ScreenBox& floor)
{
    reflectedItems.clear();
    const glm::mat4 reflectedToClip = projectionMatrix * sceneCamera.view * mirrorMatrix;
    for (const RenderItem& item : items) {
        const CMesh* mesh = item.entity ? item.entity->mesh : nullptr;
        if (mesh && mesh->bounds) {
            const std::optional<ScreenBox> box =
                screenBoxOf(mesh->bounds->lowest, mesh->bounds->highest, reflectedToClip * item.entity->world);
            if (!box || !box->overlaps(floor))
                continue;
        }
        reflectedItems.push_back(item);
    }
    return reflectedItems;
}

// With the scene's depth at hand, the shadow-lit items multiply the scene
// target (which must be bound) directly, each pixel shaded once. Without it,
// the shadow-lit picture goes into the aux target with a depth test of its
// own (black where nothing is) and a quad multiplies the scene by it.
void CRenderer::multiplyShadowLit(const RenderList& allItems, bool sceneDepthKept)
{
    if (sceneDepthKept) {
        shadowLighting->multiplyShadowLit(allItems, sceneCamera.view, projectionMatrix);
        return;
    }
    CDevice& d = device();
    {
        CRenderTargetScope shadowLit(*auxTarget);
        d.clear(ClearTarget | ClearZBuffer, ClearColour, 1.0f, 0);
        shadowLighting->renderShadowLit(allItems, sceneCamera.view, projectionMatrix);
    }
    CStateScope states;
    d.setRenderState(RenderState::SrcBlend, Blend::DestColor);
    d.setRenderState(RenderState::DestBlend, Blend::Zero); // source x destination
    d.setRenderState(RenderState::AlphaBlendEnable, true);
    const glm::vec4 area = sceneTextureArea();
    postQuad->draw(auxTarget->colorTexture(), 0.0f, 0.0f, 1.0f, 1.0f, White, QuadFilter::Point, glm::vec2(area));
}

// At the same size the filter makes no difference, and the copy is a plain
// one; a scene drawn at a smaller scale is stretched over the window.
void CRenderer::copySceneToBackBuffer()
{
    const glm::vec4 area = sceneTextureArea();
    const bool whole = area.x == 1.0f && area.y == 1.0f;
    if (whole && copyOverRenderTarget(*sceneTarget->colorTexture()))
        return;
    postQuad->draw(sceneTarget->colorTexture(), 0.0f, 0.0f, 1.0f, 1.0f, White,
                   filterFrameBuffer ? QuadFilter::Linear : QuadFilter::Point, glm::vec2(area));
}

// The glow, made small, is stretched over the scene's picture and added to it
// before the copy: a scene drawn at a smaller scale takes it in at its own
// fewer pixels, and the one stretched copy carries both to the window. Its
// reads stop at its edges: wrapped, the glow of the left edge would show as a
// bright line down the right end of the glow. Only the parts of the screen
// the glow reaches are drawn: adding black changes nothing.
void CRenderer::addBloom()
{
    renderBloom();
    CDevice& d = device();
    CStateScope states;
    CRenderTargetScope scene(*sceneTarget);
    d.setRenderState(RenderState::SrcBlend, Blend::One);
    d.setRenderState(RenderState::DestBlend, Blend::One);
    d.setRenderState(RenderState::AlphaBlendEnable, true);
    glowTiles->add(*bloomTargetB->colorTexture(), {-BloomShift, -BloomShift, 1.0f - BloomShift, 1.0f - BloomShift});
}

// The scene's bright parts, read shrunk to the whole of B, blurred along one
// diagonal into A and along the other into B, where the glow stays. The bright
// parts are found at the full size, so small glints glow whatever the scene's
// scale; the blurs, which smooth the picture anyway, work on the top left
// quarter of A's texels and blur over half as many texels each way, so the
// glow reaches as far over the scene. The render target and the states in
// force before are in force after.
void CRenderer::renderBloom()
{
    CStateScope states;
    bloomTargetB->setDrawArea(0, 0);
    CRenderTargetScope bright(*bloomTargetB);
    const glm::vec4 scene = sceneTextureArea();
    postEffect->setVector("vBounds", readBounds(scene));
    runPostPass("hipass", *sceneTarget->colorTexture(), glm::vec2(scene));

    const glm::vec4 whole = drawnShare(*bloomTargetB);
    postEffect->setVector("vBounds", readBounds(whole));
    postEffect->setVector("vBlurDir", FirstBlurDirection);
    bloomTargetA->bind();
    runPostPass("blur", *bloomTargetB->colorTexture(), glm::vec2(whole));

    const glm::vec4 blurred = drawnShare(*bloomTargetA);
    postEffect->setVector("vBounds", readBounds(blurred));
    postEffect->setVector("vBlurDir", SecondBlurDirection * blurred.x);
    bloomTargetB->setDrawArea(bloomTargetA->drawWidth(), bloomTargetA->drawHeight());
    bloomTargetB->bind();
    runPostPass("blur", *bloomTargetA->colorTexture(), glm::vec2(blurred));
}

// One pass of the post effect over the whole current target, reading the
// source's part sourceArea (shares of its width and height). Only the first
// pass of a technique is drawn.
void CRenderer::runPostPass(const char* technique, const CTexture& source, glm::vec2 sourceArea)
{
    postEffect->setTechnique(technique);
    postEffect->setTexture("texSource", &source);
    postEffect->begin(0);
    postEffect->beginPass(0);
    drawScreenQuad(nullptr, 0.0f, 0.0f, 1.0f, 1.0f, White, true, sourceArea.x, sourceArea.y);
    postEffect->endPass();
    postEffect->end();
}

void CRenderer::drawOverlay(const FrameOverlay& overlay)
{
    if (!overlay)
        return;
    CStateScope states;
    applyDefaultFrameState(device());
    overlay();
}
