#pragma once
// The game's loop and frame. Between frames the waiting input goes to the
// game flow; a frame hands its elapsed time to the flow's clock, runs the
// fixed steps that fit (see FixedStep.h), draws the picture from whatever
// state the steps left and presents it.
#include <optional>

#include "app/ApplicationBase.h"

class CGameFlow;
class CGameView;
class CHighScoreTable;
class CMenu;
class CMenuScreen;

// What a frame draws: the 3D view with its HUD, then the menu over it.
struct FrameParts {
    CGameView& view;
    const CMenu& menu;
    const CHighScoreTable& highScores;
    CMenuScreen& menuScreen;
};

class CApplication : public CApplicationBase {
public:
    CApplication() = default;

    // Connects the flow and the frame's parts; once, before run().
    void attach(CGameFlow& flow, const FrameParts& parts);

    // Draws and presents the picture of the game as it stands. Drawing never
    // changes the game, so a picture can be drawn at any moment.
    void drawFrame();
    // Off, frames only step the game; whoever wants a picture draws one
    // (the script driver, which needs pictures only for its shots).
    void setDrawEveryFrame(bool on) { drawEveryFrame = on; }

protected:
    void frame(double elapsed) override;
    void onDeviceReset() override {}
    void onMessage(const InputMessage& message) override;

private:
    CGameFlow* flow = nullptr;
    std::optional<FrameParts> parts;
    float stepAccumulator = 0.0f;
    bool drawEveryFrame = true;
};
