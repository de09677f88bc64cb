// The game flow: menu and play, the key map and the board's events.
#include "app/Application.h"
#include "game/GameBoard.h"
#include "platform/VirtualKeys.h"

void CApplication::enterMenu(bool /*showScores*/)
{
    state = Menu;
    swayAmplitude = 10.0f;
    holdTime = -1.0f;
}

void CApplication::startGame()
{
    state = Playing;
    board->newGame(0);
    swayAmplitude = 1.0f;
    holdTime = -1.0f;
}

void CApplication::randomizeLightGoal() {}

void CApplication::onBoardEvent(int, int) {}

void CApplication::onKeyDown(int key)
{
    onGlobalKey(key);
    if (state == Playing)
        onPlayingKey(key);
    else
        onMenuKey(key);
}

void CApplication::onGlobalKey(int key)
{
    switch (key) {
    case vk::F3:
        if (swayAmplitude > 0.0f)
            swayAmplitude -= 0.5f;
        break;
    case vk::F4:
        swayAmplitude += 0.5f;
        break;
    case vk::F6:
        frameLimit = 30 - frameLimit;
        break;
    default:
        break;
    }
}

void CApplication::onPlayingKey(int key)
{
    switch (key) {
    case vk::Up:
        board->tryRotate(+1);
        break;
    case vk::Shift:
        board->tryRotate(-1);
        break;
    case vk::Pause:
        board->running = !board->running;
        break;
    case vk::Escape:
        enterMenu(false);
        break;
    case vk::F11:
        board->levelUp();
        break;
    default:
        break;
    }
}

void CApplication::onMenuKey(int key)
{
    if (key == vk::Return)
        startGame();
    else if (key == vk::Escape)
        destroyWindow();
}

void CApplication::onCharacter(uint32_t) {}

void CApplication::onMouseMove(int x, int y, unsigned)
{
    lastMouseX = x;
    lastMouseY = y;
}
