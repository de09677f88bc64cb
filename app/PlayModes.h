#pragma once
// Where the loop's input and frames go: to the game the player plays (live),
// or to a recording played back (a replay). The application holds one mode at
// a time and hands it every key, mouse move and frame; a mode says when it is
// over and whether the program ends with it.
#include <cstdint>
#include <memory>

#include "app/KeyMap.h"
#include "game/Action.h"

class CGameFlow;
class CGameRecorder;
class CHud;
class CInputSource;
class CReplayPlayer;

class CPlayMode {
public:
    // What the loop does after a message or a frame.
    enum class Next { Stay, BackToLive, Quit };

    virtual ~CPlayMode() = default;

    // The column of the key table a key pressed now is read in.
    virtual KeyContext keyContext() const = 0;
    virtual void onAction(ActionRequest request) = 0;
    // The mouse moved (window pixels).
    virtual void onMouseMove(int x, int y, unsigned buttons) = 0;
    // Where the mouse points in the picture, no button held / a button went
    // down there (picture pixels).
    virtual void onMousePoint(int /*x*/, int /*y*/, int /*pictureWidth*/, int /*pictureHeight*/) {}
    virtual void onMouseDown(int /*x*/, int /*y*/, unsigned /*button*/, int /*pictureWidth*/, int /*pictureHeight*/) {}
    virtual void onFocusLost() {}
    virtual void onCharacter(uint32_t /*character*/) {}
    // A frame's time, carried between frames in stepAccumulator.
    virtual void advance(double elapsed, float& stepAccumulator, const CInputSource& input) = 0;
    virtual Next next() const = 0;
};

// The player plays: input goes to the game flow, and every frame of a game in
// play is recorded.
class CLiveMode : public CPlayMode {
public:
    explicit CLiveMode(CGameFlow& flow) : flow(flow) {}
    void setRecorder(CGameRecorder* gameRecorder) { recorder = gameRecorder; }

    KeyContext keyContext() const override;
    void onAction(ActionRequest request) override;
    void onMouseMove(int x, int y, unsigned buttons) override;
    void onMousePoint(int x, int y, int pictureWidth, int pictureHeight) override;
    void onMouseDown(int x, int y, unsigned button, int pictureWidth, int pictureHeight) override;
    void onFocusLost() override;
    void onCharacter(uint32_t character) override;
    void advance(double elapsed, float& stepAccumulator, const CInputSource& input) override;
    // Quit once the player chose to leave the game.
    Next next() const override;

private:
    CGameFlow& flow;
    CGameRecorder* recorder = nullptr;
};

// A recording plays the game; the viewer's keys steer the replay and the
// view. Escape ends it: back to the high-score list, or the program ends
// when the replay was all it was started for.
class CReplayMode : public CPlayMode {
public:
    CReplayMode(std::unique_ptr<CReplayPlayer> player, CGameFlow& flow, CHud& hud, bool quitAtEnd);
    ~CReplayMode() override;

    KeyContext keyContext() const override { return KeyContext::Replay; }
    void onAction(ActionRequest request) override;
    void onMouseMove(int x, int y, unsigned buttons) override;
    void advance(double elapsed, float& stepAccumulator, const CInputSource& input) override;
    Next next() const override;

    // Puts the game where the recording starts.
    void start(float& stepAccumulator);

private:
    std::unique_ptr<CReplayPlayer> player;
    CGameFlow& flow;
    CHud& hud;
    bool quitAtEnd = false;
    bool ended = false;
};
