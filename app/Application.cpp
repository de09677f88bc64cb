#include "app/Application.h"

#include <ctime>

#include "app/FixedStep.h"
#include "app/GameFlow.h"
#include "app/GameRecorder.h"
#include "app/ReplayPlayer.h"
#include "device/Screenshot.h"
#include "platform/Clock.h"
#include "platform/VirtualKeys.h"
#include "view/GameView.h"
#include "view/MenuScreen.h"

CApplication::CApplication() = default;
CApplication::~CApplication() = default;

void CApplication::attach(CGameFlow& gameFlow, const FrameParts& frameParts)
{
    flow = &gameFlow;
    parts.emplace(frameParts);
}

void CApplication::startReplay(std::unique_ptr<CReplayPlayer> player, bool quitAtEnd)
{
    replay = std::move(player);
    quitAfterReplay = quitAtEnd;
    replay->start(stepAccumulator);
}

void CApplication::endReplay()
{
    if (quitAfterReplay) {
        destroyWindow();
        return;
    }
    replay.reset();
    flow->replaying = false;
    parts->view.hud.banner.clear();
    flow->enterMenu(true);
}

void CApplication::onMessage(const InputMessage& message)
{
    // The screenshot keys belong to the window, not to the game: in the menu
    // they do not click, and a replay can be photographed too.
    if (message.type == InputMessage::KeyDown && (message.key == vk::F12 || message.key == vk::Snapshot)) {
        takeScreenshot();
        return;
    }
    if (replay) {
        // A pad watches a replay as it plays: Start pauses, Back ends it.
        InputMessage viewed = message;
        if (viewed.type == InputMessage::KeyDown && viewed.key == vk::PadStart)
            viewed.key = vk::Pause;
        if (viewed.type == InputMessage::KeyDown && viewed.key == vk::PadBack)
            viewed.key = vk::Escape;
        if (!replay->onMessage(viewed))
            endReplay();
        return;
    }
    switch (message.type) {
    case InputMessage::KeyDown:
        flow->onKeyDown(message.key & 0xFFFF);
        break;
    case InputMessage::FocusLost:
        flow->onFocusLost();
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
    if (noticeSeconds > 0.0) {
        noticeSeconds -= elapsed;
        if (noticeSeconds <= 0.0)
            window().setTitle("Vesbrik");
    }
    if (replay) {
        replay->advance(elapsed, stepAccumulator);
    } else if (recorder && recorder->active()) {
        // The steps see exactly the held arrows the recording keeps.
        const uint8_t arrows = heldArrows(input());
        const CRecordedHeldKeys held(arrows);
        recorder->frame(elapsed, arrows, stepAccumulator);
        advanceFixedSteps(stepAccumulator, elapsed, [this, &held](float dt) { flow->step(dt, held); });
    } else {
        advanceFixedSteps(stepAccumulator, elapsed, [this](float dt) { flow->step(dt, input()); });
    }

    if (drawEveryFrame)
        drawFrame();

    if (flow->frameLimit != 0)
        sleepMilliseconds(1000 / flow->frameLimit);
}

void CApplication::takeScreenshot()
{
    // A run that draws only on request has no finished picture yet.
    if (!drawEveryFrame)
        drawFrame();
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const ScreenshotResult shot = saveScreenshot(graphics(), screenshotFolder, local);
    window().setTitle(shot.saved ? "Vesbrik - screenshot saved: " + shot.file.string()
                                 : "Vesbrik - no screenshot: " + shot.error);
    noticeSeconds = 5.0;
}

void CApplication::drawFrame()
{
    CDevice& d = graphics();
    d.beginScene();
    // The view's frame with the HUD and the frame rate, and the menu over
    // everything, in every state.
    parts->view.render([this] { parts->menuScreen.draw(parts->menu, parts->highScores); });
    d.present();
}
