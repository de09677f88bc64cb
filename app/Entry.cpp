#include "app/Entry.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <system_error>

#include "app/Application.h"
#include "app/GameFlow.h"
#include "app/GameRecorder.h"
#include "app/ReplayPlayer.h"
#include "app/Settings.h"
#include "app/WindowSize.h"
#include "audio/SoundBank.h"
#include "files/GameFolders.h"
#include "game/GameBoard.h"
#include "game/HighScoreTable.h"
#include "game/Menu.h"
#include "physics/ImpactSoundSink.h"
#include "platform/Clock.h"
#include "platform/Window.h"
#include "render/Renderer.h"
#include "view/GameView.h"
#include "view/MenuScreen.h"

namespace {

// Debris impacts sound on the floor-hit group, pitched up to 10000 Hz higher.
class FloorHitSound : public CImpactSoundSink {
public:
    explicit FloorHitSound(const CSoundBank& sounds) : sounds(sounds) {}
    void playImpact(int volume, int pan) override { sounds.play(Sound::HitFloor, 10000, volume, pan); }

private:
    const CSoundBank& sounds;
};

// Makes the application's device the one every drawing part reaches, for as
// long as it lives.
class DevicePublication {
public:
    explicit DevicePublication(CDevice& device) { publishDevice(&device); }
    ~DevicePublication() { publishDevice(nullptr); }
    DevicePublication(const DevicePublication&) = delete;
    DevicePublication& operator=(const DevicePublication&) = delete;
};

// Every long-lived object of a game, made once at start-up in an order where
// each finds what it needs already made. The members are declared in that
// order, so they are released in the reverse order when the game ends: the
// flow before what it drives, every texture and buffer before the device
// (and its GL context) that the application owns.
struct Game {
    std::unique_ptr<CApplication> application;
    std::unique_ptr<DevicePublication> devicePublication;
    std::unique_ptr<CHighScoreTable> highScores;
    std::unique_ptr<CSoundBank> sounds;
    std::unique_ptr<CGameBoard> board;
    std::unique_ptr<CRenderer> renderer;
    std::unique_ptr<FloorHitSound> floorHitSound;
    std::unique_ptr<CGameView> view;
    std::unique_ptr<CMenu> menu;
    std::unique_ptr<CMenuScreen> menuScreen;
    std::unique_ptr<CGameRecorder> recorder;
    std::unique_ptr<CGameFlow> flow;

    // The output stops before anything else goes, so no sound is cut off
    // halfway through a release.
    ~Game()
    {
        if (sounds)
            sounds->shutdown();
    }
};

// Portable, the game stays in the folder it was started in. Installed, its
// data folder becomes its working folder, so the media are found under the
// same relative names as ever; the player's files have absolute paths.
GameFolders settleFolders()
{
    const GameFolders folders = chooseGameFolders(gatherFolderFacts(), holdsGameMedia);
    std::error_code failed;
    if (!folders.portable && folders.mediaFound)
        std::filesystem::current_path(folders.workingFolder, failed);
    if (failed)
        std::fprintf(stderr, "vesbrik: cannot enter %s\n", folders.workingFolder.c_str());
    return folders;
}

void applySwitches(const CSettings& settings, CRenderer& renderer)
{
    renderer.enableBloom = settings.enableBloom;
    renderer.enableShadow = settings.enableShadow;
    renderer.enableMirror = settings.enableMirror;
    renderer.filterFrameBuffer = settings.filterFrameBuffer;
}

} // namespace

