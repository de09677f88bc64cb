// The game flow: menu and play, the key maps, and what the board's events
// set off (sounds, the light, debris, the HUD, the high-score entry).
#include "app/GameFlow.h"

#include <optional>

#include "app/GameRecorder.h"
#include "audio/SoundBank.h"
#include "files/GameFolders.h"
#include "game/GameBoard.h"
#include "game/HighScoreTable.h"
#include "game/Menu.h"
#include "game/Random.h"
#include "platform/InputSource.h"
#include "platform/Utf8.h"
#include "platform/VirtualKeys.h"
#include "render/Renderer.h"
#include "view/GameView.h"

namespace {

// What a board event sets off besides its data (which the flow hands on
// itself: the score to the HUD, a cleared row to the debris, the final score
// to the table). Every sound picks a random variant at the group's own
// volume and the centre pan; the spread raises the pitch by up to that many Hz.
struct Reaction {
    std::optional<Sound> sound;
    int pitchSpread = 0;
    bool moveLight = false;
};

constexpr Reaction reactionTo(BoardEvent event)
{
    switch (event) {
    case BoardEvent::NewPiece:
        return {Sound::NewBrick};
    case BoardEvent::PieceLanded:
        return {Sound::HitBrick, 3000};
    case BoardEvent::LevelUp:
        return {Sound::LevelUp, 0, true};
    default:
        return {};
    }
}

constexpr int letterKey(char letter) { return vk::LetterA + (letter - 'A'); }

} // namespace

CGameFlow::CGameFlow(const GameParts& parts) : parts(parts) { parts.board.setListener(this); }

CGameFlow::~CGameFlow()
{
    if (parts.board.listener == this)
        parts.board.setListener(nullptr);
}

CCamera& CGameFlow::camera() { return parts.renderer.camera; }

void CGameFlow::enterMenu(bool showScores)
{
    current = State::Menu;
    camera().eyeGoal = {0.0f, 1.0f, -30.0f};
    camera().targetGoal = {4.5f, 10.0f, 0.0f};
    parts.menu.visible = true;
    parts.menu.showScores = showScores;
    if (!showScores)
        parts.menu.chosenScore = -1;
    parts.sounds.playMenuMusic();
    // The idle camera path takes over the goals from the next step on.
    swayAmplitude = 10.0f;
    holdTime = -1.0f;
}

void CGameFlow::startGame()
{
    current = State::Playing;
    // Bricks of an earlier game would go on tumbling and sounding, drawing
    // from the random stream: every game starts with the floor clear.
    parts.view.debris().clear();
    if (parts.recorder && !replaying)
        parts.recorder->begin(parts.board);
    // A game played moves the table's entries: a pick would point elsewhere.
    if (!replaying)
        parts.menu.chosenScore = -1;
    parts.board.newGame(0);
    playTime = 0.0f;
    parts.menu.visible = false;
    parts.menu.showScores = false;
    camera().eyeGoal = {4.5f, 10.0f, -35.0f};
    camera().targetGoal = {4.5f, 10.0f, 0.0f};
    parts.sounds.playGameMusic();
    swayAmplitude = 1.0f;
    holdTime = -1.0f;
}

// The three draws happen even without a light: they are part of the game's
// one random sequence.
void CGameFlow::moveLightGoal()
{
    const float u1 = randomUnit();
    const float u2 = randomUnit();
    const float u3 = randomUnit();
    if (parts.renderer.lights.empty())
        return;
    parts.renderer.lights.front()->positionGoal = {30.0f - 60.0f * u3, 5.0f + 40.0f * u2, -42.0f - 10.0f * u1};
}

