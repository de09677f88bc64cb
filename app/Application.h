#pragma once
// The game's loop and frame. Between frames the waiting input goes to the
// mode in charge, the live game or a replay (see PlayModes.h); a frame hands
// its elapsed time to the flow's clock, runs the fixed steps that fit (see
// FixedStep.h), draws the picture from whatever state the steps left and
// presents it.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "app/ApplicationBase.h"
#include "app/KeyMap.h"
#include "app/PlayModes.h"
#include "app/SettingTable.h"

class CGameFlow;
class CGameRecorder;
class CGameView;
class CHighScoreTable;
class CMenu;
class CMenuScreen;
class CRenderer;
class CSceneScaleChooser;

// What a frame draws: the 3D view with its HUD, then the menu over it; the
// renderer's targets follow the picture's size.
struct FrameParts {
    CRenderer& renderer;
    CGameView& view;
    const CMenu& menu;
    const CHighScoreTable& highScores;
    CMenuScreen& menuScreen;
};

class CApplication : public CApplicationBase {
public:
    CApplication();
    ~CApplication() override;

    // Connects the flow and the frame's parts; once, before run().
    void attach(CGameFlow& flow, const FrameParts& parts);

    // Draws and presents the picture of the game as it stands. Drawing never
    // changes the game, so a picture can be drawn at any moment.
    void drawFrame();
    // Off, frames only step the game; whoever wants a picture draws one
    // (the script driver, which needs pictures only for its shots).
    void setDrawEveryFrame(bool on) { drawEveryFrame = on; }
    // Each frame is followed by a sleep that holds the loop to the limit.
    void limitFrames(FrameLimit limit) { frameLimit = limit; }
    // Where F12 and PrintScreen save the picture.
    void setScreenshotFolder(const std::filesystem::path& folder) { screenshotFolder = folder; }
    // Saves the picture as it stands and says where in the window's title.
    void takeScreenshot();

    // While every frame is drawn, the time between drawn frames goes to the
    // chooser, whose scale the renderer draws the next scene at; the log,
    // if any, hears each frame's seconds and the scale it was drawn at.
    using FrameTimeLog = std::function<void(double seconds, float scale)>;
    void adaptSceneScale(CSceneScaleChooser& chooser, CRenderer& renderer, FrameTimeLog log = {});

    // Every frame of a game in play goes to the recorder (see GameRecorder.h).
    void setRecorder(CGameRecorder* gameRecorder);
    // From now on the frames come from the recording, and the player's keys
    // only steer the replay and the view (see PlayModes.h). Escape ends it:
    // the game quits when quitAtEnd is set, otherwise returns to the
    // high-score list.
    void startReplay(std::unique_ptr<CReplayPlayer> player, bool quitAtEnd);

protected:
    void frame(double elapsed) override;
    void onMessage(const InputMessage& message) override;

private:
    void onKeyDown(int key, bool repeat);
    void onMouseMove(const InputMessage& message);
    // What the mode asks for after a message: the program's end,
    // or the live game back after a replay.
    void followMode();
    CPlayMode& mode();
    // Moves a point of the window to the picture's pixels; false outside it.
    bool pointInPicture(int& x, int& y);
    void measureDrawnFrame();

    CGameFlow* flow = nullptr;
    CPressFilter presses;
    std::unique_ptr<CLiveMode> live;
    // While a recording plays, it has the input and the frames.
    std::unique_ptr<CReplayMode> replay;
    std::optional<FrameParts> parts;
    float stepAccumulator = 0.0f;
    bool drawEveryFrame = true;
    FrameLimit frameLimit;
    std::filesystem::path screenshotFolder;
    // Seconds the screenshot notice stays in the title before it goes back.
    double noticeSeconds = 0.0;
    CSceneScaleChooser* scaleChooser = nullptr;
    CRenderer* scaledRenderer = nullptr;
    FrameTimeLog frameTimeLog;
    int64_t lastDrawnAt = 0;
};
