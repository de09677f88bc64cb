// What showing a finished 800 x 600 picture costs: into a window of its own
// size (a plain copy), and into larger windows of another shape (scaled, with
// the black bars cleared). llvmpipe here, so compare runs, not absolutes.
#include "device/Device.h"
#include "platform/MemoryPolicy.h"
#include "platform/Window.h"

#include <SDL.h>
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <memory>

namespace {

void PresentInto(benchmark::State& state)
{
    // The heap keeps freed memory as the game's main has it do.
    keepFreedMemoryForReuse();
    if (!openOffscreenGlContext(64, 64).empty()) {
        state.SkipWithError("no OpenGL 4.5 context");
        return;
    }
    SDL_GLContext context = SDL_GL_GetCurrentContext();
    SDL_Window* window = SDL_CreateWindow("present", 0, 0, static_cast<int>(state.range(0)),
                                          static_cast<int>(state.range(1)), SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window || SDL_GL_MakeCurrent(window, context) != 0) {
        state.SkipWithError("no window of that size");
        return;
    }
    {
        CDevice device;
        if (!device.create(window, 800, 600)) {
            state.SkipWithError(device.error());
            return;
        }
        publishDevice(&device);
        device.beginScene();
        device.clear(ClearTarget, 0xFF336699, 1.0f, 0);
        for (auto _ : state) {
            device.present();
            glFinish();
        }
        publishDevice(nullptr);
    }
    SDL_DestroyWindow(window);
}
BENCHMARK(PresentInto)->Args({800, 600})->Args({1920, 1080})->Args({1080, 1920})->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
