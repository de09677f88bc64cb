#include "scene/GameView.h"

CGameView::CGameView(CImpactSoundSink* impactSound) : physics(impactSound) {}

void CGameView::onBoardEvent(int type, int value, const uint32_t* grid)
{
    if (type == RowClearedEvent)
        physics.spawnRow(value, grid);
}

void CGameView::stepUpdate(float dt, bool boardRunning) { physics.update(dt, boardRunning); }
