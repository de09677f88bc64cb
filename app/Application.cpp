#include "app/Application.h"

#include "app/FixedStep.h"
#include "game/GameBoard.h"
#include "game/Menu.h"
#include "platform/Clock.h"
#include "view/MenuScreen.h"
#include "render/Renderer.h"
#include "view/GameView.h"

namespace {
CApplication* theApplication = nullptr;
}

CApplication& application() { return *theApplication; }
void publishApplication(CApplication* app) { theApplication = app; }

CApplication::CApplication() = default;

void CApplication::attach(const GameObjects& objects)
{
    game = objects;
    board = objects.board;
}

void CApplication::onMessage(const InputMessage& message)
{
    switch (message.type) {
    case InputMessage::KeyDown:
        onKeyDown(message.key & 0xFFFF);
        break;
    case InputMessage::Character:
        onCharacter(message.character);
        break;
    case InputMessage::MouseMove:
        onMouseMove(message.x & 0xFFFF, message.y & 0xFFFF, message.buttons);
        break;
    default:
        break;
    }
}

// A frame: the elapsed time feeds the fixed steps (see FixedStep.h), then the
// picture is drawn from whatever state the steps left.
void CApplication::frame(double elapsed)
{
    clock = static_cast<float>(clock + elapsed);
    if (holdTime > 0.0f)
        holdTime = static_cast<float>(holdTime - elapsed);
    advanceFixedSteps(stepAccumulator, elapsed, [this](float dt) { step(dt); });

    drawFrame();

    if (frameLimit != 0)
        sleepMilliseconds(1000 / frameLimit);
}

void CApplication::drawFrame()
{
    CDevice& d = graphics();
    d.beginScene();
    // The view's frame with the HUD and the frame rate, and the menu over
    // everything, in every state.
    game.view->render([this] {
        if (game.menuScreen)
            game.menuScreen->draw(*game.menu, *game.highScores);
    });
    d.endScene();
    d.present();
}

// One step of the simulation, always in this order: input, view and debris,
// camera, light, menu fades, the board, then the automatic camera path.
void CApplication::step(float dt)
{
    board->pollKeys(heldKeys);
    game.view->stepUpdate(dt, board->running);
    CCamera& camera = game.renderer->camera;
    camera.smoothStep(dt);
    if (!game.renderer->lights.empty())
        game.renderer->lights.front()->smoothStep();
    game.menu->update(dt);
    if (state == Playing) {
        if (board->running)
            playTime += dt;
        board->step(dt);
    }
    if (holdTime <= 0.0f)
        camera.idleCameraPath(clock, swayAmplitude, state == Playing);
    camera.clampHeight();
}
