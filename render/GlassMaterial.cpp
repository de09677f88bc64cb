#include "render/GlassMaterial.h"

#include "device/Device.h"
#include "device/StateBlock.h"
#include "render/Camera.h"
#include "render/EffectFile.h"
#include "render/Light.h"
#include "render/Mesh.h"
#include "render/RenderTexture.h"
#include "render/Renderer.h"
#include "render/ScreenQuad.h"
#include "render/SceneEntity.h"

#include <algorithm>

namespace {

constexpr const char* Technique = "GlassSingleRefract";
// The same glass, each brick placed and coloured by its instance.
constexpr const char* InstancedTechnique = "GlassSingleRefractInstanced";
// The faint outline of a brick (the drop guide), drawn over what is there.
constexpr const char* OutlineTechnique = "GlassOutline";

// The glass is drawn opaque whatever its colour's alpha, so the alpha carries
// the brick's engraved mark instead: 0 none, k / 8 mark k. An instanced draw
// has nothing else per brick to carry it in.
constexpr float MarkShare = 1.0f / 8.0f;

glm::vec4 colourWithMark(glm::vec4 colour, int mark)
{
    colour.a = mark >= 1 && mark <= 7 ? static_cast<float>(mark) * MarkShare : 0.0f;
    return colour;
}

// Drawn one by one rather than among the instances: the falling piece with
// its rim, and the outlines with a program of their own.
bool drawnAlone(const CSceneEntity& entity) { return entity.highlight > 0.0f || entity.outline; }

} // namespace

CGlassMaterial::CGlassMaterial(CRenderer& renderer, std::filesystem::path effectPath)
    : renderer(renderer), path(std::move(effectPath))
{
    reload();
}

CGlassMaterial::~CGlassMaterial() = default;

bool CGlassMaterial::reload()
{
    seen = nullptr;
    copyTarget.reset();
    copyTarget = std::make_unique<CRenderTexture>(&device(), 0, 0, Format::A8R8G8B8);

    shader = loadEffectFile(path, {Technique, OutlineTechnique});
    matWorld = shader->parameterByName("matWorld");
    vMaterialDiffuse = shader->parameterByName("vMaterialDiffuse");
    vMaterialSpecular = shader->parameterByName("vMaterialSpecular");
    fMaterialSpecularPower = shader->parameterByName("fMaterialSpecularPower");
    matView = shader->parameterByName("matView");
    matProj = shader->parameterByName("matProj");
    texFrameBuffer = shader->parameterByName("texFrameBuffer");
    vViewPos = shader->parameterByName("vViewPos");
    texEnvironment = shader->parameterByName("texEnvironment");
    vFrameBufferArea = shader->parameterByName("vFrameBufferArea");
    vLightPos = shader->parameterByName("vLightPos");
    fHighlight = shader->parameterByName("fHighlight");
    fMarks = shader->parameterByName("fMarks");
    return true;
}

const CTexture* CGlassMaterial::frameBufferCopy() const { return seen ? seen : copyTarget->colorTexture(); }

// The copy is an exact one whatever the caller has set. Where the sizes
// match it is a plain copy, which no state takes part in. Otherwise it is
// drawn: during the mirror step the stencil test and the reversed culling are
// on, and either would leave parts of the copy stale (the culling the whole
// quad), so both are switched off for the copy and put back after.
void CGlassMaterial::copySceneTarget()
{
    CDevice& d = device();
    const CTexture* source = sceneTarget ? sceneTarget->colorTexture() : nullptr;
    if (!source && d.renderTarget())
        source = d.renderTarget()->texture();
    // Unless the run reads the scene target itself, it sees the copy, which
    // the copy below may make anew at another size.
    seen = nullptr;
    if (!source || source == copyTarget->colorTexture())
        return;
    // A run drawn into another target (the mirror image) cannot change the
    // picture it sees, so it reads that picture itself and spares the copy.
    if (d.renderTarget() != source->surface()) {
        seen = source;
        return;
    }

    // The copy keeps the scene's size when the picture changes size, so the
    // glass shows what lies behind it pixel for pixel. Only the part the
    // scene is drawn into is copied: the glass reads no further.
    copyTarget->resize(source->width(), source->height());
    const PicturePart part = copiedPart(*source);
    if (d.copySurfacePart(source->surface(), copyTarget->colorTexture()->surface(), part.width, part.height))
        return;
    CRenderTargetScope copyInto(*copyTarget);
    CStateBlock saved;
    d.setRenderState(RenderState::StencilEnable, false);
    d.setRenderState(RenderState::CullMode, Cull::None);
    d.setRenderState(RenderState::AlphaBlendEnable, false);
    d.setRenderState(RenderState::ColorWriteEnable, ColorWriteAll);
    drawScreenQuad(source, 0.0f, 0.0f, 1.0f, 1.0f, 0xFFFFFFFF, false);
    saved.apply();
}

