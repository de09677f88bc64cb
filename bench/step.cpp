// Cost of one fixed simulation step of the whole game in play, as the loop
// runs it up to a hundred times a frame on a machine that cannot keep up:
// the held keys into the board, the view's clock and HUD, forty awake debris
// bricks, the camera, the light, the menu's fades and the board. Debris is
// launched again before it settles, so every step moves all forty bricks.
#include "app/GameFlow.h"
#include "app/GameObjects.h"
#include "device/Device.h"
#include "game/GameBoard.h"
#include "platform/MemoryPolicy.h"
#include "platform/Window.h"
#include "view/GameView.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

namespace {

// Down held all the time, left and right in turns of half a second.
HeldKeys busyKeys(long steps)
{
    const bool leftPhase = (steps / 50) % 2 == 0;
    return {leftPhase, !leftPhase, true};
}

// The game as the game builds it, on an offscreen context: silent, with a
// table that is never saved (the benchmark plays no game to its end without
// starting again) and no recording.
struct BenchGame {
    std::unique_ptr<CDevice> device;
    GameObjects objects;
};

BenchGame* makeGame()
{
    if (!openOffscreenGlContext(800, 600).empty())
        return nullptr;
    // The heap keeps freed memory as the game's main has it do.
    keepFreedMemoryForReuse();
    auto* game = new BenchGame;
    game->device = std::make_unique<CDevice>();
    if (!game->device->create(nullptr, 800, 600))
        return nullptr;
    publishDevice(game->device.get());
    std::filesystem::current_path(std::filesystem::path(VESBRIK_MEDIA_DIR).parent_path());
    GameSetup setup;
    setup.highScoreFile = "no-such-folder/hiscore.xml";
    setup.seed = 7;
    assembleGame(game->objects, setup);
    return game;
}

void launchFourRows(CGameView& view, const CGameBoard& board)
{
    CRandom random = board.random();
    for (int row = 16; row < 20; ++row)
        view.launchRow(row, board.rowColours(row), random);
}

void GameStepInPlay(benchmark::State& state)
{
    static BenchGame* game = makeGame();
    if (!game) {
        state.SkipWithError("no OpenGL 4.5 core context");
        return;
    }
    GameObjects& objects = game->objects;
    objects.flow->startGame();
    for (int row = 16; row < 20; ++row)
        for (int column = 0; column < BoardColumns; ++column)
            objects.board->setCell(column, row, 0xFF8090A0u);
    launchFourRows(*objects.view, *objects.board);
    long steps = 0;
    for (auto _ : state) {
        objects.flow->step(0.01f, busyKeys(steps));
        ++steps;
        // Bricks settle within a couple of seconds; new ones keep all forty moving.
        if (steps % 100 == 0)
            launchFourRows(*objects.view, *objects.board);
        if (!objects.board->isRunning())
            objects.flow->startGame();
    }
}

BENCHMARK(GameStepInPlay)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
