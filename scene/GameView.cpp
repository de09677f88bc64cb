#include "scene/GameView.h"

CGameView::CGameView(CImpactSoundSink* impactSound) : physics(impactSound) {}

void CGameView::onBoardEvent(int type, int value, const uint32_t* grid)
{
    if (type == RowClearedEvent)
        physics.spawnRow(value, grid);
    if (type == ScoreChangedEvent)
        hud.targetScore = value;
}

void CGameView::stepUpdate(float dt, bool boardRunning)
{
    hud.update(dt);
    physics.update(dt, boardRunning);
}

// ---- HUD ----------------------------------------------------------------------
void CGameView::drawHud(int level, int rows)
{
    hud.draw(level, rows);
    if (showFrameRate) {
        hud.drawFrameRate(frameRate.rate());
        frameRate.tick();
    }
}