int CGlassMaterial::begin()
{
    shader->setMatrix(matView, renderer.camera().view);
    shader->setMatrix(matProj, renderer.projection());
    copySceneTarget();
    shader->setTexture(texFrameBuffer, frameBufferCopy());
    shader->setVector(vFrameBufferArea, renderer.sceneTextureArea());
    shader->setVector(vViewPos, glm::vec4(renderer.camera().eye, 0.0f));
    // The frame draws its glass as instances where it can: begin with the
    // program that does.
    shader->setTechnique(instanced() ? InstancedTechnique : Technique);
    shader->setTexture(texEnvironment, renderer.environmentTexture());
    // The glint follows the spot light (the first light) as it moves; with
    // no light the effect keeps its own.
    if (!renderer.lights().empty())
        shader->setVector(vLightPos, glm::vec4(renderer.lights().front()->position, 1.0f));
    runIntoScene = sceneTarget && !seen && device().renderTarget() == sceneTarget->colorTexture()->surface();
    runStarted = false;
    nearLayerCopied = false;
    return shader->begin(0);
}

// A plain copy between two targets of one size changes no state, so it can
// be taken in the middle of the effect's pass; where it cannot be taken the
// near bricks see what the far ones saw.
void CGlassMaterial::copyForNearLayer(const CSceneEntity& entity)
{
    if (!runIntoScene || nearLayerCopied)
        return;
    const float depth = glassDepth(glm::vec3(entity.world[3]), renderer.camera());
    if (!runStarted) {
        runStarted = true;
        runFarthest = depth;
        return;
    }
    if (depth > runFarthest - LayerGap)
        return;
    nearLayerCopied = true;
    const CTexture& scene = *sceneTarget->colorTexture();
    const PicturePart part = copiedPart(scene);
    device().copySurfacePart(scene.surface(), copyTarget->colorTexture()->surface(), part.width, part.height);
}

CGlassMaterial::PicturePart CGlassMaterial::copiedPart(const CTexture& source) const
{
    if (sceneTarget && &source == sceneTarget->colorTexture())
        return {sceneTarget->drawWidth(), sceneTarget->drawHeight()};
    return {source.width(), source.height()};
}

void CGlassMaterial::beginPass(int pass)
{
    currentPass = pass;
    shader->beginPass(pass);
}

bool CGlassMaterial::instanced() const
{
    return renderer.instancedDrawing() && shader->hasTechnique(InstancedTechnique);
}

// Changes program within a run when it is drawn the other way than begun.
void CGlassMaterial::useTechnique(const char* name)
{
    if (shader->technique() == name)
        return;
    shader->endPass();
    shader->end();
    shader->setTechnique(name);
    shader->begin(0);
    shader->beginPass(currentPass);
}

void CGlassMaterial::apply(const CSceneEntity& entity, const MaterialValues& values)
{
    copyForNearLayer(entity);
    useTechnique(entity.outline ? OutlineTechnique : Technique);
    shader->setMatrix(matWorld, entity.world);
    shader->setVector(vMaterialDiffuse, colourWithMark(entity.colour * values.diffuse, entity.mark));
    shader->setFloat(fMarks, entity.mark > 0 ? 1.0f : 0.0f);
    shader->setVector(vMaterialSpecular, values.specular);
    shader->setFloat(fMaterialSpecularPower, values.power);
    shader->setFloat(fHighlight, entity.highlight);
    shader->commitChanges();
}

