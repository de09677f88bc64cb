#pragma once
// The game's view of the world: for now it owns the debris of cleared rows.
// The application hands it every board event before acting on the event
// itself, so a cleared row still holds its colours when its bricks launch,
// and advances it once per fixed simulation step.
#include "physics/PhysicsWorld.h"
#include "render/Hud.h"

#include <cstdint>

class CGameView {
public:
    explicit CGameView(CImpactSoundSink* impactSound = nullptr);

    // A board event (type, value) with the board's 200-cell grid as it is at
    // that moment. A cleared row launches its ten bricks.
    void onBoardEvent(int type, int value, const uint32_t* grid);
    // One fixed step of dt seconds; the debris moves only while the board runs.
    void stepUpdate(float dt, bool boardRunning);

    const CPhysicsWorld& debris() const { return physics; }

    // The frame-rate counter under the HUD, switched by a key.
    bool showFrameRate = false;

    // ---- HUD ------------------------------------------------------------------
    // The score strip over the finished frame, then the frame rate if shown.
    void drawHud(int level, int rows);
    CHud hud;
    CFrameRateCounter frameRate;

private:
    // The board's event number for a cleared row; its value is the row index.
    static constexpr int RowClearedEvent = 1;
    // Its value is the new score.
    static constexpr int ScoreChangedEvent = 0;

    CPhysicsWorld physics;
};
