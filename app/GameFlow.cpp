// The game flow: menu and play, what each action does in them, and what the
// board's events set off (sounds, the light, debris, the HUD, the high-score
// entry).
#include "app/GameFlow.h"

#include <optional>

#include "app/GameRecorder.h"
#include "app/PlayerSettings.h"
#include "audio/SoundBank.h"
#include "files/GameFolders.h"
#include "game/GameBoard.h"
#include "game/HighScoreTable.h"
#include "game/Menu.h"
#include "platform/InputSource.h"
#include "platform/Utf8.h"
#include "platform/VirtualKeys.h"
#include "render/Renderer.h"
#include "view/GameView.h"
#include "view/MenuLayout.h"
#include "view/OptionsLayout.h"

namespace {

// Said under the list when Enter on a picked entry finds its recording gone or
// unplayable; the window's title (unseen in full screen) says why in full.
constexpr const char* RecordingNotPlayable = "That game's recording cannot be played";

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

CGameFlow::CGameFlow(const GameParts& parts)
    : parts(parts), scenery(scenerySeed(parts.board.random().state()))
{
    parts.board.setListener(this);
    parts.view.debris().setImpactSoundSink(this);
}

CGameFlow::~CGameFlow()
{
    parts.board.forgetListener(this);
    parts.view.debris().setImpactSoundSink(nullptr);
}

CRandom& CGameFlow::sceneryRandom() { return sceneryFromRules ? parts.board.sharedRandom() : scenery; }

CCamera& CGameFlow::camera() { return parts.renderer.camera(); }

void CGameFlow::setPlayerSettings(CPlayerSettings* settings)
{
    playerSettings = settings;
    showKeys();
}

// The controls page's rows and tables, and the help, show the keys bound now.
void CGameFlow::showKeys()
{
    const CKeyBindings& keys = keyBindings();
    parts.menu.options().setControls(keyboardControls(keys), padControls(keys));
    if (playerSettings && parts.menu.options().isOpen())
        parts.menu.options().refresh(playerSettings->optionPages());
}

bool CGameFlow::waitsForKey() const
{
    return current == State::Menu && parts.menu.options().isOpen() && parts.menu.options().waitingForKey();
}

void CGameFlow::takeKey(int keyOrButton)
{
    COptionsMenu& options = parts.menu.options();
    if (!waitsForKey())
        return;
    std::string said;
    if (keyOrButton != vk::Escape && playerSettings)
        said = playerSettings->bindKey(options.chosenSetting() - KeyRowSetting, keyOrButton).value_or("");
    options.stopWaiting(said);
    parts.sounds.play(Sound::MenuItem, sceneryRandom());
    showKeys();
}

const CKeyBindings& CGameFlow::keyBindings() const
{
    static const CKeyBindings defaults;
    return playerSettings ? playerSettings->current().keys : defaults;
}

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
    boardOver = false;
    // The last game's bricks stay on the floor. A replay starts with the
    // floor clear: its recording does not say where they lay.
    if (playingRecording)
        parts.view.debris().clear();
    else
        sceneryFromRules = false;
    scenery = CRandom(scenerySeed(parts.board.random().state()));
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

// The three draws happen even without a light, so the scenery draws the same
// numbers after it whether or not there is one.
void CGameFlow::moveLightGoal()
{
    CRandom& random = sceneryRandom();
    const float u1 = random.randomUnit();
    const float u2 = random.randomUnit();
    const float u3 = random.randomUnit();
    if (parts.renderer.lights().empty())
        return;
    parts.renderer.lights().front()->positionGoal = {30.0f - 60.0f * u3, 5.0f + 40.0f * u2, -42.0f - 10.0f * u1};
}

void CGameFlow::startReplayedGame(bool oneSharedStream, TapRule rule)
{
    playingRecording = true;
    sceneryFromRules = oneSharedStream;
    taps = rule;
    startGame();
}

void CGameFlow::endReplayedGame()
{
    playingRecording = false;
    sceneryFromRules = false;
    taps = TapRule::EveryPress;
    enterMenu(true);
}

// The view's part comes first: the HUD takes the score, and a cleared row
// launches its bricks in the colours it had.
void CGameFlow::onBoardEvent(const BoardEvent& event)
{
    if (event.kind == BoardEventKind::ScoreChanged)
        parts.view.hud.targetScore = event.score;
    if (event.kind == BoardEventKind::RowCleared)
        parts.view.launchRow(event.row, event.rowColours, sceneryRandom());

    const Reaction reaction = reactionTo(event);
    if (reaction.sound)
        parts.sounds.play(*reaction.sound, sceneryRandom(), reaction.pitchSpread);
    if (reaction.moveLight)
        moveLightGoal();

    if (event.kind == BoardEventKind::GameOver) {
        boardOver = true;
        // The shown score stops at the final one, not on its way up to it.
        parts.view.hud.displayedScore = static_cast<float>(parts.view.hud.targetScore);
        if (!playingRecording)
            onGameOver(event);
    }
}

// Debris impacts sound on the floor-hit group, pitched up to 10000 Hz higher.
void CGameFlow::playImpact(int volume, int pan)
{
    parts.sounds.play(Sound::HitFloor, sceneryRandom(), 10000, volume, pan);
}

// A score good enough for the table gets its entry, named next by the
// player. The entry is made at once, so the recording ends with the game; the
// menu with the list and the name comes after a moment of "Game over".
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
    current = State::GameOver;
    gameOverLeft = GameOverSeconds;
    parts.menu.showGameOver(event.score);
}

