// Cost of one frame of the 3D view at 800 x 600 (see benchSize), headless on whatever GL the
// machine has (llvmpipe on a machine without a GPU): a full grid of 200
// settled cells, the falling and the next piece, and 40 debris bricks, with
// every switch off, with the mirror on, with the spot light's shadows on,
// with bloom on, and with every switch on (shadow map, mirror, shadow
// multiply, filtered copy and bloom). The time
// includes reading the back buffer back once per frame, which makes the GL
// finish the frame; that read is also timed alone.
//
// Times are wall-clock: the GL draws on threads of its own.
//
// FrameFloor is the yardstick: the same scene with every item drawn once,
// straight into the back buffer, in one flat colour, with no targets and no
// copies. It is what any 3D picture of this scene costs on this machine; read
// the other cases as multiples of it, measured in the same run.
#include "device/Device.h"
#include "device/StateBlock.h"
#include "game/GameBoard.h"
#include "game/Piece.h"
#include "platform/MemoryPolicy.h"
#include "platform/Window.h"
#include "render/FlatMaterial.h"
#include "render/FrameState.h"
#include "render/GlowTiles.h"
#include "render/PostQuad.h"
#include "render/Renderer.h"
#include "view/GameView.h"

#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <chrono>
#include <ctime>
#include <map>
#include <string>

#include <cstdio>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <memory>

namespace {

// 800 x 600 unless VESBRIK_BENCH_SIZE says otherwise ("200x150"): the same
// cases at a small size show which part of a frame does not depend on the
// number of pixels.
struct BenchSize {
    int width = 800;
    int height = 600;
};

BenchSize benchSize()
{
    BenchSize size;
    if (const char* text = std::getenv("VESBRIK_BENCH_SIZE")) {
        int w = 0, h = 0;
        if (std::sscanf(text, "%dx%d", &w, &h) == 2 && w >= 64 && h >= 64 && w <= 4096 && h <= 4096)
            size = {w, h};
    }
    return size;
}

struct Scene {
    std::unique_ptr<CDevice> device;
    std::unique_ptr<CGameBoard> board;
    std::unique_ptr<CRenderer> renderer;
    std::unique_ptr<CGameView> view;
};

Scene* makeScene()
{
    const BenchSize size = benchSize();
    if (!openOffscreenGlContext(size.width, size.height).empty())
        return nullptr;
    // The heap keeps freed memory as the game's main has it do.
    keepFreedMemoryForReuse();
    auto* scene = new Scene;
    scene->device = std::make_unique<CDevice>();
    if (!scene->device->create(nullptr, size.width, size.height))
        return nullptr;
    publishDevice(scene->device.get());

    // The game opens its media relative to the folder it runs in.
    std::filesystem::current_path(std::filesystem::path(VESBRIK_MEDIA_DIR).parent_path());
    scene->board = std::make_unique<CGameBoard>(5);
    scene->renderer = std::make_unique<CRenderer>();
    scene->view = std::make_unique<CGameView>(*scene->board, *scene->renderer);

    // A full grid, both pieces, and four cleared rows of debris in the air.
    CGameBoard& board = *scene->board;
    std::array<uint32_t, 200> rowColours;
    for (int i = 0; i < 200; ++i)
        rowColours[size_t(i)] = 0xFF000000u | uint32_t(0x203040 + i * 0x010305);
    board.setCells(rowColours);
    CRandom random = board.random();
    for (int row = 12; row < 16; ++row)
        scene->view->launchRow(row, board.rowColours(row), random);
    for (int i = 0; i < 50; ++i)
        scene->view->stepUpdate(0.01f, true);
    board.setCells(rowColours);
    CPiece& current = *board.placePiece(createPiece(3));
    current.x = 5.0f;
    current.y = 3.0f;
    CPiece& next = *board.placeNextPiece(createPiece(6));
    next.x = -5.0f;
    next.y = 0.0f;
    scene->renderer->camera().setLookAt({4.5f, 12.0f, -35.0f}, {4.5f, 11.0f, 0.0f}, {0.0f, 1.0f, 0.0f});
    return scene;
}

Scene* theScene()
{
    static Scene* scene = makeScene();
    return scene;
}

double cpuMilliseconds(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) * 1e-6;
}

// The CPU time of every thread of the process (the GL's own included), in
// milliseconds: on a busy machine it tells the work a frame asks for where
// wall time mostly tells the load.
double processCpuMilliseconds() { return cpuMilliseconds(CLOCK_PROCESS_CPUTIME_ID); }

// The CPU time of the calling thread alone: with the software GL's raster
// threads on, its state set-up, vertex work and binning, which no second
// core shares.
double callingThreadCpuMilliseconds() { return cpuMilliseconds(CLOCK_THREAD_CPUTIME_ID); }

