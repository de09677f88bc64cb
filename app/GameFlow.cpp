// The game flow: menu and play, what each action does in them, and what the
// board's events set off (sounds, the light, debris, the HUD, the high-score
// entry).
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
#include "render/Renderer.h"
#include "view/GameView.h"

namespace {

// What a board event sets off besides its data (which the flow hands on
// itself: the score to the HUD, a cleared row to the debris, the final score
// to the table): every sound the board's play makes. Every sound picks a
// random variant at the group's own volume and the centre pan; the spread
// raises the pitch by up to that many Hz.
struct Reaction {
    std::optional<Sound> sound;
    int pitchSpread = 0;
    bool moveLight = false;
};

Reaction reactionTo(const BoardEvent& event)
{
    switch (event.kind) {
    case BoardEventKind::NewPiece:
        return {Sound::NewBrick};
    case BoardEventKind::PieceLanded:
        return {Sound::HitBrick, 3000};
    case BoardEventKind::PieceTurned:
        return {Sound::Turn};
    case BoardEventKind::RowsCleared:
        return {lineSound(event.count)};
    case BoardEventKind::LevelUp:
        return {Sound::LevelUp, 0, true};
    default:
        return {};
    }
}

} // namespace

CGameFlow::CGameFlow(const GameParts& parts) : parts(parts) { parts.board.setListener(this); }

CGameFlow::~CGameFlow()
{
    parts.board.forgetListener(this);
}

CCamera& CGameFlow::camera() { return parts.renderer.camera; }

