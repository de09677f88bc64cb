#include "app/Application.h"

#include <ctime>

#include "app/GameFlow.h"
#include "app/KeyMap.h"
#include "app/ReplayPlayer.h"
#include "device/Screenshot.h"
#include "game/Menu.h"
#include "platform/Clock.h"
#include "platform/Letterbox.h"
#include "render/Renderer.h"
#include "render/SceneScaleChooser.h"
#include "view/GameView.h"
#include "view/MenuScreen.h"

CApplication::CApplication() = default;
CApplication::~CApplication() = default;

void CApplication::attach(CGameFlow& gameFlow, const FrameParts& frameParts)
{
    flow = &gameFlow;
    live = std::make_unique<CLiveMode>(gameFlow);
    parts.emplace(frameParts);
}

void CApplication::setRecorder(CGameRecorder* gameRecorder) { live->setRecorder(gameRecorder); }

void CApplication::startReplay(std::unique_ptr<CReplayPlayer> player, bool quitAtEnd)
{
    replay = std::make_unique<CReplayMode>(std::move(player), *flow, parts->view.hud, quitAtEnd);
    replay->start(stepAccumulator);
}

CPlayMode& CApplication::mode()
{
    if (replay)
        return *replay;
    return *live;
}

void CApplication::followMode()
{
    switch (mode().next()) {
    case CPlayMode::Next::Stay: break;
    case CPlayMode::Next::BackToLive: replay.reset(); break;
    case CPlayMode::Next::Quit: stopLoop(); break;
    }
}

// A key means what app/KeyMap.h says it means where it is pressed: in a
// replay the viewer steers the replay and the view, otherwise the flow acts.
void CApplication::onKeyDown(int key, bool repeat)
{
    const KeyContext context = mode().keyContext();
    // A row of the controls page waiting for a key takes the next press as it is.
    if (context == KeyContext::Options && flow->waitsForKey()) {
        if (!repeat)
            flow->takeKey(key);
        return;
    }
    const std::optional<ActionRequest> request = actionForKey(key, context, flow->keyBindings());
    if (!presses.counts(key, repeat, context, request ? request->action : Action::Unbound) || !request)
        return;
    if (request->action == Action::Screenshot)
        takeScreenshot();
    else
        mode().onAction(*request);
}

void CApplication::onMouseMove(const InputMessage& message)
{
    mode().onMouseMove(message.x, message.y, message.buttons);
    int x = message.x, y = message.y;
    // The pointer points only when the player moves it, not when the window
    // moved or changed under it.
    if (message.buttons == 0 && !message.pointerStill && pointInPicture(x, y))
        mode().onMousePoint(x, y, graphics().width(), graphics().height());
}

void CApplication::onMessage(const InputMessage& message)
{
    switch (message.type) {
    case InputMessage::KeyDown: onKeyDown(message.key, message.repeat); break;
    case InputMessage::MouseMove: onMouseMove(message); break;
    case InputMessage::MouseDown: {
        int x = message.x, y = message.y;
        if (pointInPicture(x, y))
            mode().onMouseDown(x, y, message.buttons, graphics().width(), graphics().height());
        break;
    }
    case InputMessage::FocusLost: mode().onFocusLost(); break;
    case InputMessage::Character:
        if (presses.typingCounts())
            mode().onCharacter(message.character);
        break;
    default: break;
    }
    followMode();
}

// The window shows the picture at its own shape, scaled, between black bars
// (see platform/Letterbox.h); the menu's places are places in the picture.
bool CApplication::pointInPicture(int& x, int& y)
{
    const int pictureWidth = graphics().width();
    const int pictureHeight = graphics().height();
    int windowWidth = 0, windowHeight = 0;
    window().size(windowWidth, windowHeight);
    if (windowWidth <= 0 || windowHeight <= 0) {
        windowWidth = pictureWidth;
        windowHeight = pictureHeight;
    }
    const PictureRect shown = fitPicture(pictureWidth, pictureHeight, windowWidth, windowHeight);
    if (shown.width <= 0 || shown.height <= 0)
        return false;
    x = (x - shown.x) * pictureWidth / shown.width;
    y = (y - shown.y) * pictureHeight / shown.height;
    return x >= 0 && y >= 0 && x < pictureWidth && y < pictureHeight;
}

void CApplication::frame(double elapsed)
{
    flow->advanceFrameClock(elapsed);
    if (noticeSeconds > 0.0) {
        noticeSeconds -= elapsed;
        if (noticeSeconds <= 0.0)
            window().setTitle("Vesbrik");
    }
    mode().advance(elapsed, stepAccumulator, input());

    if (drawEveryFrame)
        drawFrame();

    if (frameLimit.perSecond > 0)
        sleepMilliseconds(1000 / frameLimit.perSecond);
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

void CApplication::adaptSceneScale(CSceneScaleChooser& chooser, CRenderer& renderer, FrameTimeLog log)
{
    scaleChooser = &chooser;
    scaledRenderer = &renderer;
    frameTimeLog = std::move(log);
    renderer.setSceneScale(chooser.scale());
}

// Only frames drawn one after the other tell how long a frame takes; a run
// that draws only its shots keeps the scale it started with.
void CApplication::measureDrawnFrame()
{
    if (!scaleChooser)
        return;
    const int64_t now = queryCounter();
    const int64_t frequency = queryCounterFrequency();
    if (drawEveryFrame && lastDrawnAt != 0 && frequency > 0) {
        const double seconds = static_cast<double>(now - lastDrawnAt) / static_cast<double>(frequency);
        if (frameTimeLog)
            frameTimeLog(seconds, scaledRenderer->sceneScale());
        scaleChooser->addFrame(seconds);
    }
    lastDrawnAt = now;
    // A larger picture may draw its scene at a smaller share of it.
    scaleChooser->setPictureSize(graphics().width(), graphics().height());
    scaledRenderer->setSceneScale(scaleChooser->scale());
}

void CApplication::drawFrame()
{
    measureDrawnFrame();
    CDevice& d = graphics();
    // The menu and the HUD lay themselves out on the viewport as they draw.
    if (followWindowSize())
        parts->renderer.resize(d.width(), d.height());
    d.beginScene();
    // The view's frame with the HUD and the frame rate, and the menu over
    // everything, in every state.
    const bool panelOpen = parts->menu.helpShown() || parts->menu.options().isOpen();
    parts->view.render([this] { parts->menuScreen.draw(parts->menu, parts->highScores); }, panelOpen);
    d.present();
}