void setSwitches(CRenderer& renderer, bool shadow, bool bloom, bool mirror, bool filter)
{
    renderer.setSwitches({.shadow = shadow, .bloom = bloom, .mirror = mirror, .filteredCopy = filter});
}

void runFrames(benchmark::State& state, bool shadow, bool bloom, bool mirror, bool filter, float scale = 1.0f)
{
    Scene* scene = theScene();
    if (!scene) {
        state.SkipWithError("no OpenGL 4.5 core context");
        return;
    }
    setSwitches(*scene->renderer, shadow, bloom, mirror, filter);
    scene->renderer->setSceneScale(scale);
    CDevice& d = *scene->device;
    // One frame to warm up the shaders and buffers.
    d.beginScene();
    scene->view->render();
    benchmark::DoNotOptimize(d.readBackBuffer());
    const double cpuStart = processCpuMilliseconds();
    const double callingStart = callingThreadCpuMilliseconds();
    for (auto _ : state) {
        d.beginScene();
        scene->view->render();
        benchmark::DoNotOptimize(d.readBackBuffer());
    }
    state.counters["cpu_all_ms"] =
        benchmark::Counter((processCpuMilliseconds() - cpuStart) / double(state.iterations()));
    state.counters["cpu_calling_ms"] =
        benchmark::Counter((callingThreadCpuMilliseconds() - callingStart) / double(state.iterations()));
    state.counters["draws"] = double(d.drawCount());
    state.counters["entities_after"] = double(scene->renderer->entities().size());
    scene->renderer->setSceneScale(1.0f);
}


void FrameFloor(benchmark::State& state)
{
    Scene* scene = theScene();
    if (!scene) {
        state.SkipWithError("no OpenGL 4.5 core context");
        return;
    }
    CFlatMaterial flat(*scene->renderer);
    if (!flat.valid()) {
        state.SkipWithError("the flat effect does not compile");
        return;
    }
    CRenderer& renderer = *scene->renderer;
    scene->view->buildBoardEntities();
    RenderList items;
    for (const auto& entity : renderer.entities())
        collectRenderItems(items, *entity);
    for (RenderItem& item : items)
        item.material = &flat;
    CDevice& d = *scene->device;
    auto drawOnce = [&] {
        d.beginScene();
        applyDefaultFrameState(d);
        d.clear(ClearTarget | ClearZBuffer | ClearStencil, 0, 1.0f, 0);
        drawRenderList(items, renderer);
        benchmark::DoNotOptimize(d.readBackBuffer());
    };
    drawOnce(); // warm-up
    const double cpuStart = processCpuMilliseconds();
    for (auto _ : state)
        drawOnce();
    state.counters["cpu_all_ms"] =
        benchmark::Counter((processCpuMilliseconds() - cpuStart) / double(state.iterations()));
    renderer.removeEntities(CSceneEntity::OneFrame);
    state.counters["items"] = double(items.size());
}

void FrameAllSwitchesOff(benchmark::State& state) { runFrames(state, false, false, false, false); }
void FrameMirrorOn(benchmark::State& state) { runFrames(state, false, false, true, false); }
void FrameShadowOn(benchmark::State& state) { runFrames(state, true, false, false, false); }
void FrameBloomOn(benchmark::State& state) { runFrames(state, false, true, false, false); }
void FrameEverythingOn(benchmark::State& state) { runFrames(state, true, true, true, true); }
// The lowest scale a slow machine falls back to: the scene at half the
// width and height, the HUD and the menu still whole.
void FrameEverythingOnHalfScale(benchmark::State& state) { runFrames(state, true, true, true, true, 0.5f); }

