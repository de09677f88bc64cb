#include "app/GameObjects.h"

#include "app/KeyBindings.h"
#include "app/KeyMap.h"

#include "app/GameFlow.h"
#include "app/GameRecorder.h"
#include "game/GameBoard.h"
#include "game/HighScoreTable.h"
#include "game/Menu.h"
#include "render/Renderer.h"
#include "view/GameView.h"
#include "view/MenuScreen.h"

GameObjects::GameObjects() = default;

GameObjects::~GameObjects()
{
    if (sounds)
        sounds->shutdown();
}

void assembleGame(GameObjects& game, const GameSetup& setup)
{
    game.highScores = std::make_unique<CHighScoreTable>(setup.highScoreFile);
    game.sounds = std::make_unique<CSoundBank>();
    if (!setup.soundFile.empty())
        game.sounds->load(setup.soundFile);
    game.sounds->setPlayLog(setup.soundLog);
    game.board = std::make_unique<CGameBoard>(setup.seed);
    game.renderer = std::make_unique<CRenderer>();
    game.view = std::make_unique<CGameView>(*game.board, *game.renderer);
    game.menu = std::make_unique<CMenu>();
    // The default keys until the player's settings are given to the flow.
    game.menu->options().setControls(keyboardControls(CKeyBindings()), padControls(CKeyBindings()));
    game.menuScreen = std::make_unique<CMenuScreen>();
    game.menuScreen->load("media");
    if (setup.replayFolder)
        game.recorder = std::make_unique<CGameRecorder>(*setup.replayFolder);
    game.flow = std::make_unique<CGameFlow>(GameParts{*game.board, *game.highScores, *game.menu, *game.view,
                                                      *game.renderer, *game.sounds, setup.showNotice,
                                                      game.recorder.get(), setup.watchRecording});
    game.flow->enterMenu(false);
}
