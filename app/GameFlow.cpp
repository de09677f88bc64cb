// The game flow: menu and play, the key map, and what the board's events set
// off (sounds, the light, the high-score entry).
#include <cmath>

#include "app/Application.h"
#include "audio/SoundBank.h"
#include "game/GameBoard.h"
#include "game/HighScoreTable.h"
#include "game/Menu.h"
#include "platform/Utf8.h"
#include "platform/VirtualKeys.h"
#include "game/Random.h"
#include "render/Renderer.h"
#include "view/GameView.h"

namespace {

// Every effect the flow plays picks a random variant, uses the group's own
// volume and the centre pan.
void playEffect(Sound sound, int pitchSpread = 0) { soundBank().group(sound).play(-1, -1, -1, pitchSpread); }

} // namespace

void CApplication::enterMenu(bool showScores)
{
    state = Menu;
    CCamera& camera = game.renderer->camera;
    camera.eyeGoal = {0.0f, 1.0f, -30.0f};
    camera.targetGoal = {4.5f, 10.0f, 0.0f};
    game.menu->visible = true;
    game.menu->showScores = showScores;
    soundBank().playMenuMusic();
    // The idle camera path takes over the goals from the next step on.
    swayAmplitude = 10.0f;
    holdTime = -1.0f;
}

void CApplication::startGame()
{
    state = Playing;
    board->newGame(0);
    playTime = 0.0f;
    game.menu->visible = false;
    game.menu->showScores = false;
    CCamera& camera = game.renderer->camera;
    camera.eyeGoal = {4.5f, 10.0f, -35.0f};
    camera.targetGoal = {4.5f, 10.0f, 0.0f};
    soundBank().playGameMusic();
    swayAmplitude = 1.0f;
    holdTime = -1.0f;
}

void CApplication::randomizeLightGoal()
{
    const float u1 = randomUnit();
    const float u2 = randomUnit();
    const float u3 = randomUnit();
    if (game.renderer->lights.empty())
        return;
    game.renderer->lights.front()->positionGoal = {30.0f - 60.0f * u3, 5.0f + 40.0f * u2, -42.0f - 10.0f * u1};
}

// The view sees every event first: the HUD takes the score, and a cleared row
// launches its bricks while the row still holds its colours.
void CApplication::onBoardEvent(int type, int value)
{
    game.view->onBoardEvent(type, value, board->grid.data());
    switch (type) {
    case GameOver: {
        const int seconds = static_cast<int>(playTime);
        HighScoreEntry* entry = game.highScores->insert(value, board->level, seconds);
        game.menu->nameEntry = entry ? &entry->name : nullptr;
        if (entry)
            entry->name.clear();
        enterMenu(true);
        break;
    }
    case NewPiece:
        playEffect(Sound::NewBrick);
        break;
    case RowsCleared:
        soundBank().playLines(value);
        break;
    case LevelUp:
        playEffect(Sound::LevelUp);
        randomizeLightGoal();
        break;
    case PieceLanded:
        playEffect(Sound::HitBrick, 3000);
        break;
    default:
        break;
    }
}

void CApplication::onKeyDown(int key)
{
    onGlobalKey(key);
    if (state == Playing)
        onPlayingKey(key);
    else if (game.menu->nameEntry)
        onNameEntryKey(key);
    else
        onMenuKey(key);
}

void CApplication::onGlobalKey(int key)
{
    CRenderer& renderer = *game.renderer;
    switch (key) {
    case vk::Space:
        randomizeLightGoal();
        break;
    case vk::LetterA + ('B' - 'A'):
        renderer.enableBloom = !renderer.enableBloom;
        break;
    case vk::LetterA + ('F' - 'A'):
        renderer.filterFrameBuffer = !renderer.filterFrameBuffer;
        break;
    case vk::LetterA + ('L' - 'A'):
        renderer.enableShadow = !renderer.enableShadow;
        break;
    case vk::LetterA + ('M' - 'A'):
        renderer.enableMirror = !renderer.enableMirror;
        break;
    case vk::F2:
        game.view->showFrameRate = !game.view->showFrameRate;
        break;
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
    CCamera& camera = game.renderer->camera;
    switch (key) {
    case vk::Up:
        if (board->tryRotate(+1))
            playEffect(Sound::Turn);
        break;
    case vk::Shift:
        if (board->tryRotate(-1))
            playEffect(Sound::Turn);
        break;
    case vk::Pause:
        board->running = !board->running;
        break;
    case vk::Escape:
        enterMenu(false);
        break;
    case vk::PageUp:
        camera.moveInView(0.0f, 0.0f, -5.0f);
        camera.updateView();
        break;
    case vk::PageDown:
        camera.moveInView(0.0f, 0.0f, 5.0f);
        camera.updateView();
        break;
    case vk::F5:
        game.renderer->reloadMaterials();
        window().setTitle("reloaded");
        break;
    case vk::F11:
        board->levelUp();
        break;
    default:
        break;
    }
}

// While a high-score name is typed only these keys act; the letters arrive
// as characters.
void CApplication::onNameEntryKey(int key)
{
    std::string& name = *game.menu->nameEntry;
    if (key == vk::Backspace) {
        removeLastUtf8Character(name);
    } else if (key == vk::Return || key == vk::Escape) {
        game.menu->nameEntry = nullptr;
        game.highScores->save();
    }
}

void CApplication::onMenuKey(int key)
{
    playEffect(Sound::MenuItem);
    CMenu& menu = *game.menu;
    switch (key) {
    case vk::Return:
        if (menu.selected == CMenu::PlayItem)
            startGame();
        else if (menu.selected == CMenu::HighScoreItem)
            menu.showScores = !menu.showScores;
        else
            destroyWindow();
        break;
    case vk::Escape:
        destroyWindow();
        break;
    case vk::Left:
    case vk::Up:
        menu.selected = (menu.selected + CMenu::ItemCount - 1) % CMenu::ItemCount;
        break;
    case vk::Right:
    case vk::Down:
        menu.selected = (menu.selected + 1) % CMenu::ItemCount;
        break;
    default:
        break;
    }
}

// Typed characters go into the high-score name, stored as UTF-8. The classic
// range of 32 to 229 is kept: control characters and everything above it are
// ignored.
void CApplication::onCharacter(uint32_t character)
{
    if (state != Menu || !game.menu->nameEntry)
        return;
    if (character >= 32 && character <= 229)
        appendUtf8(*game.menu->nameEntry, character);
}

void CApplication::onMouseMove(int x, int y, unsigned buttons)
{
    const int dx = lastMouseX - x;
    const int dy = lastMouseY - y;
    if (dragCamera(game.renderer->camera, dx, dy, buttons & MouseLeft, buttons & MouseRight, buttons & MouseMiddle))
        holdTime = 5.0f;
    lastMouseX = x;
    lastMouseY = y;
}
