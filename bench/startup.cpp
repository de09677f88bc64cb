// Time from starting the game to its first presented frame: the script driver
// is started in a fresh run folder with a script of one frame. The figure
// includes the process start and the (short) shutdown after that frame.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

static void StartToFirstFrame(benchmark::State& state)
{
    const fs::path folder = fs::temp_directory_path() / "vesbrik-bench-startup";
    fs::remove_all(folder);
    fs::create_directories(folder / "media");
    fs::copy(VESBRIK_MEDIA_DIR, folder / "media", fs::copy_options::recursive);
    fs::copy_file(fs::path(VESBRIK_SOURCE_DIR) / "settings.xml", folder / "settings.xml");
    std::ofstream(folder / "one-frame.txt") << "frames 1\n";
    const std::string command = "cd '" + folder.string() + "' && SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null '" +
                                std::string(VESBRIK_SCRIPT) + "' one-frame.txt --draw-every-frame > /dev/null 2>&1";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("the game did not start");
            break;
        }
    }
    fs::remove_all(folder);
}
BENCHMARK(StartToFirstFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

BENCHMARK_MAIN();
