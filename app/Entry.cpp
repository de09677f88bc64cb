#include "app/Entry.h"

#include <string>

#include "app/Application.h"
#include "app/Settings.h"
#include "audio/SoundBank.h"
#include "game/GameBoard.h"
#include "game/HighScoreTable.h"
#include "game/Menu.h"
#include "physics/ImpactSoundSink.h"
#include "platform/Clock.h"
#include "view/MenuScreen.h"
#include "render/Renderer.h"
#include "view/GameView.h"

namespace {

// Debris impacts sound on the floor-hit group, pitched up to 10000 Hz higher.
class FloorHitSound : public CImpactSoundSink {
public:
    void playImpact(int volume, int pan) override
    {
        soundBank().group(Sound::HitFloor).play(-1, volume, pan, 10000);
    }
};

} // namespace

// Start-up creates every long-lived object once, in an order where each finds
// what it needs already made; they live until the process ends.
int runGame(const GameOptions& options)
{
    CSettings settings;
    settings.load("settings.xml");

    counterFrequency = queryCounterFrequency();

    auto* app = new CApplication;
    publishApplication(app);
    if (app->create(settings.width, settings.height, settings.fullscreen) < 0) {
        showMessageBox("", "cannot start: " + app->createError());
        return 1;
    }

    auto* highScores = new CHighScoreTable("media/hiscore.xml");
    highScores->load();
    soundBank().load("media/sound.xml");
    publishDevice(&app->graphics());

    GameObjects game;
    game.highScores = highScores;
    game.board = new CGameBoard(options.seed ? *options.seed : tickCountMilliseconds());
    game.renderer = new CRenderer;
    game.view = new CGameView(*game.board, *game.renderer, new FloorHitSound);
    game.menu = new CMenu;
    game.menuScreen = new CMenuScreen;
    game.menuScreen->load("media");
    app->attach(game);
    game.board->setListener(app);

    game.renderer->enableBloom = settings.enableBloom;
    game.renderer->enableShadow = settings.enableShadow;
    game.renderer->enableMirror = settings.enableMirror;
    game.renderer->filterFrameBuffer = settings.filterFrameBuffer;

    app->setFixedFrameTime(options.fixedFrameTime);
    app->enterMenu(false);

    CInputSource* input = options.makeInput ? options.makeInput(*app) : &app->window();
    app->setInput(input);
    const int status = app->run(*input);
    soundBank().shutdown();
    return status;
}
