#include "app/Entry.h"

#include <string>

#include "app/Application.h"
#include "game/GameBoard.h"
#include "platform/Clock.h"

// Start-up creates every long-lived object once, in an order where each finds
// what it needs already made; they live until the process ends.
int runGame(const GameOptions& options)
{
    int width = 800, height = 600;
    bool fullscreen = false;

    counterFrequency = queryCounterFrequency();

    auto* app = new CApplication;
    publishApplication(app);
    if (app->create(width, height, fullscreen) < 0) {
        showMessageBox("Vesbrik", "cannot start: " + app->createError());
        return 1;
    }
    publishDevice(&app->graphics());

    auto* board = new CGameBoard(options.seed ? *options.seed : tickCountMilliseconds());
    app->attach(board);
    board->setListener(app);
    app->setFixedFrameTime(options.fixedFrameTime);
    app->enterMenu(false);

    CInputSource* input = options.makeInput ? options.makeInput(*app) : &app->window();
    app->setInput(input);
    const int status = app->run(*input);
    return status;
}
