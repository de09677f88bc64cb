#pragma once
// The game flow: the two states (menu and playing), what each action does
// there (app/KeyMap.h decides which action a key asks for), the name entry,
// and the table of what each board event sets off (a sound, a move of the
// light, debris, the HUD's score, the high-score entry). It owns none of the objects it drives: start-up makes them and
// hands them over. It owns the scenery's random stream: the sounds' variants,
// the debris and the light draw from it, never from the rules' stream, so
// nothing they do changes the game.
#include <cstdint>
#include <functional>
#include <string>

#include "app/KeyMap.h"
#include "app/SettingTable.h"
#include "game/Action.h"
#include "game/GameBoardListener.h"
#include "game/HeldKeys.h"
#include "game/OptionsMenu.h"
#include "game/Random.h"
#include "game/Recording.h"
#include "physics/ImpactSoundSink.h"

class CCamera;
class CGameBoard;
class CGameRecorder;
class CGameView;
class CKeyBindings;
class CHighScoreTable;
class CMenu;
class CPlayerSettings;
class CRenderer;
class CSoundBank;

// The long-lived objects the flow drives.
struct GameParts {
    CGameBoard& board;
    CHighScoreTable& highScores;
    CMenu& menu;
    CGameView& view;
    CRenderer& renderer;
    CSoundBank& sounds;
    // Shows a short notice to the player (the window's title).
    std::function<void(const std::string&)> showNotice;
    // Records every game played; none records nothing.
    CGameRecorder* recorder = nullptr;
    // Plays the high-score table's recording of that name; false when it cannot.
    std::function<bool(const std::string&)> watchRecording;
};

// How a press of Left or Right moves the piece. EveryPress: each press one
// column, a press during a slide carried out when it ends. HeldOneStep: a
// press counts as the key held for the next step, so a press during a slide
// changes nothing; recordings made before every press counted play by it.
enum class TapRule { EveryPress, HeldOneStep };

class CGameFlow : public CGameBoardListener, public CImpactSoundSink {
public:
    // GameOver: the moment after a game ended, "Game over" over the well,
    // before the menu takes over.
    enum class State { Menu = 0, Playing = 1, GameOver = 2 };
    static constexpr float GameOverSeconds = 2.0f;

    // Becomes the board's listener and the debris' impact sound.
    explicit CGameFlow(const GameParts& parts);
    ~CGameFlow() override;
    CGameFlow(const CGameFlow&) = delete;
    CGameFlow& operator=(const CGameFlow&) = delete;

    // ---- states ---------------------------------------------------------------
    // The menu, with the high-score list shown or not; starts the menu music.
    void enterMenu(bool showScores);
    // A new game from level 1; starts the game music.
    void startGame();
    State state() const { return current; }
    // Set once the player chose to leave the game (Exit, or Escape in the menu).
    bool quitRequested() const { return quitChosen; }
    // The program ends, whatever ended it (leaving through the menu, the
    // window closed, a stop signal, a script's end): a game in play keeps its
    // recording, marked as cut short; a name being typed is entered; changed
    // settings are saved.
    void onProgramEnd();

    // ---- input, as delivered between frames -------------------------------------
    // Where a key pressed now would land: play, the menu or the name entry.
    KeyContext keyContext() const;
    // What the player asked for, in the flow's current state.
    void onAction(ActionRequest request);
    void onCharacter(uint32_t character);
    void onMouseMove(int x, int y, unsigned buttons);
    // A mouse button went down at a point of the picture (not the window):
    // it takes a menu item or an option under it.
    void onMouseDown(int x, int y, unsigned button, int pictureWidth, int pictureHeight);
    // Where the mouse points in the picture, for the menu's items and the
    // options screen's rows.
    void onMousePoint(int x, int y, int pictureWidth, int pictureHeight);
    // Another window took the keyboard: a running game pauses (when the
    // setting asks for it), as it would with the Pause key.
    void onFocusLost();

    // ---- time ---------------------------------------------------------------------
    // The frame's own time, before its steps: the camera path's clock and the
    // hold after a mouse drag run on real time, not on steps.
    void advanceFrameClock(double elapsed);
    // One simulation step, always in this order: the held moves into the
    // board, view and debris, camera, light, menu fades, the board, then the
    // automatic camera path.
    void step(float dt, const HeldKeys& held);

