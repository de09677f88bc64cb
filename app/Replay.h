#pragma once
// Recording every game as it is played, and playing a recording again.
//
// A game's story is its random stream's state at the start, then per frame
// the time step, the keys that change the game and the three held arrows the
// board polls in every step of that frame. Everything else a player does
// (camera, picture switches) leaves the game as it is, so a replay leaves
// those to whoever watches it.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "game/Recording.h"
#include "platform/InputSource.h"

class CGameBoard;
class CGameFlow;
class CHighScoreTable;
class CHud;
class CSoundBank;

// Keys the game flow acts on in play that change the board or draw from the
// random stream (arrows, turns, pause, level up, the light's new goal): the
// only keys a recording keeps.
bool keyChangesTheGame(int key);
// Keys that only move the camera or switch parts of the picture: a viewer of
// a replay may use them.
bool keyOnlyChangesTheView(int key);

// The held arrows as bits of RecordedFrame::held.
uint8_t heldArrows(const CInputSource& input);

// The held arrows of one recorded frame, as the board polls them.
class CRecordedHeldKeys : public CInputSource {
public:
    explicit CRecordedHeldKeys(uint8_t held) : held(held) {}
    bool poll(InputMessage&) override { return false; }
    bool isHeld(int virtualKey) const override;
    bool isActive() const override { return true; }

private:
    uint8_t held;
};

// The number of variants of every sound group, in the bank's order.
std::vector<uint8_t> mediaFingerprint(const CSoundBank& sounds);

// One recorded frame into the flow: its keys, then the fixed steps its time
// step makes, each polling the frame's held arrows.
void playRecordedFrame(CGameFlow& flow, float& stepAccumulator, const RecordedFrame& frame);

// Puts the game where the recording started it (random stream, the board's
// leftovers, the loop's carried step time) and starts the game in the flow,
// which is then replaying: it records nothing and enters no high score.
void startRecordedGame(const Recording& recording, CGameFlow& flow, CGameBoard& board, float& stepAccumulator);

// Records the games played, one at a time, into a folder.
class CGameRecorder {
public:
    // The last finished game goes to this file in the folder.
    static constexpr const char* LastGameFile = "last.vrp";

    CGameRecorder(std::filesystem::path folder, std::vector<uint8_t> fingerprint);

    // A game starts: before the board draws its first pieces.
    void begin(const CGameBoard& board);
    bool active() const { return recording; }
    // A key the flow takes in play; kept for the next frame when it changes the game.
    void keyDown(int key);
    // A frame starts its steps, with the loop's carried step time before it.
    void frame(double dt, uint8_t held, float carriedStepTime);
    // The game ended. Saves it as the last game and, when keep is set, in a
    // file of its own whose name (in the folder) is returned; empty when not
    // kept or not saved. A game that was not recording saves nothing.
    std::string end(const CGameBoard& board, bool keep);
    // Removes every recording in the folder but the last game's and those
    // the saved table names (a game pushed off the table, or one whose table
    // was never saved because the game was killed during name entry).
    void keepOnly(const CHighScoreTable& table) const;

    const std::filesystem::path& folder() const { return replayFolder; }
    const Recording& current() const { return game; }

private:
    bool save(const std::string& name) const;

    std::filesystem::path replayFolder;
    std::vector<uint8_t> fingerprint;
    Recording game;
    std::vector<uint16_t> pendingKeys;
    bool recording = false;
    bool firstFrame = false;
};

// A kept recording's name, as the high-score table gives it, is a plain file
// name in the replays folder: nothing that climbs out of it.
bool isPlainRecordingName(const std::string& name);

// Watching a recording in the 3D view: the frames are fed at the chosen
// speed, the viewer pauses, changes speed and drives the camera.
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
    // A viewer's message. False when the viewer ended the replay (Escape).
    bool onMessage(const InputMessage& message);

    bool finished() const { return next >= game.frames.size(); }
    bool paused() const { return isPaused; }
    double speed() const { return playSpeed; }
    // The HUD's mark: "Replay x1", "Replay x2 paused", "Replay over".
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

// What the command line asks of a replay: `--replay FILE [--verify]`.
struct ReplayRequest {
    std::string file;
    bool verify = false;
};

// Reads the replay options among the arguments (after the program's name).
// None when there are none; a message in *error when they are wrong.
std::optional<ReplayRequest> readReplayArguments(const std::vector<std::string>& arguments, std::string* error);

// The recording in the file, when this game can play it exactly (same
// version, same sound media); otherwise nothing, and why in *error.
std::optional<Recording> loadPlayableRecording(const std::string& path, const CSoundBank& sounds, std::string* error);

// Plays the whole recording as fast as it goes, without drawing, and prints
// the final score, rows and level. 0 when they match the recording's end, 1
// when they do not.
int verifyRecording(const Recording& recording, CGameFlow& flow, CGameBoard& board);
