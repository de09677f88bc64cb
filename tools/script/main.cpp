// vesbrik-script SCRIPT [--seed N] [--dt SECONDS] [--draw-every-frame [--frame-times FILE]] [--replay FILE]
// Runs the game headless in the current folder, fed by an input script.
// Drawing every frame, it says how long the frames took (wall clock) and at
// which scale the scene was drawn, and can write every frame's time to FILE.
// SIGTERM, SIGINT and SIGHUP end the game as the end of its script does; the
// run then ends by that signal.
#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <utility>

#include "files/PictureFile.h"

#include "InputScript.h"
#include "platform/MemoryPolicy.h"
#include "platform/StopSignals.h"
#include "app/Application.h"
#include "app/Entry.h"
#include "app/GameFlow.h"
#include "app/PlayerSettings.h"
#include "app/SettingTable.h"
#include "game/GameBoard.h"
#include "game/HighScoreTable.h"
#include "game/Menu.h"
#include "render/Renderer.h"
#include "physics/PhysicsWorld.h"
#include "platform/X11Window.h"
#include "view/GameView.h"

namespace {

int usage()
{
    std::fprintf(stderr, "usage: vesbrik-script SCRIPT [--seed N] [--dt SECONDS] [--draw-every-frame [--frame-times FILE]] "
                         "[--replay FILE]\n");
    return 2;
}

// The wall-clock time of the frames drawn one after another, and the scale
// each was drawn at.
struct FrameTime {
    double seconds;
    float scale;
};

// "frames 1200, after the first 2 s: median 21.4 ms (46.7 fps), scene scale
// 1.00 to 1.00, 0 changes": the first two seconds hold the start-up's
// compiling and caching, not the game's steady pace.
void reportFrameTimes(const std::vector<FrameTime>& frames)
{
    constexpr double SkippedSeconds = 2.0;
    std::vector<double> steady;
    double elapsed = 0.0;
    int changes = 0;
    float lowest = 1.0f, highest = 0.0f;
    for (size_t i = 0; i < frames.size(); ++i) {
        elapsed += frames[i].seconds;
        if (i > 0 && frames[i].scale != frames[i - 1].scale)
            ++changes;
        lowest = std::min(lowest, frames[i].scale);
        highest = std::max(highest, frames[i].scale);
        if (elapsed > SkippedSeconds)
            steady.push_back(frames[i].seconds);
    }
    if (steady.empty()) {
        std::printf("frames %zu, none after the first 2 s\n", frames.size());
        return;
    }
    std::nth_element(steady.begin(), steady.begin() + static_cast<std::ptrdiff_t>(steady.size() / 2), steady.end());
    const double median = steady[steady.size() / 2];
    std::printf("frames %zu, after the first 2 s: median %.1f ms (%.1f fps), scene scale %.2f to %.2f, %d changes\n",
                frames.size(), median * 1000.0, 1.0 / std::max(median, 1e-6), static_cast<double>(lowest),
                static_cast<double>(highest), changes);
}

bool writeFrameTimes(const std::vector<FrameTime>& frames, const std::string& file)
{
    std::ofstream out(file);
    out << "# seconds scale\n";
    for (const FrameTime& frame : frames)
        out << frame.seconds << ' ' << frame.scale << '\n';
    return static_cast<bool>(out);
}

// The frame as the window shows it: the back buffer keeps an alpha channel
// that blending writes into, but the window ignores it, so the shot is opaque.
bool writePng(CDevice& d, const std::string& file)
{
    return writePicture(file, d.readBackBuffer(), d.width(), d.height());
}

// Waits until the window's size has stayed the same for a quarter of a
// second (at most three seconds): a window manager answers a request in its
// own time, on a busy machine later than that. When the size before a
// request is given, the wait starts once the size has left it (or two
// seconds passed). The events are left queued for the game.
void waitForWindowToSettle(CWindow& window, std::optional<std::pair<int, int>> before = std::nullopt)
{
    const Uint64 changeDue = SDL_GetTicks64() + 2000;
    while (before && SDL_GetTicks64() < changeDue) {
        SDL_PumpEvents();
        int width = 0, height = 0;
        window.drawableSize(width, height);
        if (std::make_pair(width, height) != *before)
            break;
        SDL_Delay(10);
    }
    int lastWidth = -1, lastHeight = -1;
    Uint64 steadySince = SDL_GetTicks64();
    const Uint64 giveUpAt = steadySince + 3000;
    while (SDL_GetTicks64() < giveUpAt) {
        SDL_PumpEvents();
        int width = 0, height = 0;
        window.drawableSize(width, height);
        const Uint64 now = SDL_GetTicks64();
        if (width != lastWidth || height != lastHeight) {
            lastWidth = width;
            lastHeight = height;
            steadySince = now;
        } else if (now - steadySince >= 250) {
            return;
        }
        SDL_Delay(10);
    }
}

// A window line: the window changes as the desktop or the player would
// change it, behind the game's back; a windowshot line: what the display
// shows of it after one more frame. `settled`: straight after a window line,
// which has waited for the window already.
bool actOnWindow(CApplication& app, const ScriptAction& action, bool settled)
{
    CWindow& window = app.window();
    if (action.kind == ScriptAction::WindowShot) {
        // A size the game asked for itself (the options) settles first too.
        if (!settled)
            waitForWindowToSettle(window);
        app.drawFrame();
        std::vector<uint8_t> rgba;
        int width = 0, height = 0;
        return readShownPixels(window.handle(), rgba, width, height) && writePicture(action.file, rgba, width, height);
    }
    std::pair<int, int> before;
    window.drawableSize(before.first, before.second);
    if (action.name == "size")
        window.setSize(action.x, action.y);
    else if (action.name == "fullscreen" || action.name == "windowed")
        window.setFullScreen(action.name == "fullscreen");
    else if (action.name == "maximise")
        SDL_MaximizeWindow(window.handle());
    else if (action.name == "restore")
        SDL_RestoreWindow(window.handle());
    waitForWindowToSettle(window, before);
    return true;
}

// The colour a cells line gives one cell: '.' empty, a digit 1 to 7 the
// colour of that piece kind (so a shot can show a stack of known colours),
// anything else grey.
uint32_t cellColour(char mark)
{
    if (mark == '.')
        return 0u;
    if (mark >= '1' && mark <= '7')
        return createPiece(mark - '0')->colour;
    return 0xFF808080u;
}

// A test sets up a position: a row of cells, or the falling piece.
void editBoard(CGameBoard& board, const ScriptAction& action)
{
    if (action.kind == ScriptAction::Cells) {
        for (int column = 0; column < BoardColumns; ++column)
            board.setCell(column, action.count, cellColour(action.value[static_cast<size_t>(column)]));
        return;
    }
    CPiece& piece = *board.placePiece(createPiece(action.key));
    piece.x = action.px;
    piece.y = action.py;
    for (int turn = 0; turn < (action.count & 3); ++turn)
        piece.rotate(+1);
}

// A short fingerprint of the settled cells (FNV-1a over the 200 cells).
std::string gridHash(const CGameBoard& board)
{
    uint32_t hash = 2166136261u;
    for (uint32_t cell : board.cells())
        for (int byte = 0; byte < 4; ++byte)
            hash = (hash ^ ((cell >> (8 * byte)) & 0xFFu)) * 16777619u;
    char text[9];
    std::snprintf(text, sizeof text, "%08x", hash);
    return text;
}

int debrisCount(const CGameView& view)
{
    int count = 0;
    for (int i = 0; i < CPhysicsWorld::SlotCount; ++i)
        count += view.debris().slot(i) != nullptr;
    return count;
}

// The state end-to-end tests look at, one "name value" per line, followed by
// the sounds played since the previous look (which it takes).
std::vector<std::string> stateLines(const GameState& game, std::vector<std::string>& sounds)
{
    std::vector<std::string> lines;
    auto add = [&lines](const std::string& name, const auto& value) {
        std::ostringstream line;
        line << name << " " << value;
        lines.push_back(line.str());
    };
    add("state", static_cast<int>(game.flow.state()));
    add("running", game.board.isRunning());
    add("score", game.board.score());
    add("level", game.board.level());
    add("rows", game.board.rows());
    if (const CPiece* piece = game.board.current()) {
        std::ostringstream place;
        place << piece->x << " " << piece->y << " " << piece->rotation;
        add("piece", place.str());
        add("piece.column", piece->x);
        add("current", piece->kind);
    }
    if (game.board.next())
        add("next", game.board.next()->kind);
    add("grid", gridHash(game.board));
    add("debris", debrisCount(game.view));
    auto point = [](const glm::vec3& p) {
        std::ostringstream text;
        text << p.x << " " << p.y << " " << p.z;
        return text.str();
    };
    if (!game.renderer.lights().empty())
        add("lightGoal", point(game.renderer.lights().front()->positionGoal));
    if (!game.view.hud.banner.empty())
        add("hud.banner", game.view.hud.banner);
    add("menu.visible", game.menu.isVisible());
    add("menu.selected", game.menu.selectedItem());
    add("menu.showScores", game.menu.showsScores());
    add("menu.scoresNotice", game.menu.scoresNotice());
    add("menu.chosenScore", game.menu.chosenScore());
    add("menu.fade()", game.menu.fade());
    add("menu.nameEntry", game.menu.typingName() ? 1 : 0);
    if (const HighScoreEntry* named = game.menu.entryBeingNamed())
        add("menu.name", named->name);
    if (game.menu.pickedLetter() != 0)
        add("menu.picked", std::string(1, game.menu.pickedLetter()));
    add("menu.help", game.menu.helpShown());
    if (!game.menu.options().controlsLine().empty())
        add("options.line", game.menu.options().controlsLine());
    add("menu.paused", game.menu.pausedShown());
    if (game.menu.gameOverShown())
        add("menu.gameOver", game.menu.finalScore());
    add("hud.score", static_cast<int>(game.view.hud.displayedScore));
    add("options.open", game.menu.options().isOpen());
    if (game.menu.options().isOpen()) {
        add("options.page", optionsPageName(game.menu.options().page()));
        add("options.row", game.menu.options().row());
        for (const OptionItem& item : game.menu.options().items())
            add("options.value", item.label + " = " + item.shown());
    }
    // Every setting by its attribute, as the file would write it.
    for (const SettingDeclaration& setting : settingTable())
        add(setting.attribute, settingText(setting, game.settings.current().value(setting.id)));
    // The helps the view draws, as the settings put them into it.
    add("view.dropGuide", game.view.dropGuide);
    add("view.kindMarks", game.view.kindMarks);
    add("sway", game.flow.swayAmplitude);
    add("camera", point(game.renderer.camera().eye));
    add("cameraGoal", point(game.renderer.camera().eyeGoal));
    add("cameraTarget", point(game.renderer.camera().target));
    for (const std::string& sound : sounds)
        lines.push_back("sound." + sound);
    sounds.clear();
    return lines;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return usage();
    GameOptions options;
    std::string frameTimesFile;
    options.seed = 1;
    options.fixedFrameTime = 1.0 / 60.0;
    // Only shots need pictures; the game steps the same with or without them.
    options.drawEveryFrame = false;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--seed" && i + 1 < argc)
            options.seed = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        else if (arg == "--dt" && i + 1 < argc)
            options.fixedFrameTime = std::strtod(argv[++i], nullptr);
        else if (arg == "--draw-every-frame")
            options.drawEveryFrame = true;
        else if (arg == "--frame-times" && i + 1 < argc)
            frameTimesFile = argv[++i];
        else if (arg == "--replay" && i + 1 < argc)
            options.replay = ReplayRequest{argv[++i], false};
        else
            return usage();
    }
    if (!(*options.fixedFrameTime >= 0.0 && *options.fixedFrameTime <= 10.0)) {
        std::fprintf(stderr, "vesbrik-script: --dt must be between 0 and 10 seconds\n");
        return 2;
    }