void CGameFlow::showMenuAfterGameOver()
{
    parts.menu.showGameOver(-1);
    enterMenu(true);
}

std::string CGameFlow::endRecording(bool keep, RecordedEnd how)
{
    return parts.recorder ? parts.recorder->end(parts.board, keep, how) : std::string();
}

// However the program ends, nothing the player did is lost: a name being
// typed is entered as Enter would, which keeps its game's recording, and an
// option changed on a screen still open is saved (a failure is said on
// standard error by the store: no window is left to say it in).
void CGameFlow::onProgramEnd()
{
    if (current == State::Playing && !playingRecording)
        endRecording(false, RecordedEnd::CutShort);
    if (parts.menu.typingName())
        finishNaming();
    if (playerSettings)
        playerSettings->save();
}

KeyContext CGameFlow::keyContext() const
{
    if (parts.menu.helpShown())
        return KeyContext::Help;
    if (current == State::GameOver)
        return KeyContext::GameOver;
    if (current == State::Playing)
        return KeyContext::Playing;
    if (parts.menu.typingName())
        return KeyContext::NameEntry;
    return parts.menu.options().isOpen() ? KeyContext::Options : KeyContext::Menu;
}

void CGameFlow::onAction(ActionRequest request)
{
    const Action action = request.action;
    if (current == State::Playing) {
        if (parts.recorder)
            parts.recorder->record(action);
        noteTap(action);
    }
    if (action == Action::ShowHelp) {
        showHelp();
        return;
    }
    if (action == Action::HideHelp) {
        hideHelp();
        return;
    }
    if (const std::optional<SettingId> setting = settingFlippedBy(action))
        flipSetting(*setting);
    else
        moveScenery(action);
    if (current == State::Playing)
        onPlayingAction(action);
    else if (current == State::GameOver)
        return;
    else if (parts.menu.typingName())
        onNameEntryAction(action);
    else if (parts.menu.options().isOpen())
        onOptionsAction(action);
    else
        onMenuAction(request);
}

void CGameFlow::flipSetting(SettingId setting)
{
    if (!playerSettings)
        return;
    // Keys pressed while a recording plays switch the picture, not the file.
    playerSettings->flip(setting, !playingRecording);
    // The screen, when open, shows what the key switched.
    if (parts.menu.options().isOpen())
        parts.menu.options().refresh(playerSettings->optionPages());
}

// The help holds a running game as the Pause key would, and is recorded as
// that key, so that a replay stands still where the game did.
void CGameFlow::showHelp()
{
    parts.menu.showHelp(true);
    resumeAfterHelp = current == State::Playing && parts.board.isRunning();
    if (resumeAfterHelp)
        togglePauseRecorded();
}

void CGameFlow::hideHelp()
{
    parts.menu.showHelp(false);
    if (resumeAfterHelp && current == State::Playing && !parts.board.isRunning())
        togglePauseRecorded();
    resumeAfterHelp = false;
}

void CGameFlow::togglePauseRecorded()
{
    if (parts.recorder)
        parts.recorder->record(Action::Pause);
    parts.board.togglePause();
}

