#pragma once
// The game's long-lived objects and the one way they are made: the game, the
// script driver and the step benchmark all build a game with assembleGame.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "audio/SoundBank.h"

class CGameBoard;
class CGameFlow;
class CGameRecorder;
class CGameView;
class CHighScoreTable;
class CMenu;
class CMenuScreen;
class CRenderer;

// What differs between the games that are built.
struct GameSetup {
    std::filesystem::path highScoreFile;
    uint32_t seed = 0;
    // The sound set to load; empty leaves the game silent.
    std::string soundFile;
    // Told of every sound effect played (see CSoundBank::setPlayLog).
    CSoundBank::PlayLog soundLog;
    // Where finished games are recorded; none records nothing.
    std::optional<std::filesystem::path> replayFolder;
    // Shows a short notice to the player (the window's title).
    std::function<void(const std::string&)> showNotice;
    // Plays the high-score table's recording of that name; false when it cannot.
    std::function<bool(const std::string&)> watchRecording;
};

// Every long-lived object of a game, made once in an order where each finds
// what it needs already made. The members are declared in that order, so
// they are released in the reverse order: the flow before what it drives.
struct GameObjects {
    std::unique_ptr<CHighScoreTable> highScores;
    std::unique_ptr<CSoundBank> sounds;
    std::unique_ptr<CGameBoard> board;
    std::unique_ptr<CRenderer> renderer;
    std::unique_ptr<CGameView> view;
    std::unique_ptr<CMenu> menu;
    std::unique_ptr<CMenuScreen> menuScreen;
    std::unique_ptr<CGameRecorder> recorder;
    std::unique_ptr<CGameFlow> flow;

    GameObjects();
    GameObjects(const GameObjects&) = delete;
    GameObjects& operator=(const GameObjects&) = delete;
    // The output stops before anything else goes, so no sound is cut off
    // halfway through a release.
    ~GameObjects();
};

// Makes every object of the game, ready for its first frame; needs the
// published device. The flow starts in the menu.
void assembleGame(GameObjects& game, const GameSetup& setup);