    std::ifstream file(argv[1]);
    if (!file) {
        std::fprintf(stderr, "vesbrik-script: cannot read %s\n", argv[1]);
        return 2;
    }
    std::stringstream text;
    text << file.rdbuf();
    std::vector<ScriptAction> actions;
    std::string error;
    if (!parseInputScript(text.str(), actions, error)) {
        std::fprintf(stderr, "vesbrik-script: %s: %s\n", argv[1], error.c_str());
        return 2;
    }

    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    // What holds for the whole process, as in the game's main.
    keepFreedMemoryForReuse();
    catchStopSignals();
    std::vector<std::string> sounds;
    options.soundLog = [&sounds](Sound sound, int variant) {
        sounds.push_back(std::string(soundName(sound)) + " " + std::to_string(variant));
    };
    std::vector<FrameTime> frameTimes;
    if (options.drawEveryFrame)
        options.frameTimeLog = [&frameTimes](double seconds, float scale) { frameTimes.push_back({seconds, scale}); };
    std::unique_ptr<CInputScript> script;
    const bool drawEveryFrame = options.drawEveryFrame;
    options.makeInput = [&](CApplication& app, const GameState& game) {
        auto shot = [&app, drawEveryFrame](const std::string& png) {
            if (!drawEveryFrame)
                app.drawFrame();
            return writePng(app.graphics(), png);
        };
        auto state = [&game, &sounds, &app] {
            std::vector<std::string> lines = stateLines(game, sounds);
            int width = 0, height = 0;
            app.window().size(width, height);
            lines.push_back("window " + std::to_string(width) + " " + std::to_string(height));
            // The window as it is, beside the setting's "fullscreen" line.
            lines.push_back(std::string("window.fullscreen ") + (app.window().isWindowed() ? "0" : "1"));
            return lines;
        };
        auto edit = [&game](const ScriptAction& action) { editBoard(game.board, action); };
        auto play = [&game, player = std::make_shared<CAutoplayer>()] { return player->next(game.board); };
        auto windowActor = [&app](const ScriptAction& action, bool settled) {
            return actOnWindow(app, action, settled);
        };
        script =
            std::make_unique<CInputScript>(std::move(actions), &app.window(), shot, state, edit, play, windowActor);
        return script.get();
    };
    const int status = runGame(options);
    endByCaughtSignal();
    if (options.drawEveryFrame)
        reportFrameTimes(frameTimes);
    if (!frameTimesFile.empty() && !writeFrameTimes(frameTimes, frameTimesFile)) {
        std::fprintf(stderr, "vesbrik-script: cannot write %s\n", frameTimesFile.c_str());
        return 1;
    }
    if (status != 0 || !script)
        return status;
    if (const int line = script->unfinishedLine()) {
        std::fprintf(stderr, "%s: the game quit before line %d\n", argv[1], line);
        return 1;
    }
    for (const std::string& failure : script->failedExpectations())
        std::fprintf(stderr, "%s: %s\n", argv[1], failure.c_str());
    if (!script->succeeded()) {
        std::fprintf(stderr, "vesbrik-script: a shot, a dump or a window line could not be carried out\n");
        return 1;
    }
    return script->failedExpectations().empty() ? 0 : 1;
}
