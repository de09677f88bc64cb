// Costs of the device layer's hot paths on the machine's GL (llvmpipe here, so
// the figures are a software floor; compare runs, not absolute values).
#include "device/Device.h"
#include "platform/MemoryPolicy.h"
#include "platform/Window.h"
#include "device/Font.h"
#include "device/StateBlock.h"
#include "device/Texture.h"
#include "effects/Effect.h"
#include "render/ScreenQuad.h"

#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <cstdlib>
#include <memory>

namespace {

// One hidden window and device for the whole run.
CDevice* benchDevice()
{
    static CDevice* made = [] () -> CDevice* {
        if (!openOffscreenGlContext(64, 64).empty())
            return nullptr;
        // The heap keeps freed memory as the game's main has it do.
        keepFreedMemoryForReuse();
        auto* d = new CDevice();
        if (!d->create(nullptr, 256, 256))
            return nullptr;
        publishDevice(d);
        return d;
    }();
    return made;
}

// A full state save and restore around one textured quad (the menu and copy passes).
void ScreenQuadSavingState(benchmark::State& state)
{
    if (!benchDevice()) {
        state.SkipWithError("no OpenGL 4.5 context");
        return;
    }
    auto texture = CTexture::create(64, 64, 1, Format::A8R8G8B8);
    fillTextureSolid(texture.get(), 1, 0.5f, 0.25f, 1);
    for (auto _ : state)
        drawScreenQuad(texture.get(), 0, 0, 0.1f, 0.1f, 0xFFFFFFFF, false);
    glFinish();
}
BENCHMARK(ScreenQuadSavingState);

// One full-screen copy at the reference size, waited for: what each
// full-screen pass of the frame costs on this GL.
void FullScreenCopy800x600(benchmark::State& state)
{
    if (!benchDevice()) {
        state.SkipWithError("no OpenGL 4.5 context");
        return;
    }
    auto source = CTexture::create(800, 600, 1, Format::A8R8G8B8, TextureUsage::RenderTarget);
    auto target = CTexture::create(800, 600, 1, Format::A8R8G8B8, TextureUsage::RenderTarget);
    fillTextureSolid(source.get(), 0.2f, 0.4f, 0.6f, 1.0f);
    CSurface* previous = device().renderTarget();
    device().setRenderTarget(target->surface());
    for (auto _ : state) {
        drawScreenQuad(source.get(), 0, 0, 1, 1, 0xFFFFFFFF, false);
        glFinish();
    }
    device().setRenderTarget(previous);
}
BENCHMARK(FullScreenCopy800x600)->Unit(benchmark::kMillisecond);

// Capturing and applying a state block alone (no draw).
void StateBlockCaptureAndApply(benchmark::State& state)
{
    if (!benchDevice()) {
        state.SkipWithError("no OpenGL 4.5 context");
        return;
    }
    for (auto _ : state) {
        CStateBlock block;
        block.apply();
        benchmark::DoNotOptimize(block);
    }
}
BENCHMARK(StateBlockCaptureAndApply);

// Per-item work inside an effect pass: set a matrix and a vector, commit.
void EffectCommitPerItem(benchmark::State& state)
{
    if (!benchDevice()) {
        state.SkipWithError("no OpenGL 4.5 context");
        return;
    }
    std::string errors;
    auto effect = CEffect::fromText(R"(
vertex v { uniform mat4 matWorld; void main() { gl_Position = matWorld * inPosition; } }
fragment f { uniform vec4 vMaterialDiffuse; out vec4 c; void main() { c = vMaterialDiffuse; } }
technique t { pass p { vertex = v; fragment = f; } }
)", "bench.fx", errors);
    const int world = effect->parameterByName("matWorld");
    const int diffuse = effect->parameterByName("vMaterialDiffuse");
    effect->begin();
    effect->beginPass(0);
    float x = 0;
    for (auto _ : state) {
        effect->setMatrix(world, glm::mat4(x += 1.0f));
        effect->setVector(diffuse, glm::vec4(x));
        effect->commitChanges();
    }
    effect->endPass();
    effect->end();
    glFinish();
}
BENCHMARK(EffectCommitPerItem);

// The HUD's three lines of text.
void HudText(benchmark::State& state)
{
    if (!benchDevice()) {
        state.SkipWithError("no OpenGL 4.5 context");
        return;
    }
    auto font = CFont::create("Tahoma", 24, 16);
    if (!font) {
        state.SkipWithError("no font");
        return;
    }
    for (auto _ : state) {
        font->drawText("Score 123456", {10, 10, 256, 512}, TextLeft, 0xFFFFFFFF);
        font->drawText("Level 7", {400, 10, 790, 512}, TextRight, 0xFFFFFFFF);
        font->drawText("Rows 42", {330, 10, 790, 512}, TextLeft, 0xFFFFFFFF);
    }
    glFinish();
}
BENCHMARK(HudText);

} // namespace

BENCHMARK_MAIN();