void CGameFlow::enterMenu(bool showScores)
{
    current = State::Menu;
    camera().eyeGoal = {0.0f, 1.0f, -30.0f};
    camera().targetGoal = {4.5f, 10.0f, 0.0f};
    parts.menu.show(showScores);
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
    if (parts.recorder && !playingRecording)
        parts.recorder->begin(parts.board);
    // A game played moves the table's entries: a pick would point elsewhere.
    if (!playingRecording)
        parts.menu.forgetPick();
    parts.board.newGame();
    playTime = 0.0f;
    parts.menu.hide();
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

void CGameFlow::startReplayedGame()
{
    playingRecording = true;
    startGame();
}

void CGameFlow::endReplayedGame()
{
    playingRecording = false;
    enterMenu(true);
}

// The view's part comes first: the HUD takes the score, and a cleared row
// launches its bricks in the colours it had.
void CGameFlow::onBoardEvent(const BoardEvent& event)
{
    if (event.kind == BoardEventKind::ScoreChanged)
        parts.view.hud.targetScore = event.score;
    if (event.kind == BoardEventKind::RowCleared)
        parts.view.launchRow(event.row, event.rowColours);

    const Reaction reaction = reactionTo(event);
    if (reaction.sound)
        parts.sounds.play(*reaction.sound, reaction.pitchSpread);
    if (reaction.moveLight)
        moveLightGoal();

    if (event.kind == BoardEventKind::GameOver && !playingRecording)
        onGameOver(event);
}

// A score good enough for the table gets its entry, named next by the player.
void CGameFlow::onGameOver(const BoardEvent& event)
{
    HighScoreEntry* entry = parts.highScores.insert(event.score, event.level, static_cast<int>(playTime));
    const std::string kept = endRecording(entry != nullptr);
    if (entry) {
        entry->name.clear();
        entry->replay = kept;
        parts.menu.startNaming(*entry);
    } else {
        parts.menu.finishNaming();
    }
    enterMenu(true);
}

std::string CGameFlow::endRecording(bool keep)
{
    return parts.recorder ? parts.recorder->end(parts.board, keep) : std::string();
}

KeyContext CGameFlow::keyContext() const
{
    if (current == State::Playing)
        return KeyContext::Playing;
    return parts.menu.typingName() ? KeyContext::NameEntry : KeyContext::Menu;
}

void CGameFlow::onAction(Action action)
{
    if (current == State::Playing) {
        if (parts.recorder)
            parts.recorder->record(action);
        noteTap(action);
    }
    switchPicture(action);
    if (current == State::Playing)
        onPlayingAction(action);
    else if (parts.menu.typingName())
        onNameEntryAction(action);
    else
        onMenuAction(action);
}

void CGameFlow::noteTap(Action action)
{
    tappedSinceStep.left |= action == Action::SlideLeft;
    tappedSinceStep.right |= action == Action::SlideRight;
    tappedSinceStep.down |= action == Action::DropFaster;
}

// The light and the picture's switches, the same in every state.
bool CGameFlow::switchPicture(Action action)
{
    CRenderer& renderer = parts.renderer;
    switch (action) {
    case Action::MoveLight: moveLightGoal(); return true;
    case Action::ToggleBloom: renderer.enableBloom = !renderer.enableBloom; return true;
    case Action::ToggleFilter: renderer.filterFrameBuffer = !renderer.filterFrameBuffer; return true;
    case Action::ToggleShadow: renderer.enableShadow = !renderer.enableShadow; return true;
    case Action::ToggleMirror: renderer.enableMirror = !renderer.enableMirror; return true;
    case Action::ToggleFrameRate: parts.view.showFrameRate = !parts.view.showFrameRate; return true;
    case Action::CalmSway:
        if (swayAmplitude > 0.0f)
            swayAmplitude -= 0.5f;
        return true;
    case Action::WidenSway: swayAmplitude += 0.5f; return true;
    case Action::ToggleFrameLimit: frameLimit = 30 - frameLimit; return true;
    default: return false;
    }
}

void CGameFlow::onPlayingAction(Action action)
{
    CGameBoard& board = parts.board;
    switch (action) {
    case Action::TurnClockwise: board.tryRotate(+1); break;
    case Action::TurnAnticlockwise: board.tryRotate(-1); break;
    case Action::Pause: board.togglePause(); break;
    case Action::LevelUp: board.levelUp(); break;
    case Action::LeaveGame:
        endRecording(false);
        enterMenu(false);
        break;
    case Action::CameraCloser:
    case Action::CameraFarther:
        camera().moveInView(0.0f, 0.0f, action == Action::CameraCloser ? -5.0f : 5.0f);
        camera().updateView();
        break;
    case Action::ReloadShaders:
        parts.renderer.reloadMaterials();
        if (parts.showNotice)
            parts.showNotice("reloaded");
        break;
    default: break;
    }
}

// While a high-score name is typed only these act; the letters arrive as
// characters.
void CGameFlow::onNameEntryAction(Action action)
{
    if (action == Action::EraseLetter)
        removeLastUtf8Character(parts.menu.entryBeingNamed()->name);
    else if (action == Action::FinishName)
        finishNaming();
}

void CGameFlow::finishNaming()
{
    parts.menu.finishNaming();
    // An installed game keeps the table in the player's data folder, made
    // when the first name is saved. The player learns at once that this
    // score will not be there next time.
    makeFolderFor(parts.highScores.path());
    const bool saved = parts.highScores.save();
    parts.menu.setScoresNotice(saved ? "" : "The high scores could not be saved");
    if (saved && parts.recorder)
        parts.recorder->keepOnly(parts.highScores);
}

void CGameFlow::onMenuAction(Action action)
{
    parts.sounds.play(Sound::MenuItem);
    CMenu& menu = parts.menu;
    switch (action) {
    case Action::Choose:
        if (watchChosenScore())
            break;
        if (menu.selectedItem() == CMenu::PlayItem)
            startGame();
        else if (menu.selectedItem() == CMenu::HighScoreItem)
            menu.toggleScores();
        else
            quitChosen = true;
        if (!menu.showsScores())
            menu.forgetPick();
        break;
    case Action::Quit: quitChosen = true; break;
    case Action::PreviousItem: menu.selectPrevious(); break;
    case Action::NextItem: menu.selectNext(); break;
    default:
        // While the list shows, an entry can be picked to watch.
        if (pickedEntry(action) >= 0)
            menu.pickEntry(pickedEntry(action));
        break;
    }
}

// Enter on a picked high-score entry that kept its recording plays it.
bool CGameFlow::watchChosenScore()
{
    const CMenu& menu = parts.menu;
    if (!menu.showsScores() || menu.chosenScore() < 0 || menu.chosenScore() >= CHighScoreTable::EntryCount)
        return false;
    const std::string& name = parts.highScores.entry(menu.chosenScore()).replay;
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
    HighScoreEntry* named = parts.menu.entryBeingNamed();
    if (current != State::Menu || !named)
        return;
    if (character >= 32 && character <= 229)
        appendUtf8(named->name, character);
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
        parts.board.pause();
}

void CGameFlow::advanceFrameClock(double elapsed)
{
    clock = static_cast<float>(clock + elapsed);
    if (holdTime > 0.0f)
        holdTime = static_cast<float>(holdTime - elapsed);
}

void CGameFlow::step(float dt, const HeldKeys& held)
{
    CGameBoard& board = parts.board;
    board.pollKeys({held.left || tappedSinceStep.left, held.right || tappedSinceStep.right,
                    held.down || tappedSinceStep.down});
    tappedSinceStep = {};
    parts.view.stepUpdate(dt, board.isRunning());
    camera().smoothStep(dt);
    if (!parts.renderer.lights.empty())
        parts.renderer.lights.front()->smoothStep();
    parts.menu.update(dt);
    if (current == State::Playing) {
        if (board.isRunning())
            playTime += dt;
        board.step(dt);
    }
    if (holdTime <= 0.0f)
        camera().idleCameraPath(clock, swayAmplitude, current == State::Playing);
    camera().clampHeight();
}
