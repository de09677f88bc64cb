#include "app/Entry.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <system_error>

#include "app/Application.h"
#include "app/GameFlow.h"
#include "app/GameObjects.h"
#include "app/GameRecorder.h"
#include "app/PlayerSettings.h"
#include "app/ReplayPlayer.h"
#include "app/Settings.h"
#include "app/WindowSize.h"
#include "files/AtomicFile.h"
#include "files/GameFolders.h"
#include "game/GameBoard.h"
#include "game/Menu.h"
#include "platform/Clock.h"
#include "platform/Window.h"
#include "render/Renderer.h"
#include "render/SceneScaleChooser.h"
#include "view/GameView.h"

namespace {

// Makes the application's device the one every drawing part reaches, for as
// long as it lives.
class DevicePublication {
public:
    explicit DevicePublication(CDevice& device) { publishDevice(&device); }
    ~DevicePublication() { publishDevice(nullptr); }
    DevicePublication(const DevicePublication&) = delete;
    DevicePublication& operator=(const DevicePublication&) = delete;
};

// The window with its device, then the game's objects: released in the
// reverse order, every texture and buffer before the device (and its GL
// context) that the application owns.
struct Game {
    std::unique_ptr<CApplication> application;
    std::unique_ptr<DevicePublication> devicePublication;
    GameObjects objects;
    // The scene's scale, from the settings or from the frame times.
    std::unique_ptr<CSceneScaleChooser> scaleChooser;
    // Drives the renderer, view, sounds, flow and scale: released before them.
    std::unique_ptr<CPlayerSettings> playerSettings;
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

// A recording named on the command line is found from the folder the game
// was started in, also when an installed game moved to its data folder.
std::optional<ReplayRequest> replayFromStartFolder(std::optional<ReplayRequest> replay, const GameFolders& folders,
                                                   const std::filesystem::path& startFolder)
{
    if (replay && !folders.portable && std::filesystem::path(replay->file).is_relative())
        replay->file = (startFolder / replay->file).string();
    return replay;
}

// Without its effects the game cannot draw a frame: say where it looked
// rather than fail later on a missing shader.
void reportMissingMedia(const GameFolders& folders)
{
    std::string searched;
    for (const auto& folder : folders.searchedDataFolders)
        searched += (searched.empty() ? "" : ", ") + (folder / "media").string();
    showMessageBox("", "cannot start: no media/ in this folder nor in the installed data (" + searched + ")");
}

void prepareEnvironment(bool verifying)
{
    // A check shows nothing and plays nothing, at full speed.
    if (verifying) {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        setenv("ALSOFT_DRIVERS", "null", 1);
    }
    // The desktop matches the window to the menu entry (and its icon) by
    // this name: Wayland's app id, X11's window class. SDL reads it when it
    // starts, so it is set first.
    setenv("SDL_VIDEO_WAYLAND_WMCLASS", "org.example.vesbrik", 0);
    setenv("SDL_VIDEO_X11_WMCLASS", "org.example.vesbrik", 0);
}

// A game killed in the middle of a save leaves the temporary of that save
// beside the file (see files/AtomicFile.h); each start clears the game's own
// leftovers, and nothing else in those folders.
void clearLeftoversOfKilledSaves(const GameFolders& folders, const std::filesystem::path& replayFolder)
{
    removeLeftoverTemporary(folders.settingsFile.string());
    removeLeftoverTemporary(folders.highScoreFile.string());
    removeLeftoverTemporaries(replayFolder, isRecorderFileName);
}

std::unique_ptr<CReplayPlayer> makeReplayPlayer(Recording recording, GameObjects& objects)
{
    return std::make_unique<CReplayPlayer>(std::move(recording), *objects.flow, *objects.board, objects.view->hud);
}

// Installed, finished games are kept with the high scores, in the player's
// data folder.
std::filesystem::path replayFolderOf(const GameOptions& options, const GameFolders& folders)
{
    return folders.portable ? std::filesystem::path(options.replayFolder) : folders.replayFolder;
}

// What the game needs beside its folders: the sounds, the recordings, and the
// notices and replays that go through the window.
GameSetup gameSetup(Game& game, const GameOptions& options, const GameFolders& folders)
{
    CApplication& app = *game.application;
    GameObjects& objects = game.objects;
    GameSetup setup;
    setup.highScoreFile = folders.highScoreFile;
    setup.seed = options.seed ? *options.seed : tickCountMilliseconds();
    setup.soundFile = "media/sound.xml";
    setup.soundLog = options.soundLog;
    setup.replayFolder = replayFolderOf(options, folders);
    setup.showNotice = [&app](const std::string& notice) { app.window().setTitle(notice); };
    setup.watchRecording = [&app, &objects](const std::string& name) {
        std::string error = "not a recording of this game: " + name;
        std::optional<Recording> recording;
        if (isPlainRecordingName(name))
            recording = loadPlayableRecording(objects.recorder->folder() / name, *objects.sounds, &error);
        if (!recording) {
            app.window().setTitle(error);
            return false;
        }
        app.startReplay(makeReplayPlayer(std::move(*recording), objects), false);
        return true;
    };
    return setup;
}

void attachToApplication(CApplication& app, Game& game, const CSettings& settings, const GameFolders& folders,
                         const GameOptions& options)
{
    GameObjects& objects = game.objects;
    app.attach(*objects.flow, FrameParts{*objects.renderer, *objects.view, *objects.menu, *objects.highScores, *objects.menuScreen});
    app.setRecorder(objects.recorder.get());
    objects.flow->pauseOnFocusLoss = settings.isOn(SettingId::PauseOnFocusLoss);
    app.setScreenshotFolder(folders.screenshotFolder);
    app.setFixedFrameTime(options.fixedFrameTime);
    app.setDrawEveryFrame(options.drawEveryFrame);
    game.scaleChooser = std::make_unique<CSceneScaleChooser>(settings.renderScale());
    app.adaptSceneScale(*game.scaleChooser, *objects.renderer, options.frameTimeLog);
}

// The settings as the player changes them in the game: from the file as it
// was read, put into the game at once, and kept in it.
std::unique_ptr<CPlayerSettings> makePlayerSettings(CApplication& app, Game& game, const CSettings& asRead,
                                                    const GameFolders& folders, std::optional<DesktopSize> desktop,
                                                    WindowSize opened)
{
    GameObjects& objects = game.objects;
    CSceneScaleChooser& scale = *game.scaleChooser;
    auto settings = std::make_unique<CPlayerSettings>(
        asRead, CSettingsStore(folders.settingsFile.string(), asRead),
        SettingsTargets{*objects.renderer, *objects.view, *objects.sounds,
                        [&app](FrameLimit limit) { app.limitFrames(limit); },
                        [&app](int width, int height) { app.resizeWindow(width, height); },
                        [&app](bool fullScreen) { app.window().setFullScreen(fullScreen); },
                        [&app] { return !app.window().isWindowed(); },
                        [&scale](std::optional<float> fixed) { scale.fix(fixed); }},
        windowSizeChoices(desktopModes(), desktop, opened), opened);
    settings->applyToGame();
    objects.flow->setPlayerSettings(settings.get());
    return settings;
}

// Plays or checks the recording the command line names, read from its file
// before the start-up. A status when the game ends here (checked, or not
// playable); none when the replay plays.
std::optional<int> startRequestedReplay(const ReplayRequest& replay, Recording read, Game& game)
{
    GameObjects& objects = game.objects;
    std::string error;
    std::optional<Recording> recording = playableRecording(std::move(read), replay.file, *objects.sounds, &error);
    if (!recording) {
        std::fprintf(stderr, "vesbrik: %s\n", error.c_str());
        return 2;
    }
    if (replay.verify)
        return verifyRecording(*recording, *objects.flow, *objects.board);
    game.application->startReplay(makeReplayPlayer(std::move(*recording), objects), true);
    return std::nullopt;
}

} // namespace

int runGame(const GameOptions& options)
{
    std::error_code unknown;
    const std::filesystem::path startFolder = std::filesystem::current_path(unknown);
    const GameFolders folders = settleFolders();
    const std::optional<ReplayRequest> replay = replayFromStartFolder(options.replay, folders, startFolder);
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
    if (!folders.mediaFound) {
        reportMissingMedia(folders);
        return 1;
    }
    prepareEnvironment(replay && replay->verify);
    // A check writes nothing, so it leaves the folders alone.
    if (!(replay && replay->verify))
        clearLeftoversOfKilledSaves(folders, replayFolderOf(options, folders));

    CSettings settings;
    settings.load(folders.settingsFile);
    // The file keeps what the player asked for; the window opens at what fits.
    const CSettings asRead = settings;
    const std::optional<DesktopSize> desktop = desktopSize();
    fitWindowSize(settings, desktop);
    const WindowSize opened{settings.width(), settings.height()};

    Game game;
    game.application = std::make_unique<CApplication>();
    CApplication& app = *game.application;
    if (app.create(settings.width(), settings.height(), settings.isOn(SettingId::FullScreen)) < 0) {
        showMessageBox("", "cannot start: " + app.createError());
        return 1;
    }
    app.window().setIcon("media/icons/vesbrik-64.png");
    app.window().setMinimumSize(WindowSizeRange::MinWidth, WindowSizeRange::MinHeight);
    game.devicePublication = std::make_unique<DevicePublication>(app.graphics());
    assembleGame(game.objects, gameSetup(game, options, folders));
    attachToApplication(app, game, settings, folders, options);
    game.playerSettings = makePlayerSettings(app, game, asRead, folders, desktop, opened);

    if (replay) {
        if (const std::optional<int> status = startRequestedReplay(*replay, std::move(*replayed), game))
            return *status;
    }

    GameObjects& objects = game.objects;
    const GameState state{*objects.flow, *objects.board, *objects.menu, *objects.renderer, *objects.view,
                          *objects.sounds, *game.playerSettings};
    CInputSource* input = options.makeInput ? options.makeInput(app, state) : &app.window();
    const int status = app.run(*input);
    objects.flow->onProgramEnd();
    return status;
}
