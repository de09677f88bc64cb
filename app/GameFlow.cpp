// The game flow: menu and play, the key maps, and what the board's events
// set off (sounds, the light, debris, the HUD, the high-score entry).
#include "app/GameFlow.h"

#include <optional>

#include "app/GameRecorder.h"
#include "app/PlayerSettings.h"
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
// keys that do the same thing in each state. A name is entered with A and B
// themselves (see onNameEntryKey), and Start finishes it as Enter does; on
// the options screen B and Back go back as Escape does.
int CGameFlow::keyForPadButton(int key) const
{
    const bool playing = current == State::Playing;
    const bool typing = !playing && parts.menu.nameEntry;
    const bool options = !playing && !typing && parts.menu.options.isOpen();
    switch (key) {
    case vk::PadA: return playing ? vk::Up : typing ? vk::PadA : vk::Return;
    case vk::PadB: return playing ? vk::Shift : typing ? vk::PadB : options ? vk::Escape : 0;
    case vk::PadStart: return playing ? vk::Pause : typing ? vk::PadStart : vk::Return;
    case vk::PadBack: return playing ? vk::Escape : options ? vk::Escape : 0;
    default: return key;
    }
}

std::string CGameFlow::endRecording(bool keep)
{
    return parts.recorder ? parts.recorder->end(parts.board, keep) : std::string();
}

void CGameFlow::onKeyDown(int key)
{
    // Help shown: any key or button hides it and does nothing else.
    if (parts.menu.helpShown) {
        hideHelp();
        return;
    }
    const bool typing = current == State::Menu && parts.menu.nameEntry;
    if (key == vk::F1 || (key == vk::PadBack && current == State::Menu && !typing && !parts.menu.options.isOpen())) {
        showHelp();
        return;
    }
    // Many laptops have no Pause key.
    if (current == State::Playing && key == letterKey('P'))
        key = vk::Pause;
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
    else if (parts.menu.options.isOpen())
        onOptionsKey(key);
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
        return;
    }
    keepSwitches();
}