int runGame(const GameOptions& options)
{
    std::error_code unknown;
    const std::filesystem::path startFolder = std::filesystem::current_path(unknown);
    const GameFolders folders = settleFolders();
    // A recording named on the command line is found from the folder the game
    // was started in, also when an installed game moved to its data folder.
    std::optional<ReplayRequest> replay = options.replay;
    if (replay && !folders.portable && std::filesystem::path(replay->file).is_relative())
        replay->file = (startFolder / replay->file).string();
    // The file is read before any window opens, so that a folder, a pipe or
    // a damaged file is refused at once, not after the start-up.
    std::optional<Recording> replayed;
    if (replay) {
        std::string error;
        replayed = readRecordingFile(replay->file, &error);
        if (!replayed) {
            std::fprintf(stderr, "vesbrik: %s\n", error.c_str());
            return 2;
        }
    }
    // Without its effects the game cannot draw a frame: say where it looked
    // rather than fail later on a missing shader.
    if (!folders.mediaFound) {
        std::string searched;
        for (const auto& folder : folders.searchedDataFolders)
            searched += (searched.empty() ? "" : ", ") + (folder / "media").string();
        showMessageBox("", "cannot start: no media/ in this folder nor in the installed data (" + searched + ")");
        return 1;
    }
    // A check shows nothing and plays nothing, at full speed.
    if (replay && replay->verify) {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        setenv("ALSOFT_DRIVERS", "null", 1);
    }
    // The desktop matches the window to the menu entry (and its icon) by
    // this name: Wayland's app id, X11's window class. SDL reads it when it
    // starts, so it is set first.
    setenv("SDL_VIDEO_WAYLAND_WMCLASS", "org.example.vesbrik", 0);
    setenv("SDL_VIDEO_X11_WMCLASS", "org.example.vesbrik", 0);

    CSettings settings;
    settings.load(folders.settingsFile);
    fitWindowSize(settings, desktopSize());

    Game game;
    game.application = std::make_unique<CApplication>();
    CApplication& app = *game.application;
    if (app.create(settings.width, settings.height, settings.fullscreen) < 0) {
        showMessageBox("", "cannot start: " + app.createError());
        return 1;
    }
    app.window().setIcon("media/icons/vesbrik-64.png");
    game.devicePublication = std::make_unique<DevicePublication>(app.graphics());

    game.highScores = std::make_unique<CHighScoreTable>(folders.highScoreFile);
    game.sounds = std::make_unique<CSoundBank>();
    game.sounds->load("media/sound.xml");
    game.sounds->setPlayLog(options.soundLog);
    game.board = std::make_unique<CGameBoard>(options.seed ? *options.seed : tickCountMilliseconds());
    game.renderer = std::make_unique<CRenderer>();
    game.floorHitSound = std::make_unique<FloorHitSound>(*game.sounds);
    game.view = std::make_unique<CGameView>(*game.board, *game.renderer, game.floorHitSound.get());
    game.menu = std::make_unique<CMenu>();
    game.menuScreen = std::make_unique<CMenuScreen>();
    game.menuScreen->load("media");
    // Installed, finished games are kept with the high scores, in the
    // player's data folder.
    const std::filesystem::path replayFolder = folders.portable ? std::filesystem::path(options.replayFolder) : folders.replayFolder;
    game.recorder = std::make_unique<CGameRecorder>(replayFolder, mediaFingerprint(*game.sounds));
    const auto showNotice = [&app](const std::string& notice) { app.window().setTitle(notice); };
    const auto watchRecording = [&](const std::string& name) {
        std::string error = "not a recording of this game: " + name;
        std::optional<Recording> recording;
        if (isPlainRecordingName(name))
            recording = loadPlayableRecording(game.recorder->folder() / name, *game.sounds, &error);
        if (!recording) {
            showNotice(error);
            return false;
        }
        app.startReplay(std::make_unique<CReplayPlayer>(std::move(*recording), *game.flow, *game.board, game.view->hud), false);
        return true;
    };
    game.flow = std::make_unique<CGameFlow>(GameParts{*game.board, *game.highScores, *game.menu, *game.view,
                                                      *game.renderer, *game.sounds, showNotice,
                                                      game.recorder.get(), watchRecording});
    app.attach(*game.flow, FrameParts{*game.view, *game.menu, *game.highScores, *game.menuScreen});
    app.setRecorder(game.recorder.get());
    applySwitches(settings, *game.renderer);
    game.flow->pauseOnFocusLoss = settings.pauseOnFocusLoss;
    app.setScreenshotFolder(folders.screenshotFolder);

    app.setFixedFrameTime(options.fixedFrameTime);
    app.setDrawEveryFrame(options.drawEveryFrame);
    game.flow->enterMenu(false);

    if (replay) {
        std::string error;
        std::optional<Recording> recording = playableRecording(std::move(*replayed), replay->file, *game.sounds, &error);
        if (!recording) {
            std::fprintf(stderr, "vesbrik: %s\n", error.c_str());
            return 2;
        }
        if (replay->verify)
            return verifyRecording(*recording, *game.flow, *game.board);
        app.startReplay(std::make_unique<CReplayPlayer>(std::move(*recording), *game.flow, *game.board, game.view->hud), true);
    }

    const GameState state{*game.flow, *game.board, *game.menu, *game.renderer, *game.view};
    CInputSource* input = options.makeInput ? options.makeInput(app, state) : &app.window();
    return app.run(*input);
}
