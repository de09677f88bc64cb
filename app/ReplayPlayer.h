#pragma once
// Playing a recorded game again: in the 3D view, where the viewer pauses,
// changes speed and drives the camera while the recording plays the game, or
// headless as fast as it goes to check that it comes out the same.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "game/Action.h"
#include "game/Recording.h"

class CGameBoard;
class CGameFlow;
class CHud;
class CSoundBank;

// ---- the command line -----------------------------------------------------------
// What the command line asks of a replay: `--replay FILE [--verify]`.
struct ReplayRequest {
    std::string file;
    bool verify = false;
};

// Reads the replay options among the arguments (after the program's name).
// None when there are none, or when they are wrong: then *error says why.
std::optional<ReplayRequest> readReplayArguments(const std::vector<std::string>& arguments, std::string* error);

// ---- feeding a recording to the game --------------------------------------------
// One recorded frame into the flow: its moves, then the fixed steps its time
// step makes, each with the frame's held moves. A number no game records is
// passed over.
void playRecordedFrame(CGameFlow& flow, float& stepAccumulator, const RecordedFrame& frame);

// Puts the game where the recording started it (the rules' random stream,
// the board's leftovers, the loop's carried step time) and starts the game in
// the flow, which is then replaying: it records nothing and enters no high
// score. A recording from when one stream served the rules and the scenery
// plays with that one stream again.
void startRecordedGame(const Recording& recording, CGameFlow& flow, CGameBoard& board, float& stepAccumulator);

// The recording in the file, when this game can play it exactly (same
// version, and for a recording from when one stream served all, the same
// sound media); otherwise nothing, and why in *error.
std::optional<Recording> loadPlayableRecording(const std::string& path, const CSoundBank& sounds, std::string* error);
// The same for a recording already read from the file at path.
std::optional<Recording> playableRecording(Recording recording, const std::string& path, const CSoundBank& sounds,
                                           std::string* error);

// Plays the whole recording as fast as it goes, without drawing, and prints
// the final score, rows and level: VerifyMatch when they match the
// recording's end, VerifyMismatch when they do not, VerifyCutShort when they
// match but the game was cut short, so that nothing confirms its end.
// (A recording that cannot be played at all ends the check with status 2.)
constexpr int VerifyMatch = 0;
constexpr int VerifyMismatch = 1;
constexpr int VerifyCutShort = 3;
int verifyRecording(const Recording& recording, CGameFlow& flow, CGameBoard& board);

// ---- watching ---------------------------------------------------------------------
// The frames are fed at the chosen speed; the viewer pauses, changes speed
// and drives the camera.
class CReplayPlayer {
public:
    static constexpr double SlowestSpeed = 0.25;
    static constexpr double FastestSpeed = 8.0;
    // Frames fed in one shown frame at most, so the window stays responsive.
    static constexpr int MaxFramesPerCall = 2000;
    // A frame waits at most this long in real time (at x1): the first frame
    // after the window was minimised may carry minutes.
    static constexpr double LongestWait = 0.1;

    CReplayPlayer(Recording recording, CGameFlow& flow, CGameBoard& board, CHud& hud);

    void start(float& stepAccumulator);
    // Real time passed: feeds the recorded frames that became due.
    void advance(double elapsed, float& stepAccumulator);
    // What the viewer asked for (see app/KeyMap.h, the replay's column).
    // False when the viewer ended the replay.
    bool onAction(Action action);
    // The viewer drags the camera.
    void onMouseMove(int x, int y, unsigned buttons);

    bool finished() const { return next >= game.frames.size(); }
    bool paused() const { return isPaused; }
    double speed() const { return playSpeed; }
    // The HUD's mark: "Replay x1", "Replay x2 paused", "Replay over - Escape"
    // ("Replay cut short - Escape" where the game was cut short).
    std::string banner() const;

private:
    void showBanner();

    Recording game;
    CGameFlow& flow;
    CGameBoard& board;
    CHud& hud;
    size_t next = 0;
    double due = 0.0;
    double playSpeed = 1.0;
    bool isPaused = false;
};