// Every switch on, with the GL made to finish after each step of the frame:
// the wall time of each step alone, in milliseconds per frame (a counter per
// step), and the CPU time of every thread in it ("cpu " and the step). The
// waits make the whole frame slower than FrameEverythingOn; read the steps
// against each other; FrameStepsHalfScale the same with the scene at half
// its width and height. Run with LP_NUM_THREADS=0 a software GL draws on the
// calling thread, and the CPU times tell each step's work whatever the load.
// With its raster threads on, "calling " and the step is the calling
// thread's own CPU time: the part of the step no other core takes over.
void stepsAt(benchmark::State& state, float scale)
{
    Scene* scene = theScene();
    if (!scene) {
        state.SkipWithError("no OpenGL 4.5 core context");
        return;
    }
    using Clock = std::chrono::steady_clock;
    CRenderer& renderer = *scene->renderer;
    setSwitches(renderer, true, true, true, true);
    renderer.setSceneScale(scale);
    std::map<std::string, double> stepSeconds;
    std::map<std::string, double> stepCpu;
    Clock::time_point stepStart;
    double cpuStart = 0.0;
    double callingStart = 0.0;
    auto startStep = [&] {
        stepStart = Clock::now();
        cpuStart = processCpuMilliseconds();
        callingStart = callingThreadCpuMilliseconds();
    };
    renderer.setStepObserver([&](const char* step) {
        glFinish();
        stepSeconds[step] += std::chrono::duration<double>(Clock::now() - stepStart).count();
        stepCpu[std::string("cpu ") + step] += processCpuMilliseconds() - cpuStart;
        stepCpu[std::string("calling ") + step] += callingThreadCpuMilliseconds() - callingStart;
        startStep();
    });
    CDevice& d = *scene->device;
    auto frame = [&] {
        d.beginScene();
        glFinish();
        startStep();
        scene->view->render();
        benchmark::DoNotOptimize(d.readBackBuffer());
    };
    frame(); // warm-up
    stepSeconds.clear();
    stepCpu.clear();
    for (auto _ : state)
        frame();
    renderer.setStepObserver({});
    renderer.setSceneScale(1.0f);
    const double frames = double(state.iterations());
    for (const auto& [step, seconds] : stepSeconds)
        state.counters[step] = benchmark::Counter(seconds * 1e3 / frames);
    for (const auto& [step, milliseconds] : stepCpu)
        state.counters[step] = benchmark::Counter(milliseconds / frames);
}

void FrameSteps(benchmark::State& state) { stepsAt(state, 1.0f); }
void FrameStepsHalfScale(benchmark::State& state) { stepsAt(state, 0.5f); }

// The glow of the board's frame added onto a frame-sized picture by one
// quad over all of it, and by the lit tiles only, one after the other in
// every iteration, so that both see the same load: CPU milliseconds of each
// ("cpu one quad", "cpu tiles"). The argument is the scene's scale in
// percent: the glow is added over that share of the picture's width and
// height, as over a scene drawn at that scale. Run with LP_NUM_THREADS=0.
void GlowAdd(benchmark::State& state)
{
    Scene* scene = theScene();
    if (!scene) {
        state.SkipWithError("no OpenGL 4.5 core context");
        return;
    }
    CRenderer& renderer = *scene->renderer;
    setSwitches(renderer, true, true, true, true);
    CDevice& d = *scene->device;
    d.beginScene();
    scene->view->render();
    const CTexture& glow = *renderer.bloomGlowImage().colorTexture();
    const float area = float(CRenderer::GlowBlurSize) / float(glow.width());
    const float shift = CRenderer::BloomShift;
    const glm::vec4 screen{-shift, -shift, 1.0f - shift, 1.0f - shift};
    CPostQuad quad;
    CGlowTiles tiles(CRenderer::GlowBlurSize);
    CStateScope states;
    const Viewport whole = d.viewport();
    const float scale = float(state.range(0)) / 100.0f;
    d.setViewport({0, 0, int(float(whole.width) * scale), int(float(whole.height) * scale)});
    d.setRenderState(RenderState::SrcBlend, Blend::One);
    d.setRenderState(RenderState::DestBlend, Blend::One);
    d.setRenderState(RenderState::AlphaBlendEnable, true);
    auto timed = [](auto&& add) {
        glFinish();
        const double start = processCpuMilliseconds();
        add();
        glFinish();
        return processCpuMilliseconds() - start;
    };
    double oneQuad = 0.0;
    double tiled = 0.0;
    for (auto _ : state) {
        oneQuad += timed([&] {
            quad.draw(&glow, screen.x, screen.y, screen.z, screen.w, 0xFFFFFFFFu, QuadFilter::Linear, {area, area},
                      QuadEdges::Clamp);
        });
        tiled += timed([&] { tiles.add(glow, screen); });
    }
    const double n = double(state.iterations());
    state.counters["cpu one quad"] = benchmark::Counter(oneQuad / n);
    state.counters["cpu tiles"] = benchmark::Counter(tiled / n);
    d.setViewport(whole);
}

void ReadBackOnly(benchmark::State& state)
{
    Scene* scene = theScene();
    if (!scene) {
        state.SkipWithError("no OpenGL 4.5 core context");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(scene->device->readBackBuffer());
}

BENCHMARK(FrameFloor)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(FrameAllSwitchesOff)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(FrameMirrorOn)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(FrameShadowOn)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(FrameBloomOn)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(FrameEverythingOn)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(FrameEverythingOnHalfScale)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(FrameSteps)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(FrameStepsHalfScale)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(GlowAdd)->Arg(100)->Arg(50)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(ReadBackOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5);

} // namespace

BENCHMARK_MAIN();