    // ---- what the board and the debris report ----------------------------------
    void onBoardEvent(const BoardEvent& event) override;
    void playImpact(int volume, int pan) override;

    // ---- what the keys change beside the settings ----------------------------------
    // How far the idle camera sways; the keys calm or widen it.
    float swayAmplitude = 1.0f;
    // Seconds the camera stays where a mouse drag left it; negative when none.
    float holdTime = 0.0f;
    // From the settings: whether losing the keyboard pauses a running game.
    bool pauseOnFocusLoss = true;

    // ---- settings -----------------------------------------------------------------
    // The player's settings that the options screen and the switch keys
    // change; with none the switch keys do nothing. The controls page and
    // the help show the keys they choose.
    void setPlayerSettings(CPlayerSettings* settings);
    // The keys and pad buttons the player chose for the moves of play; the
    // defaults without settings.
    const CKeyBindings& keyBindings() const;
    // While a row of the controls page waits for a key, every key press goes
    // to takeKey, which binds it (Escape keeps the old one).
    bool waitsForKey() const;
    void takeKey(int keyOrButton);

    // ---- replays ----------------------------------------------------------------------
    // A recording's game starts in the flow: it is not recorded again, and
    // its end enters no high score and leaves the view where it is. A game
    // recorded when one random stream served the rules and the scenery plays
    // with the scenery drawing from the board's stream again; one recorded
    // when a press of Left or Right during a slide was lost plays by that.
    void startReplayedGame(bool oneSharedStream = false, TapRule rule = TapRule::EveryPress);
    // The viewer left the replay: back to the high-score list.
    void endReplayedGame();
    bool replaying() const { return playingRecording; }

private:
    void showKeys();
    // What each group of actions does.
    void moveScenery(Action action);
    void onPlayingAction(Action action);
    void onMenuAction(ActionRequest request);
    void onNameEntryAction(Action action);
    void onOptionsAction(Action action);
    // A move on the options screen: a change goes into the game at once,
    // leaving saves the settings.
    void moveInOptions(OptionsMove move);
    void openOptions();
    // F1, or the pad's Back in the menu: the keys over the game, play held.
    void showHelp();
    void hideHelp();
    // The help holds a game as Pause does, and is recorded as it.
    void togglePauseRecorded();
    // A switch key: the setting flips in the game and is kept.
    void flipSetting(SettingId setting);
    // A move in play that a held key also makes: each slide press is one
    // column (see CGameBoard::pressSlide); any press counts as held for the
    // next step.
    void noteTap(Action action);
    void finishNaming();
    void onGameOver(const BoardEvent& event);
    // After the game-over moment: the menu with the list, and the name.
    void showMenuAfterGameOver();
    // A new goal for the spot light, anywhere in a box above and before the well.
    void moveLightGoal();
    // The game in play ends: its recording is saved, and the table's
    // recordings are kept in step with the table.
    std::string endRecording(bool keep, RecordedEnd how = RecordedEnd::Played);
    // The stream the sounds, the debris and the light draw from.
    CRandom& sceneryRandom();
    void watchChosenScore();
    CCamera& camera();

    GameParts parts;
    CPlayerSettings* playerSettings = nullptr;
    // Help paused a running game, which goes on when the help is hidden.
    bool resumeAfterHelp = false;
    State current = State::Menu;
    bool quitChosen = false;
    // Seconds since start; drives the idle camera path.
    float clock = 0.0f;
    // Seconds of play of the current game, for its high-score entry.
    float playTime = 0.0f;
    // Seconds of steps left in the game-over moment.
    float gameOverLeft = 0.0f;
    // The board's game ended (over, not paused): nothing says "Paused".
    bool boardOver = false;
    int lastMouseX = 0;
    int lastMouseY = 0;
    bool playingRecording = false;
    // How presses of Left and Right move the piece: every press a column, or
    // (recordings made before that rule) as a held key for one step.
    TapRule taps = TapRule::EveryPress;
    // Seeded at every game's start from where the rules' stream stands.
    CRandom scenery;
    // Replaying a game from when the scenery drew from the rules' stream.
    bool sceneryFromRules = false;
    // Arrow keys pressed since the last step. A press that is over before
    // the next step (a tap on a machine that draws slowly) still counts as
    // held for that one step, so no tap is lost.
    HeldKeys tappedSinceStep;
};
