// vesbrik-replay SCRIPT [--seed N] [--dt SECONDS]
// Runs the game headless in the current folder, fed by an input script.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include <stb_image_write.h>

#include "InputScript.h"
#include "app/Application.h"
#include "app/Entry.h"

namespace {

int usage()
{
    std::fprintf(stderr, "usage: vesbrik-replay SCRIPT [--seed N] [--dt SECONDS]\n");
    return 2;
}

bool writePng(CDevice& d, const std::string& file)
{
    const std::vector<uint8_t> pixels = d.readBackBuffer();
    return stbi_write_png(file.c_str(), d.width(), d.height(), 4, pixels.data(), d.width() * 4) != 0;
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
    std::unique_ptr<CInputScript> script;
    options.makeInput = [&](CApplication& app) {
        script = std::make_unique<CInputScript>(std::move(actions), &app.window(),
                                                [&app](const std::string& png) { return writePng(app.graphics(), png); });
        return script.get();
    };
    const int status = runGame(options);
    if (status == 0 && script && !script->succeeded()) {
        std::fprintf(stderr, "vesbrik-replay: a shot could not be written\n");
        return 1;
    }
    return status;
}