// The run comes from the farthest brick to the nearest: its far layer is one
// draw, then, after the copy is taken again, its near layer another. The
// bricks that stand out (the falling piece) are drawn one by one after the
// others of their layer, with their rim.
void CGlassMaterial::drawInstances(std::span<const RenderItem> run, std::span<const MeshInstance>)
{
    if (run.empty() || !run.front().subset)
        return;
    size_t nearStart = run.size();
    if (runIntoScene && !nearLayerCopied) {
        if (!runStarted && run.front().entity)
            copyForNearLayer(*run.front().entity); // the run's farthest brick
        for (size_t i = 0; i < run.size() && runStarted; ++i)
            if (run[i].entity &&
                glassDepth(glm::vec3(run[i].entity->world[3]), renderer.camera()) <= runFarthest - LayerGap) {
                nearStart = i;
                break;
            }
    }
    drawInstancedPart(run, 0, nearStart);
    if (nearStart < run.size()) {
        copyForNearLayer(*run[nearStart].entity);
        drawInstancedPart(run, nearStart, run.size());
    }
}

void CGlassMaterial::drawInstancedPart(std::span<const RenderItem> run, size_t first, size_t last)
{
    if (first >= last)
        return;
    const CMeshSubset& subset = *run.front().subset;
    partInstances.clear();
    bool marked = false;
    for (size_t i = first; i < last; ++i) {
        const CSceneEntity* entity = run[i].entity;
        if (!entity || !run[i].subset || drawnAlone(*entity))
            continue;
        partInstances.push_back(
            {entity->world, colourWithMark(run[i].subset->values.diffuse * entity->colour, entity->mark)});
        marked = marked || entity->mark > 0;
    }
    if (!partInstances.empty()) {
        useTechnique(InstancedTechnique);
        shader->setVector(vMaterialSpecular, subset.values.specular);
        shader->setFloat(fMaterialSpecularPower, subset.values.power);
        shader->setFloat(fMarks, marked ? 1.0f : 0.0f);
        // The parameter keeps the last brick's value drawn alone.
        shader->setFloat(fHighlight, 0.0f);
        shader->commitChanges();
        subset.drawInstances(partInstances);
    }
    for (size_t i = first; i < last; ++i)
        if (run[i].entity && run[i].subset && drawnAlone(*run[i].entity)) {
            apply(*run[i].entity, run[i].subset->values);
            run[i].subset->drawSubset();
        }
}

void CGlassMaterial::endPass(int) { shader->endPass(); }

void CGlassMaterial::end()
{
    shader->end();
    seen = nullptr; // the scene target may be made anew before the next run
}

float glassDepth(const glm::vec3& position, const CCamera& camera)
{
    glm::vec3 level(camera.direction.x, 0.0f, camera.direction.z);
    const float length = glm::length(level);
    // Looking straight down there is no level way of looking.
    level = length > 1e-3f ? level / length : camera.direction;
    return glm::dot(position - camera.eye, level);
}

void orderGlassBackToFront(RenderList& items, const CMaterial* glass, const CCamera& camera)
{
    if (!glass)
        return;
    auto depthOf = [&camera](const RenderItem& item) {
        return item.entity ? glassDepth(glm::vec3(item.entity->world[3]), camera) : 0.0f;
    };
    for (auto run = items.begin(); run != items.end();) {
        if (run->material != glass) {
            ++run;
            continue;
        }
        auto runEnd = std::find_if(run, items.end(), [glass](const RenderItem& item) { return item.material != glass; });
        std::stable_sort(run, runEnd,
                         [&](const RenderItem& a, const RenderItem& b) { return depthOf(a) > depthOf(b); });
        run = runEnd;
    }
}
