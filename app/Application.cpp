#include "app/Application.h"

#include "app/FixedStep.h"
#include "app/GameFlow.h"
#include "platform/Clock.h"
#include "view/GameView.h"
#include "view/MenuScreen.h"

void CApplication::attach(CGameFlow& gameFlow, const FrameParts& frameParts)
{
    flow = &gameFlow;
    parts.emplace(frameParts);
}

void CApplication::onMessage(const InputMessage& message)
{
    switch (message.type) {
    case InputMessage::KeyDown:
        flow->onKeyDown(message.key & 0xFFFF);
        break;
    case InputMessage::Character:
        flow->onCharacter(message.character);
        break;
    case InputMessage::MouseMove:
        flow->onMouseMove(message.x & 0xFFFF, message.y & 0xFFFF, message.buttons);
        break;
    default:
        break;
    }
    if (flow->quitRequested())
        destroyWindow();
}

void CApplication::frame(double elapsed)
{
    flow->advanceFrameClock(elapsed);
    advanceFixedSteps(stepAccumulator, elapsed, [this](float dt) { flow->step(dt, input()); });

    if (drawEveryFrame)
        drawFrame();

    if (flow->frameLimit != 0)
        sleepMilliseconds(1000 / flow->frameLimit);
}

void CApplication::drawFrame()
{
    CDevice& d = graphics();
    d.beginScene();
    // The view's frame with the HUD and the frame rate, and the menu over
    // everything, in every state.
    parts->view.render([this] { parts->menuScreen.draw(parts->menu, parts->highScores); });
    d.endScene();
    d.present();
}
