#pragma once
// Start-up and shutdown of the whole game, shared by the game binary and the
// script driver, which drives the same game headless from a script.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "app/ReplayPlayer.h"
#include "audio/SoundBank.h"

class CApplication;
class CGameBoard;
class CGameFlow;
class CGameView;
class CInputSource;
class CMenu;
class CPlayerSettings;
class CRenderer;

// The game's state as tools read it (the script driver's dumps); the board
// is open to tools that set up a position to test.
struct GameState {
    const CGameFlow& flow;
    CGameBoard& board;
    const CMenu& menu;
    const CRenderer& renderer;
    const CGameView& view;
    const CSoundBank& sounds;
    // The player's settings as the game holds them now.
    const CPlayerSettings& settings;
};

struct GameOptions {
    // A fixed seed for the random generator; none means the millisecond tick.
    std::optional<uint32_t> seed;
    // A fixed frame time in seconds instead of the real clock.
    std::optional<double> fixedFrameTime;
    // Off, frames step the game without drawing it (see CApplication).
    bool drawEveryFrame = true;
    // Told of every sound effect played (see CSoundBank::setPlayLog).
    CSoundBank::PlayLog soundLog;
    // Makes the input source once the game exists; none means the window's
    // own keyboard and mouse. The state stays valid until runGame returns.
    std::function<CInputSource*(CApplication&, const GameState&)> makeInput;
    // Plays (or checks) a recording instead of opening the menu.
    std::optional<ReplayRequest> replay;
    // Hears the seconds and the scene's scale of every frame drawn one after
    // another (with drawEveryFrame).
    std::function<void(double seconds, float scale)> frameTimeLog;
    // Where finished games are recorded.
    std::string replayFolder = "replays";
};

// Runs the game in the current working folder when it holds media/, otherwise
// from the installed data folder with the player's own folders (see
// files/GameFolders.h); returns the process status.
int runGame(const GameOptions& options);
