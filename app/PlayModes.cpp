#include "app/PlayModes.h"

#include "app/FixedStep.h"
#include "app/GameFlow.h"
#include "app/GameRecorder.h"
#include "app/ReplayPlayer.h"
#include "view/Hud.h"

// ---- live -----------------------------------------------------------------------

KeyContext CLiveMode::keyContext() const { return flow.keyContext(); }

void CLiveMode::onAction(ActionRequest request) { flow.onAction(request); }

void CLiveMode::onMouseMove(int x, int y, unsigned buttons) { flow.onMouseMove(x, y, buttons); }

void CLiveMode::onMousePoint(int x, int y, int pictureWidth, int pictureHeight)
{
    flow.onMousePoint(x, y, pictureWidth, pictureHeight);
}

void CLiveMode::onMouseDown(int x, int y, unsigned button, int pictureWidth, int pictureHeight)
{
    flow.onMouseDown(x, y, button, pictureWidth, pictureHeight);
}

void CLiveMode::onFocusLost() { flow.onFocusLost(); }

void CLiveMode::onCharacter(uint32_t character) { flow.onCharacter(character); }

void CLiveMode::advance(double elapsed, float& stepAccumulator, const CInputSource& input)
{
    // The held moves are read once a frame: the steps see exactly what a
    // recording of the frame keeps.
    const HeldKeys held = heldMoves(input, flow.keyBindings());
    if (recorder && recorder->active())
        recorder->frame(elapsed, held, stepAccumulator);
    advanceFixedSteps(stepAccumulator, elapsed, [this, &held](float dt) { flow.step(dt, held); });
}

CPlayMode::Next CLiveMode::next() const { return flow.quitRequested() ? Next::Quit : Next::Stay; }

// ---- replay ---------------------------------------------------------------------

CReplayMode::CReplayMode(std::unique_ptr<CReplayPlayer> player, CGameFlow& flow, CHud& hud, bool quitAtEnd)
    : player(std::move(player)), flow(flow), hud(hud), quitAtEnd(quitAtEnd)
{
}

CReplayMode::~CReplayMode() = default;

void CReplayMode::start(float& stepAccumulator) { player->start(stepAccumulator); }

void CReplayMode::onAction(ActionRequest request)
{
    if (ended || player->onAction(request.action))
        return;
    ended = true;
    // A replay that was all the program was started for takes its picture
    // with it; one watched from the table gives the game back to the list.
    if (quitAtEnd)
        return;
    hud.banner.clear();
    flow.endReplayedGame();
}

void CReplayMode::onMouseMove(int x, int y, unsigned buttons) { player->onMouseMove(x, y, buttons); }

void CReplayMode::advance(double elapsed, float& stepAccumulator, const CInputSource&)
{
    if (!ended)
        player->advance(elapsed, stepAccumulator);
}

CPlayMode::Next CReplayMode::next() const
{
    if (!ended)
        return Next::Stay;
    return quitAtEnd ? Next::Quit : Next::BackToLive;
}