void CGameFlow::keepSwitches()
{
    // A recording's keys switch the picture while it plays; they are not the
    // player's settings.
    if (!playerSettings || replaying)
        return;
    playerSettings->takeFromGame();
    // The screen, when open, shows what the key switched.
    if (parts.menu.options.isOpen())
        parts.menu.options.refresh(playerSettings->optionValues());
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
// as characters. A pad picks a letter with up and down, keeps it with A or
// right, drops it (or the last letter kept) with B or left; Start keeps the
// name with the letter being picked. Enter and Escape keep the name as typed.
void CGameFlow::onNameEntryKey(int key)
{
    std::string& name = *parts.menu.nameEntry;
    char& picked = parts.menu.pickedLetter;
    switch (key) {
    case vk::Up:
        picked = nextNameLetter(picked, +1);
        break;
    case vk::Down:
        picked = nextNameLetter(picked, -1);
        break;
    case vk::PadA:
    case vk::Right:
        if (picked != 0)
            name += picked;
        picked = 0;
        break;
    case vk::PadB:
    case vk::Left:
        if (picked != 0)
            picked = 0;
        else
            removeLastUtf8Character(name);
        break;
    case vk::Backspace:
        removeLastUtf8Character(name);
        break;
    case vk::PadStart:
        if (picked != 0)
            name += picked;
        finishName();
        break;
    case vk::Return:
    case vk::Escape:
        finishName();
        break;
    default:
        break;
    }
}

void CGameFlow::finishName()
{
    parts.menu.pickedLetter = 0;
    parts.menu.nameEntry = nullptr;
    // An installed game keeps the table in the player's data folder, made
    // when the first name is saved. The player learns at once that this
    // score will not be there next time.
    makeFolderFor(parts.highScores.path());
    const bool saved = parts.highScores.save();
    parts.menu.scoresNotice = saved ? "" : "The high scores could not be saved";
    if (saved && parts.recorder)
        parts.recorder->keepOnly(parts.highScores);
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
        else if (menu.selected == CMenu::OptionsItem)
            openOptions();
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

// The help holds a running game as the Pause key would, and is recorded as
// that key, so that a replay stands still where the game did.
void CGameFlow::showHelp()
{
    parts.menu.helpShown = true;
    resumeAfterHelp = current == State::Playing && parts.board.running;
    if (resumeAfterHelp)
        togglePauseRecorded();
}

void CGameFlow::hideHelp()
{
    parts.menu.helpShown = false;
    if (resumeAfterHelp && current == State::Playing && !parts.board.running)
        togglePauseRecorded();
    resumeAfterHelp = false;
}

void CGameFlow::togglePauseRecorded()
{
    if (parts.recorder)
        parts.recorder->keyDown(vk::Pause);
    parts.board.running = !parts.board.running;
}

void CGameFlow::openOptions()
{
    if (playerSettings)
        parts.menu.options.open(playerSettings->optionValues());
    else
        parts.menu.options.open(OptionValues{});
}

void CGameFlow::onOptionsKey(int key)
{
    parts.sounds.play(Sound::MenuItem);
    switch (key) {
    case vk::Up: moveInOptions(OptionsMove::Up); break;
    case vk::Down: moveInOptions(OptionsMove::Down); break;
    case vk::Left: moveInOptions(OptionsMove::Left); break;
    case vk::Right: moveInOptions(OptionsMove::Right); break;
    case vk::Return: moveInOptions(OptionsMove::Take); break;
    case vk::Escape:
    case vk::Backspace: moveInOptions(OptionsMove::Back); break;
    default: break;
    }
}

void CGameFlow::moveInOptions(OptionsMove move)
{
    const OptionsOutcome outcome = parts.menu.options.move(move);
    if (!playerSettings)
        return;
    if (outcome.changed) {
        playerSettings->change(outcome.option, outcome.value);
        // Full screen may not be granted; the screen shows what the window did.
        parts.menu.options.refresh(playerSettings->optionValues());
    }
    if (outcome.leave && !playerSettings->save() && parts.showNotice)
        parts.showNotice("Vesbrik - the settings could not be saved");
}

void CGameFlow::onMouseDown(int x, int y, unsigned button, int pictureWidth, int pictureHeight)
{
    CMenu& menu = parts.menu;
    if (menu.helpShown) {
        hideHelp();
        return;
    }
    if (current != State::Menu || menu.nameEntry || !menu.fullyShown())
        return;
    if (!menu.options.isOpen()) {
        const int item = CMenu::itemAt(x, y, pictureWidth, pictureHeight);
        if (item < 0 || button != MouseLeft)
            return;
        menu.selected = item;
        onMenuKey(vk::Return);
        return;
    }
    parts.sounds.play(Sound::MenuItem);
    const OptionsLayout layout(pictureWidth, pictureHeight);
    if (layout.onHint(x, y)) {
        moveInOptions(OptionsMove::Back);
        return;
    }
    const int row = layout.rowAt(x, y, menu.options.rowCount());
    if (row < 0)
        return;
    menu.options.point(row, layout.tabAt(x));
    if (row > 0)
        moveInOptions(button == MouseRight ? OptionsMove::TakeBack : OptionsMove::Take);
}

// Pointing picks, clicking takes: the item or row under the mouse becomes
// the chosen one. On the page row it stays on the page shown until a click.
void CGameFlow::onMousePoint(int x, int y, int pictureWidth, int pictureHeight)
{
    CMenu& menu = parts.menu;
    if (current != State::Menu || menu.nameEntry || menu.helpShown || !menu.fullyShown())
        return;
    if (!menu.options.isOpen()) {
        const int item = CMenu::itemAt(x, y, pictureWidth, pictureHeight);
        if (item >= 0)
            menu.selected = item;
        return;
    }
    const OptionsLayout layout(pictureWidth, pictureHeight);
    const int row = layout.rowAt(x, y, menu.options.rowCount());
    if (row >= 0)
        menu.options.point(row, menu.options.page());
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
    if (character >= 32 && character <= 229) {
        appendUtf8(*parts.menu.nameEntry, character);
        parts.menu.pickedLetter = 0;
    }
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
    parts.menu.gamePaused = current == State::Playing && !board.running;
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
