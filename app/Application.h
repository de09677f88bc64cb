#pragma once
// The game itself: the frame with its fixed steps, the two states (menu and
// playing), the key map and the reactions to the board's events. It owns no
// game object; it wires the single instances made at start-up together.
#include <cstdint>
#include <string>

#include "app/ApplicationBase.h"
#include "game/GameBoardListener.h"
#include "game/HeldKeys.h"

class CGameBoard;
class CGameView;
class CHighScoreTable;
class CMenu;
class CMenuScreen;
class CRenderer;

// The long-lived game objects, created once at start-up.
struct GameObjects {
    CGameBoard* board = nullptr;
    CHighScoreTable* highScores = nullptr;
    CRenderer* renderer = nullptr;
    CGameView* view = nullptr;
    CMenu* menu = nullptr;
    // The menu's pictures and fonts, drawn over every frame.
    CMenuScreen* menuScreen = nullptr;
};

class CApplication : public CApplicationBase, public CGameBoardListener {
public:
    enum State { Menu = 0, Playing = 1 };

    CApplication();

    // The single instances the game drives; set once at start-up.
    void attach(const GameObjects& objects);
    const GameObjects& objects() const { return game; }
    // The input source the loop reads; the board polls its held keys.
    void setInput(const CInputSource* input) { heldKeys.input = input; }

    // Game flow.
    void enterMenu(bool showScores);
    void startGame();
    void randomizeLightGoal();
    void onBoardEvent(int type, int value) override;

    // Input, as delivered between frames.
    void onKeyDown(int key);
    void onGlobalKey(int key);
    void onCharacter(uint32_t character);
    void onMouseMove(int x, int y, unsigned buttons);

    // One simulation step of StepLength seconds.
    void step(float dt);

    int state = Menu;
    int frameLimit = 0;
    float clock = 0.0f;
    float holdTime = 0.0f;
    float swayAmplitude = 1.0f;
    int lastMouseX = 0;
    int lastMouseY = 0;
    float stepAccumulator = 0.0f;

protected:
    void frame(double elapsed) override;
    void onDeviceReset() override {}
    void onMessage(const InputMessage& message) override;

private:
    void onPlayingKey(int key);
    void onMenuKey(int key);
    void onNameEntryKey(int key);
    void drawFrame();
    // Seconds of play of the current game, for its high-score entry.
    float playTime = 0.0f;

    // The board polls held keys through the current input source.
    class HeldKeys : public CHeldKeys {
    public:
        bool isHeld(int virtualKey) const override { return input && input->isHeld(virtualKey); }
        const CInputSource* input = nullptr;
    };

    GameObjects game;
    CGameBoard* board = nullptr; // game.board, used on every step
    HeldKeys heldKeys;
};

// The one application, published at start-up.
CApplication& application();
void publishApplication(CApplication* app);