// The view's part comes first: the HUD takes the score, and a cleared row
// launches its bricks while the row still holds its colours.
void CGameFlow::onBoardEvent(BoardEvent event, int value)
{
    if (event == BoardEvent::ScoreChanged)
        parts.view.hud.targetScore = value;
    if (event == BoardEvent::RowCleared)
        parts.view.launchRow(value);

    const Reaction reaction = reactionTo(event);
    if (reaction.sound)
        parts.sounds.play(*reaction.sound, reaction.pitchSpread);
    if (reaction.moveLight)
        moveLightGoal();

    if (event == BoardEvent::RowsCleared)
        parts.sounds.playLines(value);
    if (event == BoardEvent::GameOver && !replaying) {
        HighScoreEntry* entry = parts.highScores.insert(value, parts.board.level, static_cast<int>(playTime));
        const std::string kept = endRecording(entry != nullptr);
        parts.menu.nameEntry = entry ? &entry->name : nullptr;
        if (entry) {
            entry->name.clear();
            entry->replay = kept;
        }
        enterMenu(true);
    }
}

// A pad's directions arrive as the arrow keys; its four buttons stand for the
// keys that do the same thing in each state. Names are typed on the keyboard:
// there Start only finishes the entry.
int CGameFlow::keyForPadButton(int key) const
{
    const bool playing = current == State::Playing;
    const bool typing = !playing && parts.menu.nameEntry;
    switch (key) {
    case vk::PadA: return playing ? vk::Up : typing ? 0 : vk::Return;
    case vk::PadB: return playing ? vk::Shift : 0;
    case vk::PadStart: return playing ? vk::Pause : vk::Return;
    case vk::PadBack: return playing ? vk::Escape : 0;
    default: return key;
    }
}

std::string CGameFlow::endRecording(bool keep)
{
    return parts.recorder ? parts.recorder->end(parts.board, keep) : std::string();
}

void CGameFlow::onKeyDown(int key)
{
    key = keyForPadButton(key);
    if (key == 0)
        return; // a pad button with nothing to do here: not even the menu's click
    if (current == State::Playing && parts.recorder)
        parts.recorder->keyDown(key);
    tappedSinceStep.left |= key == vk::Left;
    tappedSinceStep.right |= key == vk::Right;
    tappedSinceStep.down |= key == vk::Down;
    onGlobalKey(key);
    if (current == State::Playing)
        onPlayingKey(key);
    else if (parts.menu.nameEntry)
        onNameEntryKey(key);
    else
        onMenuKey(key);
}

