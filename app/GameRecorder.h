#pragma once
// Recording every game as it is played.
//
// A game's story is the rules' random stream's state at the start, then per frame
// the time step, the moves that change the game and the three held moves the
// board polls in every step of that frame. Everything else a player does
// (camera, picture switches) leaves the game as it is, so a replay leaves
// those to whoever watches it (see ReplayPlayer.h).
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "game/Action.h"
#include "game/HeldKeys.h"
#include "game/Recording.h"

class CGameBoard;
class CHighScoreTable;
class CSoundBank;

// ---- what older recordings kept ------------------------------------------------
// The number of variants of every sound group, in the bank's order: a game
// recorded when the sounds drew from the rules' stream plays only with these.
std::vector<uint8_t> mediaFingerprint(const CSoundBank& sounds);

// A kept recording's name, as the high-score table gives it, is a plain file
// name in the replays folder: nothing that climbs out of it.
bool isPlainRecordingName(const std::string& name);

// A file the recorder writes in the replays folder: the last game, or a kept
// game. The start-up clears only these names' leftovers.
bool isRecorderFileName(const std::string& name);

// Records the games played, one at a time, into a folder.
class CGameRecorder {
public:
    // The last finished game goes to this file in the folder.
    static constexpr const char* LastGameFile = "last.vrp";

    explicit CGameRecorder(std::filesystem::path folder);

    // ---- one game ------------------------------------------------------------
    // A game starts: before the board draws its first pieces.
    void begin(const CGameBoard& board);
    bool active() const { return recording; }
    // An action the flow takes in play; kept for the next frame when it is a
    // move that changes the game (see game/RecordedInput.h).
    void record(Action action);
    // A frame starts its steps with these moves held, and the loop's carried
    // step time before it.
    void frame(double dt, const HeldKeys& held, float carriedStepTime);
    // The game ended. Saves it as the last game and, when keep is set, in a
    // file of its own whose name (in the folder) is returned; empty when not
    // kept or not saved. A game that was not recording saves nothing. A game
    // the program's end cut short is saved marked as such.
    std::string end(const CGameBoard& board, bool keep, RecordedEnd how = RecordedEnd::Played);

    // ---- the folder ------------------------------------------------------------
    // Removes the kept recordings (the game's own names) that neither the
    // saved table nor a copy of it kept aside names: a game pushed off the
    // table, or one whose table was never saved because the game was killed
    // during name entry. The last game and every other file stay (see
    // game/KeptRecordings.h).
    void keepOnly(const CHighScoreTable& table) const;

    const std::filesystem::path& folder() const { return replayFolder; }
    const Recording& current() const { return game; }

private:
    // Saves the game in the folder under that name; a first failure is said
    // on standard error, later ones are not.
    bool save(const std::string& name);

    std::filesystem::path replayFolder;
    Recording game;
    std::vector<uint16_t> pendingKeys;
    bool recording = false;
    bool firstFrame = false;
    bool saveFailureSaid = false;
};
