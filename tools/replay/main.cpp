// vesbrik-replay SCRIPT [--seed N] [--dt SECONDS]
// Runs the game headless in the current folder, fed by an input script.
// SIGTERM and SIGINT stop the run, which then ends by that signal.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include <stb_image_write.h>

#include "InputScript.h"
#include "StopSignals.h"
#include "app/Application.h"
#include "app/Entry.h"
#include "app/GameFlow.h"
#include "game/GameBoard.h"
#include "game/Menu.h"
#include "render/Renderer.h"
#include "view/GameView.h"

namespace {

int usage()
{
    std::fprintf(stderr, "usage: vesbrik-replay SCRIPT [--seed N] [--dt SECONDS]\n");
    return 2;
}

// The frame as the window shows it: the back buffer keeps an alpha channel
// that blending writes into, but the window ignores it, so the shot is opaque.
bool writePng(CDevice& d, const std::string& file)
{
    // The window shows no alpha; the scene leaves alpha 0 wherever nothing
    // was drawn, which viewers would show as transparent.
    std::vector<uint8_t> pixels = d.readBackBuffer();
    for (size_t i = 3; i < pixels.size(); i += 4)
        pixels[i] = 255;
    return stbi_write_png(file.c_str(), d.width(), d.height(), 4, pixels.data(), d.width() * 4) != 0;
}

// The state end-to-end tests look at, one "name value" per line.
bool writeDump(const GameState& game, const std::string& file)
{
    std::ofstream out(file);
    out << "state " << static_cast<int>(game.flow.state()) << "\n";
    out << "running " << game.board.running << "\n";
    out << "score " << game.board.score << "\n";
    out << "level " << game.board.level << "\n";
    out << "rows " << game.board.rows << "\n";
    if (game.board.current)
        out << "piece " << game.board.current->x << " " << game.board.current->y << " "
            << game.board.current->rotation << "\n";
    out << "menu.visible " << game.menu.visible << "\n";
    out << "menu.selected " << game.menu.selected << "\n";
    out << "menu.showScores " << game.menu.showScores << "\n";
    out << "menu.scoresNotice " << game.menu.scoresNotice << "\n";
    out << "menu.nameEntry " << (game.menu.nameEntry ? 1 : 0) << "\n";
    if (game.menu.nameEntry)
        out << "menu.name " << *game.menu.nameEntry << "\n";
    out << "sway " << game.flow.swayAmplitude << "\n";
    out << "frameLimit " << game.flow.frameLimit << "\n";
    out << "bloom " << game.renderer.enableBloom << "\n";
    out << "mirror " << game.renderer.enableMirror << "\n";
    out << "shadow " << game.renderer.enableShadow << "\n";
    out << "filter " << game.renderer.filterFrameBuffer << "\n";
    out << "frameRate " << game.view.showFrameRate << "\n";
    return static_cast<bool>(out);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return usage();
    GameOptions options;
    options.seed = 1;
    options.fixedFrameTime = 1.0 / 60.0;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--seed" && i + 1 < argc)
            options.seed = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        else if (arg == "--dt" && i + 1 < argc)
            options.fixedFrameTime = std::strtod(argv[++i], nullptr);
        else
            return usage();
    }
    if (!(*options.fixedFrameTime >= 0.0 && *options.fixedFrameTime <= 10.0)) {
        std::fprintf(stderr, "vesbrik-replay: --dt must be between 0 and 10 seconds\n");
        return 2;
    }

    std::ifstream file(argv[1]);
    if (!file) {
        std::fprintf(stderr, "vesbrik-replay: cannot read %s\n", argv[1]);
        return 2;
    }
    std::stringstream text;
    text << file.rdbuf();
    std::vector<ScriptAction> actions;
    std::string error;
    if (!parseInputScript(text.str(), actions, error)) {
        std::fprintf(stderr, "vesbrik-replay: %s: %s\n", argv[1], error.c_str());
        return 2;
    }

    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    catchStopSignals();
    std::unique_ptr<CInputScript> script;
    options.makeInput = [&](CApplication& app, const GameState& game) {
        script = std::make_unique<CInputScript>(
            std::move(actions), &app.window(), [&app](const std::string& png) { return writePng(app.graphics(), png); },
            [&game](const std::string& dump) { return writeDump(game, dump); });
        return script.get();
    };
    const int status = runGame(options);
    endByCaughtSignal();
    if (status == 0 && script && !script->succeeded()) {
        std::fprintf(stderr, "vesbrik-replay: a shot or dump could not be written\n");
        return 1;
    }
    return status;
}
