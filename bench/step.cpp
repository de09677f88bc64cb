// Cost of one fixed simulation step of the whole game in play, as the loop
// runs it up to a hundred times a frame on a machine that cannot keep up:
// the held keys into the board, the view's clock and HUD, forty awake debris
// bricks, the camera, the light, the menu's fades and the board. Debris is
// launched again before it settles, so every step moves all forty bricks.
#include "app/GameFlow.h"
#include "audio/SoundBank.h"
#include "device/Device.h"
#include "game/GameBoard.h"
#include "game/HighScoreTable.h"
#include "game/Menu.h"
#include "platform/InputSource.h"
#include "platform/VirtualKeys.h"
#include "platform/Window.h"
#include "render/Renderer.h"
#include "view/GameView.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

namespace {

// Down held all the time, left and right in turns of half a second.
class BusyInput : public CInputSource {
public:
    bool poll(InputMessage&) override { return false; }
    bool isHeld(int key) const override
    {
        const bool leftPhase = (steps / 50) % 2 == 0;
        return key == vk::Down || key == (leftPhase ? vk::Left : vk::Right);
    }
    bool isActive() const override { return true; }
    long steps = 0;
};

struct Game {
    std::unique_ptr<CDevice> device;
    std::unique_ptr<CHighScoreTable> highScores;
    std::unique_ptr<CSoundBank> sounds;
    std::unique_ptr<CGameBoard> board;
    std::unique_ptr<CRenderer> renderer;
    std::unique_ptr<CGameView> view;
    std::unique_ptr<CMenu> menu;
    std::unique_ptr<CGameFlow> flow;
};

Game* makeGame()
{
    if (!openOffscreenGlContext(800, 600).empty())
        return nullptr;
    auto* game = new Game;
    game->device = std::make_unique<CDevice>();
    if (!game->device->create(nullptr, 800, 600))
        return nullptr;
    publishDevice(game->device.get());
    std::filesystem::current_path(std::filesystem::path(VESBRIK_MEDIA_DIR).parent_path());
    // A table that is never saved: the benchmark plays no game to its end
    // without starting again.
    game->highScores = std::make_unique<CHighScoreTable>("no-such-folder/hiscore.xml");
    game->sounds = std::make_unique<CSoundBank>(); // silent: never loaded
    game->board = std::make_unique<CGameBoard>(7);
    game->renderer = std::make_unique<CRenderer>();
    game->view = std::make_unique<CGameView>(*game->board, *game->renderer);
    game->menu = std::make_unique<CMenu>();
    game->flow = std::make_unique<CGameFlow>(
        GameParts{*game->board, *game->highScores, *game->menu, *game->view, *game->renderer, *game->sounds, {}, nullptr, {}});
    return game;
}

void launchFourRows(CGameView& view)
{
    for (int row = 16; row < 20; ++row)
        view.launchRow(row);
}

void GameStepInPlay(benchmark::State& state)
{
    static Game* game = makeGame();
    if (!game) {
        state.SkipWithError("no OpenGL 4.5 core context");
        return;
    }
    game->flow->startGame();
    for (int row = 16; row < 20; ++row)
        for (int column = 0; column < BoardColumns; ++column)
            game->board->grid[static_cast<size_t>(CGameBoard::cellIndex(column, row))] = 0xFF8090A0u;
    launchFourRows(*game->view);
    BusyInput input;
    for (auto _ : state) {
        game->flow->step(0.01f, input);
        ++input.steps;
        // Bricks settle within a couple of seconds; new ones keep all forty moving.
        if (input.steps % 100 == 0)
            launchFourRows(*game->view);
        if (!game->board->running)
            game->flow->startGame();
    }
}

BENCHMARK(GameStepInPlay)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