void CGameFlow::onGlobalKey(int key)
{
    CRenderer& renderer = parts.renderer;
    switch (key) {
    case vk::Space:
        moveLightGoal();
        break;
    case letterKey('B'):
        renderer.enableBloom = !renderer.enableBloom;
        break;
    case letterKey('F'):
        renderer.filterFrameBuffer = !renderer.filterFrameBuffer;
        break;
    case letterKey('L'):
        renderer.enableShadow = !renderer.enableShadow;
        break;
    case letterKey('M'):
        renderer.enableMirror = !renderer.enableMirror;
        break;
    case vk::F2:
        parts.view.showFrameRate = !parts.view.showFrameRate;
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

void CGameFlow::onPlayingKey(int key)
{
    CGameBoard& board = parts.board;
    switch (key) {
    case vk::Up:
        if (board.tryRotate(+1))
            parts.sounds.play(Sound::Turn);
        break;
    case vk::Shift:
        if (board.tryRotate(-1))
            parts.sounds.play(Sound::Turn);
        break;
    case vk::Pause:
        board.running = !board.running;
        break;
    case vk::Escape:
        endRecording(false);
        enterMenu(false);
        break;
    case vk::PageUp:
        camera().moveInView(0.0f, 0.0f, -5.0f);
        camera().updateView();
        break;
    case vk::PageDown:
        camera().moveInView(0.0f, 0.0f, 5.0f);
        camera().updateView();
        break;
    case vk::F5:
        parts.renderer.reloadMaterials();
        if (parts.showNotice)
            parts.showNotice("reloaded");
        break;
    case vk::F11:
        board.levelUp();
        break;
    default:
        break;
    }
}

// While a high-score name is typed only these keys act; the letters arrive
// as characters.
void CGameFlow::onNameEntryKey(int key)
{
    std::string& name = *parts.menu.nameEntry;
    if (key == vk::Backspace) {
        removeLastUtf8Character(name);
    } else if (key == vk::Return || key == vk::Escape) {
        parts.menu.nameEntry = nullptr;
        // An installed game keeps the table in the player's data folder,
        // made when the first name is saved. The player learns at once that
        // this score will not be there next time.
        makeFolderFor(parts.highScores.path());
        const bool saved = parts.highScores.save();
        parts.menu.scoresNotice = saved ? "" : "The high scores could not be saved";
        if (saved && parts.recorder)
            parts.recorder->keepOnly(parts.highScores);
    }
}

void CGameFlow::onMenuKey(int key)
{
    parts.sounds.play(Sound::MenuItem);
    CMenu& menu = parts.menu;
    switch (key) {
    case vk::Return:
        if (watchChosenScore())
            break;
        if (menu.selected == CMenu::PlayItem)
            startGame();
        else if (menu.selected == CMenu::HighScoreItem)
            menu.showScores = !menu.showScores;
        else
            quitChosen = true;
        if (!menu.showScores)
            menu.chosenScore = -1;
        break;
    case vk::Escape:
        quitChosen = true;
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
        // While the list shows, 1 to 9 and 0 pick an entry to watch.
        if (menu.showScores && key >= vk::Digit0 && key <= vk::Digit0 + 9)
            menu.chosenScore = (key - vk::Digit0 + 9) % 10;
        break;
    }
}

// Enter on a picked high-score entry that kept its recording plays it.
bool CGameFlow::watchChosenScore()
{
    const CMenu& menu = parts.menu;
    if (!menu.showScores || menu.chosenScore < 0 || menu.chosenScore >= CHighScoreTable::EntryCount)
        return false;
    const std::string& name = parts.highScores.entry(menu.chosenScore).replay;
    if (name.empty() || !parts.watchRecording)
        return false;
    // One that cannot play says why in a notice; Enter does nothing else then.
    parts.watchRecording(name);
    return true;
}

// Typed characters go into the high-score name, stored as UTF-8. The classic
// range of 32 to 229 is kept: control characters and everything above it are
// ignored.
void CGameFlow::onCharacter(uint32_t character)
{
    if (current != State::Menu || !parts.menu.nameEntry)
        return;
    if (character >= 32 && character <= 229)
        appendUtf8(*parts.menu.nameEntry, character);
}

void CGameFlow::onMouseMove(int x, int y, unsigned buttons)
{
    const int dx = lastMouseX - x;
    const int dy = lastMouseY - y;
    if (dragCamera(camera(), dx, dy, buttons & MouseLeft, buttons & MouseRight, buttons & MouseMiddle))
        holdTime = 5.0f;
    lastMouseX = x;
    lastMouseY = y;
}

void CGameFlow::onFocusLost()
{
    if (pauseOnFocusLoss && current == State::Playing)
        parts.board.running = false;
}

void CGameFlow::advanceFrameClock(double elapsed)
{
    clock = static_cast<float>(clock + elapsed);
    if (holdTime > 0.0f)
        holdTime = static_cast<float>(holdTime - elapsed);
}

void CGameFlow::step(float dt, const CInputSource& input)
{
    CGameBoard& board = parts.board;
    board.pollKeys({input.isHeld(vk::Left) || tappedSinceStep.left, input.isHeld(vk::Right) || tappedSinceStep.right,
                    input.isHeld(vk::Down) || tappedSinceStep.down});
    tappedSinceStep = {};
    parts.view.stepUpdate(dt, board.running);
    camera().smoothStep(dt);
    if (!parts.renderer.lights.empty())
        parts.renderer.lights.front()->smoothStep();
    parts.menu.update(dt);
    if (current == State::Playing) {
        if (board.running)
            playTime += dt;
        board.step(dt);
    }
    if (holdTime <= 0.0f)
        camera().idleCameraPath(clock, swayAmplitude, current == State::Playing);
    camera().clampHeight();
}