void CGameFlow::noteTap(Action action)
{
    if (taps == TapRule::EveryPress && (action == Action::SlideLeft || action == Action::SlideRight)) {
        parts.board.pressSlide(action == Action::SlideLeft ? -1 : +1);
        return;
    }
    tappedSinceStep.left |= action == Action::SlideLeft;
    tappedSinceStep.right |= action == Action::SlideRight;
    tappedSinceStep.down |= action == Action::DropFaster;
}

// The light and the camera's sway, the same in every state.
void CGameFlow::moveScenery(Action action)
{
    switch (action) {
    case Action::MoveLight: moveLightGoal(); break;
    case Action::CalmSway:
        if (swayAmplitude > 0.0f)
            swayAmplitude -= 0.5f;
        break;
    case Action::WidenSway: swayAmplitude += 0.5f; break;
    default: break;
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
// characters. A pad picks a letter with up and down, keeps it with A or
// right, drops it (or the last letter kept) with B or left; Start keeps the
// name with the letter being picked. Enter and Escape keep it as typed.
void CGameFlow::onNameEntryAction(Action action)
{
    CMenu& menu = parts.menu;
    std::string& name = menu.entryBeingNamed()->name;
    const char picked = menu.pickedLetter();
    switch (action) {
    case Action::NextLetter: menu.pickLetter(nextNameLetter(picked, +1)); break;
    case Action::PreviousLetter: menu.pickLetter(nextNameLetter(picked, -1)); break;
    case Action::KeepLetter:
        if (picked != 0)
            name += picked;
        menu.pickLetter(0);
        break;
    case Action::DropLetter:
        if (picked != 0)
            menu.pickLetter(0);
        else
            removeLastUtf8Character(name);
        break;
    case Action::EraseLetter: removeLastUtf8Character(name); break;
    case Action::FinishNameWithLetter:
        if (picked != 0)
            name += picked;
        finishNaming();
        break;
    case Action::FinishName: finishNaming(); break;
    default: break;
    }
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

// A picked entry of the list has the highlight to itself: Enter watches it,
// and a move or a click on an item drops it, so it never takes an item's place.
void CGameFlow::onMenuAction(ActionRequest request)
{
    parts.sounds.play(Sound::MenuItem, sceneryRandom());
    CMenu& menu = parts.menu;
    // The word about a recording that would not play lasts until the next key.
    if (menu.scoresNotice() == RecordingNotPlayable)
        menu.setScoresNotice("");
    switch (request.action) {
    case Action::Choose:
        if (menu.chosenScore() >= 0)
            watchChosenScore();
        else if (menu.selectedItem() == CMenu::PlayItem)
            startGame();
        else if (menu.selectedItem() == CMenu::HighScoreItem)
            menu.toggleScores();
        else if (menu.selectedItem() == CMenu::OptionsItem)
            openOptions();
        else
            quitChosen = true;
        break;
    // Escape closes the list first; with nothing shown it leaves the game.
    case Action::Quit:
        if (menu.showsScores())
            menu.toggleScores();
        else
            quitChosen = true;
        break;
    case Action::CloseList:
        if (menu.showsScores())
            menu.toggleScores();
        break;
    case Action::PreviousItem: menu.selectPrevious(); break;
    case Action::NextItem: menu.selectNext(); break;
    case Action::PickEntry: menu.pickEntry(request.entry); break;
    default: break;
    }
}

void CGameFlow::openOptions()
{
    parts.menu.options().open(playerSettings ? playerSettings->optionPages() : OptionPages{});
}

void CGameFlow::onOptionsAction(Action action)
{
    parts.sounds.play(Sound::MenuItem, sceneryRandom());
    switch (action) {
    case Action::OptionUp: moveInOptions(OptionsMove::Up); break;
    case Action::OptionDown: moveInOptions(OptionsMove::Down); break;
    case Action::OptionLeft: moveInOptions(OptionsMove::Left); break;
    case Action::OptionRight: moveInOptions(OptionsMove::Right); break;
    case Action::OptionTake: moveInOptions(OptionsMove::Take); break;
    case Action::OptionBack: moveInOptions(OptionsMove::Back); break;
    default: break;
    }
}

void CGameFlow::moveInOptions(OptionsMove move)
{
    const OptionsOutcome outcome = parts.menu.options().move(move);
    if (!playerSettings)
        return;
    if (outcome.changed && outcome.setting == DefaultKeysSetting) {
        playerSettings->restoreDefaultKeys();
        showKeys();
    } else if (outcome.changed) {
        playerSettings->change(outcome.setting, outcome.value);
        // Full screen may not be granted; the screen shows what the window did.
        parts.menu.options().refresh(playerSettings->optionPages());
    }
    if (outcome.leave && !playerSettings->save() && parts.showNotice)
        parts.showNotice("Vesbrik - the settings could not be saved");
}

void CGameFlow::onMouseDown(int x, int y, unsigned button, int pictureWidth, int pictureHeight)
{
    CMenu& menu = parts.menu;
    if (menu.helpShown()) {
        hideHelp();
        return;
    }
    if (current != State::Menu || menu.typingName() || !menu.fullyShown())
        return;
    if (!menu.options().isOpen()) {
        const int item = MenuLayout::itemAt(x, y, pictureWidth, pictureHeight);
        if (item < 0 || button != MouseLeft)
            return;
        menu.select(item);
        onMenuAction(Action::Choose);
        return;
    }
    parts.sounds.play(Sound::MenuItem, sceneryRandom());
    const OptionsLayout layout(pictureWidth, pictureHeight);
    if (layout.onHint(x, y)) {
        moveInOptions(OptionsMove::Back);
        return;
    }
    const int row = layout.rowAt(x, y, menu.options().rowCount());
    if (row < 0)
        return;
    menu.options().point(row, layout.tabAt(x));
    if (row > 0)
        moveInOptions(button == MouseRight ? OptionsMove::TakeBack : OptionsMove::Take);
}

// Pointing picks, clicking takes: the item or row under the mouse becomes
// the chosen one. On the page row it stays on the page shown until a click.
void CGameFlow::onMousePoint(int x, int y, int pictureWidth, int pictureHeight)
{
    CMenu& menu = parts.menu;
    if (current != State::Menu || menu.typingName() || menu.helpShown() || !menu.fullyShown())
        return;
    if (!menu.options().isOpen()) {
        const int item = MenuLayout::itemAt(x, y, pictureWidth, pictureHeight);
        if (item >= 0)
            menu.select(item);
        return;
    }
    const OptionsLayout layout(pictureWidth, pictureHeight);
    const int row = layout.rowAt(x, y, menu.options().rowCount());
    if (row >= 0)
        menu.options().point(row, menu.options().page());
}

// Enter on a picked high-score entry that kept its recording plays it; on
// one without a recording it gives the highlight back to the items.
void CGameFlow::watchChosenScore()
{
    CMenu& menu = parts.menu;
    if (!menu.showsScores() || menu.chosenScore() < 0 || menu.chosenScore() >= CHighScoreTable::EntryCount)
        return;
    const std::string& name = parts.highScores.entry(menu.chosenScore()).replay;
    if (name.empty() || !parts.watchRecording) {
        menu.forgetPick();
        return;
    }
    // One that cannot play says so under the list; Enter does nothing else then.
    if (!parts.watchRecording(name))
        menu.setScoresNotice(RecordingNotPlayable);
}

// Typed characters go into the high-score name, stored as UTF-8. The classic
// range of 32 to 229 is kept: control characters and everything above it are
// ignored.
void CGameFlow::onCharacter(uint32_t character)
{
    HighScoreEntry* named = parts.menu.entryBeingNamed();
    if (current != State::Menu || !named)
        return;
    if (character >= 32 && character <= 229) {
        appendUtf8(named->name, character);
        parts.menu.pickLetter(0);
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
    // Recorded as the Pause key, so that a replay stands still where the
    // game did; without it the replay plays on through the pause.
    if (pauseOnFocusLoss && current == State::Playing && parts.board.isRunning())
        togglePauseRecorded();
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
    if (!parts.renderer.lights().empty())
        parts.renderer.lights().front()->smoothStep();
    parts.menu.showPaused(current == State::Playing && !board.isRunning() && !boardOver);
    parts.menu.update(dt);
    if (current == State::Playing) {
        if (board.isRunning())
            playTime += dt;
        board.step(dt);
    } else if (current == State::GameOver) {
        gameOverLeft -= dt;
        if (gameOverLeft <= 0.0f)
            showMenuAfterGameOver();
    }
    // The game-over moment keeps the player's view of the well it speaks of;
    // the menu's low path, close to the well, waits for the menu.
    if (holdTime <= 0.0f)
        camera().idleCameraPath(clock, swayAmplitude, current != State::Menu);
    camera().clampHeight();
}
